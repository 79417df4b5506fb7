#pragma once
// A vertical bar the user drags to share the width between the windows on its two sides.
#include <functional>

#include "gui/Handle.h"
#include "gui/Window.h"

namespace gui {

class cSplitter : public cWindow {
public:
  void Create(HWND parent);
  void SetBounds(int x, int y, int width, int height);
  // The bar's colour (at first the system's button face).
  void SetColour(COLORREF colour);
  // Called while dragging with the wanted left edge of the bar, in the parent's coordinates.
  std::function<void(int)> OnDrag;
  // Called after the bar has moved or changed its size.
  std::function<void()> OnMoved;

protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  int grab_ = 0;  // where in the bar the mouse took it
  cBrush brush_;
};

}  // namespace gui
