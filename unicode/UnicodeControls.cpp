#include "unicode/UnicodeControls.h"

#include <richedit.h>

#include <climits>
#include <system_error>
#include <utility>

#include "gui/Theme.h"
#include "view/TextView.h"

namespace {

bool gIsNT = false;

// The platform is checked once, when the program starts, before any control exists.
struct tPlatformCheck {
  tPlatformCheck() { cUnicodeHelper::CheckVersion(); }
} const gPlatformCheck;

// The DPI the window is shown at; the screen's where the system cannot tell per window.
int WindowDpi(HWND window) {
  using tGetDpiForWindow = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<tGetDpiForWindow>(
      ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow"));
  if (getDpiForWindow)
    if (UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
  const gui::cWindowDC screen(::GetDC(nullptr));
  return ::GetDeviceCaps(screen.get(), LOGPIXELSY);
}

std::wstring ReadWText(const IWMessageHandler& control, bool wide) {
  return wide ? cTextProperties::GetText(control) : WideText(ReadWindowText<char>(control));
}

// A message whose lParam is a text, in the character set of the control's window.
void PerformWithText(const IWMessageHandler& control, bool wide, UINT message, std::wstring_view text) {
  if (wide) {
    const std::wstring copy(text);
    control.WPerform(message, 0, reinterpret_cast<LPARAM>(copy.c_str()));
  } else {
    const std::string copy = NarrowText(text);
    control.WPerform(message, 0, reinterpret_cast<LPARAM>(copy.c_str()));
  }
}

RECT BoundsInParent(HWND window) {
  RECT bounds{};
  ::GetWindowRect(window, &bounds);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(window), reinterpret_cast<POINT*>(&bounds), 2);
  return bounds;
}

void ThrowCreateFailed() {
  throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "CreateWindowEx");
}

HMENU ChildId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

}  // namespace

// ---- cUnicodeHelper

bool cUnicodeHelper::IsNT() noexcept { return gIsNT; }

void cUnicodeHelper::CheckVersion() {
  OSVERSIONINFOA info{};
  static_assert(sizeof info == 148);
  info.dwOSVersionInfoSize = sizeof info;
#ifdef _MSC_VER
#pragma warning(suppress : 4996)  // deprecated, but the platform identifier is all that is asked here
#endif
  ::GetVersionExA(&info);
  gIsNT = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

LRESULT cUnicodeHelper::Perform(const IWMessageHandler& handler, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = handler.GetWindowHandle();
  if (!window) return 0;
  // A control has a class procedure exactly when its window was created wide; asking the control
  // rather than IsNT keeps it on its own path when tests switch IsNT.
  if (WNDPROC procedure = handler.GetDefWndProc()) return ::CallWindowProcW(procedure, window, message, wParam, lParam);
  return ::SendMessageA(window, message, wParam, lParam);
}

bool& cUnicodeHelper::NTSlot() { return gIsNT; }

// ---- cTextProperties

std::wstring cTextProperties::GetText(const IWMessageHandler& handler) { return ReadWindowText<wchar_t>(handler); }

std::wstring cTextProperties::GetSubText(const IWMessageHandler& handler, int start, int count) {
  if (count < 1) return {};
  const std::wstring text = GetText(handler);
  const size_t from = start > 0 ? static_cast<size_t>(start) : 0;
  if (from >= text.size()) return {};
  return text.substr(from, static_cast<size_t>(count));
}

// ---- cWMemo

cWMemo::cWMemo(tMemoWindow window)
    : window_(window), wide_(window == mwTextView || cUnicodeHelper::IsNT()), color_(::GetSysColor(COLOR_WINDOW)),
      textColor_(::GetSysColor(COLOR_WINDOWTEXT)) {
  brush_.reset(::CreateSolidBrush(color_));
  if (wide_) {
    lines_ = std::make_unique<cWEditorStrings>(*this);
  } else {
    narrowLines_ = std::make_unique<cMemoStrings>(*this);
    lines_ = std::make_unique<cWStringsNonNT>(*narrowLines_);
  }
}

void cWMemo::Create(HWND parent, int id) {
  parent_ = parent;
  id_ = id;
  CreateWindowNow(bounds_);
}

void cWMemo::CreateWindowNow(const RECT& bounds) {
  const wchar_t* className = window_ == mwTextView ? view::cTextView::Register()
                             : wide_              ? RegisterSuperclass(L"MarveskEdit", L"EDIT", true)
                                                  : RegisterSuperclass(L"MarveskEditA", L"EDIT", false);
  DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL;
  if (!wordWrap_) style |= WS_HSCROLL | ES_AUTOHSCROLL;
  if (readOnly_) style |= ES_READONLY;
  if (!CreateHandle(WS_EX_CLIENTEDGE, className, L"", style, bounds.left, bounds.top, bounds.right - bounds.left,
                    bounds.bottom - bounds.top, parent_, ChildId(id_)))
    ThrowCreateFailed();
  defWndProc_ = window_ == mwTextView ? &view::cTextView::Procedure : wide_ ? GetClassWndProc(L"EDIT") : nullptr;
  // The default limit cuts the text silently at 32767 characters; 0 asks for the largest.
  WPerform(EM_SETLIMITTEXT, 0, 0);
  ApplyFont();
  if (darkScrollBars_) gui::SetDarkScrollBars(Handle(), true);
}

void cWMemo::SetBounds(int x, int y, int width, int height) {
  bounds_ = {x, y, x + width, y + height};
  if (Handle()) ::MoveWindow(Handle(), x, y, width, height, TRUE);
}

void cWMemo::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  WPerform(EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
}

void cWMemo::SetColor(COLORREF color) {
  color_ = color;
  brush_.reset(::CreateSolidBrush(color));
  if (Handle()) ::InvalidateRect(Handle(), nullptr, TRUE);
}

void cWMemo::SetTextColor(COLORREF color) {
  textColor_ = color;
  if (Handle()) ::InvalidateRect(Handle(), nullptr, TRUE);
}

void cWMemo::SetDarkScrollBars(bool dark) {
  if (std::exchange(darkScrollBars_, dark) != dark && Handle()) gui::SetDarkScrollBars(Handle(), dark);
}

void cWMemo::SetFont(std::wstring_view face, int points) {
  fontFace_ = face;
  fontPoints_ = points;
  ApplyFont();
}

void cWMemo::ApplyFont() {
  if (!Handle() || fontFace_.empty() || fontPoints_ <= 0) return;
  LOGFONTW description{};
  description.lfHeight = -::MulDiv(fontPoints_, WindowDpi(Handle()), 72);
  description.lfWeight = FW_NORMAL;
  description.lfCharSet = DEFAULT_CHARSET;
  fontFace_.copy(description.lfFaceName, LF_FACESIZE - 1);
  gui::cFont font(::CreateFontIndirectW(&description));
  WPerform(WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  // The window holds the new font now; only then may the old one go.
  font_ = std::move(font);
}

void cWMemo::SetWordWrap(bool wordWrap) {
  if (wordWrap == wordWrap_) return;
  wordWrap_ = wordWrap;
  if (!Handle()) return;
  if (window_ == mwTextView) {
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(Handle(), GWL_STYLE));
    const DWORD scrolling = WS_HSCROLL | ES_AUTOHSCROLL;
    ::SetWindowLongPtrW(Handle(), GWL_STYLE, wordWrap ? style & ~scrolling : style | scrolling);
    ::SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    return;
  }
  // The edit control reads the wrapping style only when it is created.
  const RECT bounds = BoundsInParent(Handle());
  const bool focused = Focused();
  DestroyHandle();
  CreateWindowNow(bounds);
  if (focused) ::SetFocus(Handle());
}

int cWMemo::SelStart() const {
  DWORD start = 0, end = 0;
  WPerform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(start);
}

void cWMemo::SetSelStart(int start) { WPerform(EM_SETSEL, static_cast<WPARAM>(start), start); }

int cWMemo::SelLength() const {
  DWORD start = 0, end = 0;
  WPerform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

void cWMemo::SetSelLength(int length) {
  const int start = SelStart();
  WPerform(EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start) + length);
}

bool cWMemo::Focused() const noexcept { return Handle() && ::GetFocus() == Handle(); }

std::wstring cWMemo::WText() const { return ReadWText(*this, wide_); }

bool cWMemo::WTextRange(std::size_t start, std::size_t end, std::wstring& buffer) const {
  if (end < start || end > static_cast<std::size_t>(LONG_MAX)) return false;
  buffer.resize(end - start + 1);
  TEXTRANGEW range{{static_cast<LONG>(start), static_cast<LONG>(end)}, buffer.data()};
  const auto copied = static_cast<std::size_t>(WPerform(EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range)));
  buffer.resize(copied);
  return copied == end - start;
}

void cWMemo::SetWText(std::wstring_view text) { PerformWithText(*this, wide_, WM_SETTEXT, text); }

std::wstring cWMemo::WSelText() const {
  DWORD start = 0, end = 0;
  WPerform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const int length = static_cast<int>(end - start);
  if (length < 1) return {};
  if (wide_) return cTextProperties::GetSubText(*this, static_cast<int>(start), length);
  const std::string text = ReadWindowText<char>(*this);
  if (start >= text.size()) return {};
  return WideText(std::string_view(text).substr(start, static_cast<size_t>(length)));
}

void cWMemo::SetWSelText(std::wstring_view text) { PerformWithText(*this, wide_, EM_REPLACESEL, text); }

tCaretPos cWMemo::WCaretPos() const {
  const int start = SelStart();
  const int line = static_cast<int>(WPerform(EM_LINEFROMCHAR, static_cast<WPARAM>(start), 0));
  // Measured from the start of the selection's own line, so that the column is never negative
  // when a selection ends on a later line.
  const int lineStart = static_cast<int>(WPerform(EM_LINEINDEX, static_cast<WPARAM>(line), 0));
  return {start - lineStart, line};
}

LRESULT cWMemo::WPerform(UINT message, WPARAM wParam, LPARAM lParam) const {
  const LRESULT result = cUnicodeHelper::Perform(*this, message, wParam, lParam);
  // A wide window's messages go to the system's procedure straight, past HandleMessage.
  switch (message) {
    case EM_SETSEL:
    case EM_REPLACESEL:
    case EM_UNDO:
    case WM_UNDO:
    case WM_SETTEXT:
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
      NoteSelection();
      break;
    default:
      break;
  }
  return result;
}

void cWMemo::NoteSelection() const {
  if (!OnSelChange || notingSelection_ || !Handle()) return;
  DWORD start = 0, end = 0;
  cUnicodeHelper::Perform(*this, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  if (start == seenSelStart_ && end == seenSelEnd_) return;
  seenSelStart_ = start;
  seenSelEnd_ = end;
  struct cRunning {
    bool& flag;
    explicit cRunning(bool& f) : flag(f) { flag = true; }
    ~cRunning() { flag = false; }
  } running(notingSelection_);
  OnSelChange();
}

void cWMemo::Refresh() {
  if (Handle()) ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
}

void cWMemo::Clear() { SetWText({}); }

void cWMemo::KeyDown(WORD& key, gui::tShiftState shift) {
  if (OnKeyDown) OnKeyDown(key, shift);
}

LRESULT cWMemo::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY || message == WM_NCDESTROY || !OnSelChange) return HandleMemoMessage(message, wParam, lParam);
  const LRESULT result = HandleMemoMessage(message, wParam, lParam);
  NoteSelection();
  return result;
}

LRESULT cWMemo::HandleMemoMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // Events that report what the control did come after its own handling.
  auto thenRaise = [&](const std::function<void()>& event) {
    const LRESULT result = DefaultHandler(message, wParam, lParam);
    if (event) event();
    return result;
  };
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      WORD key = LOWORD(wParam);
      KeyDown(key, gui::CurrentShiftState());
      return key == 0 ? 0 : DefaultHandler(message, key, lParam);
    }
    case WM_LBUTTONUP:
      return thenRaise(OnClick);
    case WM_SETFOCUS:
      return thenRaise(OnEnter);
    case WM_KILLFOCUS:
      return thenRaise(OnExit);
    case WM_DPICHANGED_AFTERPARENT:
      ApplyFont();
      return DefaultHandler(message, wParam, lParam);
    case gui::kReflectBase + WM_COMMAND:
      if (HIWORD(wParam) == EN_CHANGE && OnChange) OnChange();
      return 0;
    case gui::kReflectBase + WM_CTLCOLOREDIT:
    case gui::kReflectBase + WM_CTLCOLORSTATIC: {
      // A read-only edit control asks with WM_CTLCOLORSTATIC.
      HDC dc = reinterpret_cast<HDC>(wParam);
      ::SetBkColor(dc, color_);
      ::SetTextColor(dc, textColor_);
      return reinterpret_cast<LRESULT>(brush_.get());
    }
    default:
      return DefaultHandler(message, wParam, lParam);
  }
}

// ---- cWComboBox

cWComboBox::cWComboBox() : wide_(cUnicodeHelper::IsNT()) {
  if (wide_) {
    items_ = std::make_unique<cWComboBoxStrings>(*this);
  } else {
    narrowItems_ = std::make_unique<cComboBoxStrings>(*this);
    items_ = std::make_unique<cWStringsNonNT>(*narrowItems_);
  }
}

void cWComboBox::Create(HWND parent, int id) {
  // The combo box creates its edit field and its list itself, in the character set of its own
  // window, and this layer leaves them alone: in a wide combo box both are already driven by the
  // system's wide procedures.
  const wchar_t* className = wide_ ? RegisterSuperclass(L"MarveskComboBox", L"COMBOBOX", true)
                                   : RegisterSuperclass(L"MarveskComboBoxA", L"COMBOBOX", false);
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
  if (!CreateHandle(0, className, L"", style, bounds_.left, bounds_.top, bounds_.right - bounds_.left,
                    bounds_.bottom - bounds_.top, parent, ChildId(id)))
    ThrowCreateFailed();
  defWndProc_ = wide_ ? GetClassWndProc(L"COMBOBOX") : nullptr;
}

void cWComboBox::SetBounds(int x, int y, int width, int height) {
  bounds_ = {x, y, x + width, y + height};
  if (Handle()) ::MoveWindow(Handle(), x, y, width, height, TRUE);
}

std::wstring cWComboBox::WText() const { return ReadWText(*this, wide_); }

void cWComboBox::SetWText(std::wstring_view text) { PerformWithText(*this, wide_, WM_SETTEXT, text); }

LRESULT cWComboBox::WPerform(UINT message, WPARAM wParam, LPARAM lParam) const {
  return cUnicodeHelper::Perform(*this, message, wParam, lParam);
}
