// The output view's text store: lines as an edit control counts them, edits in a table and
// against a plain string over random edits, positions past 2^31 and the memory it holds.
#include "view/TextStore.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <functional>
#include <new>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/view/FailingAllocations.h"
#include "tests/support/CrLfLines.h"
#include "tests/support/Flood.h"

namespace {

using view::cTextStore;
using view::tTextAttribute;
using view::tTextPos;

std::vector<std::wstring> StoreLines(const cTextStore& store) {
  std::vector<std::wstring> lines;
  for (tTextPos line = 0; line < store.LineCount(); ++line)
    lines.push_back(store.Substr(store.LineStart(line), store.LineLength(line)));
  return lines;
}

// The runs as (start, end, attribute).
std::vector<std::tuple<tTextPos, tTextPos, tTextAttribute>> Runs(const cTextStore& store) {
  std::vector<std::tuple<tTextPos, tTextPos, tTextAttribute>> runs;
  store.ForEachRun(0, store.Length(),
                   [&](tTextPos start, tTextPos end, tTextAttribute look) { runs.emplace_back(start, end, look); });
  return runs;
}

class cChanges final : public view::iTextStoreEvents {
public:
  std::vector<view::tTextChange> Seen;
  void TextChanged(const view::tTextChange& change) override { Seen.push_back(change); }
};

// Pieces longer than a block, and line breaks cut between appends and between blocks. A lone CR
// or LF is a character of its line; CR CR LF is a CR and a line break.
TEST(TextStore, AppendedPiecesMakeLinesAtCrLfOnly) {
  const std::vector<std::wstring> cases[] = {
      {},           {L"one\r", L"\ntwo"}, {L"a\r\n"}, {L"\r", L"\n", L"\r", L"\n"},
      {L"a\rb\nc"}, {L"x\r", L"\r\ny"},   {L"\n\r"},  {L"abc\r", L"\nde\r\nfghijklm\r\n", L"no"},
  };
  for (size_t blockUnits : {size_t{4}, cTextStore::kDefaultBlockUnits}) {
    for (const auto& pieces : cases) {
      cTextStore store(blockUnits);
      std::wstring text;
      for (const auto& piece : pieces) {
        store.Append(piece);
        text += piece;
      }
      EXPECT_EQ(store.Text(), text);
      EXPECT_EQ(store.Length(), static_cast<tTextPos>(text.size()));
      EXPECT_EQ(StoreLines(store), CrLfLines(text)) << testing::PrintToString(text) << " in blocks of " << blockUnits;
    }
  }
}

TEST(TextStore, Edits) {
  struct tCase {
    const char* Name;
    std::wstring Before;
    tTextPos Start, Count;
    std::wstring Inserted, After, Removed;
  };
  const tCase cases[] = {
      {"typing at the end", L"ab\r\nc", 5, 0, L"d", L"ab\r\ncd", L""},
      {"backspace over a line break leaves its CR", L"abc\r\n", 4, 1, L"", L"abc\r", L"\n"},
      {"output after a lone CR", L"abc\r", 4, 0, L"\r\nd", L"abc\r\r\nd", L""},
      {"deleting the last line keeps the break before it", L"a\r\nb", 3, 1, L"", L"a\r\n", L"b"},
      {"deleting a line with its break", L"a\r\nbb\r\nc", 3, 4, L"", L"a\r\nc", L"bb\r\n"},
      {"clearing", L"a\r\nb\r\n", 0, 6, L"", L"", L"a\r\nb\r\n"},
      {"a selection over lines", L"one\r\ntwo\r\nthree", 2, 9, L"X", L"onXhree", L"e\r\ntwo\r\nt"},
      {"a selection replaced by lines", L"one two", 3, 1, L"\r\n\r\n", L"one\r\n\r\ntwo", L" "},
      {"typing between CR and LF parts the break", L"a\r\nb", 2, 0, L"x", L"a\rx\nb", L""},
      {"deleting between CR and LF joins them", L"a\rx\nb", 2, 1, L"", L"a\r\nb", L"x"},
      {"a break made at the start", L"\nb", 0, 0, L"a\r", L"a\r\nb", L""},
      {"inserting across blocks", L"0123456789", 3, 0, L"abcdefghij", L"012abcdefghij3456789", L""},
      {"deleting across blocks", L"0123\r\n6789abcdef", 2, 11, L"", L"01def", L"23\r\n6789abc"},
      {"a range cut to the text", L"abc", -5, 7, L"", L"c", L"ab"},
      {"a start past the end appends", L"abc", 10, 1, L"d", L"abcd", L""},
  };
  for (size_t blockUnits : {size_t{4}, cTextStore::kDefaultBlockUnits}) {
    for (const tCase& c : cases) {
      SCOPED_TRACE(std::string(c.Name) + " in blocks of " + std::to_string(blockUnits));
      cTextStore store(blockUnits);
      store.Append(c.Before);
      EXPECT_EQ(store.Replace(c.Start, c.Count, c.Inserted), c.Removed);
      EXPECT_EQ(store.Text(), c.After);
      EXPECT_EQ(StoreLines(store), CrLfLines(c.After));
    }
  }
}

// Random edits of a text rich in CR and LF, in tiny blocks, against a plain string: the text,
// every line query, pieces read in place, the runs (a deleted character takes its look with it)
// and what the listener is told. The second store begins just before 2^32, where the line
// index changes its high half.
TEST(TextStore, FollowsAPlainStringOverRandomEdits) {
  const std::pair<size_t, tTextPos> stores[] = {{3, 0}, {16, (tTextPos{1} << 32) - 150}};
  for (const auto& [blockUnits, origin] : stores) {
    SCOPED_TRACE("blocks of " + std::to_string(blockUnits) + " from " + std::to_string(origin));
    std::mt19937 random(static_cast<unsigned>(blockUnits));
    auto below = [&](size_t n) { return static_cast<size_t>(random() % n); };
    auto at = [origin = origin](size_t p) { return origin + static_cast<tTextPos>(p); };
    cTextStore store(blockUnits, origin);
    cChanges changes;
    store.SetEvents(&changes);
    std::wstring text;
    // Appends give links the numbers they give looks; other edits bring none.
    std::vector<tTextAttribute> looks, links;
    for (int step = 0; step < 1500; ++step) {
      SCOPED_TRACE(step);
      // The text grows to about 300 characters and stays there.
      std::wstring inserted;
      // Now and then a character that a byte cannot hold, or the last one that it can.
      for (size_t n = below(text.size() > 300 ? 6 : 16); n > 0; --n) inserted += L"ab\r\nab\r\nab\r\n\u00FF\u0416"[below(14)];
      const size_t start = below(4) == 0 ? text.size() : below(text.size() + 1);
      const size_t count = below(std::min<size_t>(text.size() - start, 8) + 1);
      const auto look = static_cast<tTextAttribute>(below(3));
      const tTextPos lines = store.LineCount(), line = store.LineFromPosition(at(start));
      if (start == text.size() && below(2) == 0) {
        // Appended in runs of their own looks, some of no length, the rest in the default look.
        std::vector<view::tAttributeRun> runs;
        for (size_t n = below(4); n > 0; --n) runs.push_back({below(4), static_cast<tTextAttribute>(below(3))});
        store.Append(inserted, runs, runs);
        std::vector<tTextAttribute> appended;
        for (const auto& run : runs)
          appended.insert(appended.end(), std::min(run.Length, inserted.size() - appended.size()), run.Attribute);
        appended.resize(inserted.size(), 0);
        looks.insert(looks.end(), appended.begin(), appended.end());
        links.insert(links.end(), appended.begin(), appended.end());
        text += inserted;
      } else {
        ASSERT_EQ(store.Replace(at(start), static_cast<tTextPos>(count), inserted, look), text.substr(start, count));
        text.replace(start, count, inserted);
        looks.erase(looks.begin() + static_cast<ptrdiff_t>(start), looks.begin() + static_cast<ptrdiff_t>(start + count));
        looks.insert(looks.begin() + static_cast<ptrdiff_t>(start), inserted.size(), look);
        links.erase(links.begin() + static_cast<ptrdiff_t>(start), links.begin() + static_cast<ptrdiff_t>(start + count));
        links.insert(links.begin() + static_cast<ptrdiff_t>(start), inserted.size(), 0);
      }
      if (count + inserted.size() > 0) {
        const view::tTextChange& change = changes.Seen.back();
        EXPECT_EQ(std::make_tuple(change.Start, change.Removed, change.Inserted, change.Line),
                  std::make_tuple(at(start), tTextPos(count), tTextPos(inserted.size()), line));
        EXPECT_EQ(lines - change.RemovedBreaks + change.InsertedBreaks, store.LineCount());
      }

      ASSERT_EQ(store.Text(), text);
      ASSERT_EQ(StoreLines(store), CrLfLines(text));
      tTextPos expectedLine = 0;
      for (size_t p = 0; p <= text.size(); ++p) {
        if (p >= 2 && text[p - 1] == L'\n' && text[p - 2] == L'\r') ++expectedLine;
        ASSERT_EQ(store.LineFromPosition(at(p)), expectedLine) << "at " << p;
      }
      const size_t from = below(text.size() + 1), to = from + below(text.size() - from + 1);
      std::wstring pieces;
      store.ForEachPiece(at(from), at(to), [&](tTextPos pieceAt, std::wstring_view piece) {
        EXPECT_EQ(pieceAt, at(from + pieces.size()));
        pieces += piece;
        return true;
      });
      ASSERT_EQ(pieces, text.substr(from, to - from));
      if (auto view = store.View(at(from), static_cast<tTextPos>(to - from))) {
        ASSERT_EQ(std::wstring(*view), pieces);
      }
      size_t covered = 0;
      for (const auto& [runStart, runEnd, runLook] : Runs(store)) {
        ASSERT_EQ(runStart, at(covered));
        ASSERT_TRUE(covered == 0 || looks[covered - 1] != runLook) << "neighbours of one look";
        for (; at(covered) < runEnd; ++covered) ASSERT_EQ(runLook, looks[covered]) << "at " << covered;
      }
      ASSERT_EQ(covered, text.size());
      for (size_t p = 0; p < text.size(); ++p) {
        const view::tTextLink link = store.LinkAt(at(p));
        ASSERT_EQ(link.Id, links[p]) << "link at " << p;
        ASSERT_TRUE(link.Id == 0 || (link.Span.Start <= at(p) && at(p) < link.Span.End)) << "link at " << p;
      }
    }
  }
}

// Every allocation of an edit made to fail in turn: the edit throws and the store stays as it was,
// text, lines and runs, until the edit can get all it needs.
TEST(TextStore, AnEditThatCannotAllocateChangesNothing) {
  const std::wstring before = L"0123\r\n6789abcdef\r\nghijklmnopqrstuv";
  const std::tuple<tTextPos, tTextPos, std::wstring> edits[] = {
      {34, 0, std::wstring(40, L'x') + L"\r\n"},  // an append of new blocks
      {10, 0, L"y\r\nz"},                         // into a full block, which shares its text
      {2, 20, L"\r\n"},                           // over blocks
  };
  for (const auto& [start, count, text] : edits) {
    for (int succeeding = 0;; ++succeeding) {
      ASSERT_LT(succeeding, 100);
      cTextStore store(16);
      store.Append(before.substr(0, 20), 1);
      store.Append(before.substr(20));
      const auto runs = Runs(store);
      bool failed = false;
      try {
        cFailingAllocations failing(succeeding);
        store.Replace(start, count, text, 2);
      } catch (const std::bad_alloc&) {
        failed = true;
      }
      if (!failed) {
        EXPECT_GT(succeeding, 0) << "no allocation was made to fail";
        break;
      }
      EXPECT_EQ(store.Text(), before) << succeeding << " allocations";
      EXPECT_EQ(StoreLines(store), CrLfLines(before));
      EXPECT_EQ(Runs(store), runs);
    }
  }
}

TEST(TextStore, CopiesAndStopsWhenAsked) {
  cTextStore store(4);
  store.Append(L"abcdefghij");
  int visits = 0;
  EXPECT_FALSE(store.ForEachPiece(0, 10, [&](tTextPos, std::wstring_view) { return ++visits < 2; }));
  EXPECT_EQ(visits, 2);
  EXPECT_EQ(store.View(3, 2), std::nullopt);
  wchar_t buffer[16] = {};
  EXPECT_EQ(store.CopyTo(7, 16, buffer), 3u);
  EXPECT_EQ(std::wstring(buffer), L"hij");
}

// The store counts from far beyond 2^31 as it does from 0; answers to the edit messages, which
// are int, stop at INT_MAX.
TEST(TextStore, PositionsPastTwoToThe31) {
  for (tTextPos origin : {tTextPos{INT_MAX} - 2, tTextPos{1} << 40}) {
    SCOPED_TRACE(origin);
    cTextStore store(4, origin);
    store.Append(L"ab\r");
    store.Append(L"\ncd", 7);
    EXPECT_EQ(store.Length(), origin + 6);
    EXPECT_EQ(store.Text(), L"ab\r\ncd");
    EXPECT_EQ(store.LineStart(1), origin + 4);
    EXPECT_EQ(store.LineLength(0), origin + 2);
    EXPECT_EQ(store.LineFromPosition(origin + 3), 0);
    EXPECT_EQ(store.LineFromPosition(origin + 4), 1);
    EXPECT_EQ(store.Substr(0, origin + 1), L"a");
    EXPECT_EQ(store.ClampPosition(INT64_MAX), origin + 6);
    const decltype(Runs(store)) runs = {{origin, origin + 3, 0}, {origin + 3, origin + 6, 7}};
    EXPECT_EQ(Runs(store), runs);
    EXPECT_EQ(view::ClampToInt(store.LineLength(0)), INT_MAX);
    store.Clear();
    EXPECT_EQ(store.Length(), origin);
    EXPECT_EQ(store.LineCount(), 1);
    EXPECT_TRUE(Runs(store).empty());
  }
  const std::pair<tTextPos, int> clamped[] = {
      {-1, -1}, {INT_MAX, INT_MAX}, {tTextPos{INT_MAX} + 1, INT_MAX}, {INT64_MAX, INT_MAX},
      {tTextPos{INT_MIN} - 1, INT_MIN},
  };
  for (const auto& [value, answer] : clamped) EXPECT_EQ(view::ClampToInt(value), answer) << value;
}

// What the store holds a character, by its own accounting, after output appended in pieces the
// size of a pipe chunk, then after typing at many places in it (an overflowing block shares its
// text with a new one, neither left nearly empty) or cutting three quarters of every block
// (neighbours that fit in one block become one). UTF-16 takes 2.
TEST(TextStore, MemoryPerCharacter) {
  const std::string flood = FloodText(8 << 20);
  const std::wstring columns(flood.begin(), flood.end());
  std::wstring oneCharLines;
  for (int i = 0; i < (1 << 20); ++i) oneCharLines += L"x\r\n";
  auto none = [](cTextStore&) {};
  auto type = [](cTextStore& store) {
    for (tTextPos i = 0; i < 1000; ++i) store.Replace(i * 7919 * 1031 % store.Length(), 0, L"x");
  };
  auto cut = [](cTextStore& store) {
    const auto block = static_cast<tTextPos>(cTextStore::kDefaultBlockUnits);
    for (tTextPos start = store.Length() / block * block; start >= 0; start -= block)
      store.Replace(start + block / 8, block * 3 / 4, L"");
  };
  const std::tuple<const char*, const std::wstring&, std::function<void(cTextStore&)>, double> cases[] = {
      {"80-column lines", columns, none, 2.1},
      {"1-character lines", oneCharLines, none, 3.5},
      {"80-column lines typed into at 1000 places", columns, type, 4.1},
      {"80-column lines with three quarters of every block cut", columns, cut, 4.1},
  };
  for (const auto& [name, output, edit, mostBytes] : cases) {
    cTextStore store;
    for (size_t at = 0; at < output.size(); at += 65536) store.Append(std::wstring_view(output).substr(at, 65536));
    edit(store);
    const double perCharacter = double(store.BytesHeld()) / double(store.Length());
    EXPECT_LE(perCharacter, mostBytes) << name;
    std::printf("%s: %.3f bytes a character\n", name, perCharacter);
  }
}

}  // namespace
