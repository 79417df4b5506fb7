// Sending commands from the command pane, forwarding Ctrl+C and Ctrl+Break, and the status bar,
// run on the real main window with the test child.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "tests/session/SessionFixture.h"

namespace {

TEST(CleanCommandTest, MakesOneLineWithSingleSpacesOutsideQuotes) {
  EXPECT_EQ(cFormMain::CleanCommand(L"  dir   /b"), L"dir /b");
  EXPECT_EQ(cFormMain::CleanCommand(L"cd \\\r\ndir\r\n"), L"cd \\ dir");
  EXPECT_EQ(cFormMain::CleanCommand(L"a\rb\nc\ad"), L"a b c d");
  EXPECT_EQ(cFormMain::CleanCommand(L"     "), L"");
  EXPECT_EQ(cFormMain::CleanCommand(L"a\t\tb"), L"a\t\tb");
  EXPECT_EQ(cFormMain::CleanCommand(L"\u0416  \U0001F600"), L"\u0416 \U0001F600");
  // Inside double quotes the spaces stay; a line break there is one space.
  EXPECT_EQ(cFormMain::CleanCommand(L"echo \"a   b\"   c  \"\"  d"), L"echo \"a   b\" c \"\" d");
  EXPECT_EQ(cFormMain::CleanCommand(L"echo \"a\r\n  b\"\r\n\r\nc"), L"echo \"a   b\" c");
  // A quote never closed quotes the rest; the ends are trimmed all the same.
  EXPECT_EQ(cFormMain::CleanCommand(L"find  \"a   b   "), L"find \"a   b");
}

// Holds modifier keys down in this thread's keyboard state while a key message is handled.
void PressKey(HWND pane, WORD key, std::initializer_list<BYTE> modifiers = {}) {
  BYTE state[256];
  ::GetKeyboardState(state);
  BYTE saved[256];
  std::copy(std::begin(state), std::end(state), saved);
  for (BYTE m : modifiers) state[m] = 0x80;
  ::SetKeyboardState(state);
  bool alt = std::find(modifiers.begin(), modifiers.end(), VK_MENU) != modifiers.end();
  ::SendMessageW(pane, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, alt ? (1 << 29) : 0);
  ::SendMessageW(pane, alt ? WM_SYSKEYUP : WM_KEYUP, key, 0);
  ::SetKeyboardState(saved);
}

class CommandTest : public cSessionTest {
protected:
  // Fills the command pane and selects a stretch of it, as the user would before sending.
  void Select(const std::wstring& text, int start, int length) {
    Input().SetWText(text);
    Input().SetSelStart(start);
    Input().SetSelLength(length);
    form_->UpdateCommandText();
  }
  // Fills the command pane with the caret at the end.
  void Type(const std::wstring& text) { Select(text, static_cast<int>(text.size()), 0); }
  void Send(const std::wstring& text) {
    Type(text);
    form_->SendCommand(Input());
  }
};

TEST_F(CommandTest, EnterWithShiftCtrlOrAltSendsAndPlainEnterDoesNot) {
  OpenChild({L"echo"});
  Type(L"one");
  PressKey(Input().Handle(), VK_RETURN);
  RunUntil([] { return false; }, 300);
  EXPECT_EQ(OutputText(), L"");
  const std::pair<const wchar_t*, BYTE> sends[] = {{L"one", VK_SHIFT}, {L"two", VK_CONTROL}, {L"three", VK_MENU}};
  std::wstring output;
  for (const auto& [text, modifier] : sends) {
    Type(text);
    PressKey(Input().Handle(), VK_RETURN, {modifier});
    output += text + std::wstring(L"\r\n");
    EXPECT_TRUE(OutputBecomes(output)) << testing::PrintToString(OutputText());
  }
  // From the output pane, the command pane's command goes.
  Type(L"four");
  PressKey(Output().Handle(), VK_RETURN, {VK_SHIFT});
  EXPECT_TRUE(OutputHas(L"three\r\nfour\r\n"));
}

TEST_F(CommandTest, TheCaretLineOrTheSelectionIsSentAsOneCleanLine) {
  OpenChild({L"echo"});
  const struct {
    const wchar_t* Text;
    int Start, Length;
    const wchar_t* Sent;
  } cases[] = {
      {L"first\r\n  dir   /b\r\nlast", 10, 0, L"dir /b"}, {L"cd \\\r\ndir", 0, 9, L"cd \\ dir"}, {L"   ", 0, 3, L""},
      {L"echo \"a   b\"   c", 0, 0, L"echo \"a   b\" c"}};
  std::wstring output;
  for (const auto& c : cases) {
    Select(c.Text, c.Start, c.Length);
    EXPECT_EQ(form_->CommandText(), c.Sent);
    form_->SendCommand(Input());
    output += c.Sent + std::wstring(L"\r\n");
    EXPECT_TRUE(OutputBecomes(output)) << testing::PrintToString(OutputText());
  }
}

TEST_F(CommandTest, WhatIsSentFollowsTheCaretWhateverMovesIt) {
  OpenChild({L"echo"});
  // Commands of the window move the caret with EM_SETSEL, past the pane's keys and mouse.
  const struct {
    const wchar_t* Name;
    void (*Move)(cConsoleEdit&);
    const wchar_t* Sent;
  } cases[] = {
      {L"go to", [](cConsoleEdit& pane) { pane.GotoLine(2); }, L"dir"},
      {L"find next", [](cConsoleEdit& pane) { pane.FindNext({srFromCursor, 0, L"dir"}); }, L"dir"},
      {L"select all", [](cConsoleEdit& pane) { pane.WPerform(EM_SETSEL, 0, -1); }, L"del *.tmp rem dir"},
  };
  std::wstring output;
  for (const auto& c : cases) {
    for (BYTE modifier : {VK_MENU, VK_SHIFT}) {
      Select(L"del *.tmp\r\nrem\r\ndir", 0, 0);
      c.Move(Input());
      EXPECT_EQ(form_->CommandText(), c.Sent) << c.Name;
      PressKey(Input().Handle(), VK_RETURN, {modifier});
      output += c.Sent + std::wstring(L"\r\n");
      EXPECT_TRUE(OutputBecomes(output)) << c.Name << testing::PrintToString(OutputText());
    }
  }
}

TEST_F(CommandTest, AWrappedLineIsSentWhole) {
  OpenChild({L"echo"});
  std::wstring line = L"echo";
  while (line.size() < 600) line += L" word";
  Input().SetWordWrap(true);
  // The caret on the first row, on a row in the middle, and on the second line's last row.
  const std::wstring text = line + L"\r\n" + line + L"!";
  std::wstring output;
  for (size_t caret : {size_t{0}, line.size() / 2, text.size()}) {
    Select(text, static_cast<int>(caret), 0);
    ASSERT_GT(Input().WPerform(EM_GETLINECOUNT, 0, 0), 4);
    const std::wstring sent = caret > line.size() ? line + L"!" : line;
    EXPECT_EQ(form_->CommandText(), sent) << caret;
    form_->SendCommand(Input());
    output += sent + L"\r\n";
    EXPECT_TRUE(OutputBecomes(output)) << caret;
  }
}

TEST_F(CommandTest, CommandsAreEncodedInTheInputEncoding) {
  const std::wstring text = L"\u00e9\u0416\u4e2d\U0001F600";
  for (const wchar_t* both : {L"UTF8", L"UTF16LE", L"UTF16BE"}) {
    OpenChild({L"copy"}, std::wstring(L"-input:") + both + L" -output:" + both);
    Send(text);
    EXPECT_TRUE(OutputBecomes(text + L"\r\n")) << both;
    TearDown();
  }
}

TEST_F(CommandTest, EchoPutsTheCommandBelowThePrompt) {
  OpenChild({L"prompt:C:\\>", L"echo"}, L"-echo");
  ASSERT_TRUE(OutputBecomes(L"C:\\>"));
  Send(L"ver");
  // The echo on its own line under the prompt, then what the child answers.
  EXPECT_TRUE(OutputHas(L"C:\\>\r\nver\r\n"));
}

TEST_F(CommandTest, SendingToAChildThatEndedLocksTheSession) {
  OpenChild({L"sleep:1500"});
  Type(L"late");
  ASSERT_EQ(::WaitForSingleObject(form_->ChildProcess(), 10000), WAIT_OBJECT_0);
  form_->SendCommand(Input());
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].Text, L"Remote process ended");
  EXPECT_TRUE(Input().ReadOnly());
  EXPECT_NE(form_->Caption().find(L" (terminated)"), std::wstring::npos);
  // A read-only pane sends nothing.
  form_->SendCommand(Input());
  EXPECT_EQ(boxes_.size(), 1u);
}

// Seen under Wine 8: Ctrl+C arrives as CTRL_C_EVENT. Wine refuses to raise CTRL_BREAK_EVENT, and
// its console ignores a typed Ctrl+Break, so Ctrl+Break arrives as the typed Ctrl+C's
// CTRL_C_EVENT there; Windows raises CTRL_BREAK_EVENT.
TEST_F(CommandTest, CtrlCAndCtrlBreakReachTheChildFromEitherPane) {
  OpenChild({L"ctrl", L"sleep"});
  ASSERT_NE(form_->ConsoleWindow(), nullptr);
  RunUntil([] { return false; }, 300);
  PressKey(Input().Handle(), 'C', {VK_CONTROL});
  EXPECT_TRUE(OutputBecomes(L"CTRL_C_EVENT\r\n"));
  Output().SetReadOnly(true);
  PressKey(Output().Handle(), VK_CANCEL, {VK_CONTROL});
  EXPECT_TRUE(RunUntil([&] {
    std::wstring text = OutputText();
    return text == L"CTRL_C_EVENT\r\nCTRL_BREAK_EVENT\r\n" || text == L"CTRL_C_EVENT\r\nCTRL_C_EVENT\r\n";
  })) << testing::PrintToString(OutputText());
  // Other Ctrl keys stay in the pane.
  PressKey(Input().Handle(), 'V', {VK_CONTROL});
  RunUntil([] { return false; }, 400);
  const std::wstring text = OutputText();
  EXPECT_EQ(std::count(text.begin(), text.end(), L'\n'), 2) << testing::PrintToString(text);
}

// The events this program raises reach it as well; it ignores them for its whole life, so one
// that comes long after (here raised by the test in the child's console) does not end it.
TEST_F(CommandTest, ALateControlEventDoesNotEndTheProgram) {
  OpenChild({L"ctrl", L"sleep"});
  PressKey(Input().Handle(), 'C', {VK_CONTROL});
  ASSERT_TRUE(OutputBecomes(L"CTRL_C_EVENT\r\n"));
  RunUntil([] { return false; }, 300);
  ASSERT_TRUE(::AttachConsole(form_->ChildProcessId()));
  ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
  ::Sleep(300);
  ::FreeConsole();
  EXPECT_TRUE(OutputBecomes(L"CTRL_C_EVENT\r\nCTRL_C_EVENT\r\n"));
}

// Wine gives a GUI program a console of its own when a console program starts it; with one, this
// program could not attach to the child's console. It gives its own up.
TEST_F(CommandTest, CtrlCReachesTheChildWhenThisProgramHadAConsole) {
  ASSERT_TRUE(::AllocConsole());
  OpenChild({L"ctrl", L"sleep"});
  EXPECT_NE(form_->ConsoleWindow(), nullptr);
  RunUntil([] { return false; }, 300);
  PressKey(Input().Handle(), 'C', {VK_CONTROL});
  EXPECT_TRUE(OutputBecomes(L"CTRL_C_EVENT\r\n"));
}

// A command the input code page cannot carry whole is not sent, and not echoed: a look-alike "&"
// would run a second command in a shell. It stays in the pane, and the box says why.
TEST_F(CommandTest, ACommandTheCodePageCannotCarryIsNotSent) {
  for (const wchar_t* encoding : {L"OEM", L"ANSI"}) {
    OpenChild({L"echo"}, std::wstring(L"-echo -input:") + encoding);
    const std::wstring refused = L"echo a\uFF06echo INJECTED";
    Send(refused);
    ASSERT_EQ(boxes_.size(), 1u);
    const UINT codePage = encoding[0] == L'O' ? ::GetOEMCP() : ::GetACP();
    EXPECT_EQ(boxes_[0].Text.rfind(std::wstring(L"The command was not sent: the input encoding ") + encoding +
                                       L" (code page " + std::to_wstring(codePage) + L")",
                                   0),
              0u)
        << testing::PrintToString(boxes_[0].Text);
    EXPECT_EQ(Input().WText(), refused);
    Send(L"next");
    // The echo (a line of its own, then an empty one) and the child's copy: nothing of the first.
    EXPECT_TRUE(OutputBecomes(L"next\r\n\r\nnext\r\n")) << testing::PrintToString(OutputText());
    boxes_.clear();
    TearDown();
  }
}

// A child that has closed its input takes no command: none is echoed or logged, the box says why
// once (a later command only beeps), and the child runs on. Seen under Wine 8: the pipe fails
// writes only once the console the child left has gone, some 800 ms later, so the child waits
// before it says it is ready.
TEST_F(CommandTest, ACommandTheChildCanNoLongerTakeIsNeitherEchoedNorLogged) {
  cTempDir folder;
  const std::wstring log = (folder.Path() / L"session.log").wstring();
  OpenChild({L"closein", L"sleep:3000", L"out:6F6B0D0A", L"sleep"}, L"-echo \"-log:" + log + L"\"");
  ASSERT_TRUE(OutputBecomes(L"ok\r\n"));
  Send(L"lost");
  Send(L"lost again");
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].Text.rfind(L"The command was not sent: the child process no longer reads its input.", 0), 0u)
      << testing::PrintToString(boxes_[0].Text);
  EXPECT_EQ(OutputText(), L"ok\r\n");
  EXPECT_TRUE(form_->IsChildAlive());
  Close();
  EXPECT_EQ(ReadBytes(log).find("lost"), std::string::npos) << ReadBytes(log);
}

// Windows' CMD.EXE stops the loop and answers the next command. Seen under Wine 8: its CMD.EXE
// has no Ctrl+C handler of its own, so Ctrl+C ends it, loop and all (idle at its prompt too), and
// the session notices that its child has ended.
TEST_F(CommandTest, CtrlCStopsALoopInCmd) {
  Open(L"-- cmd");
  ASSERT_TRUE(OutputHas(L">"));
  Send(L"for /L %i in (1,1,100000000) do @set x=%i");
  RunUntil([] { return false; }, 500);
  ASSERT_TRUE(form_->IsChildAlive());
  const size_t before = OutputText().size();
  PressKey(Input().Handle(), 'C', {VK_CONTROL});
  Type(L"echo after");
  EXPECT_TRUE(RunUntil([&] {
    if (!form_->IsChildAlive()) return true;
    form_->SendCommand(Input());
    return RunUntil([&] { return OutputText().find(L"after", before) != std::wstring::npos; }, 2000);
  }, 20000));
  if (!form_->IsChildAlive()) {
    EXPECT_TRUE(RunUntil([&] { return Input().ReadOnly(); }));
  }
}

TEST_F(CommandTest, StatusBarFollowsBothPanes) {
  OpenChild({L"out:610D0A620D0A", L"sleep"});
  ASSERT_TRUE(OutputBecomes(L"a\r\nb\r\n"));
  cStatus& status = *form_->Status();
  // Output brings the line count along by itself.
  EXPECT_TRUE(RunUntil([&] { return status.PanelText(3) == L"2 lines"; }));
  Type(L"x\r\n\u0416\u4e2d \U0001F600");
  ::SetFocus(Input().Handle());
  form_->UpdateCommandText();
  // The caret stands after five UTF-16 units of the second line (the emoji takes two).
  EXPECT_EQ(status.PanelText(0), L"  2:6  " + std::wstring(1, cStatus::FocusMark));
  EXPECT_EQ(status.PanelText(1), L"\u0416\u4e2d \U0001F600");
  form_->UpdateOutputStatus();
  EXPECT_EQ(status.PanelText(3), L"2 lines");
  EXPECT_EQ(status.PanelText(2).back(), L' ');  // not focused: no mark
  ::SetFocus(Output().Handle());
  EXPECT_EQ(status.PanelText(2).back(), cStatus::FocusMark);
  EXPECT_EQ(status.PanelText(0).back(), L' ');
  status.ShowHint(L"Short|The long part");
  EXPECT_EQ(status.PanelText(3), L"The long part");
  status.ShowHint(L"Whole hint");
  EXPECT_EQ(status.PanelText(3), L"Whole hint");
}

// Draws one panel into a bitmap and answers the colour at its corner.
COLORREF PanelBackground(const cStatus& status, UINT panel) {
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 80, 20);
  ::ReleaseDC(nullptr, screen);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  DRAWITEMSTRUCT item{};
  item.itemID = panel;
  item.hDC = dc;
  item.rcItem = {0, 0, 80, 20};
  status.DrawPanel(item);
  COLORREF corner = ::GetPixel(dc, 0, 0);
  ::SelectObject(dc, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
  return corner;
}

TEST_F(CommandTest, StatusBarHighlightsTheFocusedPaneAndFollowsTheSplitter) {
  OpenChild({L"sleep"});
  gui::cSplitter splitter;
  splitter.Create(form_->Handle());
  cStatus status(form_->StatusBar(), splitter);
  status.ShowCommand({0, 0}, L"dir", true);
  status.ShowOutput({0, 0}, 1, false);
  EXPECT_EQ(status.PanelText(0), L"  1:1  " + std::wstring(1, cStatus::FocusMark));
  EXPECT_EQ(status.PanelText(3), L"1 line");
  EXPECT_EQ(PanelBackground(status, 0), RGB(0, 0, 128));
  EXPECT_EQ(PanelBackground(status, 2), ::GetSysColor(COLOR_BTNFACE));
  status.ShowOutput({0, 0}, 0, true);
  EXPECT_EQ(status.PanelText(3), L"");
  EXPECT_EQ(PanelBackground(status, 2), RGB(0, 0, 128));
  // Panels 0 and 1 reach to the middle of the splitter, wherever it goes.
  for (int left : {120, 300}) {
    splitter.SetBounds(left, 0, 10, 50);
    EXPECT_EQ(status.PanelWidth(0) + status.PanelWidth(1), left + 5);
  }
}

TEST_F(CommandTest, NothingReachesTheStatusPainterOnceItIsFreed) {
  OpenChild({L"sleep"});
  gui::cSplitter splitter;
  splitter.Create(form_->Handle());
  {
    cStatus status(form_->StatusBar(), splitter);
    ASSERT_TRUE(splitter.OnMoved);
  }
  EXPECT_FALSE(splitter.OnMoved);
  splitter.SetBounds(10, 0, 10, 10);
  // Closing frees the window's painter; the pane handlers that still run reach none.
  ::SendMessageW(form_->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(form_->Status(), nullptr);
  form_->UpdateCommandText();
  form_->UpdateOutputStatus();
}

TEST_F(CommandTest, AChildThatNeverReadsCannotFreezeTheWindow) {
  OpenChild({L"out:6F6B", L"sleep"});
  ASSERT_TRUE(OutputBecomes(L"ok"));
  Type(std::wstring(10 * 1024, L'x'));
  ULONGLONG start = ::GetTickCount64();
  for (int i = 0; i < 100; ++i) form_->SendCommand(Input());
  // A megabyte waits for a child that never reads; the sends themselves return at once.
  EXPECT_LT(::GetTickCount64() - start, 5000u);
  DWORD_PTR answer = 0;
  EXPECT_NE(::SendMessageTimeoutW(form_->Handle(), WM_NULL, 0, 0, SMTO_NORMAL, 2000, &answer), 0);
  HANDLE process = nullptr;
  ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), form_->ChildProcess(), ::GetCurrentProcess(), &process,
                                SYNCHRONIZE, FALSE, 0));
  gui::cKernelHandle child(process);
  start = ::GetTickCount64();
  TearDown();
  std::printf("closing with a full input pipe took %llu ms\n", ::GetTickCount64() - start);
  EXPECT_EQ(::WaitForSingleObject(child.get(), 2000), WAIT_OBJECT_0);
}

}  // namespace
