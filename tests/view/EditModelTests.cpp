// The output view's editing model with no window, over the fake font of tests/view/FakeMeasure.h
// (8 pixels a character). Texts are written with the selection in them: "|" is the caret and "^"
// the anchor, where it is not at the caret; "}" is the caret after a wrap, at the end of the row
// before the one its position starts.
#include "view/EditModel.h"

#include <gtest/gtest.h>

#include <chrono>
#include <span>
#include <string>
#include <vector>

#include "tests/view/FakeMeasure.h"

namespace {

using namespace view;

class cMarkedModel {
public:
  // Rows wrap at width pixels; 0 for no wrap.
  explicit cMarkedModel(int width = 0) {
    if (width == 0) return;
    Model.Layout().SetWidth(width);
    Model.Layout().SetWordWrap(true);
    while (Model.Layout().ContinueRelayout(1 << 20)) {
    }
  }
  void Load(std::wstring_view marked) {
    std::wstring text;
    tTextPos caret = 0, anchor = -1;
    bool afterWrap = false;
    for (const wchar_t c : marked) {
      if (c == L'|' || c == L'}') {
        caret = static_cast<tTextPos>(text.size());
        afterWrap = c == L'}';
      } else if (c == L'^') {
        anchor = static_cast<tTextPos>(text.size());
      } else {
        text += c;
      }
    }
    Model.SetText(text);
    Model.Select(anchor < 0 ? caret : anchor, caret, afterWrap);
  }
  std::wstring Marked() const {
    std::wstring marked = Model.Store().Text();
    const auto caret = static_cast<size_t>(Model.Caret()), anchor = static_cast<size_t>(Model.Anchor());
    if (anchor != caret) marked.insert(anchor, 1, L'^');
    marked.insert(caret + (anchor < caret ? 1 : 0), 1, Model.AfterWrap() ? L'}' : L'|');
    return marked;
  }

  cFakeMeasure Measure;
  cEditModel Model{Measure};
};

// A text, what is typed into it, commands carried out in turn (the moves all with Shift or none)
// and the text after them.
struct tCase {
  const wchar_t* Before;
  std::vector<tEditCommand> Commands;
  bool Shift;
  const wchar_t* After;
  const wchar_t* Typed = L"";
};

// Rows wrap at width pixels (0: no wrap); a page is 2 rows.
void ExpectCases(std::span<const tCase> cases, int width = 0) {
  for (const tCase& c : cases) {
    cMarkedModel marked(width);
    marked.Load(c.Before);
    for (const wchar_t* typed = c.Typed; *typed; ++typed) marked.Model.Type(*typed);
    for (const tEditCommand command : c.Commands)
      IsMove(command) ? marked.Model.Move(command, c.Shift, 2) : marked.Model.Edit(command);
    EXPECT_EQ(marked.Marked(), c.After) << testing::PrintToString(std::wstring(c.Before));
  }
}

}  // namespace

TEST(EditModel, MovesAsTheEditControl) {
  const std::wstring marks(300, L'\x0301'), longCluster = L"xe" + marks + L"|", afterLong = L"x|e" + marks;
  const tCase cases[] = {
      // A cluster is one step: a pair, a base with its marks, joined emoji; a line break too.
      {L"a\xD83D\xDE00|b", {ecClusterLeft}, false, L"a|\xD83D\xDE00" L"b"},
      {L"xe\x0301\x0301|", {ecClusterLeft}, false, L"x|e\x0301\x0301"},
      {longCluster.c_str(), {ecClusterLeft}, false, afterLong.c_str()},
      {L"a\xD83D\xDC68\x200D\xD83D\xDC69|", {ecClusterLeft}, false, L"a|\xD83D\xDC68\x200D\xD83D\xDC69"},
      {L"|\x200D\x200D\x200D" L"a", {ecClusterRight, ecClusterRight, ecClusterLeft}, false, L"\x200D\x200D\x200D|a"},
      {L"ab\r\n|cd", {ecClusterLeft}, false, L"ab|\r\ncd"},
      {L"ab|\r\ncd", {ecClusterRight}, false, L"ab\r\n|cd"},
      {L"|", {ecClusterLeft, ecClusterRight}, false, L"|"},
      // Without Shift a selection ends at its side; with it, it stretches.
      {L"a^bc|d", {ecClusterLeft}, false, L"a|bcd"},
      {L"a^bc|d", {ecClusterLeft}, true, L"a^b|cd"},
      // Words: back to the start of a word, forward past a word and the blanks after it.
      {L"one two |three", {ecWordLeft}, false, L"one |two three"},
      {L"one\r\n|two", {ecWordLeft}, false, L"|one\r\ntwo"},
      {L"o|ne two", {ecWordRight}, false, L"one |two"},
      {L"one|\r\ntwo", {ecWordRight}, false, L"one\r\n|two"},
      {L"|one\ttwo", {ecWordRight, ecWordRight}, true, L"^one\ttwo|"},
      // Rows without wrap are lines; up and down keep the caret's x over shorter lines.
      {L"abcd|ef\r\nab\r\nabcdef", {ecRowDown}, false, L"abcdef\r\nab|\r\nabcdef"},
      {L"abcd|ef\r\nab\r\nabcdef", {ecRowDown, ecRowDown}, false, L"abcdef\r\nab\r\nabcd|ef"},
      {L"ab\r\nabc|d", {ecRowUp, ecRowUp}, false, L"ab|\r\nabcd"},
      {L"ab\r\nab|cd", {ecRowStart}, true, L"ab\r\n|ab^cd"},
      {L"ab\r\nab|cd", {ecRowEnd}, false, L"ab\r\nabcd|"},
      {L"ab\r\nab|cd", {ecTextStart}, false, L"|ab\r\nabcd"},
      {L"a|b\r\nabcd", {ecTextEnd}, true, L"a^b\r\nabcd|"},
  };
  ExpectCases(cases);
}

// Rows of 9 characters (72 pixels): "one two |three |four". End leaves the caret after the wrap, at
// its row's end, and Up, Down and Home go on from that row.
TEST(EditModel, RowsOfAWrappedLine) {
  const tCase cases[] = {
      {L"one t|wo three four", {ecRowDown}, false, L"one two three| four"},
      {L"one two three fo|ur", {ecRowUp, ecRowUp}, false, L"on|e two three four"},
      {L"one two three fo|ur", {ecRowStart}, false, L"one two three |four"},
      {L"one two three four|", {ecPageUp}, false, L"one |two three four"},
      {L"|one two three four", {ecPageDown, ecPageDown}, false, L"one two three |four"},
      {L"one t|wo three four", {ecRowEnd}, false, L"one two }three four"},
      {L"one t|wo three four", {ecRowEnd}, true, L"one t^wo }three four"},
      {L"one t|wo three four", {ecRowEnd, ecRowEnd, ecRowStart}, false, L"|one two three four"},
      {L"one t|wo three four", {ecRowEnd, ecRowDown}, false, L"one two three }four"},
      {L"one two three }four", {ecRowUp, ecRowStart}, false, L"|one two three four"},
      {L"one two three }four", {ecRowDown}, false, L"one two three four|"},
      {L"one two }three four", {ecClusterRight}, false, L"one two t|hree four"},
      {L"one two }three four", {ecClusterLeft}, false, L"one two| three four"},
      {L"one two }three four", {ecTextEnd}, false, L"one two three four|"},
  };
  ExpectCases(cases, 72);
}

// A click finds the place nearest to it, past a wrapped row's end after the wrap; a double-click
// the word under it with the blanks after it, within its row. Rows 16 pixels high, wrapped at 72
// pixels or not at all.
TEST(EditModel, ClicksAndDoubleClicks) {
  struct tClick {
    const wchar_t* Text;
    int Width, X, Row;
    bool Twice;
    const wchar_t* After;
  };
  const tClick clicks[] = {
      {L"one two three four", 72, 26, 1, false, L"one two thr|ee four"},
      {L"one two three four", 72, 200, 0, false, L"one two }three four"},
      {L"one two three four", 72, 200, 2, false, L"one two three four|"},
      {L"one two  three", 0, 54, 0, true, L"one ^two  |three"},   // the right half of a word's last letter
      {L"one two  three", 0, 49, 0, true, L"one ^two  |three"},   // its left half
      {L"one two  three", 0, 33, 0, true, L"one ^two  |three"},   // the left half of its first letter
      {L"one two  three", 0, 66, 0, true, L"one ^two  |three"},   // the blanks after it
      {L"one two  three", 0, 300, 0, true, L"one two  ^three|"},  // past the end
      {L"  ab", 0, 4, 0, true, L"^  |ab"},
      {L"ab\r\n\r\ncd", 0, 40, 1, true, L"ab\r\n|\r\ncd"},
      {L"one two three four", 72, 38, 1, true, L"one two ^three |four"},
      {L"one two three four", 72, 0, 2, true, L"one two three ^four|"},
  };
  for (const tClick& c : clicks) {
    cMarkedModel marked(c.Width);
    marked.Load(c.Text);
    const tRowsShown shown{0, 0, 16};
    const int y = c.Row * 16 + 3;
    const tPlace place = marked.Model.PlaceAt(shown, c.X, y);
    if (c.Twice)
      marked.Model.SelectWordAt(shown, c.X, y);
    else
      marked.Model.Select(place.Position, place.Position, place.AfterWrap);
    EXPECT_EQ(marked.Marked(), c.After) << testing::PrintToString(std::wstring(c.Text)) << " " << c.X;
  }
}

// One rectangle a row, each as wide as the part of the row the span covers, wrapped rows too.
TEST(EditModel, SpanRectanglesCoverTheirRows) {
  cMarkedModel marked(72);
  marked.Load(L"one two three four\r\nx");
  const tRowsShown shown{0, 0, 16};
  const struct {
    tTextSpan Span;
    std::vector<RECT> Expected;
  } cases[] = {
      {{0, 20}, {{0, 0, 64, 16}, {0, 16, 48, 32}, {0, 32, 32, 48}}},
      {{5, 9}, {{40, 0, 64, 16}, {0, 16, 8, 32}}},
      {{18, 18}, {{32, 32, 32, 48}}},
  };
  for (const auto& c : cases) {
    const std::vector<RECT> found = marked.Model.SpanRectangles(c.Span, shown, 5);
    ASSERT_EQ(found.size(), c.Expected.size()) << c.Span.Start;
    for (size_t i = 0; i < found.size(); ++i)
      EXPECT_TRUE(::EqualRect(&found[i], &c.Expected[i])) << c.Span.Start << " row " << i << ": " << found[i].left
                                                           << "," << found[i].right;
  }
}

TEST(EditModel, DeletesAndUndoes) {
  const tCase cases[] = {
      {L"ab\xD83D\xDE00|c", {ecDeleteBack}, false, L"ab|c"},
      {L"ab|e\x0301z", {ecDeleteForward}, false, L"ab|z"},
      {L"ab\r\n|cd", {ecDeleteBack}, false, L"ab|cd"},
      {L"|", {ecDeleteBack, ecDeleteForward}, false, L"|"},
      {L"a^bc|d", {ecDeleteForward, ecUndo}, false, L"a^bc|d"},
      {L"a^bc|d", {ecNewLine, ecUndo, ecUndo}, false, L"a^\r\n|d"},
  };
  ExpectCases(cases);
  cMarkedModel readOnly;
  readOnly.Load(L"ab|c");
  readOnly.Model.SetReadOnly(true);
  EXPECT_FALSE(readOnly.Model.Edit(ecDeleteBack));
  EXPECT_FALSE(readOnly.Model.Type(L'x'));
  EXPECT_EQ(readOnly.Marked(), L"ab|c");
}

// Undo takes back the last run of edits that follow each other, as the edit control keeps them.
TEST(EditModel, UndoTakesBackARunOfEdits) {
  const tCase cases[] = {
      {L"one |two", {ecUndo}, false, L"one |two", L"xy"},
      {L"one two|", {ecDeleteBack, ecDeleteBack, ecUndo}, false, L"one two^ab|", L"ab"},
      {L"one two|", {ecDeleteBack, ecUndo}, false, L"one twox^b|", L"xb"},
      {L"one |two", {ecDeleteForward, ecDeleteForward, ecUndo}, false, L"one ^tw|o"},
      {L"o^ne| two", {ecUndo}, false, L"o^ne| two", L"xy"},
      {L"one |two", {ecUndo, ecUndo}, false, L"one ^xy|two", L"xy"},
  };
  ExpectCases(cases);
}

// Output appended after the user's edit leaves it to undo; a change before its end does not.
TEST(EditModel, OutputKeepsTheEditToUndoOnlyAfterIt) {
  cMarkedModel marked;
  marked.Load(L"prompt |");
  marked.Model.Type(L'x');
  marked.Model.Select(8, 8);
  marked.Model.ReplaceSelection(L" output", false);
  EXPECT_TRUE(marked.Model.CanUndo());
  marked.Model.Edit(ecUndo);
  EXPECT_EQ(marked.Marked(), L"prompt | output");
  marked.Model.Type(L'y');
  marked.Model.Select(0, 0);
  marked.Model.ReplaceSelection(L">", false);
  EXPECT_FALSE(marked.Model.CanUndo());
}

// Control names a key's command with it; Shift stretches a move, but is part of an edit's name.
TEST(EditCommands, ShiftStretchesMovesAndNamesEdits) {
  const struct {
    WORD Key;
    gui::tShiftState Shift;
    tEditCommand Command;
  } cases[] = {
      {VK_LEFT, gui::ssShift, ecClusterLeft},     {VK_LEFT, gui::ssCtrl | gui::ssShift, ecWordLeft},
      {VK_HOME, gui::ssCtrl | gui::ssAlt, ecTextStart}, {VK_DELETE, 0, ecDeleteForward},
      {VK_DELETE, gui::ssShift, ecCut},           {VK_DELETE, gui::ssCtrl | gui::ssShift, ecNone},
      {L'A', gui::ssCtrl, ecNone},
  };
  for (const auto& c : cases) EXPECT_EQ(CommandOfKey(c.Key, c.Shift), c.Command) << c.Key << " " << c.Shift;
}

// Left and Ctrl+Left near the end of a line of 8 MB cost what they move over: walking the line
// from its start at every step took 11 s here.
TEST(EditModel, StepsOnALongLineCostWhatTheyPassOver) {
  cMarkedModel marked;
  std::wstring line;
  while (line.size() < (8u << 20)) line += L"word ";
  marked.Model.ReplaceSelection(line, false);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 500; ++i) {
    marked.Model.Move(ecClusterLeft, false, 1);
    marked.Model.Move(ecWordLeft, false, 1);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(marked.Model.Store().Length() - marked.Model.Caret(), 500 * 5);
}
