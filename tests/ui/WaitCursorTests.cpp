#include "ui/Waits.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

HCURSOR Hourglass() { return ::LoadCursorW(nullptr, IDC_WAIT); }
HCURSOR Arrow() { return ::LoadCursorW(nullptr, IDC_ARROW); }

}  // namespace

TEST(WaitCursor, NestedHoldsShareOneHourglass) {
  ::SetCursor(::LoadCursorW(nullptr, IDC_CROSS));
  {
    const auto outer = cWaitCursor::Acquire();
    EXPECT_EQ(::GetCursor(), Hourglass());
    {
      const cWaitCursor inner;
      EXPECT_EQ(cWaitCursor::Depth(), 2);
      // Inner levels change nothing, not even a cursor set meanwhile.
      ::SetCursor(::LoadCursorW(nullptr, IDC_IBEAM));
    }
    EXPECT_EQ(cWaitCursor::Depth(), 1);
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_IBEAM));
  }
  EXPECT_EQ(cWaitCursor::Depth(), 0);
  // The arrow, not the cursor from before the first hold.
  EXPECT_EQ(::GetCursor(), Arrow());
}

TEST(WaitCursor, AnErrorStillEndsTheWait) {
  EXPECT_THROW(
      {
        const cWaitCursor wait;
        EXPECT_EQ(::GetCursor(), Hourglass());
        throw std::runtime_error("failed");
      },
      std::runtime_error);
  EXPECT_EQ(cWaitCursor::Depth(), 0);
  EXPECT_EQ(::GetCursor(), Arrow());
}
