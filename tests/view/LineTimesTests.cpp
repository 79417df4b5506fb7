// The times of the output view's lines: which line keeps which time as output comes in chunks,
// backspace and form feed act, the user types and undoes, and how a time is written.
#include "view/LineTimes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/view/FakeMeasure.h"
#include "view/EditModel.h"

namespace {

using namespace view;

// A step on the model: output at the end with a stamp, a backspace of A units, a form feed, a
// selection from A to B, text pasted as the user does, or a key's edit.
enum tStepKind { skOutput, skBackspace, skFormFeed, skSelect, skPaste, skKey };
struct tStep {
  tStepKind Kind;
  const wchar_t* Text = L"";
  tTextPos A = 0, B = 0;
};
tStep Out(const wchar_t* text, tLineStamp stamp) { return {skOutput, text, stamp}; }
tStep Back(tTextPos count) { return {skBackspace, L"", count}; }
tStep Key(tEditCommand command) { return {skKey, L"", command}; }

struct tCase {
  const char* Name;
  std::vector<tStep> Steps;
  std::vector<tLineStamp> Stamps;  // of each line
};

std::vector<tLineStamp> StampsAfter(const std::vector<tStep>& steps) {
  cFakeMeasure measure;
  cEditModel model(measure);
  for (const tStep& step : steps) {
    const tTextPos end = model.Store().Length();
    switch (step.Kind) {
      case skOutput:
      case skBackspace:
        // As the view takes output: for the end, whatever the selection.
        model.Select(end - (step.Kind == skBackspace ? step.A : 0), end);
        model.ReplaceSelection(step.Text, false, {}, {}, static_cast<tLineStamp>(step.A));
        break;
      case skFormFeed:
        model.SetText({});
        break;
      case skSelect:
        model.Select(step.A, step.B);
        break;
      case skPaste:
        model.ReplaceSelection(step.Text, true);
        break;
      case skKey:
        model.Edit(static_cast<tEditCommand>(step.A));
        break;
    }
  }
  std::vector<tLineStamp> stamps;
  for (tTextPos line = 0; line < model.Store().LineCount(); ++line) stamps.push_back(model.Store().LineStamp(line));
  return stamps;
}

TEST(LineTimes, FollowTheText) {
  const tCase cases[] = {
      {"a line cut across chunks keeps the time of its first; an empty last line has none",
       {Out(L"he", 1), Out(L"llo\r\nwo", 2), Out(L"rld\r\n", 3)}, {1, 2, 0}},
      {"CR LF cut across chunks", {Out(L"a\r", 1), Out(L"\nb", 2)}, {1, 2}},
      {"empty lines that came", {Out(L"a\r\n\r\nb", 5)}, {5, 5, 5}},
      {"backspace after a line break joins the lines", {Out(L"ab\r\nc", 1), Back(1), Back(1)}, {1}},
      {"a line that backspace emptied takes the time of what comes next", {Out(L"x\r\ny", 1), Back(1), Out(L"z", 2)},
       {1, 2}},
      {"form feed forgets the times, output after it comes anew", {Out(L"a\r\nb", 1), {skFormFeed}, Out(L"c", 2)}, {2}},
      {"typed lines have none; typed into an output line, it keeps its own",
       {Out(L"C:\\>", 1), {skSelect, L"", 4, 4}, {skPaste, L"dir\r\nmore"}}, {1, 0}},
      {"a line break typed into an output line: both halves keep its time",
       {Out(L"abcdef", 3), {skSelect, L"", 3, 3}, Key(ecNewLine)}, {3, 3}},
      {"a line typed before output lines", {Out(L"one", 4), {skSelect, L"", 0, 0}, {skPaste, L"x\r\n"}}, {0, 4}},
      {"undo gives the lines back their times",
       {Out(L"one\r\n", 1), Out(L"two\r\n", 2), Out(L"three", 3), {skSelect, L"", 0, 10}, Key(ecDeleteBack),
        Key(ecUndo)},
       {1, 2, 3}},
      {"undo of backspaces in a row across a line break",
       {Out(L"ab\r\n", 1), Out(L"cd", 2), {skSelect, L"", 6, 6}, Key(ecDeleteBack), Key(ecDeleteBack),
        Key(ecDeleteBack), Key(ecUndo)},
       {1, 2}},
      {"redo takes them away again",
       {Out(L"one\r\n", 1), Out(L"two", 2), {skSelect, L"", 0, 5}, Key(ecDeleteForward), Key(ecUndo), Key(ecUndo)},
       {2}},
  };
  for (const tCase& c : cases) EXPECT_EQ(StampsAfter(c.Steps), c.Stamps) << c.Name;
}

// A store that no time ever reached keeps none: typed text, and the text a form feed left.
TEST(LineTimes, NoneKeptUntilATimeComes) {
  cTextStore store;
  store.Append(L"typed\r\n");
  const std::size_t untimed = store.BytesHeld();
  store.Append(L"output\r\n", {}, {}, 7);
  EXPECT_EQ(store.LineStamps(0, 3), (std::vector<tLineStamp>{0, 7, 0}));
  store.Clear();
  store.Append(L"typed\r\n");
  EXPECT_TRUE(store.LineStamps(0, 2).empty());
  EXPECT_EQ(store.BytesHeld(), untimed);
}

TEST(LineTimes, WrittenAsTheLogWritesThem) {
  const struct {
    SYSTEMTIME Time;
    const wchar_t* Text;
  } cases[] = {{{2026, 12, 3, 9, 8, 15, 2, 123}, L"08:15:02.123"},
               {{2026, 12, 3, 9, 23, 59, 59, 999}, L"23:59:59.999"},
               {{2026, 12, 3, 10, 0, 0, 0, 0}, L"00:00:00.000"}};
  for (const auto& c : cases) EXPECT_EQ(FormatStamp(StampOf(c.Time)), c.Text);
  EXPECT_EQ(FormatStamp(0), L"");
}

}  // namespace
