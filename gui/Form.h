#pragma once
// A top-level window of the program.
#include <string>

#include "gui/Window.h"

namespace gui {

class cForm : public cWindow {
public:
  std::wstring Caption() const;
  void SetCaption(const std::wstring& caption);

protected:
  cForm() = default;
  // Creates the window, not yet shown, with the given outer size (in pixels at 96 DPI; scaled to
  // the primary monitor's DPI).
  void CreateForm(const wchar_t* className, const std::wstring& caption, int width, int height, HICON icon);
};

// Scales a length given at 96 DPI to the DPI of the window (of the system when there is none).
int ScaleForWindow(HWND hwnd, int length96);

}  // namespace gui
