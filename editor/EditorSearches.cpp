#include "editor/EditorSearches.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "gui/DialogSeam.h"
#include "gui/ResString.h"
#include "resources/resource.h"
#include "ui/ExeResources.h"
#include "ui/Waits.h"

namespace {

// The platform's upper case of every UTF-16 unit taken on its own, made once. Comparing through
// it is comparing copies folded unit by unit, without making the copies.
using tFoldTable = std::array<wchar_t, 0x10000>;

std::unique_ptr<tFoldTable> MakeUpperCaseTable() {
  auto table = std::make_unique<tFoldTable>();
  for (size_t unit = 0; unit < table->size(); ++unit) (*table)[unit] = static_cast<wchar_t>(unit);
  // Surrogates stay apart, so that no two units of the table are read as one character.
  ::CharUpperBuffW(table->data(), 0xD800);
  ::CharUpperBuffW(table->data() + 0xE000, 0x10000 - 0xE000);
  return table;
}

const tFoldTable& UpperCase() {
  static const std::unique_ptr<tFoldTable> table = MakeUpperCaseTable();
  return *table;
}

struct tExact {
  wchar_t operator()(wchar_t unit) const noexcept { return unit; }
};

struct tFolded {
  const tFoldTable& table;
  wchar_t operator()(wchar_t unit) const noexcept { return table[unit]; }
};

bool IsWordCharacter(wchar_t unit) noexcept { return unit == L'_' || ::IsCharAlphaNumericW(unit); }

// A match of length m at index i (from 0) stands as a whole word in the text.
bool IsWholeWord(std::wstring_view text, size_t i, size_t m) noexcept {
  return (i == 0 || !IsWordCharacter(text[i - 1])) && (i + m >= text.size() || !IsWordCharacter(text[i + m]));
}

// The pattern compared through the fold, with the matches a whole-word search refuses skipped.
template <class tFold>
class cMatcher {
public:
  cMatcher(std::wstring_view pattern, std::wstring_view text, bool wholeWord, tFold fold)
      : text_(text), wholeWord_(wholeWord), fold_(fold) {
    pattern_.reserve(pattern.size());
    for (wchar_t unit : pattern) pattern_ += fold_(unit);
  }

  // The first match starting in [from, lastStart], as an index from 0; npos when none.
  size_t Forward(size_t from, size_t lastStart) const {
    const size_t m = pattern_.size();
    if (m == 0 || m > text_.size()) return npos;
    lastStart = std::min(lastStart, text_.size() - m);
    const wchar_t first = pattern_[0];
    const wchar_t* const data = text_.data();
    for (size_t i = from; i <= lastStart && i != npos; ++i)
      if (fold_(data[i]) == first && Matches(i)) return i;
    return npos;
  }

  // The last match lying wholly in [first, last), as an index from 0; npos when none.
  size_t Backward(size_t first, size_t last) const {
    const size_t m = pattern_.size();
    last = std::min(last, text_.size());
    if (m == 0 || first >= last || last - first < m) return npos;
    const wchar_t head = pattern_[0];
    const wchar_t* const data = text_.data();
    for (size_t i = last - m + 1; i-- > first;)
      if (fold_(data[i]) == head && Matches(i)) return i;
    return npos;
  }

  static constexpr size_t npos = std::wstring_view::npos;

private:
  bool Matches(size_t i) const noexcept {
    const wchar_t* const data = text_.data() + i;
    for (size_t j = 1; j < pattern_.size(); ++j)
      if (fold_(data[j]) != pattern_[j]) return false;
    return !wholeWord_ || IsWholeWord(text_, i, pattern_.size());
  }

  std::wstring_view text_;
  std::wstring pattern_;
  bool wholeWord_;
  tFold fold_;
};

// Runs the action with the matcher the options ask for.
template <class tAction>
size_t WithMatcher(std::wstring_view pattern, std::wstring_view text, tSearchOptions options, tAction action) {
  const bool wholeWord = (options & soWholeWord) != 0;
  if (options & soIgnoreCase) return action(cMatcher<tFolded>(pattern, text, wholeWord, tFolded{UpperCase()}));
  return action(cMatcher<tExact>(pattern, text, wholeWord, tExact{}));
}

// The first match starting at an index from 0 in [from, lastStart]; 0 or its position from 1.
int ScanForward(std::wstring_view pattern, std::wstring_view text, tSearchOptions options, size_t from,
                size_t lastStart) {
  if (pattern.empty() || from >= text.size()) return 0;
  size_t found = std::wstring_view::npos;
  if ((options & (soIgnoreCase | soWholeWord)) == 0) {
    // The library's own search is as fast as it gets for exact units.
    found = text.find(pattern, from);
    if (found > lastStart) found = std::wstring_view::npos;
  } else {
    found = WithMatcher(pattern, text, options, [&](const auto& matcher) { return matcher.Forward(from, lastStart); });
  }
  return found == std::wstring_view::npos ? 0 : static_cast<int>(found) + 1;
}

size_t ToIndex(int position) noexcept { return position > 0 ? static_cast<size_t>(position) - 1 : 0; }

// The text of a window that hands out ranges of it, read a stretch at a time into one buffer
// instead of copied whole. A stretch holds the unit before it and the pattern's length after it,
// so that a match across two stretches and the word around a match are seen.
class cStretchReader {
public:
  static constexpr size_t kStretch = 0x10000;

  cStretchReader(const cWMemo& memo, size_t patternLength) : memo_(memo), extra_(patternLength) {}

  // The text around [start, end), and where it begins; false when the window hands out no ranges.
  bool Read(size_t start, size_t end, size_t length, std::wstring_view& text, size_t& textStart) {
    textStart = start > 0 ? start - 1 : 0;
    if (!memo_.WTextRange(textStart, std::min(end + extra_, length), buffer_)) return false;
    text = buffer_;
    return true;
  }

private:
  const cWMemo& memo_;
  const size_t extra_;
  std::wstring buffer_;
};

}  // namespace

bool cSearchableEditor::Search(std::wstring_view pattern, const tSearchRequest& request) {
  const auto wait = cWaitCursor::Acquire();
  const int position = FindPosition(pattern, request);
  if (position == 0) return false;
  WPerform(EM_SETSEL, static_cast<WPARAM>(position - 1), static_cast<LPARAM>(position - 1 + pattern.size()));
  WPerform(EM_SCROLLCARET, 0, 0);
  return true;
}

int cSearchableEditor::FindPosition(std::wstring_view pattern, const tSearchRequest& request) const {
  if (pattern.empty()) return 0;
  const bool backward = (request.Options & soBackward) != 0;
  const auto length = static_cast<size_t>(std::max<LRESULT>(WPerform(WM_GETTEXTLENGTH, 0, 0), 0));
  const tSearchBounds bounds = SearchBounds(request.Range, backward, static_cast<int>(length));
  cStretchReader reader(*this, pattern.size());
  std::wstring_view text;
  size_t textStart = 0;
  const size_t stretch = cStretchReader::kStretch;
  if (!backward && bounds.End >= bounds.Start && length > 0) {
    // Stretch by stretch from the bounds' start: the first stretch with a match has the first.
    const size_t from = ToIndex(bounds.Start), lastStart = ToIndex(bounds.End);
    for (size_t start = from; start <= lastStart && start < length; start += stretch) {
      const size_t end = std::min(start + stretch, length);
      if (!reader.Read(start, end, length, text, textStart)) return FindPositionInCopy(pattern, request);
      const int found = ScanForward(pattern, text, request.Options, start - textStart,
                                    std::min(lastStart, end - 1) - textStart);
      if (found > 0) return found + static_cast<int>(textStart);
    }
    return 0;
  }
  if (backward && bounds.End >= bounds.Start && bounds.End >= 1) {
    // Stretch by stretch down from the bounds' end: a match lies wholly in [first, last).
    const size_t first = ToIndex(bounds.Start), last = std::min(static_cast<size_t>(bounds.End), length);
    for (size_t end = last; end > first;) {
      const size_t start = end - std::min(end - first, stretch);
      if (!reader.Read(start, end, length, text, textStart)) return FindPositionInCopy(pattern, request);
      // Matches that start in [start, end) and end by last.
      const int found = BackwardPos(pattern, text, request.Options, static_cast<int>(start - textStart) + 1,
                                    static_cast<int>(std::min(last, end + pattern.size() - 1) - textStart));
      if (found > 0) return found + static_cast<int>(textStart);
      end = start;
    }
    return 0;
  }
  return 0;
}

int cSearchableEditor::FindPositionInCopy(std::wstring_view pattern, const tSearchRequest& request) const {
  const std::wstring text = WText();
  const bool backward = (request.Options & soBackward) != 0;
  const tSearchBounds bounds = SearchBounds(request.Range, backward, static_cast<int>(text.size()));
  if (backward) return BackwardPos(pattern, text, request.Options, bounds.Start, bounds.End);
  // Only the start of a forward match has to lie within the bounds.
  if (bounds.End < bounds.Start) return 0;
  return ScanForward(pattern, text, request.Options, ToIndex(bounds.Start), ToIndex(bounds.End));
}

tSearchBounds cSearchableEditor::SearchBounds(tSearchRange range, bool backward, int textLength) const {
  const int s = SelStart(), l = SelLength();
  switch (range) {
    case srFromCursor:
      return backward ? tSearchBounds{1, s + l} : tSearchBounds{s + 1, textLength};
    case srSelectedText:
      // One unit past the selection: a match may start right after it.
      return {s + 1, s + l + 1};
    case srEntireScope:
      break;
  }
  return {1, textLength};
}

int cSearchableEditor::ForwardPos(std::wstring_view pattern, std::wstring_view text, tSearchOptions options,
                                  int from) {
  return ScanForward(pattern, text, options, ToIndex(from), text.size());
}

int cSearchableEditor::BackwardPos(std::wstring_view pattern, std::wstring_view text, tSearchOptions options,
                                   int start, int end) {
  if (pattern.empty() || end < start || end < 1) return 0;
  const size_t found = WithMatcher(pattern, text, options, [&](const auto& matcher) {
    return matcher.Backward(ToIndex(start), static_cast<size_t>(end));
  });
  return found == std::wstring_view::npos ? 0 : static_cast<int>(found) + 1;
}

bool cSearchableEditor::Find(const tSearchRequest& request) {
  if (request.Text.empty()) return false;
  if (Search(request.Text, request)) return true;
  ReportNotFound(request.Text);
  return false;
}

bool cSearchableEditor::FindNext(const tSearchRequest& request) {
  if (request.Text.empty()) return false;
  const int start = SelStart(), length = SelLength();
  NudgeSelection((request.Options & soBackward) != 0);
  if (Search(request.Text, request)) return true;
  SetSelStart(start);
  SetSelLength(length);
  ReportNotFound(request.Text);
  return false;
}

void cSearchableEditor::NudgeSelection(bool backward) {
  const int start = SelStart(), length = SelLength();
  if (length == 0) return;
  SetSelStart(backward ? start + length - 1 : start + 1);
}

void cSearchableEditor::ReportNotFound(std::wstring_view text) const {
  HWND owner = Handle() ? ::GetAncestor(Handle(), GA_ROOT) : nullptr;
  gui::cDialogSeam::ShowMessage(owner, gui::FormatRes(IDS_SEARCH_NOT_FOUND, {text}),
                                gui::FormatRes(IDS_PRODUCT_CAPTION, {ProductName()}), MB_OK | MB_ICONINFORMATION);
}

void cSearchableEditor::PlaceCaret(int column, int line) {
  const int start = static_cast<int>(WPerform(EM_LINEINDEX, static_cast<WPARAM>(line), 0));
  if (start < 0) return;
  SetSelStart(start + column);
  WPerform(EM_SCROLLCARET, 0, 0);
}

void cSearchableEditor::GotoLine(int line) {
  const int count = WLines().GetCount();
  if (count == 0) {
    SetSelStart(0);
    return;
  }
  const int target = std::min(line, count - 1);
  PlaceCaret(std::min(CaretColumn(), LineLength(target)), target);
}

void cSearchableEditor::GotoColumn(int column) {
  const int line = CaretLine();
  PlaceCaret(std::min(column, LineLength(line)), line);
}

void cSearchableEditor::Goto(const tGotoRequest& request) {
  if (!request.Accepted) return;
  if (request.Line >= 0) GotoLine(request.Line);
  if (request.Column >= 0) GotoColumn(request.Column);
}

int cSearchableEditor::LineLength(int line) const {
  const LRESULT start = WPerform(EM_LINEINDEX, static_cast<WPARAM>(line), 0);
  return start < 0 ? 0 : static_cast<int>(WPerform(EM_LINELENGTH, static_cast<WPARAM>(start), 0));
}
