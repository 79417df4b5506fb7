#include <gtest/gtest.h>

#include <windows.h>

#include "tests/support/TestSupport.h"

namespace {

// Raises Ctrl+C in the console of the given process. Wine 8 refuses GenerateConsoleCtrlEvent,
// but its console turns a Ctrl+C key record written to the console input into the event.
void RaiseCtrlC(DWORD processId) {
  ::FreeConsole();
  ASSERT_TRUE(::AttachConsole(processId));
  ::SetConsoleCtrlHandler(nullptr, TRUE);  // the event must not end this process
  if (!::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) {
    gui::cKernelHandle input(::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(input);
    INPUT_RECORD keys[2]{};
    for (int i = 0; i < 2; ++i) {
      keys[i].EventType = KEY_EVENT;
      keys[i].Event.KeyEvent.bKeyDown = i == 0;
      keys[i].Event.KeyEvent.wRepeatCount = 1;
      keys[i].Event.KeyEvent.wVirtualKeyCode = 'C';
      keys[i].Event.KeyEvent.wVirtualScanCode = 0x2E;
      keys[i].Event.KeyEvent.uChar.UnicodeChar = 3;
      keys[i].Event.KeyEvent.dwControlKeyState = LEFT_CTRL_PRESSED;
    }
    DWORD written = 0;
    ASSERT_TRUE(::WriteConsoleInputW(input.get(), keys, 2, &written));
  }
  // Give the event time to arrive before this process leaves the console.
  ::Sleep(100);
  ::FreeConsole();
  ::SetConsoleCtrlHandler(nullptr, FALSE);
  ::AttachConsole(ATTACH_PARENT_PROCESS);
}

TEST(TestChild, EchoCopiesLinesUntilExit) {
  tChildRun run = RunTestChild({L"echo", L"out:2E"}, "one\r\ntwo\nexit\r\nthree\r\n");
  EXPECT_EQ(run.Output, "one\r\ntwo\n.");
  EXPECT_EQ(run.ExitCode, 0u);
}

TEST(TestChild, EchoCopiesUntilTheEndOfInput) {
  tChildRun run = RunTestChild({L"echo"}, "first\r\nlast without break");
  EXPECT_EQ(run.Output, "first\r\nlast without break");
  EXPECT_EQ(run.ExitCode, 0u);
}

TEST(TestChild, HexBytesGoToTheirStream) {
  tChildRun run = RunTestChild({L"out:48690d0A", L"err:0001FF", L"out:00"});
  EXPECT_EQ(run.Output, std::string("Hi\r\n\0", 5));
  EXPECT_EQ(run.Error, std::string("\0\1\xFF", 3));
}

TEST(TestChild, ExitEndsAtOnceWithTheCode) {
  tChildRun run = RunTestChild({L"out:41", L"exit:7", L"out:42"});
  EXPECT_EQ(run.Output, "A");
  EXPECT_EQ(run.ExitCode, 7u);
  EXPECT_EQ(RunTestChild({L"exit:3221225477"}).ExitCode, 3221225477u);
}

TEST(TestChild, BadVerbIsReportedBeforeAnythingRuns) {
  for (const wchar_t* bad : {L"bogus", L"out:4", L"out:4G", L"flood:", L"sleep:-1", L"echo:1"}) {
    tChildRun run = RunTestChild({L"out:41", bad});
    EXPECT_EQ(run.ExitCode, 2u) << bad;
    EXPECT_EQ(run.Output, "") << bad;
    EXPECT_NE(run.Error.find("cannot understand"), std::string::npos) << bad;
  }
}

TEST(TestChild, FloodWritesExactlyTheNumberedLines) {
  tChildRun run = RunTestChild({L"flood:200"});
  EXPECT_EQ(run.Output, FloodText(200));
  EXPECT_EQ(run.Output.substr(0, 80),
            "00000001 klmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyza\r\n");
  EXPECT_EQ(run.Output.substr(80, 9), "00000002 ");

  const std::size_t big = 3 * 65536 + 17;
  run = RunTestChild({L"flood:" + std::to_wstring(big)});
  EXPECT_EQ(run.Output.size(), big);
  EXPECT_TRUE(run.Output == FloodText(big));
}

TEST(TestChild, PromptWaitsForItsLine) {
  cTestChild child({L"prompt:C:\\> ", L"out:21"});
  EXPECT_EQ(child.Read(5), "C:\\> ");
  EXPECT_EQ(child.Wait(200), static_cast<DWORD>(STILL_ACTIVE));
  ASSERT_TRUE(child.Write("dir\r\n"));
  EXPECT_EQ(child.Read(6), "dir\r\n!");
  EXPECT_EQ(child.Wait(10000), 0u);
}

TEST(TestChild, SleepDoesNotReadInput) {
  cTestChild child({L"sleep"});
  ASSERT_TRUE(child.Write("exit\r\n"));
  child.CloseInput();
  EXPECT_EQ(child.Wait(300), static_cast<DWORD>(STILL_ACTIVE));
}

TEST(TestChild, ControlEventsAreReportedAndSurvived) {
  cTestChild child({L"ctrl", L"out:0D0A", L"sleep"}, CREATE_NEW_CONSOLE);
  ASSERT_EQ(child.Read(2), "\r\n");
  RaiseCtrlC(child.ProcessId());
  EXPECT_EQ(child.Read(14), "CTRL_C_EVENT\r\n");
  EXPECT_EQ(child.Wait(200), static_cast<DWORD>(STILL_ACTIVE));
}

}  // namespace
