// The rows of the text view over a fixed-pitch fake font (tests/view/FakeMeasure.h).
#include "view/TextLayout.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "tests/view/FailingAllocations.h"
#include "tests/view/FakeMeasure.h"
#include "view/TextClusters.h"

namespace {

using view::cTextLayout;

class cFakeText : public view::iLayoutText {
public:
  explicit cFakeText(std::vector<std::wstring> lines) : Lines(std::move(lines)) {}
  int LineCount() const override { return static_cast<int>(Lines.size()); }
  std::wstring_view Line(int index) const override { return Lines[static_cast<size_t>(index)]; }
  std::vector<std::wstring> Lines;
};

// The texts of a single line's rows.
std::vector<std::wstring> RowTexts(const cTextLayout& layout, const cFakeText& text) {
  std::vector<std::wstring> rows;
  for (int row = 0; row < layout.RowCount(); ++row) {
    const view::tRowStart start = layout.RowStart(row);
    rows.emplace_back(text.Line(start.Line).substr(static_cast<size_t>(start.Column),
                                                   static_cast<size_t>(layout.RowLength(row))));
  }
  return rows;
}

// Every row of both layouts starts at the same place and has the same length.
void ExpectSameRows(const cTextLayout& layout, const cTextLayout& expected) {
  ASSERT_EQ(layout.RowCount(), expected.RowCount());
  for (int row = 0; row < expected.RowCount(); ++row) {
    ASSERT_EQ(layout.RowStart(row).Line, expected.RowStart(row).Line) << row;
    ASSERT_EQ(layout.RowStart(row).Column, expected.RowStart(row).Column) << row;
    ASSERT_EQ(layout.RowLength(row), expected.RowLength(row)) << row;
  }
  EXPECT_EQ(layout.LongestRowWidth(), expected.LongestRowWidth());
}

void Wrap(cTextLayout& layout, int width) {
  layout.SetWidth(width);
  layout.SetWordWrap(true);
  while (layout.ContinueRelayout(1 << 20)) {
  }
}

// Lines of words, blanks, tabs, wide characters, marks and surrogate pairs, some long, some empty.
std::vector<std::wstring> RandomLines(unsigned seed, int count) {
  static const std::wstring pieces[] = {L"word", L"a", L"longerword", L" ", L"  ", L"\t", L"\x6F22\x5B57",
                                        L"e\x0301", L"\xD83D\xDE00", L"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"};
  std::mt19937 random(seed);
  std::vector<std::wstring> lines(static_cast<size_t>(count));
  for (std::wstring& line : lines) {
    const int parts = static_cast<int>(random() % 40);
    for (int i = 0; i < parts; ++i) line += pieces[random() % std::size(pieces)];
  }
  return lines;
}

// Each case is one line at a width; rows are separated by "|". The cases follow the edit control as
// documented: breaks after blanks, a word wider than the row where it stops fitting. Wine 8's edit
// control, seen in an 8-pixel font, differs: it counts a row's trailing blanks when it fits the row
// ("word1 word2 word3 word4" at 92 pixels is "word1 |word2 |word3 word4", here "word1 word2 |word3
// word4"), breaks after hyphens too, breaks a long word one character before the last that fits,
// and keeps its format rectangle 2 pixels inside the one EM_SETRECTNP sets.
TEST(TextLayout, WrapsAsTheEditControl) {
  struct tCase {
    const wchar_t* Line;
    int Width;
    const wchar_t* Rows;
  };
  const tCase cases[] = {
      {L"", 40, L""},
      {L"hello world", 80, L"hello |world"},
      {L"hello world", 88, L"hello world"},  // exactly the width
      {L"abcdefghijkl", 40, L"abcde|fghij|kl"},  // a word wider than the row
      {L"aa bbbbbbbbbbbb cc", 40, L"aa |bbbbb|bbbbb|bb cc"},
      {L"abcde fgh", 40, L"abcde |fgh"},       // the blank after a full row stays on it
      {L"word1 word2 word3 word4", 92, L"word1 word2 |word3 word4"},
      {L"abc     def", 40, L"abc     |def"},   // so do trailing blanks beyond the width
      {L"     abcdefgh", 40, L"     |abcde|fgh"},
      {L"abcdef\tgh", 80, L"abcdef\tgh"},      // the tab goes to 64
      {L"abcdefgh\tij", 80, L"abcdefgh\t|ij"},  // to 128, beyond the width
      {L"\x6F22\x5B57\x6F22\x5B57\x6F22", 40, L"\x6F22\x5B57|\x6F22\x5B57|\x6F22"},
      {L"abcd\xD83D\xDE00" L"ef", 40, L"abcd|\xD83D\xDE00" L"ef"},  // the pair goes whole
      {L"abcde\x0301" L"fg", 40, L"abcde\x0301|fg"},                // the mark stays with its base
      {L"abcdef\x0301g", 40, L"abcde|f\x0301g"},
      {L"abc\xD83D\xDC68\x200D\xD83D\xDC69 d", 48, L"abc\xD83D\xDC68\x200D\xD83D\xDC69 |d"},
      {L"abc def", 8, L"abc def"},  // no wider than a character: no wrap
  };
  for (const tCase& c : cases) {
    cFakeText text({c.Line});
    cFakeMeasure measure;
    cTextLayout layout(text, measure);
    Wrap(layout, c.Width);
    std::wstring rows;
    for (const std::wstring& row : RowTexts(layout, text)) rows += (rows.empty() ? L"" : L"|") + row;
    EXPECT_EQ(rows, c.Rows) << testing::PrintToString(std::wstring(c.Line)) << " at " << c.Width;
  }
}

TEST(TextLayout, TabStopsAndWidestRow) {
  struct tCase {
    std::vector<int> Units;
    const wchar_t* Line;
    int Width;
  };
  const tCase cases[] = {
      {{}, L"\t", 64},          {{}, L"abcdefgh\t", 128},  // at a stop the tab goes to the next
      {{16}, L"a\tb", 40},      {{8, 20}, L"\t\t\t", 64},  // 16, 40, then the default stops
      {{8, 20}, L"abcdefgh\t", 128},
  };
  for (const tCase& c : cases) {
    cFakeText text({c.Line});
    cFakeMeasure measure;
    cTextLayout layout(text, measure);
    layout.SetTabStops(c.Units);
    while (layout.ContinueRelayout(100)) {
    }
    EXPECT_EQ(layout.LongestRowWidth(), c.Width) << testing::PrintToString(std::wstring(c.Line));
  }
}

// The row index against a list of every row, made by laying out each line on its own.
TEST(TextLayout, MapsRowsLinesAndColumnsAsANaiveIndex) {
  cFakeText text(RandomLines(17, 300));
  cFakeMeasure measure;
  cTextLayout layout(text, measure);
  Wrap(layout, 200);
  std::vector<view::tRowStart> rows;
  std::vector<int> firstRows;
  for (int line = 0; line < text.LineCount(); ++line) {
    cFakeText alone({text.Lines[static_cast<size_t>(line)]});
    cTextLayout single(alone, measure);
    Wrap(single, 200);
    firstRows.push_back(static_cast<int>(rows.size()));
    for (int row = 0; row < single.RowCount(); ++row) rows.push_back({line, single.RowStart(row).Column});
  }
  ASSERT_EQ(layout.RowCount(), static_cast<int>(rows.size()));
  for (int row = 0; row < layout.RowCount(); ++row) {
    EXPECT_EQ(layout.RowStart(row).Line, rows[static_cast<size_t>(row)].Line);
    EXPECT_EQ(layout.RowStart(row).Column, rows[static_cast<size_t>(row)].Column);
  }
  std::mt19937 random(5);
  for (int line = 0; line < text.LineCount(); ++line) {
    EXPECT_EQ(layout.FirstRow(line), firstRows[static_cast<size_t>(line)]);
    const int column = static_cast<int>(random() % (text.Lines[static_cast<size_t>(line)].size() + 1));
    int expected = firstRows[static_cast<size_t>(line)];
    while (static_cast<size_t>(expected + 1) < rows.size() && rows[static_cast<size_t>(expected + 1)].Line == line &&
           rows[static_cast<size_t>(expected + 1)].Column <= column)
      ++expected;
    EXPECT_EQ(layout.RowOf(line, column), expected) << line << ":" << column;
  }
}

// A line that grows by appends, in pieces that cut between a base and its mark and between the
// halves of a pair, gets the rows it gets when laid out at once, with wrap on and off.
TEST(TextLayout, AppendsContinueTheLastLine) {
  const std::wstring whole = RandomLines(3, 1)[0] + L"e" + RandomLines(4, 1)[0] + L"\x0301 \xD83D" + L"\xDE00" +
                             std::wstring(2000, L'y') + RandomLines(5, 1)[0];
  for (bool wrap : {false, true}) {
    cFakeText text({L"first line", L""});
    cFakeMeasure measure;
    cTextLayout layout(text, measure);
    if (wrap) Wrap(layout, 120);
    std::mt19937 random(9);
    for (size_t at = 0; at < whole.size();) {
      const size_t piece = std::min<size_t>(1 + random() % 40, whole.size() - at);
      text.Lines.back() += whole.substr(at, piece);
      at += piece;
      layout.TextAppended();
    }
    text.Lines.back() += L" end";
    text.Lines.push_back(L"next");
    text.Lines.push_back(L"");
    layout.TextAppended();
    cTextLayout expected(text, measure);
    if (wrap) Wrap(expected, 120);
    ExpectSameRows(layout, expected);
  }
}

TEST(TextLayout, EditsInTheMiddleLayOutTheirLines) {
  struct tEdit {
    int First, Removed;
    std::vector<std::wstring> Inserted;
  };
  const tEdit edits[] = {
      {5, 1, {std::wstring(300, L'z')}}, {0, 3, {}}, {10, 0, {L"a", L"", std::wstring(90, L'w')}},
      {37, 3, {L"the last"}},  // the last lines
  };
  cFakeText text(RandomLines(11, 40));
  cFakeMeasure measure;
  cTextLayout layout(text, measure);
  Wrap(layout, 160);
  for (const tEdit& edit : edits) {
    auto& lines = text.Lines;
    const auto at = lines.erase(lines.begin() + edit.First, lines.begin() + edit.First + edit.Removed);
    lines.insert(at, edit.Inserted.begin(), edit.Inserted.end());
    layout.TextChanged(edit.First, edit.Removed, static_cast<int>(edit.Inserted.size()));
    cTextLayout expected(text, measure);
    Wrap(expected, 160);
    ExpectSameRows(layout, expected);
  }
  // A change that does not fit the lines laid out lays out everything.
  text.Lines.resize(3);
  layout.TextChanged(0, 1, 1);
  cTextLayout expected(text, measure);
  Wrap(expected, 160);
  ExpectSameRows(layout, expected);
}

// Lines made right at once are right while the rest is stale; edits and appends in between land
// where they belong; the slices end where a fresh layout is.
TEST(TextLayout, RelayoutInSlicesReachesAFreshLayout) {
  cFakeText text(RandomLines(23, 200));
  cFakeMeasure measure;
  cTextLayout layout(text, measure);
  layout.SetWidth(150);
  layout.SetWordWrap(true);
  ASSERT_TRUE(layout.Stale());
  layout.MakeExact(100, 110);
  layout.MakeExact(195, 199);
  cTextLayout fresh(text, measure);
  Wrap(fresh, 150);
  for (int line : {100, 105, 110, 195, 199}) {
    ASSERT_TRUE(layout.IsExact(line));
    ASSERT_EQ(layout.RowsInLine(line), fresh.RowsInLine(line)) << line;
    for (int i = 0; i < fresh.RowsInLine(line); ++i)
      EXPECT_EQ(layout.RowStart(layout.FirstRow(line) + i).Column, fresh.RowStart(fresh.FirstRow(line) + i).Column);
  }
  EXPECT_FALSE(layout.IsExact(50));
  EXPECT_TRUE(layout.ContinueRelayout(500));
  // An edit below the lines done, one across them, and an append.
  text.Lines.insert(text.Lines.begin() + 150, std::wstring(500, L'q'));
  layout.TextChanged(150, 0, 1);
  text.Lines.erase(text.Lines.begin() + 1, text.Lines.begin() + 60);
  layout.TextChanged(1, 59, 0);
  text.Lines.back() += std::wstring(700, L'r');
  text.Lines.push_back(L"appended");
  layout.TextAppended();
  int slices = 0;
  while (layout.ContinueRelayout(500)) ++slices;
  EXPECT_GT(slices, 3);
  cTextLayout expected(text, measure);
  Wrap(expected, 150);
  ExpectSameRows(layout, expected);
  // A new width while the last one is still being laid out.
  layout.SetWidth(90);
  layout.ContinueRelayout(1000);
  layout.SetWidth(150);
  while (layout.ContinueRelayout(1000)) {
  }
  ExpectSameRows(layout, expected);
}

// Appends that cut clusters apart, edits, new settings, lines made right and slices, in random
// order, end where laying everything out again does.
TEST(TextLayout, AnyOrderOfChangesEndsAsAFreshLayout) {
  static const std::wstring pieces[] = {L"word", L" ", L"\t", L"\x6F22", L"e\x0301", L"\xD83D\xDE00",
                                        std::wstring(25, L'x'), L"\x0301", L"\xD83D", L"\xDE00", L"\x200D"};
  for (unsigned seed = 0; seed < 200; ++seed) {
    std::mt19937 random(seed);
    auto some = [&random](int most) {
      std::wstring text;
      for (int i = static_cast<int>(random() % static_cast<unsigned>(most)); i > 0; --i)
        text += pieces[random() % std::size(pieces)];
      return text;
    };
    cFakeText text({L""});
    cFakeMeasure measure;
    cTextLayout layout(text, measure);
    for (int step = 0; step < 30; ++step) {
      auto& lines = text.Lines;
      const int line = static_cast<int>(random() % lines.size());
      switch (random() % 6) {
        case 0:
          lines.back() += some(30);
          for (int i = static_cast<int>(random() % 3); i > 0; --i) lines.push_back(some(20));
          layout.TextAppended();
          break;
        case 1: {
          const int removed = static_cast<int>(random() % (lines.size() - static_cast<size_t>(line) + 1));
          const int inserted = removed == static_cast<int>(lines.size()) ? 1 : static_cast<int>(random() % 3);
          const auto at = lines.erase(lines.begin() + line, lines.begin() + line + removed);
          lines.insert(at, static_cast<size_t>(inserted), some(20));
          layout.TextChanged(line, removed, inserted);
          break;
        }
        case 2: layout.SetWordWrap(!layout.WordWrap()); break;
        case 3: layout.SetWidth(10 + static_cast<int>(random() % 200)); break;
        case 4: layout.MakeExact(line, line + static_cast<int>(random() % 5)); break;
        default: layout.ContinueRelayout(static_cast<int>(random() % 100)); break;
      }
    }
    while (layout.ContinueRelayout(static_cast<int>(random() % 50))) {
    }
    cTextLayout again = layout;
    again.FontChanged();
    while (again.ContinueRelayout(1 << 20)) {
    }
    ExpectSameRows(layout, again);
    if (HasFailure()) FAIL() << "seed " << seed;
  }
}

// Each column at a cluster's edge comes back from its x; x inside a cluster goes to its nearer
// edge; a column inside a cluster is at the cluster's start.
TEST(TextLayout, HitTestingRoundTrips) {
  cFakeText text({L"a\tb\x6F22" L"e\x0301\xD83D\xDE00 word", L"abcdefgh ijklmnop"});
  cFakeMeasure measure;
  cTextLayout layout(text, measure);
  const std::wstring& line = text.Lines[0];
  for (int column : {0, 1, 2, 3, 4, 6, 8, 9, 13}) {
    const int x = layout.XFromColumn(0, column);
    EXPECT_EQ(layout.ColumnFromX(0, x), column) << column;
  }
  struct tCase {
    int Row, X, Column;
  };
  const tCase hits[] = {{0, -5, 0},  {0, 3, 0},   {0, 4, 1},  {0, 35, 1},  {0, 36, 2},  {0, 70, 3},
                        {0, 79, 3},  {0, 80, 4},  {0, 93, 6}, {0, 98, 6},  {0, 105, 8}, {0, 999, 13}};
  for (const tCase& hit : hits) EXPECT_EQ(layout.ColumnFromX(hit.Row, hit.X), hit.Column) << hit.X;
  EXPECT_EQ(layout.XFromColumn(0, 2), 64);
  EXPECT_EQ(layout.XFromColumn(0, 5), layout.XFromColumn(0, 4));  // between e and its mark
  EXPECT_EQ(layout.XFromColumn(0, 7), layout.XFromColumn(0, 6));  // between the halves of the pair
  EXPECT_EQ(layout.XFromColumn(0, static_cast<int>(line.size())), 152);
  // With wrap, x counts from the row's start, and a column where a row starts is in that row.
  Wrap(layout, 80);
  const int second = layout.FirstRow(1) + 1;
  ASSERT_EQ(layout.RowStart(second).Column, 9);
  EXPECT_EQ(layout.XFromColumn(1, 9), 0);
  EXPECT_EQ(layout.ColumnFromX(second, 19), 11);
  EXPECT_EQ(layout.ColumnFromX(layout.FirstRow(1), 999), 9);
}

// A right-to-left stretch, with the blanks between its letters, is mirrored in its place; the
// caret before one of its letters stands at the letter's right edge. A digit ends a stretch.
TEST(TextLayout, MirrorsRightToLeftStretches) {
  // a b _ alef bet _ gimel _ c | alef 1 bet
  cFakeText text({L"ab \x05D0\x05D1 \x05D2 c", L"\x05D0" L"1\x05D1"});
  cFakeMeasure measure;
  cTextLayout layout(text, measure);
  struct tCase {
    int Line, Column, X;
  };
  const tCase edges[] = {{0, 2, 16}, {0, 3, 56}, {0, 4, 48}, {0, 5, 40}, {0, 6, 32}, {0, 7, 56},
                         {0, 9, 72}, {1, 0, 8},  {1, 1, 8},  {1, 2, 24}, {1, 3, 16}};
  for (const tCase& edge : edges) EXPECT_EQ(layout.XFromColumn(edge.Line, edge.Column), edge.X) << edge.Column;
  struct tHit {
    int Line, X, Column;
  };
  const tHit hits[] = {{0, 25, 7}, {0, 30, 6}, {0, 50, 4},  {0, 54, 3},
                       {0, 58, 7}, {1, -3, 1}, {1, 18, 3}, {1, 22, 2}};
  for (const tHit& hit : hits)
    EXPECT_EQ(layout.ColumnFromX(layout.FirstRow(hit.Line), hit.X), hit.Column) << hit.X;
}

// A row without wrap placed from its start, over the fake font: a right-to-left stretch (its
// letters and the neutral clusters between them) mirrored in the place it takes.
std::vector<view::tPlacedCluster> PlacedFromStart(std::wstring_view line) {
  using view::cTextClusters;
  using view::tDirection;
  cFakeMeasure measure;
  auto clusterAt = [&](size_t at) { return line.substr(at, cTextClusters::End(line, at) - at); };
  std::vector<view::tPlacedCluster> placed;
  int x = 0;
  for (size_t at = 0; at < line.size();) {
    if (cTextClusters::Direction(clusterAt(at)) != tDirection::RightToLeft) {
      const int width = line[at] == L'\t' ? 64 - x % 64 : measure.ClusterWidth(clusterAt(at));
      placed.push_back({static_cast<int>(at), static_cast<int>(at + clusterAt(at).size()), x, width});
      x += width;
      at += clusterAt(at).size();
      continue;
    }
    size_t end = at;
    for (size_t scan = at; scan < line.size() && cTextClusters::Direction(clusterAt(scan)) != tDirection::LeftToRight;
         scan += clusterAt(scan).size())
      if (cTextClusters::Direction(clusterAt(scan)) == tDirection::RightToLeft) end = scan + clusterAt(scan).size();
    int right = x;
    for (size_t scan = at; scan < end; scan += clusterAt(scan).size()) right += measure.ClusterWidth(clusterAt(scan));
    for (; at < end; at += clusterAt(at).size()) {
      const int width = measure.ClusterWidth(clusterAt(at));
      right -= width;
      x += width;
      placed.push_back({static_cast<int>(at), static_cast<int>(at + clusterAt(at).size()), right, width, true});
    }
  }
  return placed;
}

// A line many marks long, grown in pieces that cut clusters and stretches apart, is placed from its
// marks as from its start: x of a column, column at an x, and the clusters that show in a window
// (long stretches, the neutral runs after them and tabs among them).
TEST(TextLayout, LongRowsPlaceFromTheirMarksAsFromTheirStart) {
  const std::wstring pieces[] = {L"word",       L" ",   L"\t", L"\x05D0\x05D1", L" \x05D2 ", L"7", L"e\x0301",
                                 L"\xD83D\xDE00", L".", std::wstring(2500, L'\x05D3'), std::wstring(2500, L'x'),
                                 std::wstring(2500, L' ')};
  std::mt19937 random(31);
  std::wstring whole;
  while (whole.size() < 30000) whole += pieces[random() % std::size(pieces)];
  cFakeText text({L""});
  cFakeMeasure measure;
  cTextLayout layout(text, measure);
  auto check = [&](cTextLayout& checked) {
    const std::wstring& line = text.Lines[0];
    const std::vector<view::tPlacedCluster> placed = PlacedFromStart(line);
    for (int i = 0; i < 40; ++i) {
      const view::tPlacedCluster& cluster = placed[random() % placed.size()];
      ASSERT_EQ(checked.XFromColumn(0, cluster.Column), cluster.RightToLeft ? cluster.Left + cluster.Width : cluster.Left)
          << cluster.Column;
      const int x = cluster.Left + static_cast<int>(random() % 8);
      if (cluster.Width == 8) {
        ASSERT_EQ(checked.ColumnFromX(0, x), (x - cluster.Left < 4) != cluster.RightToLeft ? cluster.Column : cluster.End)
            << x;
      }
      std::vector<view::tPlacedCluster> shown;
      checked.ForEachCluster(0, x, x + 400, [&](const view::tPlacedCluster& seen) {
        if (seen.Left < x + 400 && seen.Left + seen.Width > x) shown.push_back(seen);
        return true;
      });
      size_t next = 0;
      for (const view::tPlacedCluster& expected : placed) {
        if (expected.Left >= x + 400 || expected.Left + expected.Width <= x) continue;
        ASSERT_LT(next, shown.size()) << "shown from " << x;
        ASSERT_EQ(shown[next].Column, expected.Column);
        ASSERT_EQ(shown[next].Left, expected.Left) << expected.Column;
        ++next;
      }
    }
  };
  for (size_t at = 0; at < whole.size();) {
    const size_t piece = std::min<size_t>(1 + random() % 3000, whole.size() - at);
    text.Lines[0] += whole.substr(at, piece);
    at += piece;
    layout.TextAppended();
    check(layout);
  }
  cTextLayout fresh(text, measure);
  check(fresh);
}

// A change of the layout that cannot get its memory, failing at each allocation in turn, leaves it
// whole, each row within its line, and laying it out again gives what a fresh layout gives.
TEST(TextLayout, AFailedAllocationLeavesItWhole) {
  struct tStep {
    const char* Name;
    std::function<void(cFakeText&)> Edit;  // the text changes first, as the store changes
    std::function<void(cTextLayout&)> Tell;
  };
  auto edit = [](cFakeText& text) {
    text.Lines.erase(text.Lines.begin() + 2, text.Lines.begin() + 4);
    text.Lines.insert(text.Lines.begin() + 2, {std::wstring(300, L'e'), L"", L"a b"});
  };
  const tStep steps[] = {
      {"append",
       [](cFakeText& text) {
         text.Lines.back() += L" more words \x05D0\x05D1 " + std::wstring(3000, L'x');
         text.Lines.insert(text.Lines.end(), {L"next line", L""});
       },
       [](cTextLayout& layout) { layout.TextAppended(); }},
      {"edit", edit, [](cTextLayout& layout) { layout.TextChanged(2, 2, 3); }},
      {"relayout", [](cFakeText&) {},
       [](cTextLayout& layout) {
         layout.SetWidth(72);
         layout.MakeExact(20, 25);
         for (int slice = 0; slice < 40 && layout.ContinueRelayout(200); ++slice) {
         }
       }},
  };
  for (const tStep& step : steps) {
    for (int succeeding = 0;; ++succeeding) {
      cFakeText text(RandomLines(7, 30));
      cFakeMeasure measure;
      cTextLayout layout(text, measure);
      Wrap(layout, 120);
      layout.XFromColumn(text.LineCount() - 1, 0);
      step.Edit(text);
      bool failed = false;
      try {
        cFailingAllocations failing(succeeding);
        step.Tell(layout);
      } catch (const std::bad_alloc&) {
        failed = true;
      }
      ASSERT_EQ(layout.LineCount(), text.LineCount()) << step.Name << " " << succeeding;
      for (int row = 0; row < layout.RowCount(); ++row) {
        const view::tRowStart start = layout.RowStart(row);
        ASSERT_LE(start.Column + layout.RowLength(row), static_cast<int>(text.Lines[static_cast<size_t>(start.Line)].size()));
      }
      while (layout.ContinueRelayout(1 << 20)) {
      }
      cTextLayout fresh(text, measure);
      Wrap(fresh, layout.Width());
      ExpectSameRows(layout, fresh);
      if (HasFailure()) FAIL() << step.Name << " failing after " << succeeding << " allocations";
      if (!failed) break;
    }
  }
}

// Each cluster is measured once per font.
TEST(TextLayout, MeasuresEachClusterOncePerFont) {
  cFakeText text({L"abab\xD83D\xDE00\xD83D\xDE00", L"ba e\x0301 e\x0301"});
  cFakeMeasure measure;
  cTextLayout layout(text, measure);
  EXPECT_EQ(measure.Asked, 5);  // a, b, the pair, the blank, e with its mark
  Wrap(layout, 24);
  EXPECT_EQ(measure.Asked, 5);
  layout.FontChanged();
  while (layout.ContinueRelayout(100)) {
  }
  EXPECT_EQ(measure.Asked, 10);
}

}  // namespace
