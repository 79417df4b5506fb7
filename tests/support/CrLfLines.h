#pragma once
// The lines of a text as an edit control counts them: split at CR LF and nowhere else, an empty
// last line after a final line break included.
#include <string>
#include <string_view>
#include <vector>

inline std::vector<std::wstring> CrLfLines(std::wstring_view text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (size_t at; (at = text.find(L"\r\n", start)) != std::wstring_view::npos; start = at + 2)
    lines.emplace_back(text.substr(start, at - start));
  lines.emplace_back(text.substr(start));
  return lines;
}
