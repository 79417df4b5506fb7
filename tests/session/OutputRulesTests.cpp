// The output rules over a plain string: what backspace, form feed and line breaks make of the
// text; and over the output view's store: the looks that stay beside it.
#include "session/OutputRules.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "gui/TextLook.h"
#include "gui/TextStore.h"
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

// The output view's store as the rules' text, counted in lines as an edit control counts them.
class cStoreSink final : public iOutputSink {
public:
  gui::cTextStore Store;

  void AppendText(std::wstring_view text, gui::tTextAttribute look) override { Store.Append(text, look); }
  int TextLength() const override { return static_cast<int>(Store.Length()); }
  int LineCount() const override {
    const gui::tTextPos lines = Store.LineCount();
    return static_cast<int>(lines - (Store.LineLength(lines - 1) == 0 ? 1 : 0));
  }
  std::wstring Line(int index) const override { return Store.Substr(Store.LineStart(index), Store.LineLength(index)); }
  void DeleteLine(int index) override {
    const gui::tTextPos start = Store.LineStart(index);
    const gui::tTextPos next = index + 1 < Store.LineCount() ? Store.LineStart(index + 1) : Store.Length();
    Store.Replace(start, next - start, L"");
  }
  std::wstring LastLineTail(int count) const override {
    const gui::tTextPos taken = std::min<gui::tTextPos>(Store.LineLength(Store.LineCount() - 1), count);
    return Store.Substr(Store.Length() - taken, taken);
  }
  void DeleteTail(int count) override { Store.Replace(Store.Length() - count, count, L""); }
  void ClearText() override { Store.Clear(); }
};

using tRuns = std::vector<std::tuple<gui::tTextPos, gui::tTextPos, gui::tTextAttribute>>;

tRuns Runs(const gui::cTextStore& store) {
  tRuns runs;
  store.ForEachRun(0, store.Length(), [&](gui::tTextPos start, gui::tTextPos end, gui::tTextAttribute look) {
    runs.emplace_back(start, end, look);
  });
  return runs;
}

gui::tTextAttribute Fore(int basic) {
  gui::tTextLook look;
  look.HasForeground = true;
  look.Foreground = gui::BasicColour(basic);
  return gui::PackLook(look);
}

// A deleted character takes its look with it; text the user types has the pane's own.
TEST(OutputRules, LooksStayWithTheirText) {
  struct tCase {
    std::wstring Output;
    std::wstring Typed;
    std::wstring Shown;
    tRuns Looks;
  } cases[] = {
      {L"\x1b[31mab\bc\x1b[0m\n", L"", L"ac\r\n", {{0, 2, Fore(1)}, {2, 4, 0}}},
      {L"\x1b[31ma\x1b[32mb\b\bc", L"", L"c", {{0, 1, Fore(2)}}},
      {L"\x1b[31mx\r\n\x1b[32m\b\b\by", L"", L"y", {{0, 1, Fore(2)}}},
      {L"\x1b[32mold\x1b[0m\f\x1b[34mnew", L"", L"new", {{0, 3, Fore(4)}}},
      {L"\x1b[31mab", L"T", L"aTb", {{0, 1, Fore(1)}, {1, 2, 0}, {2, 3, Fore(1)}}},
  };
  for (const tCase& c : cases) {
    cStoreSink sink;
    cOutputRules(sink).Render(c.Output);
    if (!c.Typed.empty()) sink.Store.Replace(1, 0, c.Typed);
    EXPECT_EQ(sink.Store.Text(), c.Shown) << testing::PrintToString(c.Output);
    EXPECT_EQ(Runs(sink.Store), c.Looks) << testing::PrintToString(c.Output);
  }
}

}  // namespace
