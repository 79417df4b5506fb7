#include "session/OutputRules.h"

#include <algorithm>

#include "text/Utils.h"

namespace {

constexpr wchar_t kBackspace = L'\b', kFormFeed = L'\f';

constexpr bool IsHighSurrogate(wchar_t c) noexcept { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(wchar_t c) noexcept { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::vector<std::wstring_view> cOutputRules::Pieces(std::wstring_view text, size_t maxRun) {
  std::vector<std::wstring_view> pieces;
  size_t start = 0, run = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    run = text[i] == L'\n' ? 0 : run + 1;
    if (run <= maxRun) continue;
    // The run is too long with this character: cut before it, or a step earlier where the cut
    // would part a surrogate pair. (A CR and its LF are never parted: the run ends at an LF.)
    size_t cut = i;
    if (cut - start > 1 && IsHighSurrogate(text[cut - 1])) --cut;
    pieces.push_back(text.substr(start, cut - start));
    start = cut;
    run = i - cut + 1;
  }
  if (start < text.size() || pieces.empty()) pieces.push_back(text.substr(start));
  return pieces;
}

std::wstring cOutputRules::Append(std::wstring_view text) {
  // Under Wine an edit control with word wrap takes time that grows with the square of the
  // length of an appended stretch with no line break (one appended line of 64 K characters took
  // minutes); appending a long line in pieces of 1 K characters keeps each append short. Even
  // so a piece costs tens of milliseconds, more as the line grows, so the rest waits once
  // yield says so.
  static constexpr size_t kLongLinePiece = 1024;
  const std::wstring normal = cStringUtils::NormalizeLineBreaks(text);
  const std::vector<std::wstring_view> pieces = Pieces(normal, kLongLinePiece);
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0 && yield_())
      return std::wstring(pieces[i].data(), static_cast<size_t>(normal.data() + normal.size() - pieces[i].data()));
    sink_.AppendText(pieces[i]);
  }
  return {};
}

void cOutputRules::Backspace() {
  const int n = sink_.LineCount() - 1;
  if (n >= 0 && sink_.Line(n).empty()) {
    sink_.DeleteLine(n);
    return;
  }
  if (sink_.TextLength() == 0) return;
  // A character beyond the Basic Multilingual Plane is two units, and both go.
  const std::wstring tail = sink_.LastLineTail(2);
  sink_.DeleteTail(tail.size() == 2 && IsHighSurrogate(tail[0]) && IsLowSurrogate(tail[1]) ? 2 : 1);
}

std::wstring cOutputRules::Render(std::wstring_view text) {
  if (text.empty()) return {};
  if (text.find_first_of(L"\b\f") == std::wstring_view::npos) return Append(text);
  tWStringArray items;
  cStringParser::Split(text, L"\b\f", spIncludeDelimiters, items);
  size_t start = 0;
  for (size_t i = items.size(); i-- > 0;) {
    if (items[i].size() == 1 && items[i][0] == kFormFeed) {
      start = i;
      break;
    }
  }
  for (size_t i = start; i < items.size(); ++i) {
    const std::wstring& item = items[i];
    if (item.size() == 1 && item[0] == kBackspace) {
      Backspace();
    } else if (item.size() == 1 && item[0] == kFormFeed) {
      sink_.ClearText();
    } else if (std::wstring rest = Append(item); !rest.empty()) {
      // The items, delimiters included, join back into the text.
      for (size_t j = i + 1; j < items.size(); ++j) rest += items[j];
      return rest;
    }
  }
  return {};
}

size_t cOutputRules::NextAppendChars(size_t lastChars, std::uint64_t lastMs, std::uint64_t budgetMs) {
  // Below the least, the pane's own cost per append would outweigh the text; the most bounds
  // what is held.
  static constexpr size_t kLeast = 0x10000, kMost = 0x800000;
  const double pace = double(lastChars) / double(std::max<std::uint64_t>(lastMs, 1));
  return static_cast<size_t>(std::clamp(pace * double(budgetMs), double(kLeast), double(kMost)));
}
