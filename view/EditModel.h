#pragma once
// The output view's editing model, with no window: the text (view/TextStore.h) and its rows
// (view/TextLayout.h), the selection, the caret's moves over clusters, words and rows, and undo.
// The window (view/TextView.h) turns messages into calls on it and paints what it holds; tests
// drive it over a font of fixed pitch.
//
// Positions count UTF-16 units from 0 and rows count as the layout counts them; an x is in pixels
// from the left edge of a row, before any scrolling.
#include <windows.h>

#include <algorithm>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "view/EditCommands.h"
#include "view/TextLayout.h"
#include "view/TextStore.h"

namespace view {

// Where rows show in a window: TopRow at the top, every row RowHeight pixels high and scrolled
// XOffset pixels to the left.
struct tRowsShown {
  int TopRow = 0;
  int XOffset = 0;
  int RowHeight = 1;
};

// Where the caret goes: a position, and whether it stands after a wrap, at the end of the row
// before the one that the position starts, as the edit control's caret does after End.
struct tPlace {
  tTextPos Position = 0;
  bool AfterWrap = false;
};

class cEditModel final : private iLayoutText, private iTextStoreEvents {
public:
  // Lays the text out in the measure's widths; the measure outlives the model.
  explicit cEditModel(iTextMeasure& measure);
  cEditModel(const cEditModel&) = delete;
  cEditModel& operator=(const cEditModel&) = delete;
  ~cEditModel() override;

  const cTextStore& Store() const noexcept { return store_; }
  cTextLayout& Layout() noexcept { return layout_; }
  const cTextLayout& Layout() const noexcept { return layout_; }
  // The lines as the layout reads them: a line's characters without its break, valid until the
  // text changes.
  int LineCount() const override;
  std::wstring_view Line(int index) const override;
  int LineLength(int index) const override { return ClampToInt(store_.LineLength(index)); }

  bool ReadOnly() const noexcept { return readOnly_; }
  void SetReadOnly(bool readOnly) noexcept { readOnly_ = readOnly; }
  // Whether the text changed since it was set, or since the flag was cleared.
  bool Modified() const noexcept { return modified_; }
  void SetModified(bool modified) noexcept { modified_ = modified; }

  // The selection: the caret at one end, the anchor at the other.
  tTextPos Anchor() const noexcept { return anchor_; }
  tTextPos Caret() const noexcept { return caret_; }
  bool AfterWrap() const noexcept { return afterWrap_; }
  // The row that shows the caret.
  int CaretRow() const { return RowOfPosition(caret_, afterWrap_); }
  tTextPos SelStart() const noexcept { return std::min(anchor_, caret_); }
  tTextPos SelEnd() const noexcept { return std::max(anchor_, caret_); }
  // Both ends brought into the text; answers whether the selection or the caret's row changed.
  bool Select(tTextPos anchor, tTextPos caret, bool afterWrap = false);
  // A double-click's selection: the word under a point of a window, with the blanks after it, as
  // the edit control takes it (within the row; blanks at a row's start are a word of their own).
  bool SelectWordAt(const tRowsShown& shown, int x, int y);

  // Replaces the selection, as typing, pasting or EM_REPLACESEL does, undoable or not, each of the
  // looks' runs in its look, its links' runs their links, come at the stamp's time; the caret goes
  // after the text. Answers whether anything changed.
  bool ReplaceSelection(std::wstring_view text, bool undoable, std::span<const tAttributeRun> looks = {},
                        std::span<const tAttributeRun> links = {}, tLineStamp stamp = 0);
  // The whole text, with nothing to undo and the caret at its start.
  void SetText(std::wstring_view text);
  // An empty text begins at the origin (cTextStore::SetOrigin), and the caret with it.
  bool SetOrigin(tTextPos origin) {
    if (!store_.SetOrigin(origin)) return false;
    Select(origin, origin);
    return true;
  }
  bool CanUndo() const noexcept { return undo_.Inserted > 0 || !undo_.Removed.empty(); }
  void ForgetUndo() noexcept { undo_ = {}; }
  // The edits of ecDeleteBack, ecDeleteForward, ecNewLine and ecUndo, and typing a character:
  // whether the text changed (never while read-only).
  bool Edit(tEditCommand command);
  bool Type(wchar_t character);

  // Where a move (IsMove) takes the caret from where it stands, without moving it; with extend
  // the selection stretches, without it a selection ends. A page is pageRows rows.
  tPlace Moved(tEditCommand move, bool extend, int pageRows);
  // Moves the caret there; answers whether the selection changed.
  bool Move(tEditCommand move, bool extend, int pageRows);

  // Rows and positions; after a wrap, a position where a row starts is in the row before.
  int RowOfPosition(tTextPos position, bool afterWrap = false) const;
  tTextPos RowStartPosition(int row) const;
  tTextPos RowEndPosition(int row) const;
  // The place nearest to x in the row, as a click finds it: past the end of a wrapped row, after
  // the wrap.
  tPlace PlaceInRow(int row, int x);
  // Where the position stands in its row.
  int XOfPosition(tTextPos position, bool afterWrap = false);
  // The same in a window's pixels: the place nearest to a point, and the top left of a
  // position's cell.
  tPlace PlaceAt(const tRowsShown& shown, int x, int y);
  int RowAt(const tRowsShown& shown, int y) const;
  POINT PointOf(const tRowsShown& shown, tTextPos position, bool afterWrap = false);

  // What shows once the caret is scrolled into view, rows high and width wide: as shown, or as
  // near as the caret allows (without word wrap a quarter of the width beyond it).
  tRowsShown ShownWithCaret(const tRowsShown& shown, int rows, int width);
  // From the start of the first row to the end of the last of count rows from first on.
  tTextSpan RowsSpan(int first, int count) const;
  // In a window's pixels, one rectangle per row shown (rows of them) that the span covers, cut to
  // the part of the row it covers; for an empty span, one of no width where it is.
  std::vector<RECT> SpanRectangles(tTextSpan span, const tRowsShown& shown, int rows);

  // The rows change with the width, the font, word wrap or the tab stops. All are laid out again:
  // the rows shown (rows of them from topRow on), the caret's and the last ones at once, the rest
  // by ContinueRelayout. Answers the row that now holds what topRow held.
  int Relayout(int topRow, int rows);
  // Lays out stale rows until the tick count given; answers as Relayout.
  int ContinueRelayout(int topRow, ULONGLONG until);
  // Lays out the stale rows among those shown now.
  void MakeShownExact(int topRow, int rows);

  // Where a step of Left, Right, Ctrl+Left and Ctrl+Right goes from the position.
  tTextPos ClusterBefore(tTextPos position) const;
  tTextPos ClusterAfter(tTextPos position) const;
  tTextPos WordBefore(tTextPos position) const;
  tTextPos WordAfter(tTextPos position) const;
  // What UI Automation takes as the word and the line around a position.
  tTextSpan WordAround(tTextPos position) const;
  tTextSpan LineAround(tTextPos position) const;

  // A stretch drawn underlined until it is cleared or the text before its end changes; empty for
  // none.
  tTextSpan HotSpan() const noexcept { return hotSpan_; }
  void SetHotSpan(tTextSpan span) noexcept { hotSpan_ = span.End > span.Start ? span : tTextSpan{}; }

private:
  // What undo takes back, as the edit control keeps it: the Inserted units from Position replace
  // the text Removed there. Edits in a row add to it: typing or pasting where the last insertion
  // ends, Delete where the last removal was, Backspace just before it; an insertion where text was
  // removed makes a replacement of the two. Undo makes it the edit that undoes it. Stamps: the
  // times of the lines that Removed gives back, the one that holds Position first (none while the
  // text had no time).
  struct tUndo {
    tTextPos Position = 0;
    tTextPos Inserted = 0;
    std::wstring Removed;
    std::vector<tLineStamp> Stamps;
  };

  // iTextStoreEvents
  void TextChanged(const tTextChange& change) override;
  bool ContinuesLineBreak(const tTextChange& change) const;
  bool Undo();
  // The stamps of the lines from the one that holds start to the one that holds end.
  std::vector<tLineStamp> StampsBetween(tTextPos start, tTextPos end) const;
  void Remember(tTextPos start, std::wstring removed, tTextPos inserted, std::vector<tLineStamp> stamps);

  cTextStore store_;
  cTextLayout layout_;
  // A line that lies across blocks of the store, copied, and where it starts (-1: none).
  mutable std::wstring lineCopy_;
  mutable tTextPos lineCopyStart_ = -1;
  tTextPos anchor_ = 0, caret_ = 0;
  bool afterWrap_ = false;
  // Where up and down keep the caret; -1 until one of them moves it.
  int goalX_ = -1;
  bool readOnly_ = false;
  bool modified_ = false;
  tUndo undo_;
  tTextSpan hotSpan_;
};

}  // namespace view
