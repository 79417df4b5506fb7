// Output that the pane could not get the memory for, as the pane tells it (EN_ERRSPACE): one box
// for failures in a row, and the output goes on.
#include <gtest/gtest.h>

#include <string_view>

#include "gui/ResString.h"
#include "resources/resource.h"
#include "tests/session/SessionFixture.h"

namespace {

using OutputMemoryTest = cSessionTest;

TEST_F(OutputMemoryTest, FailuresInARowGetOneBoxAndOutputThatShowsWholeRearmsIt) {
  OpenChild({L"sleep"});
  const HWND pane = Output().Handle();
  auto fail = [&] {
    ::SendMessageW(::GetParent(pane), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(pane), EN_ERRSPACE),
                   reinterpret_cast<LPARAM>(pane));
  };
  auto settle = [] { RunUntil([] { return false; }, 300); };
  fail();
  fail();
  settle();
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].Text, gui::LoadResString(IDS_OUTPUT_NO_MEMORY));
  fail();
  settle();
  EXPECT_EQ(boxes_.size(), 1u);
  constexpr std::string_view shown = "shown whole";
  form_->ChildOutput(shown.data(), shown.size());
  EXPECT_TRUE(OutputHas(L"shown whole"));
  fail();
  settle();
  EXPECT_EQ(boxes_.size(), 2u);
}

}  // namespace
