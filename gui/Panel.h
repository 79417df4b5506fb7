#pragma once
// A plain container: the window it holds fills it.
#include "gui/Window.h"

namespace gui {

class cPanel : public cWindow {
public:
  void Create(HWND parent);
  void SetBounds(int x, int y, int width, int height);
  // Makes the held window fill the panel again (after it was created or replaced).
  void Layout();

protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace gui
