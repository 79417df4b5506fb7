#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "gui/Error.h"
#include "tests/unicode/ControlTestSupport.h"
#include "unicode/UnicodeStrings.h"

namespace {

// A wide list in memory that records its update hook and can refuse an insert.
class cWMemoryList final : public cWStrings {
public:
  std::wstring Get(int index) const override { return items_.at(static_cast<size_t>(index)).first; }
  int GetCount() const override { return static_cast<int>(items_.size()); }
  tLineObject GetObject(int index) const override { return items_.at(static_cast<size_t>(index)).second; }
  void PutObject(int index, tLineObject object) override { items_.at(static_cast<size_t>(index)).second = object; }
  void Clear() override { items_.clear(); }
  void Delete(int index) override { items_.erase(items_.begin() + index); }
  void Insert(int index, std::wstring_view text) override {
    if (GetCount() == refuseAtCount) throw gui::cOutOfResources(L"full");
    items_.emplace(items_.begin() + index, std::wstring(text), 0);
  }
  std::wstring_view ClassName() const override { return L"cWMemoryList"; }

  std::vector<bool> updates;
  int refuseAtCount = -1;

protected:
  void SetUpdateState(bool updating) override { updates.push_back(updating); }

private:
  std::vector<std::pair<std::wstring, tLineObject>> items_;
};

using tLines = std::vector<std::wstring>;

tLines Lines(const cWStrings& list) {
  tLines lines;
  for (int i = 0; i < list.GetCount(); ++i) lines.push_back(list.Get(i));
  return lines;
}

}  // namespace

TEST(WideStringList, SplitsAtEveryKindOfBreakAndJoinsWithCrLf) {
  const std::pair<std::wstring, tLines> cases[] = {
      {L"a\r\nb", {L"a", L"b"}},  {L"a\nb", {L"a", L"b"}}, {L"a\rb", {L"a", L"b"}},
      {L"a\n\rb", {L"a", L"", L"b"}}, {L"a\r\n", {L"a"}},     {L"\r\n", {L""}},
      {L"", {}},  {L"\u010A\u010D\u0100\u040A", {L"\u010A\u010D\u0100\u040A"}},
      {std::wstring(L"ab\0c\nd", 6), {L"ab"}},
  };
  for (const auto& [text, expected] : cases) {
    cWMemoryList list;
    list.Add(L"old");
    list.updates.clear();
    list.SetTextStr(text);
    EXPECT_EQ(Lines(list), expected);
    EXPECT_EQ(list.updates, (std::vector<bool>{true, false}));
  }
  cWMemoryList list;
  EXPECT_EQ(list.GetTextStr(), L"");
  list.SetTextStr(L"a\n\rb");
  EXPECT_EQ(list.GetTextStr(), L"a\r\n\r\nb\r\n");
}

TEST(WideStringList, ComparesCodeUnitsWithoutCaseOrLocale) {
  cWMemoryList list;
  EXPECT_EQ(list.CompareStrings(L"a", L"b"), -1);
  EXPECT_EQ(list.CompareStrings(L"ab", L"a"), 1);
  EXPECT_EQ(list.CompareStrings(L"A", L"a"), -1);
  EXPECT_EQ(list.CompareStrings(L"\u00E9", L"z"), 1);
  EXPECT_EQ(list.CompareStrings(L"\uFF00", L"\U0001F600"), 1);  // units, not code points
  list.SetTextStr(L"A\na");
  EXPECT_EQ(list.IndexOf(L"a"), 1);
  EXPECT_EQ(list.IndexOf(L"b"), -1);
}

TEST(WideStringList, OnlyTheOutermostBatchReachesTheHookAndFailuresCloseIt) {
  cWMemoryList list, source;
  list.BeginUpdate();
  list.BeginUpdate();
  list.EndUpdate();
  EXPECT_EQ(list.updates, (std::vector<bool>{true}));
  list.EndUpdate();
  list.updates.clear();

  list.refuseAtCount = 1;
  EXPECT_THROW(list.SetTextStr(L"a\nb\nc"), gui::cOutOfResources);
  EXPECT_EQ(Lines(list), (tLines{L"a"}));
  source.SetTextStr(L"x\ny");
  EXPECT_THROW(list.Assign(source), gui::cOutOfResources);
  EXPECT_EQ(Lines(list), (tLines{L"x"}));
  EXPECT_EQ(list.updates, (std::vector<bool>{true, false, true, false}));
}

TEST(WideStringList, LinesKeepTheirObjectsWhenReplacedExchangedMovedAndAssigned) {
  cWMemoryList list, copy;
  list.AddObject(L"a", 1);
  list.AddObject(L"b", 2);
  list.AddObject(L"c", 3);
  list.Put(1, L"B");
  list.Exchange(0, 2);
  EXPECT_EQ(Lines(list), (tLines{L"c", L"B", L"a"}));
  EXPECT_EQ(list.GetObject(0), 3u);
  EXPECT_EQ(list.GetObject(1), 2u);
  list.Move(0, 2);
  EXPECT_EQ(Lines(list), (tLines{L"B", L"a", L"c"}));
  EXPECT_EQ(list.IndexOfObject(3), 2);
  EXPECT_EQ(list.IndexOfObject(9), -1);

  list.updates.clear();
  list.Move(1, 1);
  EXPECT_TRUE(list.updates.empty());

  copy.Add(L"old");
  copy.Assign(list);
  EXPECT_EQ(Lines(copy), Lines(list));
  EXPECT_EQ(copy.GetObject(2), 3u);
  EXPECT_EQ(ErrorMessage<gui::cError>([&] { copy.Assign(cStringList()); }),
            L"Cannot assign a cStringList to a cWMemoryList");
}

TEST(WideStringRoutines, SetWideString) {
  std::wstring text = L"old";
  SetWideString(text, L"abc", 2);
  EXPECT_EQ(text, L"ab");
  SetWideString(text, L"abc", -1);
  EXPECT_EQ(text, L"");
}

TEST(NarrowListAdapter, SharesTheWrappedListThroughTheAnsiCodePage) {
  cStringList narrow;
  cWStringsNonNT wide(narrow);
  narrow.Add("x");
  EXPECT_EQ(wide.Get(0), L"x");
  wide.Add(L"caf\u00E9 \u20AC");
  EXPECT_EQ(narrow.Get(1), "caf\xE9 \x80");
  wide.AddObject(L"\u0416\u4E2D", 5);
  EXPECT_EQ(narrow.Get(2), "??");
  EXPECT_EQ(wide.GetObject(2), 5u);
  EXPECT_EQ(wide.IndexOf(L"caf\u00E9 \u20AC"), 1);
  EXPECT_EQ(wide.GetTextStr(), L"x\r\ncaf\u00E9 \u20AC\r\n??\r\n");
  wide.Delete(0);
  EXPECT_EQ(narrow.GetCount(), 2);
  EXPECT_EQ(ErrorMessage<gui::cStringListError>([&] { wide.Get(5); }), L"List index out of bounds (5)");
}
