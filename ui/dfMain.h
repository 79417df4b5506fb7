#pragma once
// The main window as the user sees it: command pane on the left, output pane on the right,
// a splitter between them and the status bar below.
#include "gui/Panel.h"
#include "gui/Splitter.h"
#include "session/Main.h"

class TFormMain : public cFormMain {
public:
  explicit TFormMain(const cCommandLine& commandLine);

  HWND StatusBar() const noexcept { return statusBar_; }

protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  void FormActivate();
  void LayoutControls();

  gui::cPanel pInput, pOutput;
  gui::cSplitter SplitterLeftRight;
  HWND statusBar_ = nullptr;
  int inputWidth_;  // at 96 DPI
};
