// The main window as the command clock's window: its foreground state, its taskbar button and
// the timer that wakes the clock.
#include "session/Main.h"

void cFormMain::TapOutput(std::wstring_view text) {
  log_.Output(text);
  commandClock_.Output(text);
}

ULONGLONG cFormMain::Now() const { return ::GetTickCount64(); }

bool cFormMain::InForeground() const {
  // A box or dialog that the window owns is the window's too: the user works in it.
  const HWND foreground = ::GetForegroundWindow();
  return foreground && ::GetAncestor(foreground, GA_ROOTOWNER) == Handle();
}

void cFormMain::Flash() {
  // The taskbar button flashes until the window comes to the foreground.
  FLASHWINFO flash{sizeof flash, Handle(), FLASHW_TRAY | FLASHW_TIMERNOFG, 0, 0};
  ::FlashWindowEx(&flash);
}

void cFormMain::WakeAfter(UINT ms) { ::SetTimer(Handle(), kCommandClockTimer, ms, nullptr); }

bool cFormMain::CommandClockTimer(WPARAM timer) {
  if (timer != kCommandClockTimer) return false;
  ::KillTimer(Handle(), kCommandClockTimer);
  if (!closing_) commandClock_.Wake();
  return true;
}

bool cFormMain::ViewFlashOnEnd(bool doIt, bool& checked) {
  FlipSwitch(doIt, commandClock_.FlashOn, checked);
  return true;
}
