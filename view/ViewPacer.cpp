#include "view/ViewPacer.h"

#include <algorithm>
#include <utility>

namespace view {
namespace {

// While text keeps changing, the view is painted at most this often, and its scroll bars less
// often: at most every kScrollBarIntervalMs, and no more than a fortieth of the time, up to
// kSlowestScrollBarsMs apart (Wine takes 5 ms to draw one, three times a paint of the view).
constexpr ULONGLONG kPaintIntervalMs = 16;
constexpr ULONGLONG kScrollBarIntervalMs = 100;
constexpr ULONGLONG kScrollBarShare = 40;
constexpr ULONGLONG kSlowestScrollBarsMs = 500;

}  // namespace

void cViewPacer::Invalidate() {
  // What changes within the pace waits for the timer. One change within the pace is shown at once
  // too: an answer is often two writes, the command's echo and the child's, and the second would
  // wait for the timer.
  const bool due = ::GetTickCount64() - lastPaint_ >= kPaintIntervalMs;
  if (due || !quickPaint_) {
    quickPaint_ = !due;
    ::InvalidateRect(hwnd_, nullptr, FALSE);
    return;
  }
  paintOwed_ = true;
  ArmTimer();
}

void cViewPacer::ArmTimer() {
  if (timer_) return;
  // Due when the pace allows the next paint, not a whole interval from now.
  const ULONGLONG since = ::GetTickCount64() - lastPaint_;
  const auto wait = static_cast<UINT>(since >= kPaintIntervalMs ? USER_TIMER_MINIMUM : kPaintIntervalMs - since);
  timer_ = ::SetTimer(hwnd_, kPacerTimer, std::max<UINT>(wait, USER_TIMER_MINIMUM), nullptr) != 0;
}

void cViewPacer::TimerFired() {
  ::KillTimer(hwnd_, kPacerTimer);
  timer_ = false;
  ShowOwed();
}

void cViewPacer::ShowOwed() {
  const ULONGLONG now = ::GetTickCount64();
  if (now - lastScrollBars_ >= scrollBarPace_) DrawScrollBars();
  if (now - lastPaint_ >= kPaintIntervalMs) {
    if (std::exchange(paintOwed_, false)) ::InvalidateRect(hwnd_, nullptr, FALSE);
    ::UpdateWindow(hwnd_);
  }
  if (!timer_ && (scrollBarsOwed_ || PaintOwed())) ArmTimer();
}

bool cViewPacer::PaintOwed() const { return paintOwed_ || ::GetUpdateRect(hwnd_, nullptr, FALSE); }

void cViewPacer::WantScrollBars(const tScrollState& vertical, const tScrollState* horizontal) {
  // Only what the bars are to show: setting them is a call into the system at every append, so
  // they are set when they are drawn.
  verticalWanted_ = vertical;
  horizontal_ = horizontal != nullptr;
  if (horizontal) horizontalWanted_ = *horizontal;
  if (verticalWanted_ == verticalShown_ && (!horizontal_ || horizontalWanted_ == horizontalShown_)) return;
  scrollBarsOwed_ = true;
  if (::GetTickCount64() - lastChange_ >= kScrollBarIntervalMs)
    DrawScrollBars();
  else
    ArmTimer();
}

void cViewPacer::DrawScrollBars() {
  if (!std::exchange(scrollBarsOwed_, false)) return;
  lastScrollBars_ = ::GetTickCount64();
  // A bar that would stay as it is is left alone: setting one draws it.
  auto set = [&](int bar, const tScrollState& state, tScrollState& shown) {
    if (state == shown) return;
    shown = state;
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMax = state.Max;
    info.nPage = static_cast<UINT>(state.Page);
    info.nPos = state.Pos;
    ::SetScrollInfo(hwnd_, bar, &info, TRUE);
  };
  set(SB_VERT, verticalWanted_, verticalShown_);
  if (horizontal_) set(SB_HORZ, horizontalWanted_, horizontalShown_);
  scrollBarPace_ =
      std::clamp((::GetTickCount64() - lastScrollBars_) * kScrollBarShare, kScrollBarIntervalMs, kSlowestScrollBarsMs);
}

}  // namespace view
