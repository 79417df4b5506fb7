#include "gui/Form.h"

#include <algorithm>

namespace gui {

std::wstring cForm::Caption() const {
  int length = ::GetWindowTextLengthW(Handle());
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(Handle(), text.data(), length + 1)));
  return text;
}

void cForm::SetCaption(const std::wstring& caption) { ::SetWindowTextW(Handle(), caption.c_str()); }

void cForm::CreateForm(const wchar_t* className, const std::wstring& caption, int width, int height, HICON icon) {
  const wchar_t* registered = RegisterWindowClass(className, 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), icon);
  int w = ScaleForWindow(nullptr, width), h = ScaleForWindow(nullptr, height);
  // Never larger than the desktop's work area, whatever the scaling makes of the designed size.
  RECT work{};
  if (::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
    w = std::min(w, static_cast<int>(work.right - work.left));
    h = std::min(h, static_cast<int>(work.bottom - work.top));
  }
  CreateHandle(0, registered, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, w, h,
               nullptr, nullptr);
}

int ScaleForWindow(HWND hwnd, int length96) {
  UINT dpi = hwnd ? ::GetDpiForWindow(hwnd) : ::GetDpiForSystem();
  if (dpi == 0) dpi = 96;
  return ::MulDiv(length96, static_cast<int>(dpi), 96);
}

}  // namespace gui
