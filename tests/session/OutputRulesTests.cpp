// The output rules over a plain string: what backspace, form feed and line breaks make of the
// text, the pieces of a long line and the size of the next append.
#include "session/OutputRules.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/session/RenderingCases.h"
#include "tests/session/StringSink.h"

namespace {

TEST(OutputRules, Rendering) {
  for (const auto& [output, shown] : RenderingCases()) {
    cStringSink sink;
    cOutputRules(sink, [] { return false; }).Render(output);
    EXPECT_EQ(sink.Text, shown) << testing::PrintToString(output);
  }
  // A CR LF pair cut between two chunks is one line break.
  cStringSink sink;
  cOutputRules rules(sink, [] { return false; });
  rules.Render(L"one\r");
  rules.Render(L"\ntwo");
  EXPECT_EQ(sink.Text, L"one\r\ntwo");
}

// Once the owner asks for it between two pieces of a long line, the rest waits: what follows
// the line waits with it, backspaces and all, and comes afterwards whole and in order.
TEST(OutputRules, ALongLineYieldsBetweenPieces) {
  const std::wstring line = L"start\r\n" + std::wstring(5000, L'x');
  cStringSink sink;
  bool yield = true;
  cOutputRules rules(sink, [&] { return yield; });
  std::wstring rest = rules.Render(L"gone\f" + line + L"\b\b!");
  ASSERT_FALSE(rest.empty());
  EXPECT_EQ(rest.substr(rest.size() - 3), L"\b\b!");
  EXPECT_LT(sink.Text.size(), line.size());
  yield = false;
  EXPECT_EQ(rules.Render(rest), L"");
  EXPECT_EQ(sink.Text, line.substr(0, line.size() - 2) + L"!");
}

// Output with a long line goes to the pane in pieces; joined they are the output, and no piece
// parts a CR from its LF or the halves of a surrogate pair.
TEST(OutputRules, PiecesCutOnlyLongRunsAndKeepPairsWhole) {
  auto joined = [](const std::vector<std::wstring_view>& pieces) {
    std::wstring text;
    for (auto piece : pieces) text += piece;
    return text;
  };
  auto longestRun = [](std::wstring_view piece) {
    size_t longest = 0, run = 0;
    for (wchar_t c : piece) longest = std::max(longest, run = c == L'\n' ? 0 : run + 1);
    return longest;
  };
  // Short lines, however many, stay one piece; so does nothing at all.
  std::wstring lines;
  for (int i = 0; i < 500; ++i) lines += L"line of output\r\n";
  EXPECT_EQ(cOutputRules::Pieces(lines, 16).size(), 1u);
  EXPECT_EQ(cOutputRules::Pieces(L"", 16).size(), 1u);

  const std::wstring texts[] = {
      std::wstring(100, L'x'),
      L"ab\r\n" + std::wstring(40, L'y') + L"\r\n" + std::wstring(33, L'z'),
      std::wstring(15, L'a') + L"\r\n" + std::wstring(17, L'b'),
      std::wstring(15, L'a') + L"\U0001F600" + std::wstring(20, L'c'),
      [] {
        std::wstring emoji;
        for (int i = 0; i < 30; ++i) emoji += L"\U0001F600";
        return emoji;
      }(),
  };
  for (const auto& text : texts) {
    auto pieces = cOutputRules::Pieces(text, 16);
    EXPECT_EQ(joined(pieces), text);
    for (auto piece : pieces) {
      ASSERT_FALSE(piece.empty());
      EXPECT_LE(longestRun(piece), 16u);
      EXPECT_FALSE((piece.back() >= 0xD800 && piece.back() <= 0xDBFF)) << testing::PrintToString(std::wstring(piece));
      EXPECT_NE(piece.front(), L'\n');
    }
  }
  EXPECT_EQ(cOutputRules::Pieces(std::wstring(100, L'x'), 16).size(), 7u);
}


// Held output goes to the pane in appends sized to take the budget at the pace of the last one,
// within bounds.
TEST(OutputRules, NextAppendKeepsThePaceOfTheLastWithinBounds) {
  EXPECT_EQ(cOutputRules::NextAppendChars(0, 0, 200), 0x10000u);
  EXPECT_EQ(cOutputRules::NextAppendChars(500000, 100, 200), 1000000u);
  EXPECT_EQ(cOutputRules::NextAppendChars(1000000, 400, 200), 500000u);
  // A line into a large pane costs about as much as a flood's append: the least is kept.
  EXPECT_EQ(cOutputRules::NextAppendChars(80, 150, 200), 0x10000u);
  // Too quick to time.
  EXPECT_EQ(cOutputRules::NextAppendChars(4000000, 0, 200), 0x800000u);
}

}  // namespace
