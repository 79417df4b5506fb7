#include "session/OutputRules.h"

#include <algorithm>
#include <climits>

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
  const size_t size = tail.size();
  // The last line as an edit control counts lines (an empty one after a final line break does
  // not count), when it is empty, goes with its line break. Otherwise the last character goes:
  // one beyond the Basic Multilingual Plane is two units, both go.
  const bool pair = size >= 2 && IsHighSurrogate(tail[size - 2]) && IsLowSurrogate(tail[size - 1]);
  const std::size_t removed = tail == L"\r\n" || tail == L"\r\n\r\n" || pair ? 2 : 1;
  sink_.DeleteTail(static_cast<int>(removed));
  if (line_ && *line_ >= removed) *line_ -= removed;
  else line_.reset();
}

void cOutputRules::Render(std::wstring_view text) {
  line_.reset();
  escapes_.Feed(text, renderPlain_);
  sink_.Flush();
}

void cOutputRules::SetRewritesLines(bool on) {
  rewrites_ = on;
  lineEnded_ = false;
}

void cOutputRules::AppendRewriting(std::wstring_view text, view::tTextAttribute look, std::wstring_view link) {
  for (std::size_t start = 0; start < text.size();) {
    std::size_t cr = text.find(L'\r', start);
    while (cr != std::wstring_view::npos && cr + 1 < text.size() && text[cr + 1] == L'\n')
      cr = text.find(L'\r', cr + 2);
    AppendLinePart(text.substr(start, std::min(cr, text.size()) - start), look, link);
    if (cr == std::wstring_view::npos) return;
    // A CR at the end waits for what follows: an LF, as the start of the next text, keeps the
    // line as a line break does, so a CR LF cut between two texts is one line break.
    lineEnded_ = true;
    start = cr + 1;
  }
}

void cOutputRules::AppendLinePart(std::wstring_view text, view::tTextAttribute look, std::wstring_view link) {
  if (text.empty()) return;
  // A line break after the CR keeps the line; any other text takes its place.
  if (lineEnded_ && text.front() != L'\n' && text.front() != L'\r') {
    if (const std::size_t length = LineLength()) sink_.DeleteTail(static_cast<int>(length));
    line_ = 0;
  }
  lineEnded_ = false;
  AppendPiece(text, look, link);
  // Its CRs are all part of a CR LF: what follows its last LF is as it came.
  if (const std::size_t lf = text.rfind(L'\n'); lf != std::wstring_view::npos) line_ = text.size() - lf - 1;
  else if (line_) *line_ += text.size();
}

std::size_t cOutputRules::LineLength() {
  // Read back in growing steps, so that finding the line's start costs what the line holds.
  for (int step = 64; !line_; step = step > INT_MAX / 4 ? INT_MAX : step * 4) {
    const std::wstring tail = sink_.Tail(step);
    if (const std::size_t lf = tail.rfind(L'\n'); lf != std::wstring::npos) line_ = tail.size() - lf - 1;
    else if (tail.size() < static_cast<std::size_t>(step) || step == INT_MAX) line_ = tail.size();
  }
  return *line_;
}

void cOutputRules::Finish() {
  escapes_.Finish(renderPlain_);
  sink_.Flush();
}

void cOutputRules::RenderPlain(std::wstring_view text, view::tTextAttribute look, std::wstring_view link) {
  if (tap_) tap_(text);
  auto put = [&](std::wstring_view piece) {
    if (rewrites_) AppendRewriting(piece, look, link);
    else AppendPiece(piece, look, link);
  };
  if (cStringUtils::FindEither(text, kBackspace, kFormFeed) == std::wstring_view::npos) {
    put(text);
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
      lineEnded_ = false;
      line_ = 0;
    } else {
      put(item);
    }
  }
}
