#pragma once
// When the output view's window shows what changed. While text keeps changing, the rows are
// painted at most every kPaintIntervalMs and the scroll bars drawn less often still: between two
// chunks of a flood the queue is empty for a moment, and an invalid window would be painted then,
// at every chunk, and Wine takes 5 ms to draw a scroll bar. What waits is owed to a timer of the
// window, kPacerTimer, whose WM_TIMER the window hands to TimerFired. Once the rows have stood
// still for a moment, the scroll bars show every change of the position at once.
#include <windows.h>

namespace view {

inline constexpr UINT_PTR kPacerTimer = 2;

// What a scroll bar shows.
struct tScrollState {
  int Max = -1, Page = 0, Pos = 0;
  friend bool operator==(const tScrollState&, const tScrollState&) = default;
};

class cViewPacer {
public:
  explicit cViewPacer(HWND hwnd) noexcept : hwnd_(hwnd) {}

  // The rows shown changed: they are drawn again when the pace allows.
  void Invalidate();
  // The rows keep changing (text comes, a relayout runs): from now on for a while the scroll bars
  // follow at the pace, not at once.
  void Changing() noexcept { lastChange_ = ::GetTickCount64(); }
  // Paints and draws the scroll bars when their time has come; the timer shows the rest.
  void ShowOwed();
  void TimerFired();
  // A paint begins.
  void Painting() noexcept { lastPaint_ = ::GetTickCount64(); }
  // Whether a change of the rows shown is not yet on the screen.
  bool PaintOwed() const;

  // What the scroll bars are to show (the horizontal one only while it is there); drawn at once
  // while the rows stand still, else at their pace (or at once by DrawScrollBars).
  void WantScrollBars(const tScrollState& vertical, const tScrollState* horizontal);
  void DrawScrollBars();
  // The horizontal bar came or went with the style: it is set anew.
  void ForgetHorizontal() noexcept { horizontalShown_ = {}; }

private:
  void ArmTimer();

  const HWND hwnd_;
  ULONGLONG lastPaint_ = 0;
  ULONGLONG lastChange_ = 0;
  bool timer_ = false;
  // Rows changed that wait for the pace to be drawn (not yet invalid).
  bool paintOwed_ = false;
  // Whether the one paint allowed within the pace since the last paced one has been used.
  bool quickPaint_ = false;
  // What the scroll bars show, and what they are to show once they are drawn.
  tScrollState verticalShown_, horizontalShown_, verticalWanted_, horizontalWanted_;
  bool horizontal_ = false;
  bool scrollBarsOwed_ = false;
  ULONGLONG lastScrollBars_ = 0;
  // How far apart changes of the text have the scroll bars drawn, from what the last draw cost
  // (0 before the first).
  ULONGLONG scrollBarPace_ = 0;
};

}  // namespace view
