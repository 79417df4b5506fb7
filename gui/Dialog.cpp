#include "gui/Dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "gui/DialogSeam.h"
#include "gui/Window.h"

namespace gui {

cDialog::~cDialog() {
  if (hwnd_) {
    // The derived part is gone: let the window die without reaching this object.
    ::SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
    ::DestroyWindow(std::exchange(hwnd_, nullptr));
  }
}

INT_PTR cDialog::ShowModal(HWND owner) {
  return cDialogSeam::RunDialog(owner, templateId_, &cDialog::Trampoline, reinterpret_cast<LPARAM>(this));
}

void cDialog::EndModal(INT_PTR result) {
  CloseDialog(result);
  cDialogSeam::EndDialog(hwnd_, result);
}

bool cDialog::InitDialog() { return true; }

bool cDialog::Command(int id, int notification) {
  if (notification != BN_CLICKED) return false;
  if (id == IDOK) {
    if (CanClose()) EndModal(IDOK);
    return true;
  }
  if (id == IDCANCEL) {
    EndModal(IDCANCEL);
    return true;
  }
  return false;
}

bool cDialog::CanClose() { return true; }

void cDialog::CloseDialog(INT_PTR) {}

void cDialog::KeyPress(int, wchar_t&) {}

INT_PTR cDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    const bool systemFocus = InitDialog();
    CenterOnOwner();
    return systemFocus ? TRUE : FALSE;
  }
  if (message == WM_COMMAND) return Command(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
  return FALSE;
}

std::wstring cDialog::ItemText(int id) const {
  HWND item = Item(id);
  const int length = ::GetWindowTextLengthW(item);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(item, text.data(), length + 1)));
  return text;
}

void cDialog::SetItemText(int id, std::wstring_view text) { ::SetDlgItemTextW(hwnd_, id, std::wstring(text).c_str()); }

bool cDialog::Checked(int id) const noexcept { return ::IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }

void cDialog::SetChecked(int id, bool checked) { ::CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED); }

void cDialog::EnableItem(int id, bool enabled) { ::EnableWindow(Item(id), enabled ? TRUE : FALSE); }

void cDialog::HookKeyPress(int id) {
  ::SetWindowSubclass(Item(id), &cDialog::KeyPressHook, static_cast<UINT_PTR>(id), reinterpret_cast<DWORD_PTR>(this));
}

cDialog::tPlaceholder cDialog::RemovePlaceholder(int id) {
  HWND place = Item(id);
  tPlaceholder placeholder{};
  ::GetWindowRect(place, &placeholder.Bounds);
  ::MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&placeholder.Bounds), 2);
  placeholder.Previous = ::GetWindow(place, GW_HWNDPREV);
  ::DestroyWindow(place);
  return placeholder;
}

void cDialog::TakePlace(HWND control, const tPlaceholder& placeholder) {
  ::SendMessageW(control, WM_SETFONT, static_cast<WPARAM>(::SendMessageW(hwnd_, WM_GETFONT, 0, 0)), FALSE);
  ::SetWindowPos(control, placeholder.Previous ? placeholder.Previous : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void cDialog::CenterOnOwner() {
  HWND owner = ::GetWindow(hwnd_, GW_OWNER);
  if (!owner) return;
  RECT ownerBounds, bounds;
  ::GetWindowRect(owner, &ownerBounds);
  ::GetWindowRect(hwnd_, &bounds);
  const LONG width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  LONG x = (ownerBounds.left + ownerBounds.right - width) / 2;
  LONG y = (ownerBounds.top + ownerBounds.bottom - height) / 2;
  // Kept inside the work area of the owner's monitor.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (::GetMonitorInfoW(::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& area = monitor.rcWork;
    x = std::max(area.left, std::min(x, area.right - width));
    y = std::max(area.top, std::min(y, area.bottom - height));
  }
  ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK cDialog::Trampoline(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  cDialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<cDialog*>(lParam);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
  } else {
    self = reinterpret_cast<cDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;

  INT_PTR result = FALSE;
  try {
    result = self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    ReportUnhandledError(hwnd);
  }
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    self->hwnd_ = nullptr;
  }
  return result;
}

LRESULT CALLBACK cDialog::KeyPressHook(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self) {
  if (message == WM_NCDESTROY) {
    ::RemoveWindowSubclass(hwnd, &cDialog::KeyPressHook, id);
  } else if (message == WM_CHAR) {
    wchar_t key = static_cast<wchar_t>(wParam);
    try {
      reinterpret_cast<cDialog*>(self)->KeyPress(static_cast<int>(id), key);
    } catch (...) {
      ReportUnhandledError(hwnd);
      key = 0;
    }
    if (key == 0) return 0;
    wParam = key;
  }
  return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace gui
