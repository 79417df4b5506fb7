#pragma once
// A text view of the program's own that answers an edit control's messages: a window class whose
// default procedure is cTextView::Procedure, as an edit control's is the system's, so a memo
// drives either the same way. The text lives in a cTextStore and its rows in a cTextLayout; this
// class only turns messages into calls on them and paints the rows that show, in the looks of the
// store's attribute runs (view/TextLook.h), through Uniscribe as the edit control draws text.
//
// What it keeps of the edit control: the styles ES_MULTILINE, ES_READONLY (which EM_SETREADONLY
// sets), ES_NOHIDESEL, WS_HSCROLL and ES_AUTOHSCROLL (either means no word wrap; a style change
// switches wrap on the live window), the colours its parent gives it for WM_CTLCOLOREDIT or,
// read-only, WM_CTLCOLORSTATIC, and EN_CHANGE to the parent after every change of the text but
// WM_SETTEXT's. Beyond the edit control it answers EM_GETTEXTRANGE as a rich edit control does, so
// that a search reads a stretch of the text without copying all of it.
#include <windows.h>
#include <imm.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "gui/ComPtr.h"
#include "gui/Handle.h"
#include "view/TextLayout.h"
#include "view/TextLook.h"
#include "view/TextStore.h"
#include "view/TextViewMessages.h"
#include "view/TextViewProvider.h"

namespace view {

class cTextView final : private iLayoutText,
                        private iTextMeasure,
                        private iTextStoreEvents,
                        private iTextViewAccess {
public:
  // Registers, once per process, a window class of the program whose messages the trampoline
  // hands to its object, and whose default procedure is this view's.
  static const wchar_t* Register();
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  cTextView(const cTextView&) = delete;
  cTextView& operator=(const cTextView&) = delete;
  ~cTextView() override;

private:
  // What a scroll bar shows.
  struct tScrollState {
    int Max = -1, Page = 0, Pos = 0;
    friend bool operator==(const tScrollState&, const tScrollState&) = default;
  };
  // Clusters of a row in a row of columns that are drawn alike: one look, selected or not, in the
  // hot span or not, one direction; a tab is a piece of its own.
  struct tPiece {
    int Column = 0, End = 0;
    int Left = 0, Right = 0;
    tTextAttribute Look = 0;
    bool Selected = false, Hot = false, Tab = false;
    // Drawn right to left, and holding more than characters of their own below U+0300, which the
    // pane's font draws without help.
    bool RightToLeft = false, Complex = false;
    bool SameDrawing(const tPiece& other) const noexcept {
      return Look == other.Look && Selected == other.Selected && Hot == other.Hot && RightToLeft == other.RightToLeft &&
             !Tab && !other.Tab;
    }
  };
  // The colours that the parent gives the pane.
  struct tPaneColours {
    COLORREF Text, Back;
  };
  // The user's last edit, undone by EM_UNDO, which makes it the edit that undoes it.
  struct tUndo {
    bool Valid = false;
    tTextPos Start = 0;
    tTextPos Inserted = 0;
    std::wstring Removed;
    bool Typing = false;
  };

  cTextView(HWND hwnd, DWORD style);
  LRESULT Message(UINT message, WPARAM wParam, LPARAM lParam);

  // iLayoutText
  int LineCount() const override;
  std::wstring_view Line(int index) const override;
  // iTextMeasure
  int ClusterWidth(std::wstring_view cluster) override;
  int AverageCharWidth() override;
  // iTextStoreEvents
  void TextChanged(const tTextChange& change) override;
  // iTextViewAccess: what UI Automation reads of the view.
  HWND Window() const override { return hwnd_; }
  std::int64_t TextLength() const override { return store_.Length(); }
  std::wstring Text(std::int64_t start, std::int64_t count) const override { return store_.Substr(start, count); }
  tTextSpan Selection() const override { return {SelStart(), SelEnd()}; }
  void Select(tTextSpan span) override;
  tTextSpan VisibleSpan() const override;
  tTextSpan LineAround(std::int64_t position) const override;
  tTextSpan WordAround(std::int64_t position) const override;
  std::vector<RECT> SpanRectangles(tTextSpan span) override;
  std::int64_t PositionFromPoint(POINT client) override { return PositionFromPoint(client.x, client.y); }
  void ScrollIntoView(std::int64_t position, bool toTop) override;
  bool ReadOnly() const override { return readOnly_; }
  bool Focused() const override { return focused_; }
  std::wstring Name() const override { return {}; }

  // Text and selection.
  tTextPos SelStart() const noexcept { return std::min(anchor_, caret_); }
  tTextPos SelEnd() const noexcept { return std::max(anchor_, caret_); }
  void Select(tTextPos anchor, tTextPos caret);
  // Replaces the selection, as typing, pasting or EM_REPLACESEL does; undoable or not.
  void ReplaceSelection(std::wstring_view text, bool undoable, bool typing = false, std::span<const tAttributeRun> looks = {});
  void SetText(std::wstring_view text);
  void Undo();
  bool CopySelection() const;
  void Paste();
  void Notify(WORD code) const;

  // Rows and positions.
  int RowOfPosition(tTextPos position) const;
  tTextPos RowStartPosition(int row) const;
  tTextPos RowEndPosition(int row) const;
  tTextPos PositionFromPoint(int x, int y);
  POINT PointFromPosition(tTextPos position);
  tTextPos ClusterBefore(tTextPos position) const;
  tTextPos ClusterAfter(tTextPos position) const;
  tTextPos WordBefore(tTextPos position) const;
  tTextPos WordAfter(tTextPos position) const;
  void SelectWordAt(tTextPos position);

  // Keys and the mouse.
  void KeyDown(WPARAM key);
  void Char(wchar_t character);
  void MoveCaret(tTextPos position, bool extend, bool keepGoalX = false);
  void ShowContextMenu(int x, int y);
  void PlaceComposition();

  // Scrolling and painting.
  int VisibleRows() const;
  void ScrollTo(int topRow, int xOffset);
  void ScrollCaretIntoView();
  // The scroll bars follow the text and are set and drawn at their own pace (DrawScrollBars).
  void UpdateScrollBars();
  void DrawScrollBars();
  void VerticalScroll(WORD request);
  void HorizontalScroll(WORD request);
  void Changed();
  // The text, the caret's row or the scroll position changed: the rows shown are drawn again when
  // the pace allows (ShowOwed).
  void Invalidate();
  // Paints and draws the scroll bars when their time has come, and later what is still owed.
  void ShowOwed();
  bool PaintOwed() const;
  void ArmPaintTimer();
  void Paint();
  // Draws what lies in area (client coordinates) of the view into dc.
  void Draw(HDC dc, const RECT& area);
  void PaintRow(HDC dc, int row, int y, const RECT& client, tPaneColours pane);
  // Draws the piece; with the row's band, only a plain piece, together with the band's background,
  // and answers whether it could.
  bool DrawPiece(HDC dc, const tPiece& piece, std::wstring_view line, int y, tPaneColours pane, const RECT* band);
  tDrawnColours ColoursOf(tTextAttribute attribute, const tTextLook& look, tPaneColours pane);
  // The pane's font with the styles of a look (lsBold, lsItalic, lsUnderline, lsStrike).
  HFONT FontFor(std::uint8_t styles);
  void SetHotSpan(tTextSpan span);
  void InvalidateRows(tTextSpan span);
  bool ContinuesLineBreak(const tTextChange& change) const;
  void PlaceCaret();
  void ApplyFont(HFONT font);
  void ApplyStyle(DWORD style);
  void StartRelayout();
  void ContinueRelayout();
  void MakeVisibleExact();

  const HWND hwnd_;
  gui::cMemoryDC measureDc_;
  HFONT font_ = nullptr;
  // The pane's font made bold, italic, underlined or struck through, by FontFor's index.
  std::array<gui::cFont, 16> fontVariants_;
  int rowHeight_ = 16;
  int averageWidth_ = 8;
  cTextStore store_;
  cTextLayout layout_;
  // A line that lies across blocks of the store, copied, and where it starts (-1: none).
  mutable std::wstring lineCopy_;
  mutable tTextPos lineCopyStart_ = -1;

  tTextPos anchor_ = 0, caret_ = 0;
  // Where up and down keep the caret, in pixels from the row's start.
  int goalX_ = -1;
  bool readOnly_ = false;
  bool modified_ = false;
  tUndo undo_;
  int topRow_ = 0;
  int xOffset_ = 0;
  bool focused_ = false;
  bool selecting_ = false;
  bool relayoutTimer_ = false;
  ULONGLONG lastPaint_ = 0;
  bool paintTimer_ = false;
  // Rows changed that wait for the pace to be drawn (not yet invalid).
  bool paintOwed_ = false;
  // Whether the one paint allowed within the pace since the last paced one has been used.
  bool quickPaint_ = false;
  // What the scroll bars show, and what they are to show once they are drawn.
  tScrollState verticalShown_, horizontalShown_, verticalWanted_, horizontalWanted_;
  bool scrollBarsOwed_ = false;
  ULONGLONG lastScrollBars_ = 0;
  // How far apart changes of the text have the scroll bars drawn, from what the last draw cost
  // (0 before the first).
  ULONGLONG scrollBarPace_ = 0;
  // Drawn underlined (kViewSetHotSpan) until cleared or until the text before its end changes;
  // empty for none.
  tTextSpan hotSpan_;
  // What a paint reuses: the row's attribute runs (where each starts, in columns) and the advances
  // of the piece being drawn.
  std::vector<std::pair<int, tTextAttribute>> rowLooks_;
  std::vector<int> advances_;
  // The colours of the looks drawn lately, for the pane's colours of the time.
  struct {
    tPaneColours Pane{CLR_INVALID, CLR_INVALID};
    std::unordered_map<tTextAttribute, tDrawnColours> Looks;
  } colourCache_;
  // Told to UI Automation's clients with the next paint.
  bool textChanged_ = false, selectionChanged_ = false;
  const gui::cComPtr<cTextViewProvider> provider_;
};

}  // namespace view
