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

class MemoTest : public ::testing::Test {
protected:
  void SetUp() override { host.Hold(memo); }
  // Sets the text and puts the caret at its start.
  void Load(const std::wstring& text) {
    memo.SetWText(text);
    memo.SetSelStart(0);
  }

  cTestHost host;
  cWMemo memo;
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

TEST_F(MemoTest, TextOutsideTheCodePageComesBackUnchanged) {
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

TEST_F(MemoTest, CaretPositionIsColumnAndLineOfTheSelectionStart) {
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

TEST_F(MemoTest, HoldsFarMoreThanTheDefaultLimit) {
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

TEST_F(MemoTest, WordWrapRecreatesTheWindowWhichCallersRefill) {
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
    EXPECT_EQ(memo.WText(), L"");
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

TEST_F(MemoTest, LinesFollowTheEditControlsBreaks) {
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

TEST_F(MemoTest, ReplacingTheWholeTextComparesFirstAndReportsARefusal) {
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

TEST_F(MemoTest, KeyDownComesFirstAndCanKeepTheKeyFromTheControl) {
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

TEST_F(MemoTest, ColourAnswersTheEditableAndTheReadOnlyRequest) {
  const gui::cWindowDC dc(::GetDC(memo.Handle()));
  for (bool readOnly : {false, true}) {
    const COLORREF colour = readOnly ? RGB(192, 192, 192) : RGB(255, 255, 255);
    memo.SetReadOnly(readOnly);
    memo.SetColor(colour);
    ::SendMessageW(host.Handle(), readOnly ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc.get()),
                   reinterpret_cast<LPARAM>(memo.Handle()));
    EXPECT_EQ(::GetBkColor(dc.get()), colour);
  }
}

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
