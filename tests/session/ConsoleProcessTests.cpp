// The child in its hidden console, without any window of the program: what it inherits, its
// control events and the end of its output.
#include "session/ConsoleProcess.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/Application.h"
#include "tests/support/TestSupport.h"

namespace {

// An anonymous pipe; only the end named inheritable is.
struct tPipe {
  gui::cKernelHandle Read, Write;
  explicit tPipe(bool readInheritable) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    EXPECT_TRUE(::CreatePipe(Read.put(), Write.put(), &sa, 0));
    ::SetHandleInformation(readInheritable ? Write.get() : Read.get(), HANDLE_FLAG_INHERIT, 0);
  }
};

// Reads until the text has come or the time is up; answers what came.
std::string ReadUntil(HANDLE pipe, std::string_view wanted, DWORD timeoutMs = 10000) {
  std::string text;
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  while (text.find(wanted) == std::string::npos && ::GetTickCount64() < deadline) {
    DWORD available = 0;
    if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) break;
    if (available == 0) {
      ::Sleep(20);
      continue;
    }
    std::string piece(available, '\0');
    DWORD read = 0;
    if (!::ReadFile(pipe, piece.data(), available, &read, nullptr)) break;
    text.append(piece, 0, read);
  }
  return text;
}

// Whether every writer of the pipe has gone: a peek then fails with ERROR_BROKEN_PIPE.
bool WritersGone(HANDLE pipe) {
  DWORD available = 0;
  return !::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && ::GetLastError() == ERROR_BROKEN_PIPE;
}

TEST(ConsoleProcess, InheritsItsStandardHandlesOnlyAndItsOutputEndsWithIt) {
  tPipe input(true), output(false);
  // A handle this program made inheritable for something else entirely.
  tPipe stray(false);
  cConsoleProcess child;
  ASSERT_TRUE(child.Start(L"", TestChildCommandLine({L"out:6869", L"sleep"}), input.Read.get(), output.Write.get()));
  input.Read.reset();
  output.Write.reset();
  EXPECT_EQ(ReadUntil(output.Read.get(), "hi"), "hi");
  // Seen under Wine 8: the list of handles to inherit is honoured, as on Windows.
  stray.Write.reset();
  EXPECT_TRUE(WritersGone(stray.Read.get())) << "the child holds a handle that was not its own";

  child.End(500);
  EXPECT_EQ(::WaitForSingleObject(child.Process(), 2000), WAIT_OBJECT_0);
  EXPECT_FALSE(child.IsAlive());
  EXPECT_TRUE(gui::cApplication::RunUntil([&] { return WritersGone(output.Read.get()); }, 2000));
}

// A console window not found at the start is looked for again when a control key needs it.
TEST(ConsoleProcess, RaisesControlEventsBeforeItsWindowWasLookedFor) {
  tPipe input(true), output(false);
  cConsoleProcess child;
  ASSERT_TRUE(child.Start(L"", TestChildCommandLine({L"ctrl", L"out:4F4B", L"sleep"}), input.Read.get(),
                          output.Write.get()));
  ASSERT_EQ(ReadUntil(output.Read.get(), "OK"), "OK");
  EXPECT_EQ(child.ConsoleWindow(), nullptr);
  EXPECT_TRUE(child.RaiseControl(CTRL_C_EVENT, nullptr));
  EXPECT_NE(child.ConsoleWindow(), nullptr);
  EXPECT_EQ(ReadUntil(output.Read.get(), "\r\n"), "CTRL_C_EVENT\r\n");
  child.End(0);
}

// Ending needs no console window: every process attached to the console ends, found through the
// console itself; a process with a console of its own is left alone.
TEST(ConsoleProcess, EndingEndsEveryProcessOfItsConsoleOnly) {
  tPipe input(true), output(false);
  cConsoleProcess child;
  ASSERT_TRUE(child.Start(L"", TestChildCommandLine({L"spawn:same", L"spawn:own", L"out:4F4B", L"sleep"}), input.Read.get(),
                          output.Write.get()));
  const std::string spawned = ReadUntil(output.Read.get(), "OK");
  std::vector<gui::cKernelHandle> grandchildren;
  for (size_t at = 0; (at = spawned.find("spawned ", at)) != std::string::npos; ++at)
    grandchildren.emplace_back(
        ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, static_cast<DWORD>(std::stoul(spawned.substr(at + 8)))));
  ASSERT_EQ(grandchildren.size(), 2u) << spawned;
  EXPECT_EQ(child.ConsoleWindow(), nullptr);
  child.End(0);
  EXPECT_EQ(::WaitForSingleObject(grandchildren[0].get(), 3000), WAIT_OBJECT_0);
  EXPECT_EQ(::WaitForSingleObject(grandchildren[1].get(), 300), WAIT_TIMEOUT);
  ::TerminateProcess(grandchildren[1].get(), 1);
}

TEST(ConsoleProcess, AProgramThatCannotStartSaysWhy) {
  tPipe input(true), output(false);
  cConsoleProcess child;
  EXPECT_FALSE(child.Start(L"", L"no_such_program_here.exe", input.Read.get(), output.Write.get()));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(child.IsAlive());
  child.End(0);
}

}  // namespace
