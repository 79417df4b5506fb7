#include "gui/ResString.h"

#include <windows.h>

namespace gui {

std::wstring LoadResString(unsigned id) {
  const wchar_t* text = nullptr;
  // With a length of 0, LoadStringW hands out a read-only pointer into the resource itself.
  int length = ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) return {};
  return std::wstring(text, static_cast<size_t>(length));
}

std::wstring FormatText(std::wstring_view format, std::initializer_list<std::wstring_view> args) {
  std::wstring result;
  result.reserve(format.size() + 64);
  auto next = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    wchar_t c = format[i];
    if (c == L'%' && i + 1 < format.size()) {
      wchar_t k = format[i + 1];
      if (k == L'%') {
        result += L'%';
        ++i;
        continue;
      }
      if (k == L's' || k == L'd') {
        if (next != args.end()) result += *next++;
        ++i;
        continue;
      }
    }
    result += c;
  }
  return result;
}

std::wstring FormatRes(unsigned id, std::initializer_list<std::wstring_view> args) {
  return FormatText(LoadResString(id), args);
}

}  // namespace gui
