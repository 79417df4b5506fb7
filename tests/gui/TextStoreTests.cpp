// The output view's text store: lines as an edit control counts them, edits in a table and
// against a plain string over random edits, positions past 2^31, attribute runs and the memory
// it holds.
#include "gui/TextStore.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/CrLfLines.h"
#include "tests/support/Flood.h"

namespace {

using gui::cTextStore;
using gui::tTextAttribute;
using gui::tTextChange;
using gui::tTextPos;

std::vector<std::wstring> StoreLines(const cTextStore& store) {
  std::vector<std::wstring> lines;
  for (tTextPos line = 0; line < store.LineCount(); ++line)
    lines.push_back(store.Substr(store.LineStart(line), store.LineLength(line)));
  return lines;
}

tTextPos ReferenceLineFromPosition(const std::wstring& text, tTextPos position) {
  tTextPos line = 0;
  for (tTextPos i = 1; i < position && i < static_cast<tTextPos>(text.size()); ++i)
    if (text[static_cast<size_t>(i)] == L'\n' && text[static_cast<size_t>(i - 1)] == L'\r') ++line;
  return line;
}

struct tRunSeen {
  tTextPos Start, End;
  tTextAttribute Attribute;
  friend bool operator==(const tRunSeen&, const tRunSeen&) = default;
};

std::vector<tRunSeen> Runs(const cTextStore& store) {
  std::vector<tRunSeen> runs;
  store.ForEachRun(0, store.Length(), [&](tTextPos start, tTextPos end, tTextAttribute attribute) {
    runs.push_back({start, end, attribute});
  });
  return runs;
}

class cChanges final : public gui::iTextStoreEvents {
public:
  std::vector<tTextChange> Seen;
  void TextChanged(const tTextChange& change) override { Seen.push_back(change); }
};

TEST(TextStore, AppendedPiecesMakeLinesAtCrLfOnly) {
  struct tCase {
    std::vector<std::wstring> Pieces;
    std::vector<std::wstring> Lines;
  };
  const tCase cases[] = {
      {{}, {L""}},
      {{L"one\r", L"\ntwo"}, {L"one", L"two"}},
      {{L"a\r\n"}, {L"a", L""}},
      {{L"\r", L"\n", L"\r", L"\n"}, {L"", L"", L""}},
      // A lone CR or LF is a character of its line; CR CR LF is a CR and a line break.
      {{L"a\rb\nc"}, {L"a\rb\nc"}},
      {{L"x\r", L"\r\ny"}, {L"x\r", L"y"}},
      {{L"\n\r"}, {L"\n\r"}},
      // Pieces longer than a block, and breaks cut by the end of a block.
      {{L"abc\r", L"\nde\r\nfghijklm\r\n", L"no"}, {L"abc", L"de", L"fghijklm", L"no"}},
  };
  for (size_t blockUnits : {size_t{4}, cTextStore::kDefaultBlockUnits}) {
    for (const tCase& c : cases) {
      cTextStore store(blockUnits);
      std::wstring text;
      for (const auto& piece : c.Pieces) {
        store.Append(piece);
        text += piece;
      }
      EXPECT_EQ(store.Text(), text);
      EXPECT_EQ(store.Length(), static_cast<tTextPos>(text.size()));
      EXPECT_EQ(StoreLines(store), c.Lines) << testing::PrintToString(text) << " in blocks of " << blockUnits;
    }
  }
}

TEST(TextStore, Edits) {
  struct tCase {
    const wchar_t* Name;
    std::wstring Before;
    tTextPos Start, Count;
    std::wstring Inserted, After, Removed;
  };
  const tCase cases[] = {
      {L"typing at the end", L"ab\r\nc", 5, 0, L"d", L"ab\r\ncd", L""},
      {L"typing in the middle", L"ab\r\ncd", 1, 0, L"xyz", L"axyzb\r\ncd", L""},
      {L"backspace over a line break leaves its CR", L"abc\r\n", 4, 1, L"", L"abc\r", L"\n"},
      {L"output after a lone CR", L"abc\r", 4, 0, L"\r\nd", L"abc\r\r\nd", L""},
      {L"deleting the last line keeps the break before it", L"a\r\nb", 3, 1, L"", L"a\r\n", L"b"},
      {L"deleting a line with its break", L"a\r\nbb\r\nc", 3, 4, L"", L"a\r\nc", L"bb\r\n"},
      {L"clearing", L"a\r\nb\r\n", 0, 6, L"", L"", L"a\r\nb\r\n"},
      {L"a selection over lines", L"one\r\ntwo\r\nthree", 2, 9, L"X", L"onXhree", L"e\r\ntwo\r\nt"},
      {L"a selection replaced by lines", L"one two", 3, 1, L"\r\n\r\n", L"one\r\n\r\ntwo", L" "},
      {L"typing between CR and LF parts the break", L"a\r\nb", 2, 0, L"x", L"a\rx\nb", L""},
      {L"deleting between CR and LF joins them", L"a\rx\nb", 2, 1, L"", L"a\r\nb", L"x"},
      {L"a break made at the start", L"\nb", 0, 0, L"a\r", L"a\r\nb", L""},
      {L"inserting across blocks", L"0123456789", 3, 0, L"abcdefghij", L"012abcdefghij3456789", L""},
      {L"deleting across blocks", L"0123\r\n6789abcdef", 2, 11, L"", L"01def", L"23\r\n6789abc"},
      {L"replacing across blocks", L"0123456789abcdef", 1, 13, L"\r\n", L"0\r\nef", L"123456789abcd"},
      {L"a range cut to the text", L"abc", -5, 7, L"", L"c", L"ab"},
      {L"a start past the end appends", L"abc", 10, 1, L"d", L"abcd", L""},
  };
  for (size_t blockUnits : {size_t{4}, cTextStore::kDefaultBlockUnits}) {
    for (const tCase& c : cases) {
      SCOPED_TRACE(testing::PrintToString(std::wstring(c.Name)) + " in blocks of " + std::to_string(blockUnits));
      cTextStore store(blockUnits);
      store.Append(c.Before);
      EXPECT_EQ(store.Replace(c.Start, c.Count, c.Inserted), c.Removed);
      EXPECT_EQ(store.Text(), c.After);
      EXPECT_EQ(StoreLines(store), CrLfLines(c.After));
    }
  }
}

// Random edits of a text rich in CR and LF, in tiny blocks, against a plain string: the text,
// every line query, the pieces read in place, the runs and what the listener is told. The second
// store begins just before 2^32, where the line index changes its high half.
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
    std::vector<tTextAttribute> looks;
    for (int step = 0; step < 1500; ++step) {
      std::wstring inserted;
      // The text grows to about 300 characters and stays there.
      for (size_t n = below(text.size() > 300 ? 6 : 16); n > 0; --n) inserted += L"ab\r\n"[below(4)];
      const size_t start = below(text.size() + 1);
      const size_t count = below(std::min<size_t>(text.size() - start, 8) + 1);
      const tTextAttribute look = static_cast<tTextAttribute>(below(3));
      const tTextPos linesBefore = store.LineCount();
      const size_t seenBefore = changes.Seen.size();
      if (below(4) == 0) {
        store.Append(inserted, look);
        text += inserted;
        looks.insert(looks.end(), inserted.size(), look);
      } else {
        const tTextPos line = ReferenceLineFromPosition(text, static_cast<tTextPos>(start));
        ASSERT_EQ(store.Replace(at(start), static_cast<tTextPos>(count), inserted, look), text.substr(start, count));
        text.replace(start, count, inserted);
        looks.erase(looks.begin() + static_cast<ptrdiff_t>(start),
                    looks.begin() + static_cast<ptrdiff_t>(start + count));
        looks.insert(looks.begin() + static_cast<ptrdiff_t>(start), inserted.size(), look);
        if (count + inserted.size() > 0) {
          ASSERT_EQ(changes.Seen.size(), seenBefore + 1);
          const tTextChange& change = changes.Seen.back();
          EXPECT_EQ(change.Start, at(start));
          EXPECT_EQ(change.Removed, static_cast<tTextPos>(count));
          EXPECT_EQ(change.Inserted, static_cast<tTextPos>(inserted.size()));
          EXPECT_EQ(change.Line, line);
          EXPECT_EQ(linesBefore - change.RemovedBreaks + change.InsertedBreaks, store.LineCount());
        }
      }
      ASSERT_EQ(store.Text(), text) << "step " << step;
      ASSERT_EQ(StoreLines(store), CrLfLines(text)) << "step " << step;
      tTextPos line = 0;
      for (size_t p = 0; p <= text.size(); ++p) {
        if (p >= 2 && text[p - 1] == L'\n' && text[p - 2] == L'\r') ++line;
        ASSERT_EQ(store.LineFromPosition(at(p)), line) << "step " << step << " at " << p;
      }

      const size_t from = below(text.size() + 1), to = from + below(text.size() - from + 1);
      std::wstring pieces;
      tTextPos next = at(from);
      store.ForEachPiece(at(from), at(to), [&](tTextPos pieceAt, std::wstring_view piece) {
        EXPECT_EQ(pieceAt, next);
        EXPECT_FALSE(piece.empty());
        next += static_cast<tTextPos>(piece.size());
        pieces += piece;
        return true;
      });
      ASSERT_EQ(pieces, text.substr(from, to - from));
      if (auto view = store.View(at(from), static_cast<tTextPos>(to - from))) {
        ASSERT_EQ(std::wstring(*view), pieces);
      }

      // The runs cover the text, each of one look, neighbours of different looks.
      size_t covered = 0;
      const std::vector<tRunSeen> runs = Runs(store);
      for (size_t r = 0; r < runs.size(); ++r) {
        ASSERT_EQ(runs[r].Start, at(covered));
        ASSERT_LT(runs[r].Start, runs[r].End);
        if (r > 0) {
          ASSERT_NE(runs[r].Attribute, runs[r - 1].Attribute) << "step " << step;
        }
        for (; at(covered) < runs[r].End; ++covered)
          ASSERT_EQ(runs[r].Attribute, looks[covered]) << "step " << step << " at " << covered;
      }
      ASSERT_EQ(covered, text.size());
    }
    store.SetEvents(nullptr);
  }
}

TEST(TextStore, ReadsInPlaceAndStopsWhenAsked) {
  cTextStore store(4);
  store.Append(L"abcdefghij");
  std::vector<std::pair<tTextPos, std::wstring>> pieces;
  EXPECT_TRUE(store.ForEachPiece(1, 9, [&](tTextPos at, std::wstring_view piece) {
    pieces.emplace_back(at, piece);
    return true;
  }));
  const std::vector<std::pair<tTextPos, std::wstring>> expected = {{1, L"bcd"}, {4, L"efgh"}, {8, L"i"}};
  EXPECT_EQ(pieces, expected);
  int visits = 0;
  EXPECT_FALSE(store.ForEachPiece(0, 10, [&](tTextPos, std::wstring_view) { return ++visits < 2; }));
  EXPECT_EQ(visits, 2);
  EXPECT_EQ(store.View(4, 4), std::optional<std::wstring_view>(L"efgh"));
  EXPECT_EQ(store.View(3, 2), std::nullopt);
  wchar_t buffer[16] = {};
  EXPECT_EQ(store.CopyTo(7, 16, buffer), 3u);
  EXPECT_EQ(std::wstring(buffer), L"hij");
}

// The store counts from far beyond 2^31 as it does from 0; answers to the edit messages, which
// are int, stop at INT_MAX.
TEST(TextStore, PositionsPastTwoToThe31) {
  for (tTextPos origin : {tTextPos{INT_MAX} - 2, (tTextPos{1} << 32) - 1, tTextPos{1} << 40}) {
    SCOPED_TRACE(origin);
    cTextStore store(4, origin);
    store.Append(L"ab\r");
    store.Append(L"\ncd", 7);
    EXPECT_EQ(store.Length(), origin + 6);
    EXPECT_EQ(store.Text(), L"ab\r\ncd");
    EXPECT_EQ(store.LineCount(), 2);
    EXPECT_EQ(store.LineStart(1), origin + 4);
    EXPECT_EQ(store.LineLength(0), origin + 2);
    EXPECT_EQ(store.LineLength(1), 2);
    EXPECT_EQ(store.LineFromPosition(origin + 3), 0);
    EXPECT_EQ(store.LineFromPosition(origin + 4), 1);
    EXPECT_EQ(store.LineFromPosition(0), 0);
    EXPECT_EQ(store.Substr(origin + 4, 9), L"cd");
    EXPECT_EQ(store.Substr(0, origin + 1), L"a");
    EXPECT_EQ(store.ClampPosition(0), origin);
    EXPECT_EQ(store.ClampPosition(INT64_MAX), origin + 6);
    const std::vector<tRunSeen> runs = {{origin, origin + 3, 0}, {origin + 3, origin + 6, 7}};
    EXPECT_EQ(Runs(store), runs);
    EXPECT_EQ(gui::ClampToInt(store.Length()), INT_MAX);
    EXPECT_EQ(gui::ClampToInt(store.LineLength(0)), INT_MAX);
    EXPECT_EQ(store.Replace(origin + 1, 3, L""), L"b\r\n");
    EXPECT_EQ(store.Text(), L"acd");
    EXPECT_EQ(store.LineCount(), 1);
  }
  const std::pair<tTextPos, int> clamped[] = {
      {-1, -1}, {0, 0}, {INT_MAX, INT_MAX}, {tTextPos{INT_MAX} + 1, INT_MAX}, {INT64_MAX, INT_MAX},
      {tTextPos{INT_MIN} - 1, INT_MIN},
  };
  for (const auto& [value, answer] : clamped) EXPECT_EQ(gui::ClampToInt(value), answer) << value;
}

// A deleted character takes its look with it; typed text gets the default look.
TEST(TextStore, AttributeRunsFollowTheText) {
  cTextStore store(4);
  store.Append(L"red", 1);
  store.Append(L"plain");
  store.Append(L"blue", 2);
  store.Replace(11, 1, L"");        // a backspace
  store.Replace(11, 0, L"!");       // typed
  store.Replace(2, 3, L"");         // over two runs
  store.Replace(5, 0, L"blue", 2);  // joins the run after it
  const std::vector<tRunSeen> runs = {{0, 2, 1}, {2, 5, 0}, {5, 12, 2}, {12, 13, 0}};
  EXPECT_EQ(store.Text(), L"reainblueblu!");
  EXPECT_EQ(Runs(store), runs);
  store.Clear();
  EXPECT_TRUE(Runs(store).empty());
  EXPECT_EQ(store.LineCount(), 1);
}

// What the store holds for each character, by its own accounting, after output has been appended
// in pieces the size of a pipe chunk, and after typing at many places in it: a block that
// overflows shares its text with a new one, neither left nearly empty.
TEST(TextStore, MemoryPerCharacter) {
  struct tCase {
    const char* Name;
    std::wstring Output;
    int Typed;
    double MostBytesPerCharacter;
  };
  const std::string flood = FloodText(8 << 20);
  const std::wstring floodText(flood.begin(), flood.end());
  std::wstring oneCharLines;
  for (int i = 0; i < (1 << 20); ++i) oneCharLines += L"x\r\n";
  const tCase cases[] = {
      {"80-column lines", floodText, 0, 2.1},
      {"1-character lines", oneCharLines, 0, 3.5},
      {"80-column lines typed into at 1000 places", floodText, 1000, 4.1},
  };
  for (const tCase& c : cases) {
    cTextStore store;
    for (size_t at = 0; at < c.Output.size(); at += 65536) store.Append(std::wstring_view(c.Output).substr(at, 65536));
    for (int i = 0; i < c.Typed; ++i) store.Replace((tTextPos{i} * 7919 * 1031) % store.Length(), 0, L"x");
    ASSERT_EQ(store.Length(), static_cast<tTextPos>(c.Output.size()) + c.Typed);
    const double perCharacter = static_cast<double>(store.BytesHeld()) / static_cast<double>(store.Length());
    EXPECT_LE(perCharacter, c.MostBytesPerCharacter) << c.Name;
    std::printf("%s: %.3f bytes a character\n", c.Name, perCharacter);
  }
}

}  // namespace
