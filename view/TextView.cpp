#include "view/TextView.h"

#include <usp10.h>
#include <richedit.h>
#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cwctype>
#include <memory>
#include <optional>
#include <span>
#include <utility>

#include "view/TextClusters.h"
#include "view/TextLook.h"
#include "view/TextViewMessages.h"
#include "gui/Window.h"
#include "resources/resource.h"

namespace view {
namespace {

constexpr UINT_PTR kRelayoutTimer = 1;
constexpr UINT_PTR kPaintTimer = 2;
// While text keeps changing, the view is painted at most this often, and its scroll bars less
// often: at most every kScrollBarIntervalMs, and no more than a fortieth of the time, up to
// kSlowestScrollBarsMs apart (Wine takes 5 ms to draw one, three times a paint of the view).
constexpr ULONGLONG kPaintIntervalMs = 16;
constexpr ULONGLONG kScrollBarIntervalMs = 100;
constexpr ULONGLONG kScrollBarShare = 40;
constexpr ULONGLONG kSlowestScrollBarsMs = 500;
// A slice of laying out the rows again after a change of width, font or wrap.
constexpr ULONGLONG kRelayoutSliceMs = 15;
constexpr int kRelayoutSliceChars = 256 * 1024;

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
bool IsBreak(wchar_t c) { return c == L'\r' || c == L'\n'; }
bool IsWordChar(wchar_t c) { return !IsBlank(c) && !IsBreak(c); }

DWORD WindowStyle(HWND hwnd) { return static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_STYLE)); }

bool WrapsWords(DWORD style) { return (style & (WS_HSCROLL | ES_AUTOHSCROLL)) == 0; }

void FreeAnalysis(SCRIPT_STRING_ANALYSIS analysis) noexcept { ::ScriptStringFree(&analysis); }
using cScriptString = gui::cHandle<gui::tNullHandleTraits<SCRIPT_STRING_ANALYSIS, &FreeAnalysis>>;

// Text laid out by Uniscribe in the device context's font as the edit control lays it out: shaped,
// ordered, and with the characters that the font lacks in fonts that have them. With advances,
// each character takes the advance given (a cluster's first character the cluster's, the others
// none). None when Uniscribe cannot.
cScriptString Analyse(HDC dc, std::wstring_view text, DWORD flags, const int* advances) {
  cScriptString analysis;
  const auto length = static_cast<int>(text.size());
  if (FAILED(::ScriptStringAnalyse(dc, text.data(), length, length * 3 / 2 + 16, -1,
                                   SSA_GLYPHS | SSA_FALLBACK | SSA_LINK | flags, 0, nullptr, nullptr, advances,
                                   nullptr, nullptr, analysis.put())))
    analysis.reset();
  return analysis;
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
  } catch (...) {
    gui::ReportUnhandledError(hwnd);
    return 0;
  }
}

cTextView::cTextView(HWND hwnd, DWORD style)
    : hwnd_(hwnd),
      measureDc_(::CreateCompatibleDC(nullptr)),
      layout_(*this, *this),
      provider_(cTextViewProvider::Create(*this)) {
  store_.SetEvents(this);
  readOnly_ = (style & ES_READONLY) != 0;
  layout_.SetWordWrap(WrapsWords(style));
  ApplyFont(nullptr);
}

cTextView::~cTextView() { store_.SetEvents(nullptr); }

// ---- the text as the layout reads it, and how wide the font draws it

int cTextView::LineCount() const { return ClampToInt(store_.LineCount()); }

std::wstring_view cTextView::Line(int index) const {
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

int cTextView::ClusterWidth(std::wstring_view cluster) {
  if (const cScriptString analysis = Analyse(measureDc_.get(), cluster, 0, nullptr)) {
    if (const SIZE* size = ::ScriptString_pSize(analysis.get())) return size->cx;
  }
  SIZE size{};
  ::GetTextExtentPoint32W(measureDc_.get(), cluster.data(), static_cast<int>(cluster.size()), &size);
  return size.cx;
}

int cTextView::AverageCharWidth() { return averageWidth_; }

// An LF appended after a CR makes a line break of the two: the last line loses its CR.
bool cTextView::ContinuesLineBreak(const tTextChange& change) const {
  return change.Start > 0 && store_.Substr(change.Start - 1, 2) == L"\r\n";
}

void cTextView::TextChanged(const tTextChange& change) {
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

// ---- messages

LRESULT cTextView::Message(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      UpdateScrollBars();
      DrawScrollBars();
      return 0;
    case WM_GETOBJECT:
      return AnswerGetObject(hwnd_, wParam, lParam, *provider_.get());
    case WM_DESTROY:
      // A client may hold the provider longer than the window lives.
      provider_->Disconnect();
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL | DLGC_WANTALLKEYS;
    case WM_GETTEXTLENGTH:
      return ClampToInt(store_.Length());
    case WM_GETTEXT: {
      if (wParam == 0 || lParam == 0) return 0;
      auto* out = reinterpret_cast<wchar_t*>(lParam);
      const size_t copied = store_.CopyTo(0, wParam - 1, out);
      out[copied] = L'\0';
      return static_cast<LRESULT>(copied);
    }
    case EM_GETTEXTRANGE: {
      // As a rich edit control answers it: the text between two positions (-1 as the end: the
      // text's end), with a null after it, into a buffer that has room.
      auto* range = reinterpret_cast<TEXTRANGEW*>(lParam);
      if (!range || !range->lpstrText || range->chrg.cpMin < 0) return 0;
      const tTextPos end = range->chrg.cpMax < 0 ? store_.Length() : std::min<tTextPos>(range->chrg.cpMax, store_.Length());
      const tTextPos start = std::min<tTextPos>(range->chrg.cpMin, end);
      const std::size_t copied = store_.CopyTo(start, static_cast<std::size_t>(end - start), range->lpstrText);
      range->lpstrText[copied] = L'\0';
      return static_cast<LRESULT>(copied);
    }
    case WM_SETTEXT:
      SetText(lParam ? std::wstring_view(reinterpret_cast<const wchar_t*>(lParam)) : std::wstring_view());
      return TRUE;
    case EM_GETSEL: {
      const DWORD start = static_cast<DWORD>(ClampToInt(SelStart())), end = static_cast<DWORD>(ClampToInt(SelEnd()));
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
      return start > 0xFFFF || end > 0xFFFF ? -1 : static_cast<LRESULT>(MAKELONG(start, end));
    }
    case EM_SETSEL: {
      const auto start = static_cast<int>(wParam), end = static_cast<int>(lParam);
      if (start < 0) {
        Select(caret_, caret_);
      } else {
        const tTextPos length = store_.Length();
        const tTextPos from = std::min<tTextPos>(start, length), to = end < 0 ? length : std::min<tTextPos>(end, length);
        Select(from, to);
      }
      return 0;
    }
    case EM_REPLACESEL:
      ReplaceSelection(lParam ? std::wstring_view(reinterpret_cast<const wchar_t*>(lParam)) : std::wstring_view(),
                       wParam != 0);
      return 0;
    case kViewPaintOwed:
      return PaintOwed() ? 1 : 0;
    case kViewReplaceSelLook: {
      const auto* looked = reinterpret_cast<const tLookedText*>(lParam);
      if (looked)
        ReplaceSelection(std::wstring_view(looked->Text, looked->Length), false, false,
                         std::span<const tAttributeRun>(looked->Runs, looked->RunCount));
      return 1;
    }
    case kViewSetHotSpan:
      SetHotSpan(lParam ? *reinterpret_cast<const tTextSpan*>(lParam) : tTextSpan{});
      return 1;
    case EM_GETLINECOUNT:
      return layout_.RowCount();
    case EM_LINEINDEX: {
      const int row = static_cast<int>(wParam) < 0 ? RowOfPosition(caret_) : static_cast<int>(wParam);
      return row < layout_.RowCount() ? ClampToInt(RowStartPosition(row)) : -1;
    }
    case EM_LINELENGTH: {
      if (static_cast<int>(wParam) < 0) {
        // The characters of the selection's rows that are not selected.
        const int first = RowOfPosition(SelStart()), last = RowOfPosition(SelEnd());
        return ClampToInt(SelStart() - RowStartPosition(first) + RowEndPosition(last) - SelEnd());
      }
      const int row = RowOfPosition(store_.ClampPosition(static_cast<tTextPos>(wParam)));
      return ClampToInt(RowEndPosition(row) - RowStartPosition(row));
    }
    case EM_GETLINE: {
      const int row = static_cast<int>(wParam);
      if (lParam == 0 || row < 0 || row >= layout_.RowCount()) return 0;
      auto* out = reinterpret_cast<wchar_t*>(lParam);
      const size_t room = *reinterpret_cast<const WORD*>(out);
      const tTextPos start = RowStartPosition(row);
      return static_cast<LRESULT>(store_.CopyTo(start, std::min<size_t>(room, RowEndPosition(row) - start), out));
    }
    case EM_LINEFROMCHAR:
      return RowOfPosition(static_cast<int>(wParam) < 0 ? SelStart() : store_.ClampPosition(static_cast<tTextPos>(wParam)));
    case EM_POSFROMCHAR: {
      const auto position = static_cast<tTextPos>(wParam);
      if (position > store_.Length()) return -1;
      const POINT point = PointFromPosition(position);
      return MAKELONG(static_cast<short>(point.x), static_cast<short>(point.y));
    }
    case EM_CHARFROMPOS: {
      const tTextPos position = PositionFromPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return MAKELONG(static_cast<WORD>(position & 0xFFFF), static_cast<WORD>(RowOfPosition(position) & 0xFFFF));
    }
    case EM_GETFIRSTVISIBLELINE:
      return topRow_;
    case EM_LINESCROLL:
      ScrollTo(topRow_ + static_cast<int>(lParam), xOffset_ + static_cast<int>(wParam) * averageWidth_);
      return TRUE;
    case EM_SCROLLCARET:
      ScrollCaretIntoView();
      return TRUE;
    case EM_SETREADONLY: {
      readOnly_ = wParam != 0;
      const DWORD style = WindowStyle(hwnd_);
      ::SetWindowLongPtrW(hwnd_, GWL_STYLE, readOnly_ ? style | ES_READONLY : style & ~static_cast<DWORD>(ES_READONLY));
      ::InvalidateRect(hwnd_, nullptr, TRUE);
      return TRUE;
    }
    case EM_GETMODIFY:
      return modified_;
    case EM_SETMODIFY:
      modified_ = wParam != 0;
      return 0;
    case EM_CANUNDO:
      return undo_.Valid;
    case EM_UNDO:
    case WM_UNDO:
      Undo();
      return TRUE;
    case EM_EMPTYUNDOBUFFER:
      undo_ = {};
      return 0;
    case EM_SETLIMITTEXT:
      return 0;
    case EM_SETTABSTOPS: {
      const auto* stops = reinterpret_cast<const int*>(lParam);
      layout_.SetTabStops(stops ? std::vector<int>(stops, stops + wParam) : std::vector<int>());
      StartRelayout();
      return TRUE;
    }
    case WM_COPY:
      CopySelection();
      return 0;
    case WM_CUT:
      if (!readOnly_ && CopySelection()) ReplaceSelection({}, true);
      return 0;
    case WM_PASTE:
      if (!readOnly_) Paste();
      return 0;
    case WM_CLEAR:
      if (!readOnly_) ReplaceSelection({}, true);
      return 0;
    case WM_SETFONT:
      ApplyFont(reinterpret_cast<HFONT>(wParam));
      if (LOWORD(lParam)) ::InvalidateRect(hwnd_, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_STYLECHANGED:
      if (wParam == static_cast<WPARAM>(GWL_STYLE))
        ApplyStyle(reinterpret_cast<const STYLESTRUCT*>(lParam)->styleNew);
      return 0;
    case WM_SIZE:
      layout_.SetWidth(LOWORD(lParam));
      StartRelayout();
      return 0;
    case WM_TIMER:
      if (wParam == kRelayoutTimer) ContinueRelayout();
      if (wParam == kPaintTimer) {
        ::KillTimer(hwnd_, kPaintTimer);
        paintTimer_ = false;
        ShowOwed();
      }
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_PRINTCLIENT: {
      RECT client{};
      ::GetClientRect(hwnd_, &client);
      Draw(reinterpret_cast<HDC>(wParam), client);
      return 0;
    }
    case WM_SETFOCUS:
      focused_ = true;
      ::CreateCaret(hwnd_, nullptr, 1, rowHeight_);
      PlaceCaret();
      ::ShowCaret(hwnd_);
      ::InvalidateRect(hwnd_, nullptr, FALSE);
      return 0;
    case WM_KILLFOCUS:
      focused_ = false;
      ::DestroyCaret();
      ::InvalidateRect(hwnd_, nullptr, FALSE);
      return 0;
    case WM_VSCROLL:
      VerticalScroll(LOWORD(wParam));
      DrawScrollBars();
      return 0;
    case WM_HSCROLL:
      HorizontalScroll(LOWORD(wParam));
      DrawScrollBars();
      return 0;
    case WM_MOUSEWHEEL: {
      UINT lines = 3;
      ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
      const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
      ScrollTo(topRow_ - notches * static_cast<int>(lines == WHEEL_PAGESCROLL ? VisibleRows() : lines), xOffset_);
      DrawScrollBars();
      return 0;
    }
    case WM_LBUTTONDOWN: {
      ::SetFocus(hwnd_);
      ::SetCapture(hwnd_);
      selecting_ = true;
      MoveCaret(PositionFromPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)), (wParam & MK_SHIFT) != 0);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (selecting_) {
        RECT client{};
        ::GetClientRect(hwnd_, &client);
        const int y = GET_Y_LPARAM(lParam);
        if (y < 0) ScrollTo(topRow_ - 1, xOffset_);
        if (y >= client.bottom) ScrollTo(topRow_ + 1, xOffset_);
        MoveCaret(PositionFromPoint(GET_X_LPARAM(lParam), y), true);
      }
      return 0;
    case WM_LBUTTONUP:
      if (selecting_) {
        selecting_ = false;
        ::ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED:
      selecting_ = false;
      return 0;
    case WM_LBUTTONDBLCLK:
      SelectWordAt(PositionFromPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
      return 0;
    case WM_CONTEXTMENU:
      ShowContextMenu(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_IME_STARTCOMPOSITION:
      PlaceComposition();
      return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    case WM_KEYDOWN:
      KeyDown(wParam);
      return 0;
    case WM_CHAR:
      Char(static_cast<wchar_t>(wParam));
      return 0;
    default:
      return ::DefWindowProcW(hwnd_, message, wParam, lParam);
  }
}

// ---- text and selection

void cTextView::Select(tTextPos anchor, tTextPos caret) {
  if (anchor == anchor_ && caret == caret_) return;
  anchor_ = anchor;
  caret_ = caret;
  selectionChanged_ = true;
  goalX_ = -1;
  PlaceCaret();
  Invalidate();
}

void cTextView::ReplaceSelection(std::wstring_view text, bool undoable, bool typing, std::span<const tAttributeRun> looks) {
  const tTextPos start = SelStart(), count = SelEnd() - SelStart();
  if (count == 0 && text.empty()) return;
  const bool continues = typing && undo_.Valid && undo_.Typing && count == 0 && start == undo_.Start + undo_.Inserted;
  // Output comes at the end: an append there costs what it appends.
  std::wstring removed;
  if (looks.empty()) {
    if (count == 0 && start == store_.Length())
      store_.Append(text);
    else
      removed = store_.Replace(start, count, text);
  } else {
    // Each run goes in with its look; the window follows once, for all of them.
    if (count > 0) removed = store_.Replace(start, count, {});
    if (start == store_.Length()) {
      store_.Append(text, looks);
    } else {
      tTextPos at = start;
      std::size_t used = 0;
      auto insert = [&](std::wstring_view piece, tTextAttribute look) {
        if (piece.empty()) return;
        store_.Replace(at, 0, piece, look);
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
    if (continues)
      undo_.Inserted += inserted;
    else
      undo_ = {true, start, inserted, std::move(removed), typing};
  } else if (undo_.Valid && start < undo_.Start + undo_.Inserted) {
    // A change the user cannot undo before the end of the user's edit leaves nothing to undo.
    undo_ = {};
  }
  modified_ = true;
  anchor_ = caret_ = start + inserted;
  goalX_ = -1;
  Changed();
  ScrollCaretIntoView();
  Notify(EN_CHANGE);
}

void cTextView::SetText(std::wstring_view text) {
  store_.Clear();
  store_.Append(text);
  anchor_ = caret_ = 0;
  undo_ = {};
  modified_ = false;
  topRow_ = 0;
  xOffset_ = 0;
  Changed();
}

void cTextView::Undo() {
  if (!undo_.Valid || readOnly_) return;
  tUndo done = std::move(undo_);
  const std::wstring removed = store_.Replace(done.Start, done.Inserted, done.Removed);
  // The undo can itself be undone.
  undo_ = {true, done.Start, static_cast<tTextPos>(done.Removed.size()), removed, false};
  anchor_ = done.Start;
  caret_ = done.Start + static_cast<tTextPos>(done.Removed.size());
  modified_ = true;
  Changed();
  ScrollCaretIntoView();
  Notify(EN_CHANGE);
}

bool cTextView::CopySelection() const {
  const tTextPos start = SelStart(), count = SelEnd() - SelStart();
  if (count == 0 || !::OpenClipboard(hwnd_)) return false;
  bool copied = false;
  ::EmptyClipboard();
  const auto bytes = static_cast<size_t>(count + 1) * sizeof(wchar_t);
  if (HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    if (auto* out = static_cast<wchar_t*>(::GlobalLock(memory))) {
      out[store_.CopyTo(start, static_cast<size_t>(count), out)] = L'\0';
      ::GlobalUnlock(memory);
      copied = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    }
    // The clipboard owns the memory once it took it.
    if (!copied) ::GlobalFree(memory);
  }
  ::CloseClipboard();
  return copied;
}

void cTextView::Paste() {
  if (!::OpenClipboard(hwnd_)) return;
  std::wstring text;
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* in = static_cast<const wchar_t*>(::GlobalLock(data))) {
      text.assign(in, ::wcsnlen(in, ::GlobalSize(data) / sizeof(wchar_t)));
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  if (!text.empty()) ReplaceSelection(text, true);
}

void cTextView::Notify(WORD code) const {
  const auto id = static_cast<WORD>(::GetDlgCtrlID(hwnd_));
  ::SendMessageW(::GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(hwnd_));
}

// ---- what UI Automation reads

void cTextView::Select(tTextSpan span) {
  const tTextPos length = store_.Length();
  Select(std::clamp<tTextPos>(span.Start, 0, length), std::clamp<tTextPos>(span.End, 0, length));
  ScrollCaretIntoView();
}

tTextSpan cTextView::VisibleSpan() const {
  const int last = std::min(topRow_ + VisibleRows(), layout_.RowCount()) - 1;
  return {RowStartPosition(topRow_), RowEndPosition(std::max(last, topRow_))};
}

tTextSpan cTextView::LineAround(std::int64_t position) const {
  const tTextPos line = store_.LineFromPosition(position), start = store_.LineStart(line);
  return {start, start + store_.LineLength(line)};
}

tTextSpan cTextView::WordAround(std::int64_t position) const {
  // Where Ctrl+Left stops at or before the position, and Ctrl+Right after that.
  const tTextPos start = WordBefore(std::min(position + 1, store_.Length()));
  return {start, WordAfter(start)};
}

std::vector<RECT> cTextView::SpanRectangles(tTextSpan span) {
  std::vector<RECT> rectangles;
  const int first = std::max(RowOfPosition(span.Start), topRow_);
  const int last = std::min(RowOfPosition(span.End), topRow_ + VisibleRows() - 1);
  for (int row = first; row <= last; ++row) {
    const tTextPos from = std::max(span.Start, RowStartPosition(row)), to = std::min(span.End, RowEndPosition(row));
    if (from > to || (from == to && span.Start != span.End)) continue;
    const POINT left = PointFromPosition(from), right = PointFromPosition(to);
    rectangles.push_back({left.x, left.y, std::max(right.x, left.x), left.y + rowHeight_});
  }
  return rectangles;
}

void cTextView::ScrollIntoView(std::int64_t position, bool toTop) {
  const int row = RowOfPosition(store_.ClampPosition(position));
  ScrollTo(toTop ? row : row - VisibleRows() + 1, xOffset_);
}

// ---- rows and positions

int cTextView::RowOfPosition(tTextPos position) const {
  const tTextPos line = store_.LineFromPosition(position);
  return layout_.RowOf(ClampToInt(line), ClampToInt(position - store_.LineStart(line)));
}

tTextPos cTextView::RowStartPosition(int row) const {
  const tRowStart start = layout_.RowStart(row);
  return store_.LineStart(start.Line) + start.Column;
}

tTextPos cTextView::RowEndPosition(int row) const { return RowStartPosition(row) + layout_.RowLength(row); }

tTextPos cTextView::PositionFromPoint(int x, int y) {
  const int row = std::clamp(topRow_ + (y < 0 ? -1 : y / rowHeight_), 0, layout_.RowCount() - 1);
  const tRowStart start = layout_.RowStart(row);
  return store_.LineStart(start.Line) + layout_.ColumnFromX(row, std::max(x + xOffset_, 0));
}

POINT cTextView::PointFromPosition(tTextPos position) {
  const tTextPos line = store_.LineFromPosition(position);
  const int column = ClampToInt(position - store_.LineStart(line));
  const int row = layout_.RowOf(ClampToInt(line), column);
  return {layout_.XFromColumn(ClampToInt(line), column) - xOffset_, (row - topRow_) * rowHeight_};
}

tTextPos cTextView::ClusterBefore(tTextPos position) const {
  if (position <= 0) return 0;
  const tTextPos line = store_.LineFromPosition(position), start = store_.LineStart(line);
  // A line break is one step, as the edit control takes it.
  if (position == start) return std::max<tTextPos>(position - 2, 0);
  const std::wstring_view text = Line(ClampToInt(line));
  const auto column = static_cast<size_t>(position - start);
  size_t at = 0;
  for (size_t next = 0; next < column; next = cTextClusters::End(text, next)) at = next;
  return start + static_cast<tTextPos>(at);
}

tTextPos cTextView::ClusterAfter(tTextPos position) const {
  const tTextPos line = store_.LineFromPosition(position), start = store_.LineStart(line);
  const tTextPos end = start + store_.LineLength(line);
  if (position >= end) return std::min(end + 2, store_.Length());
  return start + static_cast<tTextPos>(cTextClusters::End(Line(ClampToInt(line)), static_cast<size_t>(position - start)));
}

tTextPos cTextView::WordBefore(tTextPos position) const {
  // Back over what is not a word, then over the word before it.
  const tTextPos from = std::max<tTextPos>(position - 4096, 0);
  const std::wstring text = store_.Substr(from, position - from);
  size_t i = text.size();
  while (i > 0 && !IsWordChar(text[i - 1])) --i;
  while (i > 0 && IsWordChar(text[i - 1])) --i;
  return from + static_cast<tTextPos>(i);
}

tTextPos cTextView::WordAfter(tTextPos position) const {
  const tTextPos length = store_.Length();
  const std::wstring text = store_.Substr(position, 4096);
  size_t i = 0;
  if (i < text.size() && IsBreak(text[i])) return ClusterAfter(position);
  while (i < text.size() && IsWordChar(text[i])) ++i;
  while (i < text.size() && IsBlank(text[i])) ++i;
  return std::min(position + static_cast<tTextPos>(i), length);
}

void cTextView::SelectWordAt(tTextPos position) {
  const tTextPos line = store_.LineFromPosition(position), start = store_.LineStart(line);
  const std::wstring_view text = Line(ClampToInt(line));
  auto from = static_cast<size_t>(position - start), to = from;
  const bool word = from < text.size() && IsWordChar(text[from]);
  auto same = [&](wchar_t c) { return word ? IsWordChar(c) : IsBlank(c); };
  while (from > 0 && same(text[from - 1])) --from;
  while (to < text.size() && same(text[to])) ++to;
  Select(start + static_cast<tTextPos>(from), start + static_cast<tTextPos>(to));
}

// ---- keys

void cTextView::MoveCaret(tTextPos position, bool extend, bool keepGoalX) {
  const int goal = goalX_;
  Select(extend ? anchor_ : position, position);
  if (keepGoalX) goalX_ = goal;
  ScrollCaretIntoView();
}

void cTextView::KeyDown(WPARAM key) {
  const bool shift = ::GetKeyState(VK_SHIFT) < 0, control = ::GetKeyState(VK_CONTROL) < 0;
  const int row = RowOfPosition(caret_);
  auto vertical = [&](int rows) {
    if (goalX_ < 0) goalX_ = PointFromPosition(caret_).x + xOffset_;
    const int target = std::clamp(row + rows, 0, layout_.RowCount() - 1);
    const tRowStart start = layout_.RowStart(target);
    MoveCaret(store_.LineStart(start.Line) + layout_.ColumnFromX(target, goalX_), shift, true);
  };
  switch (key) {
    case VK_LEFT:
      MoveCaret(!shift && caret_ != anchor_ ? SelStart() : control ? WordBefore(caret_) : ClusterBefore(caret_), shift);
      break;
    case VK_RIGHT:
      MoveCaret(!shift && caret_ != anchor_ ? SelEnd() : control ? WordAfter(caret_) : ClusterAfter(caret_), shift);
      break;
    case VK_UP:
      vertical(-1);
      break;
    case VK_DOWN:
      vertical(1);
      break;
    case VK_PRIOR:
      ScrollTo(topRow_ - VisibleRows(), xOffset_);
      vertical(-VisibleRows());
      break;
    case VK_NEXT:
      ScrollTo(topRow_ + VisibleRows(), xOffset_);
      vertical(VisibleRows());
      break;
    case VK_HOME:
      MoveCaret(control ? 0 : RowStartPosition(row), shift);
      break;
    case VK_END:
      MoveCaret(control ? store_.Length() : RowEndPosition(row), shift);
      break;
    case VK_DELETE:
      if (readOnly_) break;
      if (shift) {
        Message(WM_CUT, 0, 0);
      } else {
        if (anchor_ == caret_) caret_ = ClusterAfter(caret_);
        ReplaceSelection({}, true);
      }
      break;
    case VK_INSERT:
      if (control) Message(WM_COPY, 0, 0);
      if (shift) Message(WM_PASTE, 0, 0);
      break;
    default:
      break;
  }
}

void cTextView::Char(wchar_t character) {
  switch (character) {
    case 0x03:  // Ctrl+C
      CopySelection();
      return;
    case 0x16:  // Ctrl+V
      Message(WM_PASTE, 0, 0);
      return;
    case 0x18:  // Ctrl+X
      Message(WM_CUT, 0, 0);
      return;
    case 0x1A:  // Ctrl+Z
      Undo();
      return;
    default:
      break;
  }
  if (readOnly_) return;
  if (character == L'\b') {
    if (anchor_ == caret_) anchor_ = ClusterBefore(caret_);
    ReplaceSelection({}, true);
  } else if (character == L'\r') {
    ReplaceSelection(L"\r\n", true);
  } else if (character == L'\t' || character >= L' ') {
    ReplaceSelection(std::wstring_view(&character, 1), true, true);
  }
}

// The edit control's menu: each item sends the message that is its id.
void cTextView::ShowContextMenu(int x, int y) {
  const gui::cMenu menu(::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_TEXT_VIEW_CONTEXT)));
  HMENU popup = menu ? ::GetSubMenu(menu.get(), 0) : nullptr;
  if (!popup) return;
  if (x == -1 && y == -1) {
    // From the keyboard: at the caret.
    POINT caret = PointFromPosition(caret_);
    caret.y += rowHeight_;
    ::ClientToScreen(hwnd_, &caret);
    x = caret.x;
    y = caret.y;
  }
  const bool selection = anchor_ != caret_;
  const auto enable = [&](UINT id, bool on) { ::EnableMenuItem(popup, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
  enable(WM_UNDO, undo_.Valid && !readOnly_);
  enable(WM_CUT, selection && !readOnly_);
  enable(WM_COPY, selection);
  enable(WM_PASTE, !readOnly_ && ::IsClipboardFormatAvailable(CF_UNICODETEXT));
  enable(WM_CLEAR, selection && !readOnly_);
  enable(EM_SETSEL, store_.Length() > 0);
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
    form.ptCurrentPos = PointFromPosition(caret_);
    ::ImmSetCompositionWindow(context, &form);
    ::ImmReleaseContext(hwnd_, context);
  }
}

// ---- scrolling and painting

int cTextView::VisibleRows() const {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  return std::max(1, static_cast<int>(client.bottom) / rowHeight_);
}

void cTextView::ScrollTo(int topRow, int xOffset) {
  const int top = std::clamp(topRow, 0, std::max(layout_.RowCount() - VisibleRows(), 0));
  const int x = layout_.WordWrap() ? 0 : std::clamp(xOffset, 0, std::max(layout_.LongestRowWidth(), 0));
  if (top == topRow_ && x == xOffset_) return;
  topRow_ = top;
  xOffset_ = x;
  MakeVisibleExact();
  UpdateScrollBars();
  PlaceCaret();
  Invalidate();
}

void cTextView::ScrollCaretIntoView() {
  const int row = RowOfPosition(caret_), rows = VisibleRows();
  int top = topRow_;
  if (row < top) top = row;
  if (row >= top + rows) top = row - rows + 1;
  int x = xOffset_;
  if (!layout_.WordWrap()) {
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const int width = static_cast<int>(client.right);
    const int caretX = PointFromPosition(caret_).x + xOffset_;
    if (caretX < x) x = std::max(caretX - width / 4, 0);
    if (caretX >= x + width) x = caretX - width * 3 / 4;
  }
  ScrollTo(top, x);
}

void cTextView::UpdateScrollBars() {
  // Only what the bars are to show: setting them is a call into the system at every append, so
  // they are set when they are drawn (DrawScrollBars).
  verticalWanted_ = {std::max(layout_.RowCount() - 1, 0), VisibleRows(), topRow_};
  if (!layout_.WordWrap()) {
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    horizontalWanted_ = {layout_.LongestRowWidth(), static_cast<int>(client.right), xOffset_};
  }
  if (verticalWanted_ != verticalShown_ || (!layout_.WordWrap() && horizontalWanted_ != horizontalShown_))
    scrollBarsOwed_ = true;
}

void cTextView::DrawScrollBars() {
  if (!std::exchange(scrollBarsOwed_, false)) return;
  lastScrollBars_ = ::GetTickCount64();
  // A bar that would stay as it is is left alone: setting one draws it.
  auto set = [&](int bar, const tScrollState& state, tScrollState& shown) {
    if (state == shown) return;
    shown = state;
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMax = state.Max;
    info.nPage = static_cast<UINT>(state.Page);
    info.nPos = state.Pos;
    ::SetScrollInfo(hwnd_, bar, &info, TRUE);
  };
  set(SB_VERT, verticalWanted_, verticalShown_);
  if (!layout_.WordWrap()) set(SB_HORZ, horizontalWanted_, horizontalShown_);
  scrollBarPace_ =
      std::clamp((::GetTickCount64() - lastScrollBars_) * kScrollBarShare, kScrollBarIntervalMs, kSlowestScrollBarsMs);
}

void cTextView::VerticalScroll(WORD request) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_TRACKPOS;
  ::GetScrollInfo(hwnd_, SB_VERT, &info);
  const int page = VisibleRows();
  switch (request) {
    case SB_LINEUP: ScrollTo(topRow_ - 1, xOffset_); break;
    case SB_LINEDOWN: ScrollTo(topRow_ + 1, xOffset_); break;
    case SB_PAGEUP: ScrollTo(topRow_ - page, xOffset_); break;
    case SB_PAGEDOWN: ScrollTo(topRow_ + page, xOffset_); break;
    case SB_TOP: ScrollTo(0, xOffset_); break;
    case SB_BOTTOM: ScrollTo(INT_MAX, xOffset_); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: ScrollTo(info.nTrackPos, xOffset_); break;
    default: break;
  }
}

void cTextView::HorizontalScroll(WORD request) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_TRACKPOS;
  ::GetScrollInfo(hwnd_, SB_HORZ, &info);
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  switch (request) {
    case SB_LINELEFT: ScrollTo(topRow_, xOffset_ - averageWidth_); break;
    case SB_LINERIGHT: ScrollTo(topRow_, xOffset_ + averageWidth_); break;
    case SB_PAGELEFT: ScrollTo(topRow_, xOffset_ - client.right); break;
    case SB_PAGERIGHT: ScrollTo(topRow_, xOffset_ + client.right); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: ScrollTo(topRow_, info.nTrackPos); break;
    default: break;
  }
}

void cTextView::Changed() {
  textChanged_ = selectionChanged_ = true;
  MakeVisibleExact();
  UpdateScrollBars();
  PlaceCaret();
  Invalidate();
  // Text that keeps coming is shown about every kPaintIntervalMs, not only once the window is idle;
  // what is left is shown by a timer once it stops.
  ShowOwed();
}

void cTextView::Invalidate() {
  // Between two chunks of a flood the queue is empty for a moment, and an invalid window would be
  // painted then, at every chunk: what changes within the pace waits for the timer instead.
  // One change within the pace is shown at once too: an answer is often two writes, the command's
  // echo and the child's, and the second would wait for the timer.
  const bool due = ::GetTickCount64() - lastPaint_ >= kPaintIntervalMs;
  if (due || !quickPaint_) {
    quickPaint_ = !due;
    ::InvalidateRect(hwnd_, nullptr, FALSE);
    return;
  }
  paintOwed_ = true;
  ArmPaintTimer();
}

void cTextView::ArmPaintTimer() {
  if (paintTimer_) return;
  // Due when the pace allows the next paint, not a whole interval from now.
  const ULONGLONG since = ::GetTickCount64() - lastPaint_;
  const auto wait = static_cast<UINT>(since >= kPaintIntervalMs ? USER_TIMER_MINIMUM : kPaintIntervalMs - since);
  paintTimer_ = ::SetTimer(hwnd_, kPaintTimer, std::max<UINT>(wait, USER_TIMER_MINIMUM), nullptr) != 0;
}

void cTextView::ShowOwed() {
  const ULONGLONG now = ::GetTickCount64();
  if (now - lastScrollBars_ >= scrollBarPace_) DrawScrollBars();
  if (now - lastPaint_ >= kPaintIntervalMs) {
    if (std::exchange(paintOwed_, false)) ::InvalidateRect(hwnd_, nullptr, FALSE);
    ::UpdateWindow(hwnd_);
  }
  if (!paintTimer_ && (scrollBarsOwed_ || PaintOwed())) ArmPaintTimer();
}

bool cTextView::PaintOwed() const { return paintOwed_ || ::GetUpdateRect(hwnd_, nullptr, FALSE); }

void cTextView::Paint() {
  PAINTSTRUCT paint{};
  HDC dc = ::BeginPaint(hwnd_, &paint);
  lastPaint_ = ::GetTickCount64();
  Draw(dc, paint.rcPaint);
  ::EndPaint(hwnd_, &paint);
  // Screen readers hear of changes at the pace the user sees them, not chunk by chunk.
  if (std::exchange(textChanged_, false)) RaiseTextChanged(*provider_.get());
  if (std::exchange(selectionChanged_, false)) RaiseSelectionChanged(*provider_.get());
}

void cTextView::Draw(HDC dc, const RECT& area) {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  // The parent chooses the colours, as it does for an edit control.
  const UINT ask = readOnly_ ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
  ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
  ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
  auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(::GetParent(hwnd_), ask, reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(hwnd_)));
  const tPaneColours pane{::GetTextColor(dc), ::GetBkColor(dc)};
  const gui::cSelectedObject font(dc, FontFor(0));
  const int previousMode = ::SetBkMode(dc, TRANSPARENT);
  const int first = topRow_ + static_cast<int>(area.top) / rowHeight_;
  const int last = std::min(layout_.RowCount() - 1, topRow_ + static_cast<int>(area.bottom) / rowHeight_);
  int y = (first - topRow_) * rowHeight_;
  for (int row = first; row <= last; ++row, y += rowHeight_) PaintRow(dc, row, y, client, pane);
  if (y < static_cast<int>(area.bottom)) {
    RECT rest{client.left, y, client.right, area.bottom};
    if (brush) {
      ::FillRect(dc, &rest, brush);
    } else {
      ::SetBkColor(dc, pane.Back);
      ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rest, nullptr, 0, nullptr);
    }
  }
  ::SetBkMode(dc, previousMode);
}

// A row is drawn in pieces of one look, each where the layout puts its clusters, so that what is
// drawn is where the caret and the mouse find it. Only what shows is drawn: a long row without
// wrap stops at the window's right edge.
void cTextView::PaintRow(HDC dc, int row, int y, const RECT& client, tPaneColours pane) {
  const tRowStart start = layout_.RowStart(row);
  const std::wstring_view line = Line(start.Line);
  const tTextPos lineStart = store_.LineStart(start.Line);
  const tTextPos rowStart = lineStart + start.Column, rowEnd = rowStart + layout_.RowLength(row);
  const RECT band{client.left, y, client.right, y + rowHeight_};
  // The row's background goes first, unless the row is one plain piece, which draws it with its
  // text in one call: most rows are, and a call costs 5 us under Wine.
  bool bandDrawn = false;
  auto drawBand = [&] {
    if (std::exchange(bandDrawn, true)) return;
    ::SetBkColor(dc, pane.Back);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &band, nullptr, 0, nullptr);
  };
  rowLooks_.clear();
  store_.ForEachRun(rowStart, rowEnd, [&](tTextPos runStart, tTextPos, tTextAttribute look) {
    rowLooks_.emplace_back(static_cast<int>(runStart - lineStart), look);
  });
  const tTextPos selStart = SelStart(), selEnd = SelEnd();
  size_t look = 0;
  tPiece piece;
  bool open = false;
  const int right = xOffset_ + static_cast<int>(client.right);
  layout_.ForEachCluster(row, [&](const tPlacedCluster& cluster) {
    // Right of the window: what follows shows no more, but for the rest of a right-to-left stretch.
    if (cluster.Left >= right) return cluster.RightToLeft;
    if (cluster.Left + cluster.Width <= xOffset_) return true;
    while (look + 1 < rowLooks_.size() && rowLooks_[look + 1].first <= cluster.Column) ++look;
    const tTextPos at = lineStart + cluster.Column;
    tPiece next{cluster.Column,
                cluster.End,
                cluster.Left,
                cluster.Left + cluster.Width,
                look < rowLooks_.size() ? rowLooks_[look].second : 0,
                at >= selStart && at < selEnd,
                at >= hotSpan_.Start && at < hotSpan_.End,
                line[static_cast<size_t>(cluster.Column)] == L'\t',
                cluster.RightToLeft,
                cluster.RightToLeft || cluster.End - cluster.Column > 1 ||
                    line[static_cast<size_t>(cluster.Column)] >= cTextClusters::FirstJoining};
    if (open && piece.SameDrawing(next) && piece.End == next.Column) {
      piece.End = next.End;
      // Within a right-to-left stretch the next cluster stands left of the piece.
      piece.Left = std::min(piece.Left, next.Left);
      piece.Right = std::max(piece.Right, next.Right);
      piece.Complex = piece.Complex || next.Complex;
    } else {
      if (open) {
        drawBand();
        DrawPiece(dc, piece, line, y, pane, nullptr);
      }
      piece = next;
      open = true;
      advances_.clear();
    }
    advances_.push_back(cluster.Width);
    // A cluster's later units add nothing to the advance.
    advances_.resize(advances_.size() + static_cast<size_t>(cluster.End - cluster.Column - 1), 0);
    return true;
  });
  if (open && (bandDrawn || !DrawPiece(dc, piece, line, y, pane, &band))) {
    drawBand();
    DrawPiece(dc, piece, line, y, pane, nullptr);
  }
  if (!open) drawBand();
}

// The selection is drawn in the system's highlight colours over any look, so it stays visible.
bool cTextView::DrawPiece(HDC dc, const tPiece& piece, std::wstring_view line, int y, tPaneColours pane,
                          const RECT* band) {
  const tTextLook look = UnpackLook(piece.Look);
  const tDrawnColours drawn = ColoursOf(piece.Look, look, pane);
  const COLORREF ink = piece.Selected ? ::GetSysColor(COLOR_HIGHLIGHTTEXT) : drawn.Text;
  const int left = piece.Left - xOffset_;
  const auto styles = static_cast<std::uint8_t>(look.Styles | (piece.Hot ? lsUnderline : 0));
  const std::wstring_view text =
      line.substr(static_cast<size_t>(piece.Column), static_cast<size_t>(piece.End - piece.Column));
  if (band) {
    // With the row's background, in the pane's own font and colours only.
    if (piece.Selected || !drawn.OwnBack || piece.Tab || piece.Complex || styles != 0) return false;
    ::SetBkColor(dc, pane.Back);
    ::SetTextColor(dc, ink);
    ::ExtTextOutW(dc, left, y, ETO_OPAQUE, band, text.data(), static_cast<UINT>(text.size()), nullptr);
    return true;
  }
  if (piece.Selected || !drawn.OwnBack) {
    RECT cells{left, y, piece.Right - xOffset_, y + rowHeight_};
    ::SetBkColor(dc, piece.Selected ? ::GetSysColor(COLOR_HIGHLIGHT) : drawn.Back);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &cells, nullptr, 0, nullptr);
  }
  if (piece.Tab) return true;
  // The pane's own font is selected already; another is for this piece only.
  std::optional<gui::cSelectedObject> font;
  if ((styles & (lsBold | lsItalic | lsUnderline | lsStrike)) != 0) font.emplace(dc, FontFor(styles));
  ::SetTextColor(dc, ink);
  if (piece.Complex) {
    // A right-to-left piece is all of one stretch (or part of one): drawn as a paragraph of its own.
    if (const cScriptString analysis = Analyse(dc, text, piece.RightToLeft ? SSA_RTL : 0, advances_.data())) {
      ::ScriptStringOut(analysis.get(), left, y, 0, nullptr, 0, 0, FALSE);
      return true;
    }
  }
  // Every cluster takes the width that the layout gave it in the pane's own font: a bold or
  // italic glyph may reach a pixel into the next cell, but nothing moves. The pane's font, and its
  // underlined or struck-through variants, advance by those widths by themselves.
  const bool ownAdvances = (styles & (lsBold | lsItalic)) == 0 && !piece.Complex;
  ::ExtTextOutW(dc, left, y, 0, nullptr, text.data(), static_cast<UINT>(text.size()),
                ownAdvances ? nullptr : advances_.data());
  return true;
}

// Darkening a colour for contrast takes a search: each look's colours are found once for the
// pane's colours of the time.
tDrawnColours cTextView::ColoursOf(tTextAttribute attribute, const tTextLook& look, tPaneColours pane) {
  constexpr size_t kMostLooks = 1024;
  if (pane.Text != colourCache_.Pane.Text || pane.Back != colourCache_.Pane.Back ||
      colourCache_.Looks.size() >= kMostLooks) {
    colourCache_.Looks.clear();
    colourCache_.Pane = pane;
  }
  const auto known = colourCache_.Looks.find(attribute);
  if (known != colourCache_.Looks.end()) return known->second;
  return colourCache_.Looks.emplace(attribute, DrawnColours(look, pane.Text, pane.Back)).first->second;
}

HFONT cTextView::FontFor(std::uint8_t styles) {
  const auto base = font_ ? font_ : static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
  const int index = ((styles & lsBold) ? 1 : 0) | ((styles & lsItalic) ? 2 : 0) | ((styles & lsUnderline) ? 4 : 0) |
                    ((styles & lsStrike) ? 8 : 0);
  if (index == 0) return base;
  gui::cFont& variant = fontVariants_[static_cast<size_t>(index)];
  if (!variant) {
    LOGFONTW description{};
    if (!::GetObjectW(base, sizeof description, &description)) return base;
    if (index & 1) description.lfWeight = FW_BOLD;
    if (index & 2) description.lfItalic = TRUE;
    if (index & 4) description.lfUnderline = TRUE;
    if (index & 8) description.lfStrikeOut = TRUE;
    variant.reset(::CreateFontIndirectW(&description));
  }
  return variant ? variant.get() : base;
}

void cTextView::SetHotSpan(tTextSpan span) {
  if (span.End <= span.Start) span = {};
  if (span == hotSpan_) return;
  InvalidateRows(hotSpan_);
  hotSpan_ = span;
  InvalidateRows(hotSpan_);
}

// Only the rows of the span that show.
void cTextView::InvalidateRows(tTextSpan span) {
  if (span.End <= span.Start) return;
  const int first = std::max(RowOfPosition(store_.ClampPosition(span.Start)), topRow_);
  const int last = std::min(RowOfPosition(store_.ClampPosition(span.End)), topRow_ + VisibleRows());
  if (first > last) return;
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  RECT rows{client.left, (first - topRow_) * rowHeight_, client.right, (last - topRow_ + 1) * rowHeight_};
  ::InvalidateRect(hwnd_, &rows, FALSE);
}

void cTextView::PlaceCaret() {
  if (!focused_) return;
  const POINT point = PointFromPosition(caret_);
  ::SetCaretPos(point.x, point.y);
}

void cTextView::ApplyFont(HFONT font) {
  font_ = font;
  for (gui::cFont& variant : fontVariants_) variant.reset();
  ::SelectObject(measureDc_.get(), font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(SYSTEM_FONT));
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(measureDc_.get(), &metrics);
  rowHeight_ = std::max(1, static_cast<int>(metrics.tmHeight));
  // The average width as dialog base units take it: the letters' mean, rounded.
  static constexpr wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE size{};
  ::GetTextExtentPoint32W(measureDc_.get(), kLetters, 52, &size);
  averageWidth_ = std::max(1, static_cast<int>((size.cx / 26 + 1) / 2));
  layout_.FontChanged();
  if (focused_) {
    ::DestroyCaret();
    ::CreateCaret(hwnd_, nullptr, 1, rowHeight_);
    ::ShowCaret(hwnd_);
  }
  StartRelayout();
}

void cTextView::ApplyStyle(DWORD style) {
  readOnly_ = (style & ES_READONLY) != 0;
  const bool wrap = WrapsWords(style);
  if (wrap == layout_.WordWrap()) return;
  layout_.SetWordWrap(wrap);
  if (wrap) xOffset_ = 0;
  // The horizontal bar comes and goes with the style.
  horizontalShown_ = {};
  StartRelayout();
}

// A change of width, font or wrap: the rows that show, the caret's and the last ones are right at
// once, the rest follow in slices from a timer while the window goes on answering.
void cTextView::StartRelayout() {
  const tRowStart top = layout_.RowStart(std::min(topRow_, layout_.RowCount() - 1));
  layout_.Relayout();
  const int caretLine = ClampToInt(store_.LineFromPosition(caret_));
  layout_.MakeExact(caretLine, caretLine);
  layout_.MakeExact(std::max(layout_.LineCount() - VisibleRows(), 0), layout_.LineCount() - 1);
  layout_.MakeExact(top.Line, std::min(top.Line + VisibleRows(), layout_.LineCount() - 1));
  topRow_ = layout_.RowOf(top.Line, top.Column);
  if (layout_.Stale() && !relayoutTimer_) relayoutTimer_ = ::SetTimer(hwnd_, kRelayoutTimer, 1, nullptr) != 0;
  UpdateScrollBars();
  PlaceCaret();
  ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void cTextView::ContinueRelayout() {
  const tRowStart top = layout_.RowStart(topRow_);
  const ULONGLONG until = ::GetTickCount64() + kRelayoutSliceMs;
  bool more = true;
  while (more && ::GetTickCount64() < until) more = layout_.ContinueRelayout(kRelayoutSliceChars);
  topRow_ = layout_.RowOf(top.Line, top.Column);
  if (!more) {
    ::KillTimer(hwnd_, kRelayoutTimer);
    relayoutTimer_ = false;
  }
  UpdateScrollBars();
}

void cTextView::MakeVisibleExact() {
  if (!layout_.Stale()) return;
  const tRowStart top = layout_.RowStart(std::min(topRow_, layout_.RowCount() - 1));
  layout_.MakeExact(top.Line, std::min(top.Line + VisibleRows(), layout_.LineCount() - 1));
}

}  // namespace view
