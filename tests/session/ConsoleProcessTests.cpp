// The child in its hidden console with its pipes and threads, without any window of the program
// (the listener hands the output to a sink of the test): what the child inherits, its control
// events, the end of its output and the end of its console's processes.
#include "session/ConsoleProcess.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/Application.h"
#include "tests/session/ListenerSink.h"
#include "tests/support/TestSupport.h"

namespace {

bool RunUntil(const std::function<bool()>& done, DWORD ms = 10000) { return gui::cApplication::RunUntil(done, ms); }

// Whether every writer of the pipe has gone: a peek then fails with ERROR_BROKEN_PIPE.
bool WritersGone(HANDLE pipe) {
  DWORD available = 0;
  return !::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && ::GetLastError() == ERROR_BROKEN_PIPE;
}

// The processes a test child reported with "spawned PID" lines, in order.
std::vector<gui::cKernelHandle> Spawned(const std::string& output) {
  std::vector<gui::cKernelHandle> processes;
  for (size_t at = 0; (at = output.find("spawned ", at)) != std::string::npos; ++at)
    processes.emplace_back(
        ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, static_cast<DWORD>(std::stoul(output.substr(at + 8)))));
  return processes;
}

// A console process whose output goes to a sink of the test.
class ConsoleProcess : public ::testing::Test {
protected:
  cSink sink;
  cConsoleProcess child{sink};
};

TEST_F(ConsoleProcess, InheritsItsPipeEndsOnlyAndItsOutputEndsWithIt) {
  // A handle this program made inheritable for something else entirely.
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  gui::cKernelHandle strayRead, strayWrite;
  ASSERT_TRUE(::CreatePipe(strayRead.put(), strayWrite.put(), &sa, 0));
  ASSERT_TRUE(child.Start(L"", TestChildCommandLine({L"out:6869", L"sleep:500"})));
  child.ResumeListener();
  // Seen under Wine 8: the list of handles to inherit is honoured, as on Windows.
  strayWrite.reset();
  EXPECT_TRUE(WritersGone(strayRead.get())) << "the child holds a handle that was not its own";
  // The listener sees the end of the output once the child has ended.
  EXPECT_TRUE(RunUntil([&] { return sink.ends == 1; }));
  EXPECT_EQ(sink.data, "hi");
  EXPECT_FALSE(child.IsAlive());
}

// A console window not found at the start is looked for again when a control key needs it; a
// command goes to the child in the input encoding.
TEST_F(ConsoleProcess, RaisesControlEventsBeforeItsWindowWasLookedForAndTakesCommands) {
  ASSERT_TRUE(child.Start(L"", TestChildCommandLine({L"ctrl", L"out:4F4B0D0A", L"echo"})));
  child.ResumeListener();
  ASSERT_TRUE(RunUntil([&] { return sink.data == "OK\r\n"; }));
  EXPECT_EQ(child.ConsoleWindow(), nullptr);
  EXPECT_TRUE(child.RaiseControl(CTRL_C_EVENT, nullptr));
  EXPECT_NE(child.ConsoleWindow(), nullptr);
  EXPECT_TRUE(RunUntil([&] { return sink.data == "OK\r\nCTRL_C_EVENT\r\n"; })) << sink.data;
  child.SetInputEncoding(peUTF8);
  EXPECT_EQ(child.Write(L"\u00e9\r\n"), tWriteResult::Queued);
  EXPECT_TRUE(RunUntil([&] { return sink.data == "OK\r\nCTRL_C_EVENT\r\n\xC3\xA9\r\n"; })) << sink.data;
  child.End(500, 400);
  EXPECT_FALSE(child.IsAlive());
}

// Ending needs no console window: every process attached to the console ends, found through the
// console itself; a process with a console of its own is left alone.
TEST_F(ConsoleProcess, EndingEndsEveryProcessOfItsConsoleOnly) {
  ASSERT_TRUE(child.Start(L"", TestChildCommandLine({L"spawn:same", L"spawn:own", L"out:4F4B", L"sleep"})));
  child.ResumeListener();
  ASSERT_TRUE(RunUntil([&] { return sink.data.find("OK") != std::string::npos; }));
  std::vector<gui::cKernelHandle> grandchildren = Spawned(sink.data);
  ASSERT_EQ(grandchildren.size(), 2u) << sink.data;
  EXPECT_EQ(child.ConsoleWindow(), nullptr);
  child.End(0, 400);
  EXPECT_EQ(::WaitForSingleObject(grandchildren[0].get(), 3000), WAIT_OBJECT_0);
  EXPECT_EQ(::WaitForSingleObject(grandchildren[1].get(), 300), WAIT_TIMEOUT);
  ::TerminateProcess(grandchildren[1].get(), 1);
}

TEST_F(ConsoleProcess, AProgramThatCannotStartSaysWhy) {
  EXPECT_FALSE(child.Start(L"", L"no_such_program_here.exe"));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(child.IsAlive());
}

}  // namespace
