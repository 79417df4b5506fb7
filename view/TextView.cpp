#include "view/TextView.h"

#include <imm.h>
#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <utility>

#include "gui/Clipboard.h"
#include "gui/Handle.h"
#include "gui/Keyboard.h"
#include "gui/Window.h"
#include "resources/resource.h"
#include "view/EditQueries.h"
#include "view/TextViewMessages.h"

namespace view {
namespace {

// A slice of laying out the rows again after a change of width, font or wrap.
constexpr ULONGLONG kRelayoutSliceMs = 15;
// How often a drag goes on scrolling while the pointer is outside the window.
constexpr UINT kDragTickMs = 50;

// The view's own messages are told apart by number alone: two with one number would take each
// other's calls.
constexpr bool Distinct(std::initializer_list<UINT> messages) {
  for (auto one = messages.begin(); one != messages.end(); ++one)
    for (auto other = one + 1; other != messages.end(); ++other)
      if (*one == *other) return false;
  return true;
}
static_assert(Distinct({kViewOutput, kViewSetOrigin, kViewSetHotSpan, kViewLinkAt, kViewShowTimes, kViewPaintOwed,
                        kViewProviderCall}));

DWORD WindowStyle(HWND hwnd) { return static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_STYLE)); }

bool WrapsWords(DWORD style) { return (style & (WS_HSCROLL | ES_AUTOHSCROLL)) == 0; }

std::wstring_view TextOf(LPARAM lParam) {
  return lParam ? std::wstring_view(reinterpret_cast<const wchar_t*>(lParam)) : std::wstring_view();
}

bool Within(const RECT& client, LPARAM point) {
  return ::PtInRect(&client, {GET_X_LPARAM(point), GET_Y_LPARAM(point)}) != FALSE;
}

}  // namespace

const wchar_t* cTextView::Register() {
  return gui::cWindow::RegisterClassWithDefault(L"MarveskEditView", &cTextView::Procedure, CS_DBLCLKS,
                                                sizeof(LONG_PTR), ::LoadCursorW(nullptr, IDC_IBEAM));
}

LRESULT CALLBACK cTextView::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // Called by the system and straight by the memo: no error may leave it.
  try {
    auto* view = reinterpret_cast<cTextView*>(::GetWindowLongPtrW(hwnd, 0));
    if (message == WM_NCCREATE && !view) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      // The window owns its view from here until WM_NCDESTROY.
      auto made = std::unique_ptr<cTextView>(new cTextView(hwnd, static_cast<DWORD>(create->style)));
      ::SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(made.release()));
      return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (!view) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
      ::SetWindowLongPtrW(hwnd, 0, 0);
      std::unique_ptr<cTextView> owned(view);
      return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return view->Message(message, wParam, lParam);
  } catch (const std::bad_alloc&) {
    auto* view = reinterpret_cast<cTextView*>(::GetWindowLongPtrW(hwnd, 0));
    return view ? view->OutOfMemory(message) : 0;
  } catch (...) {
    gui::ReportUnhandledError(hwnd);
    return 0;
  }
}

// What the message did before it failed stays, and the view is made whole around it: the
// selection in the text, nothing to undo (the text may have changed under it), and rows that
// the layout could not lay out laid out again from the timer as memory allows. The parent hears of
// it, as an edit control's does (EN_ERRSPACE); text offered with looks is not offered again.
LRESULT cTextView::OutOfMemory(UINT message) noexcept {
  model_.Select(model_.Anchor(), model_.Caret());
  model_.ForgetUndo();
  if (model_.Layout().Stale() && !relayoutTimer_)
    relayoutTimer_ = ::SetTimer(hwnd_, kRelayoutTimer, 1, nullptr) != 0;
  ::InvalidateRect(hwnd_, nullptr, FALSE);
  Notify(EN_ERRSPACE);
  return message == kViewOutput ? 1 : 0;
}

cTextView::cTextView(HWND hwnd, DWORD style) : hwnd_(hwnd), provider_(cTextViewProvider::Create(*this)) {
  model_.SetReadOnly((style & ES_READONLY) != 0);
  model_.Layout().SetWordWrap(WrapsWords(style));
  ApplyFont(nullptr);
}

// ---- messages

LRESULT cTextView::Message(UINT message, WPARAM wParam, LPARAM lParam) {
  // Outside the window the edit control finds no character.
  if (message == EM_CHARFROMPOS && !Within(Client(), lParam)) return -1;
  if (const std::optional<LRESULT> answer = AnswerQuery(model_, Shown(), message, wParam, lParam)) return *answer;
  if (const std::optional<LRESULT> answer = EditMessage(message, wParam, lParam)) return *answer;
  switch (message) {
    case WM_CREATE:
      UpdateScrollBars();
      return 0;
    case WM_GETOBJECT:
      return AnswerGetObject(hwnd_, wParam, lParam, *provider_.get());
    case kViewProviderCall:
      return provider_->RunPendingCall();
    case WM_DESTROY:
      // A client may hold the provider longer than the window lives.
      provider_->Disconnect();
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL | DLGC_WANTALLKEYS;
    case WM_SETFONT:
      ApplyFont(reinterpret_cast<HFONT>(wParam));
      if (LOWORD(lParam)) ::InvalidateRect(hwnd_, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(painter_.Font());
    case WM_STYLECHANGED:
      if (wParam == static_cast<WPARAM>(GWL_STYLE)) ApplyStyle(reinterpret_cast<const STYLESTRUCT*>(lParam)->styleNew);
      return 0;
    case WM_SIZE:
      Resize(LOWORD(lParam));
      return 0;
    case WM_TIMER:
      if (wParam == kRelayoutTimer) ContinueRelayout();
      if (wParam == kPacerTimer) pacer_.TimerFired();
      if (wParam == kDragTimer) Drag(true);
      return 0;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETCARETWIDTH && focused_) MakeCaret();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_PRINTCLIENT:
      Draw(reinterpret_cast<HDC>(wParam), Client());
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Focus(message == WM_SETFOCUS);
      return 0;
    case WM_VSCROLL:
    case WM_HSCROLL:
      Scroll(message == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(wParam));
      pacer_.DrawScrollBars();
      return 0;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      Wheel(message == WM_MOUSEHWHEEL, GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_CAPTURECHANGED:
      Mouse(message, wParam, lParam);
      return 0;
    case WM_CONTEXTMENU:
      ShowContextMenu(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_IME_STARTCOMPOSITION:
      PlaceComposition();
      return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    case WM_KEYDOWN: {
      const gui::tShiftState shift = gui::CurrentShiftState();
      Execute(CommandOfKey(static_cast<WORD>(wParam), shift), (shift & gui::ssShift) != 0);
      return 0;
    }
    case WM_CHAR:
      Char(static_cast<wchar_t>(wParam));
      return 0;
    default:
      return ::DefWindowProcW(hwnd_, message, wParam, lParam);
  }
}

// The edit control's messages that change the text, the selection or what shows.
std::optional<LRESULT> cTextView::EditMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT:
      SetText(TextOf(lParam));
      return TRUE;
    case EM_SETSEL: {
      const auto start = static_cast<int>(wParam), end = static_cast<int>(lParam);
      if (start < 0)
        Select(model_.Caret(), model_.Caret());
      else
        Select(start, end < 0 ? model_.Store().Length() : end);
      return 0;
    }
    case EM_REPLACESEL:
      ReplaceSelection(TextOf(lParam), wParam != 0);
      return 0;
    case kViewOutput:
      if (lParam) Output(*reinterpret_cast<const tViewOutput*>(lParam));
      return 1;
    case kViewSetOrigin:
      if (!model_.SetOrigin(static_cast<tTextPos>(wParam))) return 0;
      Changed();
      return 1;
    case kViewSetHotSpan:
      SetHotSpan(lParam ? *reinterpret_cast<const tTextSpan*>(lParam) : tTextSpan{});
      return 1;
    case kViewPaintOwed:
      return pacer_.PaintOwed() ? 1 : 0;
    case kViewLinkAt:
      if (!lParam) return 0;
      *reinterpret_cast<tTextLink*>(lParam) = model_.Store().LinkAt(static_cast<tTextPos>(wParam));
      return 1;
    case kViewShowTimes:
      ShowTimes(wParam != 0);
      return 1;
    case EM_LINESCROLL:
      ScrollTo(topRow_ + static_cast<int>(lParam), xOffset_ + static_cast<int>(wParam) * painter_.AverageCharWidth());
      return TRUE;
    case EM_SCROLLCARET:
      ScrollCaretIntoView();
      return TRUE;
    case EM_SETREADONLY: {
      model_.SetReadOnly(wParam != 0);
      const DWORD style = WindowStyle(hwnd_);
      ::SetWindowLongPtrW(hwnd_, GWL_STYLE, wParam ? style | ES_READONLY : style & ~static_cast<DWORD>(ES_READONLY));
      ::InvalidateRect(hwnd_, nullptr, TRUE);
      return TRUE;
    }
    case EM_SETMODIFY:
      model_.SetModified(wParam != 0);
      return 0;
    case EM_EMPTYUNDOBUFFER:
      model_.ForgetUndo();
      return 0;
    case EM_SETLIMITTEXT:
      return 0;
    case EM_SETTABSTOPS: {
      const auto* stops = reinterpret_cast<const int*>(lParam);
      model_.Layout().SetTabStops(stops ? std::vector<int>(stops, stops + wParam) : std::vector<int>());
      StartRelayout();
      return TRUE;
    }
    case EM_UNDO:
    case WM_UNDO:
      Execute(ecUndo, false);
      return TRUE;
    case WM_COPY:
    case WM_CUT:
    case WM_PASTE:
      Execute(message == WM_COPY ? ecCopy : message == WM_CUT ? ecCut : ecPaste, false);
      return 0;
    case WM_CLEAR:
      if (!model_.ReadOnly()) ReplaceSelection({}, true);
      return 0;
    default:
      return std::nullopt;
  }
}

// ---- text and selection

void cTextView::Selected() {
  selectionChanged_ = true;
  PlaceCaret();
  pacer_.Invalidate();
}

void cTextView::Edited() {
  Changed();
  ScrollCaretIntoView();
  Notify(EN_CHANGE);
}

void cTextView::Select(tTextPos anchor, tTextPos caret, bool afterWrap) {
  if (model_.Select(anchor, caret, afterWrap)) Selected();
}

void cTextView::ReplaceSelection(std::wstring_view text, bool undoable, std::span<const tAttributeRun> looks) {
  if (model_.ReplaceSelection(text, undoable, looks)) Edited();
}

void cTextView::Output(const tViewOutput& output) {
  const tTextPos anchor = model_.Anchor(), caret = model_.Caret(), end = model_.Store().Length();
  // A drag holds the output for as long as it lasts.
  const bool hold = output.Hold || selecting_, selectionChanged = selectionChanged_;
  model_.Select(end - static_cast<tTextPos>(output.Removed), end);
  const bool changed =
      model_.ReplaceSelection(std::wstring_view(output.Text.Text, output.Text.Length), false,
                              std::span<const tAttributeRun>(output.Text.Runs, output.Text.RunCount),
                              std::span<const tAttributeRun>(output.Text.Links, output.Text.LinkCount), output.Arrival);
  if (hold) model_.Select(anchor, caret);
  if (changed)
    Changed();
  else
    Selected();
  // Held, the selection is the user's: screen readers hear of it only when output has cut it.
  if (hold && model_.Anchor() == anchor && model_.Caret() == caret) selectionChanged_ = selectionChanged;
  // Held, the rows shown stay, unless what was taken away leaves fewer.
  if (hold)
    ScrollTo(topRow_, xOffset_);
  else
    ScrollCaretIntoView();
  if (changed) Notify(EN_CHANGE);
}

void cTextView::SetText(std::wstring_view text) {
  model_.SetText(text);
  topRow_ = 0;
  xOffset_ = 0;
  Changed();
}

bool cTextView::CopySelection() const {
  const tTextPos start = model_.SelStart(), count = model_.SelEnd() - start;
  return count > 0 && gui::SetClipboardText(hwnd_, static_cast<size_t>(count), [&](wchar_t* out) {
           return model_.Store().CopyTo(start, static_cast<size_t>(count), out);
         });
}

void cTextView::Notify(WORD code) const {
  const auto id = static_cast<WORD>(::GetDlgCtrlID(hwnd_));
  ::SendMessageW(::GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(hwnd_));
}

// ---- what UI Automation reads

void cTextView::Select(tTextSpan span) {
  Select(span.Start, span.End);
  ScrollCaretIntoView();
}

void cTextView::ScrollIntoView(std::int64_t position, bool toTop) {
  const int row = model_.RowOfPosition(model_.Store().ClampPosition(position));
  ScrollTo(toTop ? row : row - VisibleRows() + 1, xOffset_);
}

// ---- keys and the mouse

void cTextView::Execute(tEditCommand command, bool shift) {
  if (IsMove(command)) {
    // A page scrolls the view by a page, and the caret with it.
    if (command == ecPageUp || command == ecPageDown)
      ScrollTo(topRow_ + (command == ecPageUp ? -VisibleRows() : VisibleRows()), xOffset_);
    if (model_.Move(command, shift, VisibleRows())) Selected();
    ScrollCaretIntoView();
    return;
  }
  const bool writable = !model_.ReadOnly();
  switch (command) {
    case ecCopy:
      CopySelection();
      break;
    case ecCut:
      if (writable && CopySelection()) ReplaceSelection({}, true);
      break;
    case ecPaste:
      if (writable) ReplaceSelection(gui::ClipboardText(hwnd_), true);
      break;
    default:
      if (model_.Edit(command)) Edited();
      break;
  }
}

void cTextView::Char(wchar_t character) {
  if (const tEditCommand command = CommandOfChar(character))
    Execute(command, false);
  else if (model_.Type(character))
    Edited();
}

void cTextView::Mouse(UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  const auto selectTo = [&](bool extend) {
    const tPlace place = model_.PlaceAt(Shown(), x, y);
    Select(extend ? model_.Anchor() : place.Position, place.Position, place.AfterWrap);
    ScrollCaretIntoView();
  };
  switch (message) {
    case WM_LBUTTONDOWN:
      ::SetFocus(hwnd_);
      ::SetCapture(hwnd_);
      selecting_ = true;
      selectTo((wParam & MK_SHIFT) != 0);
      break;
    case WM_MOUSEMOVE:
      if (!selecting_) break;
      dragPoint_ = {x, y};
      Drag(false);
      break;
    case WM_LBUTTONUP:
      if (selecting_) ::ReleaseCapture();
      selecting_ = false;
      StopDrag();
      break;
    case WM_CAPTURECHANGED:
      selecting_ = false;
      StopDrag();
      break;
    case WM_LBUTTONDBLCLK:
      if (model_.SelectWordAt(Shown(), x, y)) Selected();
      break;
    default:
      break;
  }
}

// The selection follows the pointer, kept to the rows shown; while the pointer is outside the
// window a timer goes on scrolling, the faster the further out it is.
void cTextView::Drag(bool tick) {
  const int charWidth = painter_.AverageCharWidth();
  // The gutter is outside the rows: a pointer over it scrolls them sideways.
  RECT rows = Client();
  rows.left = gutter_;
  const tDragSteps steps = DragSteps(dragPoint_, rows, painter_.RowHeight(), charWidth);
  if (tick) ScrollTo(topRow_ + steps.Rows, xOffset_ + steps.Chars * charWidth);
  if (!steps.Outside())
    StopDrag();
  else if (!dragTimer_)
    dragTimer_ = ::SetTimer(hwnd_, kDragTimer, kDragTickMs, nullptr) != 0;
  const tPlace place = model_.PlaceAt(Shown(), steps.Inside.x, steps.Inside.y);
  Select(model_.Anchor(), place.Position, place.AfterWrap);
  ScrollCaretIntoView();
}

void cTextView::StopDrag() {
  if (std::exchange(dragTimer_, false)) ::KillTimer(hwnd_, kDragTimer);
}

void cTextView::Focus(bool focused) {
  focused_ = focused;
  if (focused_)
    MakeCaret();
  else
    ::DestroyCaret();
  ::InvalidateRect(hwnd_, nullptr, FALSE);
}

// As wide as the user set the caret; a new caret takes the place of the thread's old one.
void cTextView::MakeCaret() {
  DWORD width = 1;
  ::SystemParametersInfoW(SPI_GETCARETWIDTH, 0, &width, 0);
  ::CreateCaret(hwnd_, nullptr, static_cast<int>(std::clamp<DWORD>(width, 1, 64)), painter_.RowHeight());
  PlaceCaret();
  ::ShowCaret(hwnd_);
}

// Without word wrap the wheel turned sideways scrolls sideways.
void cTextView::Wheel(bool sideways, int delta) {
  if (sideways && model_.Layout().WordWrap()) return;
  const int steps = (sideways ? sideWheel_ : wheel_).Turn(delta, WheelStepsPerNotch(sideways, VisibleRows()));
  ScrollTo(topRow_ - (sideways ? 0 : steps), xOffset_ + (sideways ? steps * painter_.AverageCharWidth() : 0));
  pacer_.DrawScrollBars();
}

// The edit control's menu: each item sends the message that is its id.
void cTextView::ShowContextMenu(int x, int y) {
  const gui::cMenu menu(::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_TEXT_VIEW_CONTEXT)));
  HMENU popup = menu ? ::GetSubMenu(menu.get(), 0) : nullptr;
  if (!popup) return;
  if (x == -1 && y == -1) {
    // From the keyboard: at the caret.
    POINT caret = model_.PointOf(Shown(), model_.Caret(), model_.AfterWrap());
    caret.y += painter_.RowHeight();
    ::ClientToScreen(hwnd_, &caret);
    x = caret.x;
    y = caret.y;
  }
  const bool selection = model_.Anchor() != model_.Caret(), writable = !model_.ReadOnly();
  const auto enable = [&](UINT id, bool on) { ::EnableMenuItem(popup, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
  enable(WM_UNDO, model_.CanUndo() && writable);
  enable(WM_CUT, selection && writable);
  enable(WM_COPY, selection);
  enable(WM_PASTE, writable && ::IsClipboardFormatAvailable(CF_UNICODETEXT));
  enable(WM_CLEAR, selection && writable);
  enable(EM_SETSEL, model_.Store().Length() > 0);
  const auto command =
      static_cast<UINT>(::TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, hwnd_, nullptr));
  if (command == EM_SETSEL)
    Message(EM_SETSEL, 0, -1);
  else if (command != 0)
    Message(command, 0, 0);
}

// An input method's composition window stands at the caret.
void cTextView::PlaceComposition() {
  if (HIMC context = ::ImmGetContext(hwnd_)) {
    COMPOSITIONFORM form{};
    form.dwStyle = CFS_POINT;
    form.ptCurrentPos = model_.PointOf(Shown(), model_.Caret(), model_.AfterWrap());
    ::ImmSetCompositionWindow(context, &form);
    ::ImmReleaseContext(hwnd_, context);
  }
}

// ---- scrolling and painting

RECT cTextView::Client() const {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  return client;
}

int cTextView::TextWidth() const { return std::max(static_cast<int>(Client().right) - gutter_, 0); }

void cTextView::ShowTimes(bool show) {
  showTimes_ = show;
  gutter_ = show ? painter_.GutterWidth() : 0;
  Resize(static_cast<int>(Client().right));
  PlaceCaret();
  ::InvalidateRect(hwnd_, nullptr, FALSE);
}

int cTextView::VisibleRows() const { return std::max(1, static_cast<int>(Client().bottom) / painter_.RowHeight()); }

void cTextView::ScrollTo(int topRow, int xOffset) {
  const cTextLayout& layout = model_.Layout();
  const int top = std::clamp(topRow, 0, std::max(layout.RowCount() - VisibleRows(), 0));
  const int x = layout.WordWrap() ? 0 : std::clamp(xOffset, 0, std::max(layout.LongestRowWidth(), 0));
  if (top == topRow_ && x == xOffset_) return;
  topRow_ = top;
  xOffset_ = x;
  model_.MakeShownExact(topRow_, VisibleRows());
  UpdateScrollBars();
  PlaceCaret();
  pacer_.Invalidate();
}

void cTextView::ScrollCaretIntoView() {
  const tRowsShown shown = model_.ShownWithCaret(Scrolled(), VisibleRows(), TextWidth());
  ScrollTo(shown.TopRow, shown.XOffset);
}

// A step is a row or an average character, a page the rows or the width shown.
void cTextView::Scroll(int bar, WORD request) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_TRACKPOS;
  ::GetScrollInfo(hwnd_, bar, &info);
  const bool vertical = bar == SB_VERT;
  const int at = vertical ? topRow_ : xOffset_;
  const int step = vertical ? 1 : painter_.AverageCharWidth();
  const int page = vertical ? VisibleRows() : TextWidth();
  int to = at;
  switch (request) {
    case SB_LINEUP: to = at - step; break;
    case SB_LINEDOWN: to = at + step; break;
    case SB_PAGEUP: to = at - page; break;
    case SB_PAGEDOWN: to = at + page; break;
    case SB_TOP: to = 0; break;
    case SB_BOTTOM: to = INT_MAX; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: to = info.nTrackPos; break;
    default: return;
  }
  ScrollTo(vertical ? to : topRow_, vertical ? xOffset_ : to);
}

void cTextView::Changed() {
  textChanged_ = selectionChanged_ = true;
  pacer_.Changing();
  model_.MakeShownExact(topRow_, VisibleRows());
  UpdateScrollBars();
  PlaceCaret();
  pacer_.Invalidate();
  // Text that keeps coming is shown at the pacer's pace, not only once the window is idle; what is
  // left is shown by its timer once it stops.
  pacer_.ShowOwed();
}

void cTextView::UpdateScrollBars() {
  const cTextLayout& layout = model_.Layout();
  const tScrollState vertical{std::max(layout.RowCount() - 1, 0), VisibleRows(), topRow_};
  const tScrollState horizontal{layout.LongestRowWidth(), TextWidth(), xOffset_};
  pacer_.WantScrollBars(vertical, layout.WordWrap() ? nullptr : &horizontal);
}

void cTextView::Paint() {
  PAINTSTRUCT paint{};
  HDC dc = ::BeginPaint(hwnd_, &paint);
  pacer_.Painting();
  Draw(dc, paint.rcPaint);
  ::EndPaint(hwnd_, &paint);
  // Screen readers hear of changes at the pace the user sees them, not chunk by chunk.
  if (std::exchange(textChanged_, false)) RaiseTextChanged(*provider_.get());
  if (std::exchange(selectionChanged_, false)) RaiseSelectionChanged(*provider_.get());
}

void cTextView::Draw(HDC dc, const RECT& area) {
  // The parent chooses the colours, as it does for an edit control.
  const UINT ask = model_.ReadOnly() ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
  ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
  ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
  auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(::GetParent(hwnd_), ask, reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(hwnd_)));
  painter_.Draw(dc, model_,
                {Client(), area, topRow_, xOffset_ - gutter_, {::GetTextColor(dc), ::GetBkColor(dc)}, brush, gutter_});
}

void cTextView::SetHotSpan(tTextSpan span) {
  const tTextSpan old = model_.HotSpan();
  model_.SetHotSpan(span);
  if (model_.HotSpan() == old) return;
  InvalidateRows(old);
  InvalidateRows(model_.HotSpan());
}

// Only the rows of the span that show.
void cTextView::InvalidateRows(tTextSpan span) {
  if (span.End <= span.Start) return;
  const cTextStore& store = model_.Store();
  const int first = std::max(model_.RowOfPosition(store.ClampPosition(span.Start)), topRow_);
  const int last = std::min(model_.RowOfPosition(store.ClampPosition(span.End)), topRow_ + VisibleRows());
  if (first > last) return;
  const int height = painter_.RowHeight();
  RECT rows{0, (first - topRow_) * height, static_cast<int>(Client().right), (last - topRow_ + 1) * height};
  ::InvalidateRect(hwnd_, &rows, FALSE);
}

void cTextView::PlaceCaret() {
  if (!focused_) return;
  const POINT point = model_.PointOf(Shown(), model_.Caret(), model_.AfterWrap());
  ::SetCaretPos(point.x, point.y);
}

void cTextView::ApplyFont(HFONT font) {
  painter_.SetFont(font);
  // The gutter is as wide as a time in the new font.
  if (showTimes_) {
    gutter_ = painter_.GutterWidth();
    model_.Layout().SetWidth(TextWidth());
  }
  model_.Layout().FontChanged();
  if (focused_) MakeCaret();
  StartRelayout();
}

// Only a new width with word wrap on lays the rows out again; else only what shows of them changes.
// The gutter takes its part of the window's width.
void cTextView::Resize(int width) {
  width = std::max(width - gutter_, 0);
  cTextLayout& layout = model_.Layout();
  const bool rewrap = layout.WordWrap() && width != layout.Width();
  layout.SetWidth(width);
  if (rewrap) return StartRelayout();
  model_.MakeShownExact(topRow_, VisibleRows());
  ScrollTo(topRow_, xOffset_);
  UpdateScrollBars();
}

void cTextView::ApplyStyle(DWORD style) {
  model_.SetReadOnly((style & ES_READONLY) != 0);
  const bool wrap = WrapsWords(style);
  if (wrap == model_.Layout().WordWrap()) return;
  model_.Layout().SetWordWrap(wrap);
  if (wrap) xOffset_ = 0;
  // The horizontal bar comes and goes with the style.
  pacer_.ForgetHorizontal();
  StartRelayout();
}

void cTextView::StartRelayout() {
  // Until the relayout ends the scroll bars follow at the pace (ContinueRelayout shows the end at
  // once): drawn at once here too, they made a switch of word wrap at 64 MB about twice as slow.
  pacer_.Changing();
  topRow_ = model_.Relayout(topRow_, VisibleRows());
  if (model_.Layout().Stale() && !relayoutTimer_)
    relayoutTimer_ = ::SetTimer(hwnd_, kRelayoutTimer, 1, nullptr) != 0;
  UpdateScrollBars();
  PlaceCaret();
  ::InvalidateRect(hwnd_, nullptr, FALSE);
}

// The scroll bars follow the slices at their pace, and show the end at once.
void cTextView::ContinueRelayout() {
  topRow_ = model_.ContinueRelayout(topRow_, ::GetTickCount64() + kRelayoutSliceMs);
  pacer_.Changing();
  UpdateScrollBars();
  if (model_.Layout().Stale()) return;
  ::KillTimer(hwnd_, kRelayoutTimer);
  relayoutTimer_ = false;
  pacer_.DrawScrollBars();
}

}  // namespace view
