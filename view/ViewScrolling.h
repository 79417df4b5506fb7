#pragma once
// How the output view's window turns the wheel and a drag beyond its edges into steps of
// scrolling: rows down or up, characters right or left. Nothing here needs a window.
#include <windows.h>

namespace view {

// A wheel's turns as steps, as the edit control counts them: a notch (WHEEL_DELTA) is perNotch
// steps and a finer turn its share of them, rounded towards none; what is left of a step waits for
// the next turn the same way and is dropped when the wheel turns back.
class cWheel {
public:
  // The steps for a turn by delta: positive away from the user (up) or to the right.
  int Turn(int delta, int perNotch) noexcept;

private:
  int remainder_ = 0;
};

// The steps of a notch as the user set them: rows (SPI_GETWHEELSCROLLLINES, pageRows for
// WHEEL_PAGESCROLL) or, sideways, characters (SPI_GETWHEELSCROLLCHARS).
int WheelStepsPerNotch(bool sideways, int pageRows);

// How far a tick of a drag's timer scrolls while the pointer is outside the client area: a row or
// a character once past the edge, and one more for every row height or character width further
// out; negative up and left, none inside. Inside is the nearest point of the client area, which
// the selection follows.
struct tDragSteps {
  int Rows = 0;
  int Chars = 0;
  POINT Inside{};
  bool Outside() const noexcept { return Rows != 0 || Chars != 0; }
};
tDragSteps DragSteps(POINT pointer, const RECT& client, int rowHeight, int charWidth) noexcept;

}  // namespace view
