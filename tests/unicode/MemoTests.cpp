#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "gui/Error.h"
#include "tests/unicode/ControlTestSupport.h"
#include "unicode/UnicodeControls.h"

namespace {

// Cyrillic, CJK and an emoji (a surrogate pair): none of them is in code page 1252.
const std::wstring kForeign = L"\u041F\u0440\u0438\u0432\u0435\u0442 \u4E2D\u6587 \U0001F600";

// Every memo test runs against both windows a memo can have: the edit control and the text view.
class MemoTest : public ::testing::TestWithParam<tMemoWindow> {
protected:
  void SetUp() override { host.Hold(memo); }
  // Sets the text and puts the caret at its start.
  void Load(const std::wstring& text) {
    memo.SetWText(text);
    memo.SetSelStart(0);
  }

  cTestHost host;
  cWMemo memo{GetParam()};
};

// Passes messages on to a memo and records them; refuses WM_SETTEXT as a full control does.
class cRecordingEditor final : public IWEditor {
public:
  explicit cRecordingEditor(cWMemo& memo) : memo_(memo) {}
  WNDPROC GetDefWndProc() const override { return memo_.GetDefWndProc(); }
  HWND GetWindowHandle() const override { return memo_.GetWindowHandle(); }
  LRESULT WPerform(UINT message, WPARAM wParam, LPARAM lParam) const override {
    messages.push_back(message);
    return message == WM_SETTEXT && refuseText ? 0 : memo_.WPerform(message, wParam, lParam);
  }
  void Refresh() override { memo_.Refresh(); }
  void Clear() override { memo_.Clear(); }
  bool Sent(UINT message) const { return std::find(messages.begin(), messages.end(), message) != messages.end(); }

  mutable std::vector<UINT> messages;
  bool refuseText = false;

private:
  cWMemo& memo_;
};

}  // namespace

TEST_P(MemoTest, TextOutsideTheCodePageComesBackUnchanged) {
  EXPECT_TRUE(::IsWindowUnicode(memo.Handle()));
  const std::wstring text = kForeign + L"\r\n\u0432\u0442\u043E\u0440\u0430\u044F \u5B57";
  Load(text);
  EXPECT_EQ(memo.WText(), text);
  ASSERT_EQ(memo.WLines().GetCount(), 2);
  EXPECT_EQ(memo.WLines().Get(0), kForeign);
  EXPECT_EQ(memo.WLines().GetTextStr(), text + L"\r\n");
  memo.SetSelStart(7);
  memo.SetSelLength(2);
  EXPECT_EQ(memo.WSelText(), L"\u4E2D\u6587");
  memo.SetWSelText(L"\u6F22\U0001F600");
  EXPECT_EQ(memo.WLines().Get(0), L"\u041F\u0440\u0438\u0432\u0435\u0442 \u6F22\U0001F600 \U0001F600");

  memo.SetWText(L"");
  EXPECT_EQ(memo.WText(), L"");
  EXPECT_EQ(memo.WLines().GetCount(), 0);
  cWMemo unborn;
  EXPECT_EQ(unborn.WPerform(WM_GETTEXTLENGTH, 0, 0), 0);
  unborn.WLines().Add(L"lost");
  EXPECT_EQ(unborn.WLines().GetCount(), 0);
}

TEST_P(MemoTest, CaretPositionIsColumnAndLineOfTheSelectionStart) {
  Load(L"ab\r\ncde\r\nfg");
  EXPECT_EQ(memo.WCaretPos(), (tCaretPos{0, 0}));
  memo.SetSelStart(9);
  EXPECT_EQ(memo.WCaretPos(), (tCaretPos{0, 2}));
  memo.SetSelStart(6);
  EXPECT_EQ(memo.WCaretPos(), (tCaretPos{2, 1}));
  // The caret at the far end of a selection over two lines does not make the column negative.
  memo.WPerform(EM_SETSEL, 1, 8);
  EXPECT_EQ(memo.WCaretPos(), (tCaretPos{1, 0}));
}

TEST_P(MemoTest, HoldsFarMoreThanTheDefaultLimit) {
  memo.SetWText(std::wstring(100000, L'x'));
  // Appending the way output arrives.
  memo.SetSelStart(INT_MAX);
  memo.SetSelLength(0);
  memo.SetWSelText(std::wstring(50000, L'y'));
  EXPECT_EQ(memo.WText().size(), 150000u);
  EXPECT_EQ(memo.SelStart(), 150000);
  // The re-created window is raised too. (Short lines: Wine wraps one endless word in quadratic time.)
  memo.SetWordWrap(true);
  std::wstring lines;
  while (lines.size() < 100000) lines += L"a line of output\r\n";
  memo.SetWText(lines);
  EXPECT_EQ(memo.WText().size(), lines.size());
}

TEST_P(MemoTest, WordWrapSwitchesTheRowsAndKeepsTheStyleAndTheFont) {
  std::wstring text;
  for (int i = 0; i < 60; ++i) text += L"word" + std::to_wstring(i) + L" ";
  text += L"\r\nend";
  memo.SetReadOnly(true);
  memo.SetFont(L"Courier New", 10);
  Load(text);
  {
    cWStrings::cUpdateScope batch(memo.WLines());
    const std::wstring saved = memo.WText();
    memo.SetWordWrap(true);
    // The edit control is made anew, empty; the view keeps its text.
    EXPECT_EQ(memo.WText(), GetParam() == mwTextView ? saved : L"");
    memo.SetWText(saved);
  }
  EXPECT_EQ(memo.WText(), text);
  // Joined rows break at every wrap point; the text itself only where it has a break.
  const int rows = memo.WLines().GetCount();
  EXPECT_GT(rows, 2);
  const std::wstring joined = memo.WLines().GetTextStr();
  EXPECT_EQ(std::count(joined.begin(), joined.end(), L'\n'), rows);

  const LONG_PTR style = ::GetWindowLongPtrW(memo.Handle(), GWL_STYLE);
  EXPECT_EQ(style & (WS_HSCROLL | ES_READONLY), ES_READONLY);
  LOGFONTW font{};
  ::GetObjectW(reinterpret_cast<HFONT>(memo.WPerform(WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, L"Courier New");
}

TEST_P(MemoTest, LinesFollowTheEditControlsBreaks) {
  cWStrings& lines = memo.WLines();
  Load(L"a\r\nb");
  EXPECT_EQ(lines.GetCount(), 2);
  lines.Add(L"c");
  EXPECT_EQ(memo.WText(), L"a\r\nb\r\nc");
  Load(L"a\r\n");
  EXPECT_EQ(lines.GetCount(), 1);
  lines.Add(L"b");
  EXPECT_EQ(memo.WText(), L"a\r\nb\r\n");
  lines.Delete(1);
  EXPECT_EQ(memo.WText(), L"a\r\n");
  EXPECT_EQ(lines.GetCount(), 1);
  Load(L"");
  lines.Add(L"b");
  EXPECT_EQ(memo.WText(), L"b\r\n");

  Load(L"one\r\ntwo\r\nthree");
  lines.Delete(1);
  lines.Put(1, L"3");
  lines.Insert(0, L"zero");
  EXPECT_EQ(memo.WText(), L"zero\r\none\r\n3");

  // Indexes past the lines change nothing and read as empty lines.
  Load(L"a\r\n");
  lines.Insert(2, L"x");
  lines.Insert(5, L"x");
  lines.Insert(-1, L"x");
  lines.Put(7, L"x");
  lines.Delete(7);
  EXPECT_EQ(memo.WText(), L"a\r\n");
  EXPECT_EQ(lines.Get(7), L"");

  const std::wstring longLine(5000, L'l'), longerLine(70000, L'm');
  Load(L"x\r\n\r\n" + longLine + L"\r\n" + longerLine);
  EXPECT_EQ(lines.Get(1), L"");
  EXPECT_EQ(lines.Get(2), longLine);
  EXPECT_EQ(lines.Get(3), longerLine);
}

TEST_P(MemoTest, ReplacingTheWholeTextComparesFirstAndReportsARefusal) {
  cRecordingEditor editor(memo);
  cWEditorStrings lines(editor);
  lines.SetTextStr(L"a\r\n\r\nb");
  editor.messages.clear();
  lines.SetTextStr(L"a\r\n\r\nb");
  EXPECT_FALSE(editor.Sent(WM_SETTEXT));
  EXPECT_EQ(lines.Get(1), L"");
  EXPECT_FALSE(editor.Sent(EM_GETLINE));

  editor.refuseText = true;
  EXPECT_EQ(ErrorMessage<gui::cInvalidOperation>([&] { lines.SetTextStr(L"other"); }), L"Text exceeds memo capacity");
  EXPECT_EQ(memo.WText(), L"a\r\n\r\nb");
  EXPECT_EQ(ErrorMessage<gui::cError>([&] { memo.WLines().Assign(cStringList()); }),
            L"Cannot assign a cStringList to a cWEditorStrings");
}

TEST_P(MemoTest, KeyDownComesFirstAndCanKeepTheKeyFromTheControl) {
  int changes = 0;
  std::wstring textSeen;
  bool swallow = true;
  Load(L"abc");
  memo.OnChange = [&] { ++changes; };
  memo.OnKeyDown = [&](WORD& key, gui::tShiftState) {
    textSeen = memo.WText();
    if (swallow) key = 0;
  };
  ::SendMessageW(memo.Handle(), WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_EQ(memo.WText(), L"abc");
  swallow = false;
  ::SendMessageW(memo.Handle(), WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_EQ(textSeen, L"abc");
  EXPECT_EQ(memo.WText(), L"bc");
  EXPECT_EQ(changes, 1);
}

TEST_P(MemoTest, ColourAnswersTheEditableAndTheReadOnlyRequest) {
  const gui::cWindowDC dc(::GetDC(memo.Handle()));
  for (bool readOnly : {false, true}) {
    const COLORREF colour = readOnly ? RGB(192, 192, 192) : RGB(255, 255, 255);
    memo.SetReadOnly(readOnly);
    memo.SetColor(colour);
    memo.SetTextColor(RGB(1, 2, readOnly));
    ::SendMessageW(host.Handle(), readOnly ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc.get()),
                   reinterpret_cast<LPARAM>(memo.Handle()));
    EXPECT_EQ(::GetBkColor(dc.get()), colour);
    EXPECT_EQ(::GetTextColor(dc.get()), RGB(1, 2, readOnly));
  }
}

// What tools read of an edit control, asked of both windows with the same messages.
TEST_P(MemoTest, EditMessagesAnswerAsTheEditControlDoes) {
  const struct {
    const wchar_t* Text;
    UINT Message;
    WPARAM WParam;
    LPARAM Expected;
  } cases[] = {
      {L"", EM_GETLINECOUNT, 0, 1},
      {L"a\r\n", EM_GETLINECOUNT, 0, 2},
      {L"a\r\nb\r\nc", EM_GETLINECOUNT, 0, 3},
      {L"ab\r\ncd", EM_LINEINDEX, 1, 4},
      {L"ab\r\ncd", EM_LINEINDEX, 2, -1},
      {L"ab\r\ncd", EM_LINELENGTH, 5, 2},
      {L"ab\r\ncd", EM_LINELENGTH, 2, 2},
      {L"ab\r\ncd", EM_LINEFROMCHAR, 2, 0},
      {L"ab\r\ncd", EM_LINEFROMCHAR, 4, 1},
      {L"ab\r\ncd", EM_LINEFROMCHAR, 100, 1},
      {L"ab\r\ncd", WM_GETTEXTLENGTH, 0, 6},
      {L"ab\r\ncd", EM_GETFIRSTVISIBLELINE, 0, 0},
      {L"ab\r\ncd", EM_GETMODIFY, 0, 0},
      {L"ab\r\ncd", EM_CANUNDO, 0, 0},
  };
  for (const auto& c : cases) {
    memo.SetWText(c.Text);
    EXPECT_EQ(memo.WPerform(c.Message, c.WParam, 0), c.Expected) << testing::PrintToString(c.Text) << " " << c.Message;
  }

  const struct {
    int Start, End;
    DWORD SelStart, SelEnd;
  } selections[] = {{1, 3, 1, 3}, {3, 1, 1, 3}, {0, -1, 0, 6}, {2, 100, 2, 6}};
  for (const auto& c : selections) {
    memo.WPerform(EM_SETSEL, static_cast<WPARAM>(c.Start), c.End);
    DWORD start = 0, end = 0;
    memo.WPerform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, c.SelStart) << c.Start << "," << c.End;
    EXPECT_EQ(end, c.SelEnd) << c.Start << "," << c.End;
  }

  // A character's place and the character at that place agree.
  memo.SetWText(L"ab\r\ncd");
  for (WPARAM position : {0, 1, 4, 5}) {
    const LRESULT point = memo.WPerform(EM_POSFROMCHAR, position, 0);
    const LRESULT found = memo.WPerform(EM_CHARFROMPOS, 0, MAKELPARAM(LOWORD(point) + 1, HIWORD(point) + 1));
    EXPECT_EQ(LOWORD(found), position);
  }

  // Typing is an edit the user can undo; the text set is not.
  memo.WPerform(EM_SETSEL, 6, 6);
  ::SendMessageW(memo.Handle(), WM_CHAR, L'e', 0);
  EXPECT_EQ(memo.WText(), L"ab\r\ncde");
  EXPECT_TRUE(memo.WPerform(EM_GETMODIFY, 0, 0));
  EXPECT_TRUE(memo.WPerform(EM_CANUNDO, 0, 0));
  memo.WPerform(EM_UNDO, 0, 0);
  EXPECT_EQ(memo.WText(), L"ab\r\ncd");
  memo.WPerform(EM_EMPTYUNDOBUFFER, 0, 0);
  EXPECT_FALSE(memo.WPerform(EM_CANUNDO, 0, 0));

  memo.SetReadOnly(true);
  EXPECT_EQ(::GetWindowLongPtrW(memo.Handle(), GWL_STYLE) & (ES_READONLY | ES_MULTILINE), ES_READONLY | ES_MULTILINE);
  ::SendMessageW(memo.Handle(), WM_CHAR, L'x', 0);
  EXPECT_EQ(memo.WText(), L"ab\r\ncd");
}

// What shows on the screen: the text's rows in the text colour, the selection in the highlight.
TEST_P(MemoTest, PaintsTheRowsAndTheSelection) {
  ::ShowWindow(host.Handle(), SW_SHOWNOACTIVATE);
  memo.SetFont(L"Courier New", 10);
  memo.SetWText(L"MMMM \u2588\u2588\u2588\u2588\r\n\u2588\u2588\u2588\u2588");
  memo.WPerform(EM_SETSEL, 0, 2);
  ::UpdateWindow(memo.Handle());
  const gui::cWindowDC dc(::GetDC(memo.Handle()));
  auto count = [&](COLORREF colour, int top, int bottom) {
    int found = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = 0; x < 200; ++x) found += ::GetPixel(dc.get(), x, y) == colour;
    return found;
  };
  const LRESULT second = memo.WPerform(EM_POSFROMCHAR, 11, 0);
  const int rowHeight = HIWORD(second);
  ASSERT_GT(rowHeight, 4);
  EXPECT_GT(count(::GetSysColor(COLOR_HIGHLIGHT), 0, rowHeight), 0);
  EXPECT_GT(count(::GetSysColor(COLOR_WINDOWTEXT), rowHeight, 2 * rowHeight), 0);
  EXPECT_EQ(count(::GetSysColor(COLOR_WINDOWTEXT), 3 * rowHeight, 4 * rowHeight), 0);
}

INSTANTIATE_TEST_SUITE_P(Windows, MemoTest, ::testing::Values(mwSystemEdit, mwTextView), MemoWindowName);

TEST(NarrowMemo, TextDegradesThroughTheCodePageAndLinesStillWork) {
  cTestHost host;
  std::unique_ptr<cWMemo> memo;
  {
    cUnicodeHelper::cIsNTOverride narrow(false);
    memo = std::make_unique<cWMemo>();
  }
  memo->Create(host.Handle(), 1);
  EXPECT_FALSE(::IsWindowUnicode(memo->Handle()));
  memo->SetWText(L"caf\u00E9 \u20AC\r\n\u0416\u4E2D");
  EXPECT_EQ(memo->WText(), L"caf\u00E9 \u20AC\r\n??");
  memo->SetSelStart(0);
  memo->SetSelLength(4);
  EXPECT_EQ(memo->WSelText(), L"caf\u00E9");
  memo->SetSelStart(8);
  EXPECT_EQ(memo->WCaretPos(), (tCaretPos{0, 1}));

  cWStrings& lines = memo->WLines();
  EXPECT_EQ(lines.Get(1), L"??");
  lines.Add(L"\u00FC");
  lines.Delete(0);
  EXPECT_EQ(memo->WText(), L"??\r\n\u00FC");
}
