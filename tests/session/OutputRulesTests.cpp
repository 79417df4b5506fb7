// The output rules over a plain string: what backspace, form feed and line breaks make of the
// text; and over the output view's store: the looks and links that stay beside it.
#include "session/OutputRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "view/TextLook.h"
#include "view/TextStore.h"
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

// The output view's store as the rules' text; a link's number is its place in Uris, from 1.
class cStoreSink final : public iOutputSink {
public:
  view::cTextStore Store;
  std::vector<std::wstring> Uris;

  void AppendText(std::wstring_view text, view::tTextAttribute look, std::wstring_view link) override {
    const std::array runs{view::tAttributeRun{text.size(), look}};
    std::array links{view::tAttributeRun{text.size(), 0}};
    if (!link.empty()) {
      if (std::find(Uris.begin(), Uris.end(), link) == Uris.end()) Uris.emplace_back(link);
      links[0].Attribute = static_cast<view::tLinkId>(std::find(Uris.begin(), Uris.end(), link) - Uris.begin()) + 1;
    }
    Store.Append(text, runs, links);
  }
  std::wstring Tail(int count) const override {
    const view::tTextPos taken = std::min<view::tTextPos>(Store.Length(), count);
    return Store.Substr(Store.Length() - taken, taken);
  }
  void DeleteTail(int count) override { Store.Replace(Store.Length() - count, count, L""); }
  void ClearText() override { Store.Clear(); }
};

using tRuns = std::vector<std::tuple<view::tTextPos, view::tTextPos, view::tTextAttribute>>;

tRuns Runs(const view::cTextStore& store) {
  tRuns runs;
  store.ForEachRun(0, store.Length(), [&](view::tTextPos start, view::tTextPos end, view::tTextAttribute look) {
    runs.emplace_back(start, end, look);
  });
  return runs;
}

view::tTextAttribute Fore(int basic) {
  view::tTextLook look;
  look.HasForeground = true;
  look.Foreground = view::BasicColour(basic);
  return view::PackLook(look);
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

using tLinks = std::vector<std::tuple<view::tTextPos, view::tTextPos, std::wstring>>;

tLinks Links(const cStoreSink& sink) {
  tLinks links;
  for (view::tTextPos at = 0; at < sink.Store.Length(); ++at)
    if (const view::tTextLink link = sink.Store.LinkAt(at); link.Id != 0) {
      links.emplace_back(link.Span.Start, link.Span.End, sink.Uris.at(link.Id - 1));
      at = link.Span.End - 1;
    }
  return links;
}

// Links go with their text as backspace, form feed and typing change it.
TEST(OutputRules, LinksStayWithTheirText) {
  struct tCase {
    std::wstring Output;
    std::wstring Typed;
    std::wstring Shown;
    tLinks Links;
  } cases[] = {
      {L"\x1b]8;;http://a\x07" L"ab\bc\x1b]8;;\x07" L"d", L"", L"acd", {{0, 2, L"http://a"}}},
      {L"x\x1b]8;;http://a\x07" L"ab\x1b]8;;\x07\b\b\by", L"", L"y", {}},
      {L"\x1b]8;;http://a\x07" L"ab\fc\r\nd", L"", L"c\r\nd", {{0, 1, L"http://a"}}},
      {L"\x1b]8;;http://a\x07" L"ab", L"T", L"aTb", {{0, 1, L"http://a"}, {2, 3, L"http://a"}}},
  };
  for (const tCase& c : cases) {
    cStoreSink sink;
    cOutputRules(sink).Render(c.Output);
    if (!c.Typed.empty()) sink.Store.Replace(1, 0, c.Typed);
    EXPECT_EQ(sink.Store.Text(), c.Shown) << testing::PrintToString(c.Output);
    EXPECT_EQ(Links(sink), c.Links) << testing::PrintToString(c.Output);
  }
}

// Whole, cut in two at every position, and one character at a time.
std::vector<std::vector<std::wstring>> Feeds(const std::wstring& output) {
  std::vector<std::vector<std::wstring>> feeds{{output}};
  for (size_t cut = 1; cut < output.size(); ++cut) feeds.push_back({output.substr(0, cut), output.substr(cut)});
  std::vector<std::wstring> single;
  for (wchar_t c : output) single.emplace_back(1, c);
  feeds.push_back(single);
  return feeds;
}

// A CR of its own sends the line back to its start, wherever the chunks are cut; the log's tap
// still sees every CR.
TEST(OutputRules, CarriageReturnRewritesItsLine) {
  struct tCase {
    std::wstring Output;
    std::wstring Shown;
    tRuns Looks;
  };
  std::vector<tCase> cases = {
      {L"\x1b[31m10%\r\x1b[32m20%", L"20%", {{0, 3, Fore(2)}}},
      {L"\x1b[31mabc\x1b[0m\r\n\x1b[32mxy\rz", L"abc\r\nz", {{0, 3, Fore(1)}, {3, 5, 0}, {5, 6, Fore(2)}}},
      {L"plain\r\x1b[34mA\x1b[0mB", L"AB", {{0, 1, Fore(4)}, {1, 2, 0}}},
  };
  for (const auto& [output, shown] : RewritingCases())
    cases.push_back({output, shown, {{0, static_cast<view::tTextPos>(shown.size()), 0}}});
  for (const tCase& c : cases) {
    for (const std::vector<std::wstring>& chunks : Feeds(c.Output)) {
      cStoreSink sink;
      std::wstring logged;
      cOutputRules rules(sink, [&](std::wstring_view text) { logged += text; });
      rules.SetRewritesLines(true);
      for (const std::wstring& chunk : chunks) rules.Render(chunk);
      const std::string where = testing::PrintToString(chunks);
      EXPECT_EQ(sink.Store.Text(), c.Shown) << where;
      EXPECT_EQ(Runs(sink.Store), c.Looks) << where;
      EXPECT_EQ(std::count(logged.begin(), logged.end(), L'\r'), std::count(c.Output.begin(), c.Output.end(), L'\r'))
          << where;
    }
  }
}

}  // namespace
