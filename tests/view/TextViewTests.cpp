// The output view's window where it goes beyond Wine's edit control: the caret's width, the wheel
// turned sideways, and a resize that lays out no rows. Wine's edit control keeps a caret one pixel
// wide and leaves WM_MOUSEHWHEEL to DefWindowProc.
#include "view/TextView.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/unicode/ControlTestSupport.h"
#include "unicode/UnicodeControls.h"

using view::cTextView;

namespace {

int CaretWidth() {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  ::GetGUIThreadInfo(::GetCurrentThreadId(), &info);
  return info.rcCaret.right - info.rcCaret.left;
}

}  // namespace

TEST(TextViewWindow, TheCaretIsAsWideAsTheUserSetIt) {
  cTestHost host;
  cWMemo memo(mwTextView);
  host.Hold(memo);
  ::ShowWindow(host.Handle(), SW_SHOWNOACTIVATE);
  DWORD saved = 1;
  ::SystemParametersInfoW(SPI_GETCARETWIDTH, 0, &saved, 0);
  for (const DWORD width : {DWORD{3}, saved}) {
    ::SystemParametersInfoW(SPI_SETCARETWIDTH, 0, reinterpret_cast<void*>(static_cast<UINT_PTR>(width)), 0);
    ::SendMessageW(memo.Handle(), WM_SETTINGCHANGE, SPI_SETCARETWIDTH, 0);
    ::SetFocus(memo.Handle());
    EXPECT_EQ(CaretWidth(), static_cast<int>(width));
  }
}

TEST(TextViewWindow, TheWheelTurnedSidewaysScrollsUnwrappedRows) {
  cTestHost host;
  cWMemo memo(mwTextView);
  host.Hold(memo);
  memo.SetFont(L"Courier New", 10);
  memo.SetWText(std::wstring(500, L'x'));
  const int charWidth = LOWORD(memo.WPerform(EM_POSFROMCHAR, 1, 0));
  auto turn = [&](int delta) {
    ::SendMessageW(memo.Handle(), WM_MOUSEHWHEEL, MAKEWPARAM(0, delta), 0);
    return static_cast<short>(LOWORD(memo.WPerform(EM_POSFROMCHAR, 0, 0)));
  };
  EXPECT_EQ(turn(WHEEL_DELTA), -3 * charWidth);
  EXPECT_EQ(turn(-40), -2 * charWidth);
  memo.SetWordWrap(true);
  EXPECT_EQ(turn(WHEEL_DELTA), 0);
}

// Rows are laid out again (by the relayout timer's slices) only when the width changes with word
// wrap on.
TEST(TextViewWindow, AResizeLaysOutRowsOnlyForANewWrapWidth) {
  std::wstring text;
  for (int i = 0; i < 100000; ++i) text += L"a row\r\n";
  const struct {
    bool Wrap;
    int Width, Height;
    bool Relayout;
  } cases[] = {{false, 300, 200, false}, {true, 400, 200, false}, {true, 300, 300, true}};
  for (const auto& c : cases) {
    cTestHost host;
    cWMemo memo(mwTextView);
    memo.SetWordWrap(c.Wrap);
    host.Hold(memo);
    // What the new window laid out is done at the timer's first tick.
    for (const ULONGLONG end = ::GetTickCount64() + 100; ::GetTickCount64() < end; ::Sleep(5)) {
      MSG message;
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
    memo.SetWText(text);
    memo.SetBounds(0, 0, c.Width, c.Height);
    EXPECT_EQ(::KillTimer(memo.Handle(), cTextView::kRelayoutTimer) != FALSE, c.Relayout) << c.Wrap << c.Width;
  }
}

// With the times shown the rows stand right of the gutter, and narrower: points and rows follow.
TEST(TextViewWindow, TheGutterShiftsTheRowsAndWhatPointsFind) {
  cTestHost host;
  cWMemo memo(mwTextView);
  memo.SetWordWrap(true);
  host.Hold(memo);
  memo.SetFont(L"Courier New", 10);
  memo.SetBounds(0, 0, 300, 200);
  const std::wstring line(60, L'x');
  const view::tAttributeRun plain{line.size(), 0};
  const view::tViewOutput output{{line.data(), line.size(), &plain, 1}, 0, false, 1};
  memo.WPerform(view::kViewOutput, 0, reinterpret_cast<LPARAM>(&output));
  auto xOf = [&](int position) { return static_cast<short>(LOWORD(memo.WPerform(EM_POSFROMCHAR, position, 0))); };
  auto charAt = [&](int x) { return LOWORD(memo.WPerform(EM_CHARFROMPOS, 0, MAKELPARAM(x, 1))); };
  const int charWidth = xOf(1), rows = static_cast<int>(memo.WPerform(EM_GETLINECOUNT, 0, 0));
  memo.WPerform(view::kViewShowTimes, 1, 0);
  const int gutter = xOf(0);
  // "00:00:00.000" and a character's margin.
  EXPECT_EQ(gutter, 13 * charWidth);
  EXPECT_EQ(charAt(gutter + charWidth * 2 + 1), 2);
  EXPECT_EQ(charAt(1), 0);
  EXPECT_GT(memo.WPerform(EM_GETLINECOUNT, 0, 0), rows);
  memo.WPerform(view::kViewShowTimes, 0, 0);
  EXPECT_EQ(xOf(0), 0);
  EXPECT_EQ(memo.WPerform(EM_GETLINECOUNT, 0, 0), rows);
}
