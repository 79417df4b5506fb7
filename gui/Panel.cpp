#include "gui/Panel.h"

namespace gui {

void cPanel::Create(HWND parent) {
  const wchar_t* cls = RegisterWindowClass(L"MarveskPanel", 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  CreateHandle(WS_EX_CONTROLPARENT, cls, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, parent, nullptr);
}

void cPanel::SetBounds(int x, int y, int width, int height) {
  ::MoveWindow(Handle(), x, y, width, height, TRUE);
}

void cPanel::Layout() {
  RECT rc;
  ::GetClientRect(Handle(), &rc);
  if (HWND child = ::GetWindow(Handle(), GW_CHILD)) ::MoveWindow(child, 0, 0, rc.right, rc.bottom, TRUE);
}

LRESULT cPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SIZE) {
    Layout();
    return 0;
  }
  return DefaultHandler(message, wParam, lParam);
}

}  // namespace gui
