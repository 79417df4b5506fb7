#include "view/EditModel.h"

#include <limits>
#include <optional>
#include <utility>

#include "view/TextClusters.h"

namespace view {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
bool IsBreak(wchar_t c) { return c == L'\r' || c == L'\n'; }
bool IsWordChar(wchar_t c) { return !IsBlank(c) && !IsBreak(c); }

constexpr tTextPos kFirstReach = 64;

}  // namespace

cEditModel::cEditModel(iTextMeasure& measure) : layout_(*this, measure) { store_.SetEvents(this); }

cEditModel::~cEditModel() { store_.SetEvents(nullptr); }

// ---- the text as the layout reads it

int cEditModel::LineCount() const { return ClampToInt(store_.LineCount()); }

std::wstring_view cEditModel::Line(int index) const {
  const tTextPos start = store_.LineStart(index), length = store_.LineLength(index);
  if (start < 0) return {};
  if (auto view = store_.View(start, length)) return *view;
  // A line across blocks or in a block of bytes is copied, into the room of the last copy; a long
  // line that output makes longer is copied once, and from then on only what was appended to it
  // (TextChanged forgets a copy an edit touched).
  const std::size_t kept =
      lineCopyStart_ == start && static_cast<tTextPos>(lineCopy_.size()) <= length ? lineCopy_.size() : 0;
  lineCopy_.resize(static_cast<std::size_t>(length));
  store_.CopyTo(start + static_cast<tTextPos>(kept), lineCopy_.size() - kept, lineCopy_.data() + kept);
  lineCopyStart_ = start;
  return lineCopy_;
}

// An LF appended after a CR makes a line break of the two: the last line loses its CR.
bool cEditModel::ContinuesLineBreak(const tTextChange& change) const {
  return change.Start > 0 && store_.Substr(change.Start - 1, 2) == L"\r\n";
}

void cEditModel::TextChanged(const tTextChange& change) {
  if (lineCopyStart_ >= 0 && change.Start < lineCopyStart_ + static_cast<tTextPos>(lineCopy_.size())) {
    lineCopyStart_ = -1;
    lineCopy_.clear();
  }
  // The hot span names text that an edit before its end may have changed or moved.
  if (change.Start < hotSpan_.End) hotSpan_ = {};
  const bool appended = change.Removed == 0 && change.Start + change.Inserted == store_.Length();
  if (appended && !ContinuesLineBreak(change))
    layout_.TextAppended();
  else
    layout_.TextChanged(ClampToInt(change.Line), ClampToInt(change.RemovedBreaks + 1),
                        ClampToInt(change.InsertedBreaks + 1));
}

// ---- the selection and edits

bool cEditModel::Select(tTextPos anchor, tTextPos caret, bool afterWrap) {
  anchor = store_.ClampPosition(anchor);
  caret = store_.ClampPosition(caret);
  if (anchor == anchor_ && caret == caret_ && afterWrap == afterWrap_) return false;
  anchor_ = anchor;
  caret_ = caret;
  afterWrap_ = afterWrap;
  goalX_ = -1;
  return true;
}

bool cEditModel::SelectWordAt(const tRowsShown& shown, int x, int y) {
  const int row = RowAt(shown, y);
  const tTextPos start = RowStartPosition(row), end = RowEndPosition(row);
  if (start == end) return Select(start, start);
  // A word begins after blanks; it ends where the next begins, or with its row.
  const auto begins = [](std::wstring_view text, size_t i) { return IsBlank(text[i - 1]) && !IsBlank(text[i]); };
  const tTextPos at = store_.LineStart(layout_.RowStart(row).Line) + layout_.ClusterAt(row, x + shown.XOffset);
  tTextPos from = start, to = end;
  for (tTextPos reach = kFirstReach;; reach *= 4) {
    const tTextPos first = std::max(start, at - reach);
    const std::wstring text = store_.Substr(first, at + 1 - first);
    size_t i = text.size() - 1;
    while (i > 0 && !begins(text, i)) --i;
    if (i > 0 || first == start) {
      from = first + static_cast<tTextPos>(i);
      break;
    }
  }
  for (tTextPos reach = kFirstReach;; reach *= 4) {
    const tTextPos last = std::min(end, at + 1 + reach);
    const std::wstring text = store_.Substr(at, last - at);
    size_t i = 1;
    while (i < text.size() && !begins(text, i)) ++i;
    if (i < text.size() || last == end) {
      to = at + static_cast<tTextPos>(i);
      break;
    }
  }
  return Select(from, to);
}

bool cEditModel::ReplaceSelection(std::wstring_view text, bool undoable, std::span<const tAttributeRun> looks,
                                  std::span<const tAttributeRun> links, tLineStamp stamp) {
  const tTextPos start = SelStart(), count = SelEnd() - SelStart();
  if (count == 0 && text.empty()) return false;
  std::vector<tLineStamp> stamps = undoable ? StampsBetween(start, start + count) : std::vector<tLineStamp>();
  // Output comes at the end: an append there costs what it appends.
  std::wstring removed;
  if (looks.empty() && links.empty()) {
    if (count == 0 && start == store_.Length())
      store_.Append(text, {}, {}, stamp);
    else
      removed = store_.Replace(start, count, text, 0, stamp);
  } else {
    // Each run goes in with its look; the window follows once, for all of them.
    if (count > 0) removed = store_.Replace(start, count, {});
    if (start == store_.Length()) {
      store_.Append(text, looks, links, stamp);
    } else {
      tTextPos at = start;
      std::size_t used = 0;
      auto insert = [&](std::wstring_view piece, tTextAttribute look) {
        if (piece.empty()) return;
        store_.Replace(at, 0, piece, look, stamp);
        at += static_cast<tTextPos>(piece.size());
      };
      for (const tAttributeRun& run : looks) {
        const std::size_t length = std::min(run.Length, text.size() - used);
        insert(text.substr(used, length), run.Attribute);
        used += length;
      }
      insert(text.substr(used), 0);
    }
  }
  const auto inserted = static_cast<tTextPos>(text.size());
  if (undoable) {
    Remember(start, std::move(removed), inserted, std::move(stamps));
  } else if (start < undo_.Position + undo_.Inserted) {
    // A change the user cannot undo before the end of the user's edit leaves nothing to undo;
    // output after it leaves it.
    undo_ = {};
  }
  modified_ = true;
  anchor_ = caret_ = start + inserted;
  afterWrap_ = false;
  goalX_ = -1;
  return true;
}

void cEditModel::SetText(std::wstring_view text) {
  store_.Clear();
  store_.Append(text);
  anchor_ = caret_ = 0;
  afterWrap_ = false;
  goalX_ = -1;
  undo_ = {};
  modified_ = false;
}

std::vector<tLineStamp> cEditModel::StampsBetween(tTextPos start, tTextPos end) const {
  const tTextPos first = store_.LineFromPosition(start);
  return store_.LineStamps(first, store_.LineFromPosition(end) - first + 1);
}

void cEditModel::Remember(tTextPos start, std::wstring removed, tTextPos inserted, std::vector<tLineStamp> stamps) {
  // Removals in a row meet at a line, the one that holds the earlier removal's start: it keeps the
  // stamp it had before the first of them.
  if (!removed.empty()) {
    const bool removing = undo_.Inserted == 0 && !undo_.Removed.empty();
    if (removing && start == undo_.Position) {
      undo_.Removed += removed;
      if (!stamps.empty()) undo_.Stamps.insert(undo_.Stamps.end(), stamps.begin() + 1, stamps.end());
    } else if (removing && start + static_cast<tTextPos>(removed.size()) == undo_.Position) {
      undo_.Removed.insert(0, removed);
      undo_.Position = start;
      if (!stamps.empty()) undo_.Stamps.insert(undo_.Stamps.begin(), stamps.begin(), stamps.end() - 1);
    } else {
      undo_ = {start, 0, std::move(removed), std::move(stamps)};
    }
  }
  if (inserted == 0) return;
  if (start == undo_.Position || (undo_.Inserted > 0 && start == undo_.Position + undo_.Inserted))
    undo_.Inserted += inserted;
  else
    undo_ = {start, inserted, {}, std::move(stamps)};
}

bool cEditModel::Undo() {
  if (!CanUndo()) return false;
  const tUndo done = std::move(undo_);
  std::vector<tLineStamp> stamps = StampsBetween(done.Position, done.Position + done.Inserted);
  std::wstring removed = store_.Replace(done.Position, done.Inserted, done.Removed, 0, 0, done.Stamps);
  const auto restored = static_cast<tTextPos>(done.Removed.size());
  undo_ = {done.Position, restored, std::move(removed), std::move(stamps)};
  anchor_ = done.Position;
  caret_ = done.Position + restored;
  afterWrap_ = false;
  goalX_ = -1;
  modified_ = true;
  return true;
}

bool cEditModel::Edit(tEditCommand command) {
  if (readOnly_) return false;
  switch (command) {
    case ecDeleteBack:
      if (anchor_ == caret_) anchor_ = ClusterBefore(caret_);
      break;
    case ecDeleteForward:
      if (anchor_ == caret_) caret_ = ClusterAfter(caret_);
      break;
    case ecNewLine:
      return ReplaceSelection(L"\r\n", true);
    case ecUndo:
      return Undo();
    default:
      return false;
  }
  return ReplaceSelection({}, true);
}

bool cEditModel::Type(wchar_t character) {
  if (readOnly_ || (character != L'\t' && character < L' ')) return false;
  return ReplaceSelection(std::wstring_view(&character, 1), true);
}

// ---- moves

tPlace cEditModel::Moved(tEditCommand move, bool extend, int pageRows) {
  const int row = CaretRow();
  const auto vertical = [&](int rows) {
    const int goal = goalX_ >= 0 ? goalX_ : XOfPosition(caret_, afterWrap_);
    return PlaceInRow(row + rows, goal);
  };
  const bool collapse = !extend && caret_ != anchor_;
  switch (move) {
    case ecClusterLeft: return {collapse ? SelStart() : ClusterBefore(caret_)};
    case ecClusterRight: return {collapse ? SelEnd() : ClusterAfter(caret_)};
    case ecWordLeft: return {collapse ? SelStart() : WordBefore(caret_)};
    case ecWordRight: return {collapse ? SelEnd() : WordAfter(caret_)};
    case ecRowUp: return vertical(-1);
    case ecRowDown: return vertical(1);
    case ecPageUp: return vertical(-pageRows);
    case ecPageDown: return vertical(pageRows);
    case ecRowStart: return {RowStartPosition(row)};
    case ecRowEnd: return {RowEndPosition(row), layout_.Wraps(row)};
    case ecTextStart: return {0};
    case ecTextEnd: return {store_.Length()};
    default: return {caret_, afterWrap_};
  }
}

bool cEditModel::Move(tEditCommand move, bool extend, int pageRows) {
  const bool vertical = move == ecRowUp || move == ecRowDown || move == ecPageUp || move == ecPageDown;
  const int goal = vertical ? (goalX_ >= 0 ? goalX_ : XOfPosition(caret_, afterWrap_)) : -1;
  const tPlace target = Moved(move, extend, pageRows);
  const bool changed = Select(extend ? anchor_ : target.Position, target.Position, target.AfterWrap);
  if (vertical) goalX_ = goal;
  return changed;
}

// ---- rows and positions

int cEditModel::RowOfPosition(tTextPos position, bool afterWrap) const {
  const tTextPos line = store_.LineFromPosition(position);
  return layout_.RowOf(ClampToInt(line), ClampToInt(position - store_.LineStart(line)), afterWrap);
}

tTextPos cEditModel::RowStartPosition(int row) const {
  const tRowStart start = layout_.RowStart(row);
  return store_.LineStart(start.Line) + start.Column;
}

tTextPos cEditModel::RowEndPosition(int row) const { return RowStartPosition(row) + layout_.RowLength(row); }

tPlace cEditModel::PlaceInRow(int row, int x) {
  row = std::clamp(row, 0, layout_.RowCount() - 1);
  const tRowStart start = layout_.RowStart(row);
  const int column = layout_.ColumnFromX(row, std::max(x, 0));
  const bool atEnd = column == start.Column + layout_.RowLength(row);
  return {store_.LineStart(start.Line) + column, atEnd && layout_.Wraps(row)};
}

int cEditModel::XOfPosition(tTextPos position, bool afterWrap) {
  const tTextPos line = store_.LineFromPosition(position);
  return layout_.XFromColumn(ClampToInt(line), ClampToInt(position - store_.LineStart(line)), afterWrap);
}

int cEditModel::RowAt(const tRowsShown& shown, int y) const {
  return std::clamp(shown.TopRow + (y < 0 ? -1 : y / shown.RowHeight), 0, layout_.RowCount() - 1);
}

tPlace cEditModel::PlaceAt(const tRowsShown& shown, int x, int y) { return PlaceInRow(RowAt(shown, y), x + shown.XOffset); }

POINT cEditModel::PointOf(const tRowsShown& shown, tTextPos position, bool afterWrap) {
  return {XOfPosition(position, afterWrap) - shown.XOffset,
          (RowOfPosition(position, afterWrap) - shown.TopRow) * shown.RowHeight};
}

tRowsShown cEditModel::ShownWithCaret(const tRowsShown& shown, int rows, int width) {
  tRowsShown moved = shown;
  const int row = CaretRow();
  if (row < moved.TopRow) moved.TopRow = row;
  if (row >= moved.TopRow + rows) moved.TopRow = row - rows + 1;
  if (!layout_.WordWrap()) {
    const int x = XOfPosition(caret_, afterWrap_);
    if (x < moved.XOffset) moved.XOffset = std::max(x - width / 4, 0);
    if (x >= moved.XOffset + width) moved.XOffset = x - width * 3 / 4;
  }
  return moved;
}

tTextSpan cEditModel::RowsSpan(int first, int count) const {
  const int last = std::min(first + count, layout_.RowCount()) - 1;
  return {RowStartPosition(first), RowEndPosition(std::max(last, first))};
}

std::vector<RECT> cEditModel::SpanRectangles(tTextSpan span, const tRowsShown& shown, int rows) {
  std::vector<RECT> rectangles;
  const int first = std::max(RowOfPosition(span.Start), shown.TopRow);
  const int last = std::min(RowOfPosition(span.End), shown.TopRow + rows - 1);
  for (int row = first; row <= last; ++row) {
    const tTextPos from = std::max(span.Start, RowStartPosition(row)), to = std::min(span.End, RowEndPosition(row));
    if (from > to || (from == to && span.Start != span.End)) continue;
    const POINT left = PointOf(shown, from);
    POINT right = PointOf(shown, to);
    if (to > from && RowOfPosition(to) != row) {
      // A wrapped row ends at its last cluster's right edge, not where the next row starts.
      int end = 0;
      layout_.ForEachCluster(row, 0, std::numeric_limits<long long>::max(), [&](const tPlacedCluster& cluster) {
        end = std::max(end, cluster.Left + cluster.Width);
        return true;
      });
      right.x = end - shown.XOffset;
    }
    rectangles.push_back({left.x, left.y, std::max(right.x, left.x), left.y + shown.RowHeight});
  }
  return rectangles;
}

// ---- laying out again

int cEditModel::Relayout(int topRow, int rows) {
  const tRowStart top = layout_.RowStart(std::min(topRow, layout_.RowCount() - 1));
  layout_.Relayout();
  const int caretLine = ClampToInt(store_.LineFromPosition(caret_));
  layout_.MakeExact(caretLine, caretLine);
  layout_.MakeExact(std::max(layout_.LineCount() - rows, 0), layout_.LineCount() - 1);
  layout_.MakeExact(top.Line, std::min(top.Line + rows, layout_.LineCount() - 1));
  return layout_.RowOf(top.Line, top.Column);
}

int cEditModel::ContinueRelayout(int topRow, ULONGLONG until) {
  constexpr int kSliceChars = 256 * 1024;
  const tRowStart top = layout_.RowStart(topRow);
  bool more = true;
  while (more && ::GetTickCount64() < until) more = layout_.ContinueRelayout(kSliceChars);
  return layout_.RowOf(top.Line, top.Column);
}

void cEditModel::MakeShownExact(int topRow, int rows) {
  if (!layout_.Stale()) return;
  const tRowStart top = layout_.RowStart(std::min(topRow, layout_.RowCount() - 1));
  layout_.MakeExact(top.Line, std::min(top.Line + rows, layout_.LineCount() - 1));
}

// ---- clusters and words

// A step reads the text around the position only as far as it goes: kFirstReach units at first,
// and four times more each time that is not enough.
tTextPos cEditModel::ClusterBefore(tTextPos position) const {
  if (position <= store_.ClampPosition(0)) return position;
  const tTextPos start = store_.LineStart(store_.LineFromPosition(position));
  // A line break is one step, as the edit control takes it.
  if (position == start) return std::max(position - 2, store_.ClampPosition(0));
  for (tTextPos reach = kFirstReach;; reach *= 4) {
    const tTextPos from = std::max(start, position - reach);
    const std::wstring text = store_.Substr(from, position - from);
    const std::optional<size_t> sure = cTextClusters::LastSureStart(text, text.size());
    if (!sure && from > start) continue;
    size_t at = sure.value_or(0);
    for (size_t next = at; next < text.size(); next = cTextClusters::End(text, next)) at = next;
    return from + static_cast<tTextPos>(at);
  }
}

tTextPos cEditModel::ClusterAfter(tTextPos position) const {
  const tTextPos line = store_.LineFromPosition(position);
  const tTextPos end = store_.LineStart(line) + store_.LineLength(line);
  if (position >= end) return std::min(end + 2, store_.Length());
  for (tTextPos reach = kFirstReach;; reach *= 4) {
    const tTextPos to = std::min(end, position + reach);
    const std::wstring text = store_.Substr(position, to - position);
    const size_t after = cTextClusters::End(text, 0);
    if (after < text.size() || to == end) return position + static_cast<tTextPos>(after);
  }
}

tTextPos cEditModel::WordBefore(tTextPos position) const {
  // Back over what is not a word, then over the word before it.
  const tTextPos first = store_.ClampPosition(0);
  for (tTextPos reach = kFirstReach;; reach *= 4) {
    const tTextPos from = std::max(first, position - reach);
    const std::wstring text = store_.Substr(from, position - from);
    size_t i = text.size();
    while (i > 0 && !IsWordChar(text[i - 1])) --i;
    while (i > 0 && IsWordChar(text[i - 1])) --i;
    if (i > 0 || from == first) return from + static_cast<tTextPos>(i);
  }
}

tTextPos cEditModel::WordAfter(tTextPos position) const {
  // Over a line break as one step, else past a word and the blanks after it.
  const tTextPos length = store_.Length();
  for (tTextPos reach = kFirstReach;; reach *= 4) {
    const std::wstring text = store_.Substr(position, reach);
    if (!text.empty() && IsBreak(text[0])) return ClusterAfter(position);
    size_t i = 0;
    while (i < text.size() && IsWordChar(text[i])) ++i;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i < text.size() || position + reach >= length) return position + static_cast<tTextPos>(i);
  }
}

tTextSpan cEditModel::WordAround(tTextPos position) const {
  // Where Ctrl+Left stops at or before the position, and Ctrl+Right after that.
  const tTextPos start = WordBefore(std::min(position + 1, store_.Length()));
  return {start, WordAfter(start)};
}

tTextSpan cEditModel::LineAround(tTextPos position) const {
  const tTextPos line = store_.LineFromPosition(position), start = store_.LineStart(line);
  return {start, start + store_.LineLength(line)};
}

}  // namespace view
