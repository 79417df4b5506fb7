#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "editor/EditorSearches.h"
#include "resources/resource.h"
#include "tests/editor/EditorTestSupport.h"
#include "tests/unicode/ControlTestSupport.h"

namespace {

using Goto = TFormGotoLine;

tGotoRequest RunDialog(TFormGotoLine& form, const std::function<void(HWND)>& user) {
  tGotoRequest request{7, 7, true};
  RunAsUser(IDD_GOTO_LINE, user, [&] { form.Execute(nullptr, request); });
  return request;
}

// Run against both windows an editor can have: the edit control and the text view.
class GotoTest : public ::testing::TestWithParam<tMemoWindow> {
protected:
  void SetUp() override { host.Hold(editor); }
  void Load(const std::wstring& text, int caret) {
    editor.SetWText(text);
    editor.SetSelStart(caret);
  }
  int Caret() const { return editor.SelStart(); }
  // Each moves the caret and answers where it went.
  int Line(int line) {
    editor.GotoLine(line);
    return Caret();
  }
  int Column(int column) {
    editor.GotoColumn(column);
    return Caret();
  }
  int Place(int line, int column) {
    editor.PlaceCaret(line, column);
    return Caret();
  }

  cTestHost host;
  cSearchableEditor editor{GetParam()};
};

}  // namespace

TEST(GotoLineDialog, IntegersAreReadAsTheSystemReadsThem) {
  const std::pair<const wchar_t*, int> integers[] = {
      {L"12", 12},  {L"  +12", 12}, {L"-3", -3},    {L"007", 7},           {L"$1F", 31},
      {L"x1f", 31}, {L"0X10", 16},  {L"-0x10", -16}, {L"2147483647", 2147483647}, {L"-2147483648", -2147483647 - 1}};
  for (const auto& [text, value] : integers) EXPECT_EQ(Goto::ConvertInteger(text), value) << text;
  for (const wchar_t* bad : {L"2147483648", L"-2147483649", L"$80000000", L"12a", L"12 ", L"", L" ", L"-", L"0x",
                             L"$", L"1 2", L"\u0661", L"+-1"})
    EXPECT_EQ(Goto::ConvertInteger(bad), std::nullopt) << static_cast<const void*>(bad);

  EXPECT_EQ(Goto::NumberError(L" \t "), std::nullopt);
  EXPECT_EQ(Goto::NumberError(L" 5"), std::nullopt);
  EXPECT_EQ(Goto::NumberError(L"12a"), L"'12a' is not a valid integer value");
  const std::pair<const wchar_t*, int> coordinates[] = {{L"", -1},  {L"  ", -1}, {L"1", 0},
                                                       {L" 10", 9}, {L"0", -1},  {L"-2147483648", -1}};
  for (const auto& [text, coordinate] : coordinates) EXPECT_EQ(Goto::Coordinate(text), coordinate) << text;
}

TEST(GotoLineDialog, OnlyDigitsCanBeTyped) {
  TFormGotoLine form;
  const tGotoRequest request = RunDialog(form, [](HWND dialog) {
    EXPECT_EQ(WindowText(dialog), L"Go to Line/Column");
    HWND line = ::GetDlgItem(dialog, IDC_GOTO_LINE);
    EXPECT_EQ(::GetFocus(), line);
    ::SetWindowTextW(line, L"");
    Type(line, L"1a-2 .\u0663x3");
    EXPECT_EQ(WindowText(line), L"123");
    ::SendMessageW(line, WM_CHAR, VK_BACK, 1);
    EXPECT_EQ(WindowText(line), L"12");
    Click(dialog, IDOK);
  });
  EXPECT_TRUE(request.Accepted);
  EXPECT_EQ(request.Line, 11);
  EXPECT_EQ(request.Column, 0);
}

TEST(GotoLineDialog, AnInvalidBoxKeepsTheDialogOpenWithTheFocusOnIt) {
  TFormGotoLine form;
  cMessageRecorder boxes;
  HWND focusAtBox = nullptr;
  boxes.onBox = [&](const gui::tMessageBoxRequest&) { focusAtBox = ::GetFocus(); };
  const tGotoRequest request = RunDialog(form, [&](HWND dialog) {
    HWND line = ::GetDlgItem(dialog, IDC_GOTO_LINE), column = ::GetDlgItem(dialog, IDC_GOTO_COLUMN);
    // Pasted text is not filtered; both boxes are wrong, only the column is reported.
    ::SetWindowTextW(line, L"2147483648");
    ::SetWindowTextW(column, L"12a");
    Click(dialog, IDOK);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(Shown(boxes.boxes[0]),
              (tShownBox{dialog, L"'12a' is not a valid integer value", L"Marvesk", MB_OK | MB_ICONERROR}));
    EXPECT_EQ(focusAtBox, column);
    EXPECT_TRUE(::IsWindowVisible(dialog));

    ::SetWindowTextW(column, L" ");
    Click(dialog, IDOK);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].Text, L"'2147483648' is not a valid integer value");
    EXPECT_EQ(focusAtBox, line);
    ::SetWindowTextW(line, L"3");
    Click(dialog, IDOK);
  });
  EXPECT_EQ(boxes.boxes.size(), 2u);
  EXPECT_TRUE(request.Accepted);
  EXPECT_EQ(request.Line, 2);
  EXPECT_EQ(request.Column, -1);
}

TEST(GotoLineDialog, CancelFillsNothingAndTheBoxesKeepTheirTexts) {
  TFormGotoLine form;
  cMessageRecorder boxes;
  tGotoRequest request = RunDialog(form, [](HWND dialog) {
    EXPECT_EQ(WindowText(::GetDlgItem(dialog, IDC_GOTO_LINE)), L"1");
    EXPECT_EQ(WindowText(::GetDlgItem(dialog, IDC_GOTO_COLUMN)), L"1");
    ::SetWindowTextW(::GetDlgItem(dialog, IDC_GOTO_LINE), L"oops");
    Click(dialog, IDCANCEL);  // no validation on the way out
  });
  EXPECT_FALSE(request.Accepted);
  EXPECT_EQ(request.Line, 7);
  EXPECT_TRUE(boxes.boxes.empty());
  RunDialog(form, [](HWND dialog) {
    EXPECT_EQ(WindowText(::GetDlgItem(dialog, IDC_GOTO_LINE)), L"oops");
    ::SendMessageW(dialog, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(form.Controls().Line, L"oops");
}

TEST(GotoLineDialog, ARealModalRunEndsThroughTheDialogManager) {
  // No responder: the system's modal loop runs, and a timer plays the user inside it.
  TFormGotoLine form;
  form.Controls().Line = L"5";
  form.Controls().Column = L"";
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
    if (HWND dialog = ::FindWindowW(L"#32770", L"Go to Line/Column"))
      ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  tGotoRequest request;
  form.Execute(nullptr, request);
  ::KillTimer(nullptr, timer);
  EXPECT_TRUE(request.Accepted);
  EXPECT_EQ(request.Line, 4);
  EXPECT_EQ(request.Column, -1);
  EXPECT_EQ(form.Handle(), nullptr);
}

TEST_P(GotoTest, LinesAndColumnsAreClampedToTheText) {
  Load(L"ab\r\ncdef\r\n", 6);
  Line(0);
  EXPECT_EQ(Column(0), 0);
  // Past the last line: the last counted one; the empty line after the final break is out of reach.
  editor.GotoLine(9);
  EXPECT_EQ(editor.CaretLine(), 1);
  EXPECT_EQ(editor.CaretColumn(), 0);
  EXPECT_EQ(Column(99), 8);  // the end of "cdef", before its break
  // Only a line: the column stays, cut to the target line's end.
  EXPECT_EQ(Place(3, 1), 7);
  EXPECT_EQ(Line(0), 2);
  // On the empty line after the final break a column has nowhere to go.
  editor.SetSelStart(10);
  EXPECT_EQ(Column(4), 10);

  Load(L"abc\r\n\r\nxyz", 2);
  EXPECT_EQ(Line(1), 5);
  EXPECT_EQ(Line(2), 7);
  // A selection goes; a line that does not exist moves nothing.
  editor.SetSelLength(2);
  EXPECT_EQ(Place(1, 0), 1);
  EXPECT_EQ(editor.SelLength(), 0);
  EXPECT_EQ(Place(0, 5), 1);

  Load(L"", 0);
  EXPECT_EQ(Line(3), 0);
  EXPECT_EQ(Column(3), 0);
}

TEST_P(GotoTest, TheCommandMovesTheLineFirstThenTheColumn) {
  Load(L"one\r\ntwo\r\nthree", 1);
  // The first: line 3, the column of the caret kept.
  const std::pair<tGotoRequest, int> steps[] = {
      {{-1, 2, true}, 11}, {{4, -1, true}, 14}, {{0, 0, false}, 14}, {{-1, -1, true}, 14}, {{2, 1, true}, 7}};
  for (const auto& [request, caret] : steps) {
    editor.Goto(request);
    EXPECT_EQ(Caret(), caret) << request.Line << ", " << request.Column;
  }
}

INSTANTIATE_TEST_SUITE_P(Windows, GotoTest, ::testing::Values(mwSystemEdit, mwTextView), MemoWindowName);
