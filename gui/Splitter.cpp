#include "gui/Splitter.h"

#include <windowsx.h>

namespace gui {

void cSplitter::Create(HWND parent) {
  const wchar_t* cls = RegisterWindowClass(L"MarveskSplitter", 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  CreateHandle(0, cls, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent, nullptr);
}

void cSplitter::SetBounds(int x, int y, int width, int height) {
  ::MoveWindow(Handle(), x, y, width, height, TRUE);
  if (OnMoved) OnMoved();
}

void cSplitter::SetColour(COLORREF colour) {
  brush_.reset(::CreateSolidBrush(colour));
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

LRESULT cSplitter::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      if (!brush_) return DefaultHandler(message, wParam, lParam);
      RECT all;
      ::GetClientRect(Handle(), &all);
      ::FillRect(reinterpret_cast<HDC>(wParam), &all, brush_.get());
      return TRUE;
    }
    case WM_SETCURSOR:
      ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEWE));
      return TRUE;
    case WM_LBUTTONDOWN:
      grab_ = GET_X_LPARAM(lParam);
      ::SetCapture(Handle());
      return 0;
    case WM_MOUSEMOVE:
      if (::GetCapture() == Handle() && OnDrag) {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ::MapWindowPoints(Handle(), ::GetParent(Handle()), &p, 1);
        OnDrag(p.x - grab_);
      }
      return 0;
    case WM_LBUTTONUP:
      ::ReleaseCapture();
      return 0;
    default:
      return DefaultHandler(message, wParam, lParam);
  }
}

}  // namespace gui
