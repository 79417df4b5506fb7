#include "session/OutputRules.h"

#include <algorithm>

#include "text/Utils.h"

namespace {

constexpr wchar_t kBackspace = L'\b', kFormFeed = L'\f';

constexpr bool IsHighSurrogate(wchar_t c) noexcept { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(wchar_t c) noexcept { return c >= 0xDC00 && c <= 0xDFFF; }

// Whether every CR and LF of the text is part of a CR LF: the text is what making its line breaks
// CR LF would make of it.
bool BreaksAreCrLf(std::wstring_view text) noexcept {
  for (std::size_t at = cStringUtils::FindEither(text, L'\r', L'\n'); at != std::wstring_view::npos;
       at = cStringUtils::FindEither(text, L'\r', L'\n', at + 2))
    if (text[at] != L'\r' || at + 1 >= text.size() || text[at + 1] != L'\n') return false;
  return true;
}

}  // namespace

void cOutputRules::Append(std::wstring_view text, view::tTextAttribute look) {
  if (tap_) tap_(text);
  AppendPiece(text, look);
  sink_.Flush();
}

void cOutputRules::AppendPiece(std::wstring_view text, view::tTextAttribute look, std::wstring_view link) {
  // Output whose line breaks are CR LF already, as a console program's mostly are, needs no copy.
  if (BreaksAreCrLf(text))
    sink_.AppendText(text, look, link);
  else
    sink_.AppendText(cStringUtils::NormalizeLineBreaks(text), look, link);
}

// Only the text's last units are read, whatever the text holds.
void cOutputRules::Backspace() {
  const std::wstring tail = sink_.Tail(4);
  if (tail.empty()) return;
  // The last line as an edit control counts lines (an empty one after a final line break does
  // not count), when it is empty, goes with its line break.
  if (tail == L"\r\n" || tail == L"\r\n\r\n") {
    sink_.DeleteTail(2);
    return;
  }
  // Otherwise the last character: one beyond the Basic Multilingual Plane is two units, both go.
  const size_t size = tail.size();
  sink_.DeleteTail(size >= 2 && IsHighSurrogate(tail[size - 2]) && IsLowSurrogate(tail[size - 1]) ? 2 : 1);
}

void cOutputRules::Render(std::wstring_view text) {
  escapes_.Feed(text, renderPlain_);
  sink_.Flush();
}

void cOutputRules::Finish() {
  escapes_.Finish(renderPlain_);
  sink_.Flush();
}

void cOutputRules::RenderPlain(std::wstring_view text, view::tTextAttribute look, std::wstring_view link) {
  if (tap_) tap_(text);
  if (cStringUtils::FindEither(text, kBackspace, kFormFeed) == std::wstring_view::npos) {
    AppendPiece(text, look, link);
    return;
  }
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
    } else {
      AppendPiece(item, look, link);
    }
  }
}
