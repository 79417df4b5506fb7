#pragma once
// A text view of the program's own that answers an edit control's messages: a window class whose
// default procedure is cTextView::Procedure, as an edit control's is the system's, so a memo
// drives either the same way. The window turns messages into calls on its parts, which know no
// window: the editing model (view/EditModel.h: the text, its rows, the selection, moves and
// undo), the painter (view/TextPainter.h: fonts, widths and drawing) and the pacer
// (view/ViewPacer.h: when to paint and draw the scroll bars); it keeps what is scrolled and
// answers UI Automation.
//
// What it keeps of the edit control: the styles ES_MULTILINE, ES_READONLY (which EM_SETREADONLY
// sets), ES_NOHIDESEL, WS_HSCROLL and ES_AUTOHSCROLL (either means no word wrap; a style change
// switches wrap on the live window), the colours its parent gives it for WM_CTLCOLOREDIT or,
// read-only, WM_CTLCOLORSTATIC, EN_CHANGE to the parent after every change of the text but
// WM_SETTEXT's, and EN_ERRSPACE when a message could not get its memory. Beyond the edit control it answers EM_GETTEXTRANGE as a rich edit control does, so
// that a search reads a stretch of the text without copying all of it.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gui/ComPtr.h"
#include "view/EditModel.h"
#include "view/TextPainter.h"
#include "view/TextViewMessages.h"
#include "view/TextViewProvider.h"
#include "view/ViewPacer.h"
#include "view/ViewScrolling.h"

namespace view {

class cTextView final : private iTextViewAccess {
public:
  // Registers, once per process, a window class of the program whose messages the trampoline
  // hands to its object, and whose default procedure is this view's.
  static const wchar_t* Register();
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  // The window's timers (WM_TIMER's wParam), besides the pacer's kPacerTimer.
  static constexpr UINT_PTR kRelayoutTimer = 1;
  static constexpr UINT_PTR kDragTimer = 3;

  cTextView(const cTextView&) = delete;
  cTextView& operator=(const cTextView&) = delete;
  ~cTextView() = default;

private:
  cTextView(HWND hwnd, DWORD style);
  LRESULT Message(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OutOfMemory(UINT message) noexcept;
  std::optional<LRESULT> EditMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // iTextViewAccess: what UI Automation reads of the view.
  HWND Window() const override { return hwnd_; }
  std::int64_t TextLength() const override { return model_.Store().Length(); }
  std::wstring Text(std::int64_t start, std::int64_t count) const override {
    return model_.Store().Substr(start, count);
  }
  tTextSpan Selection() const override { return {model_.SelStart(), model_.SelEnd()}; }
  void Select(tTextSpan span) override;
  tTextSpan VisibleSpan() const override { return model_.RowsSpan(topRow_, VisibleRows()); }
  tTextSpan LineAround(std::int64_t position) const override {
    return model_.RowsSpan(model_.RowOfPosition(model_.Store().ClampPosition(position)), 1);
  }
  tTextSpan ParagraphAround(std::int64_t position) const override { return model_.LineAround(position); }
  tTextSpan WordAround(std::int64_t position) const override { return model_.WordAround(position); }
  std::vector<RECT> SpanRectangles(tTextSpan span) override {
    return model_.SpanRectangles(span, Shown(), VisibleRows());
  }
  std::int64_t PositionFromPoint(POINT client) override { return model_.PlaceAt(Shown(), client.x, client.y).Position; }
  void ScrollIntoView(std::int64_t position, bool toTop) override;
  bool ReadOnly() const override { return model_.ReadOnly(); }
  bool Focused() const override { return focused_; }
  std::wstring Name() const override { return {}; }

  // After the model's selection or text changed: the window follows.
  void Selected();
  void Edited();
  void Select(tTextPos anchor, tTextPos caret, bool afterWrap = false);
  void ReplaceSelection(std::wstring_view text, bool undoable, std::span<const tAttributeRun> looks = {});
  void SetText(std::wstring_view text);
  void Output(const tViewOutput& output);
  bool CopySelection() const;
  void Notify(WORD code) const;

  // Keys and the mouse.
  void Execute(tEditCommand command, bool shift);
  void Char(wchar_t character);
  void Mouse(UINT message, WPARAM wParam, LPARAM lParam);
  // A tick of the drag's timer scrolls on.
  void Drag(bool tick);
  void StopDrag();
  void Focus(bool focused);
  void MakeCaret();
  void Wheel(bool sideways, int delta);
  void ShowContextMenu(int x, int y);
  void PlaceComposition();

  // Scrolling and painting. What is scrolled, and where rows show in the window: right of the
  // gutter, when the times show.
  tRowsShown Scrolled() const noexcept { return {topRow_, xOffset_, painter_.RowHeight()}; }
  tRowsShown Shown() const noexcept { return {topRow_, xOffset_ - gutter_, painter_.RowHeight()}; }
  RECT Client() const;
  // The width that the rows have, right of the gutter.
  int TextWidth() const;
  void ShowTimes(bool show);
  int VisibleRows() const;
  void ScrollTo(int topRow, int xOffset);
  void ScrollCaretIntoView();
  void Scroll(int bar, WORD request);
  // The text, the caret's row or the scroll position changed: the rows shown are drawn again when
  // the pace allows, and the scroll bars follow.
  void Changed();
  void UpdateScrollBars();
  void Paint();
  // Draws what lies in area (client coordinates) of the view into dc.
  void Draw(HDC dc, const RECT& area);
  void SetHotSpan(tTextSpan span);
  void InvalidateRows(tTextSpan span);
  void PlaceCaret();
  void ApplyFont(HFONT font);
  void Resize(int width);
  void ApplyStyle(DWORD style);
  // A change of width, font, wrap or tab stops: the rows shown are right at once (cEditModel::
  // Relayout), the rest follow in slices from a timer while the window goes on answering.
  void StartRelayout();
  void ContinueRelayout();

  const HWND hwnd_;
  cTextPainter painter_;
  cEditModel model_{painter_};
  cViewPacer pacer_{hwnd_};
  int topRow_ = 0;
  int xOffset_ = 0;
  // The gutter's width while the times of the lines show; 0 while they do not.
  int gutter_ = 0;
  bool showTimes_ = false;
  bool focused_ = false;
  bool selecting_ = false;
  // Where the pointer is while a drag selects, and whether the drag's timer runs.
  POINT dragPoint_{};
  bool dragTimer_ = false;
  cWheel wheel_, sideWheel_;
  bool relayoutTimer_ = false;
  // Told to UI Automation's clients with the next paint.
  bool textChanged_ = false, selectionChanged_ = false;
  const gui::cComPtr<cTextViewProvider> provider_;
};

}  // namespace view
