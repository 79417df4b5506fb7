#pragma once
// The modifier keys held with a key, as key handlers receive them.
#include <windows.h>

namespace gui {

enum tShiftFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4 };
using tShiftState = unsigned;

// The modifiers held at the time of the message being handled.
inline tShiftState CurrentShiftState() noexcept {
  tShiftState state = 0;
  if (::GetKeyState(VK_SHIFT) < 0) state |= ssShift;
  if (::GetKeyState(VK_MENU) < 0) state |= ssAlt;
  if (::GetKeyState(VK_CONTROL) < 0) state |= ssCtrl;
  return state;
}

}  // namespace gui
