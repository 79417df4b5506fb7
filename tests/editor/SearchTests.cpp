#include <gtest/gtest.h>

#include <string>

#include "editor/EditorSearches.h"
#include "tests/editor/EditorTestSupport.h"
#include "tests/unicode/ControlTestSupport.h"
#include "ui/Waits.h"

namespace {

constexpr tSearchOptions kExact = 0;

int Forward(std::wstring_view pattern, std::wstring_view text, tSearchOptions options = kExact, int from = 1) {
  return cSearchableEditor::ForwardPos(pattern, text, options, from);
}

int Backward(std::wstring_view pattern, std::wstring_view text, tSearchOptions options = kExact, int start = 1,
             int end = 1 << 30) {
  return cSearchableEditor::BackwardPos(pattern, text, options, start, end);
}

tSearchRequest Request(std::wstring text, tSearchRange range, tSearchOptions options = soIgnoreCase) {
  return {range, options, std::move(text)};
}

// Run against both windows an editor can have: the edit control and the text view.
class SearchTest : public ::testing::TestWithParam<tMemoWindow> {
protected:
  void SetUp() override { host.Hold(editor); }
  void Load(const std::wstring& text, int selStart = 0, int selLength = 0) {
    editor.SetWText(text);
    Select(selStart, selLength);
  }
  void Select(int start, int length) {
    editor.SetSelStart(start);
    editor.SetSelLength(length);
  }
  // The selection as (start, length).
  std::pair<int, int> Selection() const { return {editor.SelStart(), editor.SelLength()}; }

  cTestHost host;
  cSearchableEditor editor{GetParam()};
};

}  // namespace

TEST(TextSearch, ForwardAndBackwardFindOverlappingOccurrences) {
  EXPECT_EQ(Forward(L"aa", L"aaa"), 1);
  EXPECT_EQ(Forward(L"aa", L"aaa", kExact, 2), 2);
  EXPECT_EQ(Forward(L"aa", L"aaa", kExact, 3), 0);
  EXPECT_EQ(Forward(L"aa", L"aaa", kExact, 9), 0);
  EXPECT_EQ(Backward(L"aa", L"aaa"), 2);
  EXPECT_EQ(Backward(L"aa", L"aaa", kExact, 1, 2), 1);  // must lie wholly within the stretch
  EXPECT_EQ(Backward(L"aa", L"aaa", kExact, 2, 2), 0);
  EXPECT_EQ(Backward(L"b", L"abcabc", kExact, 3, 6), 5);
  EXPECT_EQ(Backward(L"b", L"abcabc", kExact, 3, 4), 0);
  EXPECT_EQ(Forward(L"abcd", L"abc"), 0);
  EXPECT_EQ(Backward(L"abcd", L"abc"), 0);
  EXPECT_EQ(Forward(L"", L"abc"), 0);
  EXPECT_EQ(Backward(L"", L"abc"), 0);
  EXPECT_EQ(Forward(L"a", L""), 0);
  EXPECT_EQ(Backward(L"a", L""), 0);
  // Line breaks are text like any other.
  EXPECT_EQ(Forward(L"x\r\ny", L"ab x\r\ny"), 4);
  EXPECT_EQ(Backward(L"x\r\ny", L"ab x\r\ny x\r\nz"), 4);
}

TEST(TextSearch, IgnoringCaseFoldsBothSidesUnitByUnit) {
  EXPECT_EQ(Forward(L"abc", L"xABC", soIgnoreCase), 2);
  EXPECT_EQ(Backward(L"abc", L"xABC", soIgnoreCase), 2);
  EXPECT_EQ(Forward(L"abc", L"xABC"), 0);
  EXPECT_EQ(Backward(L"abc", L"xABC"), 0);
  EXPECT_EQ(Forward(L"ABC", L"xabc", soIgnoreCase), 2);
  // Beyond ASCII: Cyrillic and accented letters fold, a surrogate pair is matched as it is.
  const std::wstring text = L"\u0434\u0430 \u041F\u0420\u0418\u0412\u0415\u0422 caf\u00C9 \U0001F600!";
  EXPECT_EQ(Forward(L"\u043F\u0440\u0438\u0432\u0435\u0442", text, soIgnoreCase), 4);
  EXPECT_EQ(Backward(L"CAF\u00E9", text, soIgnoreCase), 11);
  EXPECT_EQ(Forward(L"\U0001F600!", text, soIgnoreCase), 16);
  EXPECT_EQ(Backward(L"\U0001F600", text, soIgnoreCase), 16);
  // The folding never changes a length: a sharp s stays one unit and matches only itself.
  EXPECT_EQ(Forward(L"STRASSE", L"stra\u00DFe", soIgnoreCase), 0);
  EXPECT_EQ(Forward(L"STRA\u00DFE", L"stra\u00DFe", soIgnoreCase), 1);
}

// A long text is passed over many units at a time: a match is found wherever it lies against the
// bounds, and units that share the bits of a letter's cases without being one of them do not match.
TEST(TextSearch, LongTextsHaveTheirMatchesFoundWhereverTheyLie) {
  struct tCase {
    const wchar_t* pattern;
    const wchar_t* placed;
    wchar_t filler;
    tSearchOptions options;
  };
  const tCase cases[] = {
      {L"needle", L"NeEdLE", L'.', soIgnoreCase},
      {L"ab", L"ab", L'a', kExact},  // the first unit is everywhere
      // U+0400 and U+0450 differ in two bits; U+0410 and U+0440 have them as well.
      {L"\u0450\u0440\u0450", L"\u0400\u0440\u0450", L'\u0410', soIgnoreCase},
      {L"\u0450\u0440\u0450", L"\u0400\u0440\u0450", L'\u0440', soIgnoreCase},
  };
  for (const tCase& c : cases) {
    const int m = static_cast<int>(std::wstring_view(c.pattern).size());
    for (int at : {0, 1, 31, 32, 33, 63, 64, 65, 150, 200 - m}) {
      std::wstring text(200, c.filler);
      text.replace(static_cast<size_t>(at), static_cast<size_t>(m), c.placed);
      const int pos = at + 1;
      SCOPED_TRACE(testing::PrintToString(std::wstring(c.pattern)) + " at " + std::to_string(pos));
      EXPECT_EQ(Forward(c.pattern, text, c.options), pos);
      EXPECT_EQ(Forward(c.pattern, text, c.options, pos), pos);
      EXPECT_EQ(Forward(c.pattern, text, c.options, pos + 1), 0);
      EXPECT_EQ(Backward(c.pattern, text, c.options), pos);
      EXPECT_EQ(Backward(c.pattern, text, c.options, pos, at + m), pos);
      EXPECT_EQ(Backward(c.pattern, text, c.options, 1, at + m - 1), 0);
      EXPECT_EQ(Backward(c.pattern, text, c.options, pos + 1), 0);
    }
  }
}

// Every unit that has another case is found by it, in long texts and at both ends of a pattern.
TEST(TextSearch, IgnoringCaseFindsEveryUnitByItsUpperCase) {
  const auto upperCase = [](wchar_t unit) {
    ::CharUpperBuffW(&unit, 1);
    return unit;
  };
  const std::wstring filler(100, L'\0');
  for (unsigned code = 1; code < 0x10000; ++code) {
    const auto unit = static_cast<wchar_t>(code);
    const wchar_t upper = upperCase(unit);
    // Surrogates have no case; an upper case that has one of its own folds elsewhere.
    if ((code >= 0xD800 && code < 0xE000) || upper == unit || upperCase(upper) != upper) continue;
    for (const auto& [pattern, held] : {std::pair{upper, unit}, std::pair{unit, upper}}) {
      const std::wstring one(1, pattern), two = L"(" + one, text = filler + L"(" + held + filler;
      EXPECT_EQ(Forward(one, text, soIgnoreCase), 102) << static_cast<int>(unit);
      EXPECT_EQ(Backward(one, text, soIgnoreCase), 102) << static_cast<int>(unit);
      EXPECT_EQ(Forward(two, text, soIgnoreCase), 101) << static_cast<int>(unit);
      EXPECT_EQ(Backward(two, text, soIgnoreCase), 101) << static_cast<int>(unit);
    }
  }
}

TEST(TextSearch, WholeWordsNeedNonWordCharactersAroundThem) {
  const tSearchOptions whole = soWholeWord;
  const std::wstring text = L"concat cat_ cat1 cat\u0436 (cat) cat";
  EXPECT_EQ(Forward(L"cat", text), 4);
  EXPECT_EQ(Forward(L"cat", text, whole), 24);
  EXPECT_EQ(Forward(L"cat", text, whole, 25), 29);
  EXPECT_EQ(Backward(L"cat", text, whole), 29);
  EXPECT_EQ(Backward(L"cat", text, whole, 1, 30), 24);
  EXPECT_EQ(Forward(L"CAT", text, whole | soIgnoreCase), 24);
  // At the ends of the text; a stretch's edge is no word boundary when the text goes on.
  EXPECT_EQ(Forward(L"cat", L"cat", whole), 1);
  EXPECT_EQ(Backward(L"cat", L"cats", whole, 1, 3), 0);
  // A pattern that is no word itself is bounded the same way.
  EXPECT_EQ(Forward(L"a b", L"aa b a b", whole), 6);
  EXPECT_EQ(Forward(L"x", L"x_ _x 9x x", whole), 10);
}

TEST_P(SearchTest, BoundsFollowRangeDirectionAndSelection) {
  Load(L"0123456789", 2, 3);
  EXPECT_EQ(editor.SearchBounds(srEntireScope, false, 10), (tSearchBounds{1, 10}));
  EXPECT_EQ(editor.SearchBounds(srEntireScope, true, 10), (tSearchBounds{1, 10}));
  EXPECT_EQ(editor.SearchBounds(srFromCursor, false, 10), (tSearchBounds{3, 10}));
  EXPECT_EQ(editor.SearchBounds(srFromCursor, true, 10), (tSearchBounds{1, 5}));
  EXPECT_EQ(editor.SearchBounds(srSelectedText, false, 10), (tSearchBounds{3, 6}));
  EXPECT_EQ(editor.SearchBounds(srSelectedText, true, 10), (tSearchBounds{3, 6}));
}

TEST_P(SearchTest, FindPositionKeepsToItsStretch) {
  Load(L"");
  for (auto range : {srEntireScope, srFromCursor, srSelectedText}) {
    EXPECT_EQ(editor.FindPosition(L"a", Request(L"a", range)), 0);
    EXPECT_EQ(editor.FindPosition(L"a", Request(L"a", range, soBackward)), 0);
  }
  Load(L"abc abc", 7);
  EXPECT_EQ(editor.FindPosition(L"abc", Request(L"abc", srFromCursor)), 0);
  EXPECT_EQ(editor.FindPosition(L"abc", Request(L"abc", srEntireScope)), 1);

  // Selected text, forward: a match may start right after the selection, or inside it and run
  // on past its end; one that starts later is out.
  Load(L"xxabcabc", 0, 1);
  EXPECT_EQ(editor.FindPosition(L"x", Request(L"x", srSelectedText)), 1);
  Select(0, 1);
  EXPECT_EQ(editor.FindPosition(L"xa", Request(L"xa", srSelectedText)), 2);
  Select(2, 2);
  EXPECT_EQ(editor.FindPosition(L"bcab", Request(L"bcab", srSelectedText)), 4);
  Select(0, 2);
  EXPECT_EQ(editor.FindPosition(L"bc", Request(L"bc", srSelectedText)), 0);
  // Backward, the stretch is the selection and the one unit after it, wherever the text goes on.
  Select(2, 2);
  EXPECT_EQ(editor.FindPosition(L"abc", Request(L"abc", srSelectedText, soBackward)), 3);
  Select(2, 1);
  EXPECT_EQ(editor.FindPosition(L"abc", Request(L"abc", srSelectedText, soBackward)), 0);
  Select(6, 2);
  EXPECT_EQ(editor.FindPosition(L"bc", Request(L"bc", srSelectedText, soBackward)), 7);
}

// A long text is searched a stretch at a time where the window hands out ranges: the matches
// across the stretches' edges, and the words around them, are those of the whole text.
TEST_P(SearchTest, StretchesFindWhatTheWholeTextHolds) {
  constexpr int kStretch = 0x4000;
  std::wstring text(3 * kStretch + 50, L'.');
  for (int edge = kStretch; edge < static_cast<int>(text.size()); edge += kStretch) {
    text.replace(static_cast<size_t>(edge - 3), 6, L"ab Cdx");
    text.replace(static_cast<size_t>(edge - 20), 5, L"ab cd");
  }
  Load(text);
  const tSearchOptions optionSets[] = {0, soIgnoreCase, soWholeWord, soIgnoreCase | soWholeWord};
  const int cursors[] = {0, kStretch - 21, kStretch - 3, kStretch - 2, kStretch, 2 * kStretch + 1,
                         static_cast<int>(text.size())};
  for (const wchar_t* pattern : {L"ab cd", L"b c", L"x", L"Cdx"}) {
    for (tSearchOptions options : optionSets) {
      for (tSearchOptions direction : {tSearchOptions{0}, tSearchOptions{soBackward}}) {
        for (int cursor : cursors) {
          Select(cursor, 0);
          const tSearchRequest request = Request(pattern, srFromCursor, options | direction);
          EXPECT_EQ(editor.FindPosition(pattern, request), editor.FindPositionInCopy(pattern, request))
              << testing::PrintToString(std::wstring(pattern)) << " options " << (options | direction) << " from "
              << cursor;
        }
      }
    }
  }
}

TEST_P(SearchTest, SearchSelectsTheMatchInTheTextsOwnCase) {
  Load(L"xABC\r\nabc", 0);
  ASSERT_TRUE(editor.Search(L"abc", Request(L"abc", srFromCursor)));
  EXPECT_EQ(Selection(), std::make_pair(1, 3));
  EXPECT_EQ(editor.WSelText(), L"ABC");
  ASSERT_TRUE(editor.Search(L"C\r\na", Request(L"C\r\na", srEntireScope, 0)));
  EXPECT_EQ(Selection(), std::make_pair(3, 4));
  Select(2, 0);
  ASSERT_TRUE(editor.Search(L"abc", Request(L"abc", srFromCursor, 0)));
  EXPECT_EQ(Selection(), std::make_pair(6, 3));
  Select(2, 1);
  EXPECT_FALSE(editor.Search(L"zzz", Request(L"zzz", srEntireScope)));
  EXPECT_EQ(Selection(), std::make_pair(2, 1));
  EXPECT_EQ(cWaitCursor::Depth(), 0);
}

TEST_P(SearchTest, FindNextMovesOnToOverlappingMatchesAndFindDoesNot) {
  cMessageRecorder boxes;
  // Forward from the cursor: Find selects the current match again, Find Next the overlapping one.
  Load(L"aaaa", 0);
  const tSearchRequest forward = Request(L"aa", srFromCursor);
  ASSERT_TRUE(editor.Find(forward));
  EXPECT_EQ(Selection(), std::make_pair(0, 2));
  ASSERT_TRUE(editor.Find(forward));
  EXPECT_EQ(Selection(), std::make_pair(0, 2));
  ASSERT_TRUE(editor.FindNext(forward));
  EXPECT_EQ(Selection(), std::make_pair(1, 2));
  ASSERT_TRUE(editor.FindNext(forward));
  EXPECT_EQ(Selection(), std::make_pair(2, 2));
  // Backward: the match at 2 of "aaa" is found again by Find, and Find Next finds the one at 1.
  Load(L"aaa", 1, 2);
  const tSearchRequest backward = Request(L"aa", srFromCursor, soIgnoreCase | soBackward);
  ASSERT_TRUE(editor.Find(backward));
  EXPECT_EQ(Selection(), std::make_pair(1, 2));
  ASSERT_TRUE(editor.FindNext(backward));
  EXPECT_EQ(Selection(), std::make_pair(0, 2));
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_P(SearchTest, AFailedSearchRestoresTheSelectionAndSaysSo) {
  cMessageRecorder boxes;
  const std::wstring pattern = L"\u041F\u043E\u0438\u0441\u043A";
  Load(L"x \u043F\u043E\u0438\u0441\u043A y", 2, 5);
  ASSERT_FALSE(editor.FindNext(Request(pattern, srFromCursor)));
  EXPECT_EQ(Selection(), std::make_pair(2, 5));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(Shown(boxes.boxes[0]), (tShownBox{host.Handle(), L"Search string '" + pattern + L"' not found",
                                               L" Marvesk", MB_OK | MB_ICONINFORMATION}));

  ASSERT_FALSE(editor.FindNext(Request(pattern, srFromCursor, soIgnoreCase | soBackward)));
  EXPECT_EQ(Selection(), std::make_pair(2, 5));
  ASSERT_FALSE(editor.Find(Request(L"zz", srEntireScope)));
  EXPECT_EQ(Selection(), std::make_pair(2, 5));
  EXPECT_EQ(boxes.boxes.size(), 3u);
  // A cancelled dialog leaves an empty text: nothing is searched and nothing is said.
  EXPECT_FALSE(editor.Find(Request(L"", srEntireScope)));
  EXPECT_FALSE(editor.FindNext(Request(L"", srEntireScope)));
  EXPECT_EQ(boxes.boxes.size(), 3u);
}

TEST_P(SearchTest, WholeWordsOnlyIsHonouredByTheCommands) {
  cMessageRecorder boxes;
  Load(L"concat cat", 0);
  ASSERT_TRUE(editor.Find(Request(L"cat", srFromCursor, soIgnoreCase | soWholeWord)));
  EXPECT_EQ(Selection(), std::make_pair(7, 3));
  Load(L"concat cat", 10);
  ASSERT_TRUE(editor.Find(Request(L"CAT", srFromCursor, soIgnoreCase | soWholeWord | soBackward)));
  EXPECT_EQ(Selection(), std::make_pair(7, 3));
  ASSERT_FALSE(editor.FindNext(Request(L"cat", srFromCursor, soIgnoreCase | soWholeWord | soBackward)));
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Windows, SearchTest, ::testing::Values(mwSystemEdit, mwTextView), MemoWindowName);
