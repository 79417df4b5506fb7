// The output view's window where it goes beyond Wine's edit control: a resize that lays out no rows.
#include "view/TextView.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/unicode/ControlTestSupport.h"
#include "unicode/UnicodeControls.h"

using view::cTextView;

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
