#include "ui/dfMain.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr UINT WM_FORM_ACTIVATED = WM_APP + 1;
// The designed layout, at 96 DPI.
constexpr int kFormWidth = 882, kFormHeight = 737;
constexpr int kInputWidth = 169, kInputMinWidth = 50;
constexpr int kSplitterWidth = 10;
constexpr int kOutputMinWidth = 290;

}  // namespace

TFormMain::TFormMain(const cCommandLine& commandLine)
    : cFormMain(commandLine, L"MarveskMain", kFormWidth, kFormHeight), inputWidth_(kInputWidth) {
  pInput.Create(Handle());
  SplitterLeftRight.Create(Handle());
  pOutput.Create(Handle());
  statusBar_ = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                 Handle(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
  SplitterLeftRight.OnDrag = [this](int x) {
    inputWidth_ = ::MulDiv(x, 96, static_cast<int>(::GetDpiForWindow(Handle())));
    LayoutControls();
  };
  LayoutControls();
}

void TFormMain::LayoutControls() {
  RECT rc;
  ::GetClientRect(Handle(), &rc);
  ::SendMessageW(statusBar_, WM_SIZE, 0, 0);
  RECT bar;
  ::GetWindowRect(statusBar_, &bar);
  int height = std::max(0, static_cast<int>(rc.bottom - (bar.bottom - bar.top)));
  int splitter = gui::ScaleForWindow(Handle(), kSplitterWidth);
  int minInput = gui::ScaleForWindow(Handle(), kInputMinWidth);
  int minOutput = gui::ScaleForWindow(Handle(), kOutputMinWidth);
  int input = gui::ScaleForWindow(Handle(), inputWidth_);
  input = std::max(minInput, std::min(input, static_cast<int>(rc.right) - splitter - minOutput));
  input = std::max(input, minInput);
  pInput.SetBounds(0, 0, input, height);
  SplitterLeftRight.SetBounds(input, 0, splitter, height);
  pOutput.SetBounds(input + splitter, 0, std::max(0, static_cast<int>(rc.right) - input - splitter), height);
}

void TFormMain::FormActivate() { StartSession(pInput, pOutput, statusBar_, SplitterLeftRight); }

LRESULT TFormMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      LayoutControls();
      return 0;
    case WM_ACTIVATE:
      // The session starts after the activation has been handled, not inside it.
      if (LOWORD(wParam) != WA_INACTIVE) ::PostMessageW(Handle(), WM_FORM_ACTIVATED, 0, 0);
      break;
    case WM_FORM_ACTIVATED:
      FormActivate();
      return 0;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      ::SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    default:
      break;
  }
  return cFormMain::HandleMessage(message, wParam, lParam);
}
