// The output rules over a plain string: what backspace, form feed and line breaks make of the
// text.
#include "session/OutputRules.h"

#include <gtest/gtest.h>

#include "tests/session/RenderingCases.h"
#include "tests/session/StringSink.h"

namespace {

TEST(OutputRules, Rendering) {
  for (const auto& [output, shown] : RenderingCases()) {
    cStringSink sink;
    cOutputRules(sink).Render(output);
    EXPECT_EQ(sink.Text, shown) << testing::PrintToString(output);
  }
  // A CR LF pair cut between two chunks is one line break.
  cStringSink sink;
  cOutputRules rules(sink);
  rules.Render(L"one\r");
  rules.Render(L"\ntwo");
  EXPECT_EQ(sink.Text, L"one\r\ntwo");
}

}  // namespace
