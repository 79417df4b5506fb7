#include "view/ViewScrolling.h"

#include <algorithm>
#include <climits>

namespace view {

int cWheel::Turn(int delta, int perNotch) noexcept {
  if (perNotch <= 0) {
    remainder_ = 0;
    return 0;
  }
  const bool sameWay = (remainder_ < 0 && delta < 0) || (remainder_ > 0 && delta > 0);
  remainder_ = sameWay ? remainder_ + delta : delta;
  const long long steps = static_cast<long long>(perNotch) * remainder_ / WHEEL_DELTA;
  remainder_ -= static_cast<int>(steps * WHEEL_DELTA / perNotch);
  return static_cast<int>(steps);
}

int WheelStepsPerNotch(bool sideways, int pageRows) {
  UINT steps = 3;
  ::SystemParametersInfoW(sideways ? SPI_GETWHEELSCROLLCHARS : SPI_GETWHEELSCROLLLINES, 0, &steps, 0);
  if (!sideways && steps == WHEEL_PAGESCROLL) return pageRows;
  return static_cast<int>(std::min<UINT>(steps, INT_MAX / WHEEL_DELTA));
}

namespace {

int StepsOutside(int at, int low, int high, int unit) noexcept {
  unit = std::max(unit, 1);
  if (at < low) return -(1 + (low - at - 1) / unit);
  if (at >= high) return 1 + (at - high) / unit;
  return 0;
}

}  // namespace

tDragSteps DragSteps(POINT pointer, const RECT& client, int rowHeight, int charWidth) noexcept {
  const POINT inside{std::clamp(pointer.x, client.left, std::max(client.right - 1, client.left)),
                     std::clamp(pointer.y, client.top, std::max(client.bottom - 1, client.top))};
  return {StepsOutside(pointer.y, client.top, client.bottom, rowHeight),
          StepsOutside(pointer.x, client.left, client.right, charWidth), inside};
}

}  // namespace view
