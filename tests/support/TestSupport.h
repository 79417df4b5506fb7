#pragma once
// Helpers every test executable links: where the test child lives, how to start it on pipes,
// and scratch directories.
#include <windows.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

#include "gui/Handle.h"
#include "gui/Scope.h"
#include "tests/support/Flood.h"

// The directory of the running test executable; the test child and the test data sit beside it.
std::wstring TestExeDir();

// testchild.exe next to the running test executable.
std::wstring TestChildPath();

// One argument quoted so that the C runtime's command-line parser gives it back unchanged.
std::wstring QuoteArgument(std::wstring_view argument);

// The command line that starts the test child with the given verbs (see tests/child/testchild.cpp).
std::wstring TestChildCommandLine(std::initializer_list<std::wstring_view> verbs);

// The bytes of a file; empty when it cannot be read.
std::string ReadBytes(const std::filesystem::path& file);

// A fresh directory under the system's temporary directory, removed with everything in it when
// the object goes.
class cTempDir : gui::cScoped {
public:
  cTempDir();
  ~cTempDir();

  const std::filesystem::path& Path() const noexcept { return path_; }
  // Creates (or replaces) a file in the directory with the given bytes and answers its path.
  std::filesystem::path WriteFile(std::wstring_view name, std::string_view bytes) const;

private:
  std::filesystem::path path_;
};

// The reading end of a named pipe (\\.\pipe\marvesk-test-PID-N, 64 KB of buffer) that nothing
// reads: a writer that opens it as a file fills the buffer, then waits for good. Once the reader
// has gone, the writer's next write fails.
class cUnreadPipe {
public:
  cUnreadPipe();

  const std::wstring& Path() const noexcept { return path_; }
  bool IsOpen() const noexcept { return static_cast<bool>(reader_); }
  void CloseReader() noexcept { reader_.reset(); }

private:
  std::wstring path_;
  gui::cKernelHandle reader_;
};

// The test child running on three pipes of its own: standard input, output and error. A child
// still running when the object goes is terminated.
class cTestChild {
public:
  explicit cTestChild(std::initializer_list<std::wstring_view> verbs, DWORD creationFlags = CREATE_NO_WINDOW);
  ~cTestChild();
  cTestChild(const cTestChild&) = delete;
  cTestChild& operator=(const cTestChild&) = delete;

  HANDLE Process() const noexcept { return process_.get(); }
  DWORD ProcessId() const noexcept { return processId_; }

  // Writes to the child's standard input; false once the child stopped reading for good.
  bool Write(std::string_view bytes);
  // Closes the child's standard input: its next read meets the end of input.
  void CloseInput() noexcept { input_.reset(); }

  // Reads the child's standard output until count bytes came or the output ended.
  std::string Read(std::size_t count);
  // Reads standard output, or standard error, until it ends. Reading one stream to its end
  // while the child fills the other can block both: RunTestChild reads both at once.
  std::string ReadOutputToEnd();
  std::string ReadErrorToEnd();

  // Waits for the child's end and answers its exit code, or STILL_ACTIVE after the time ran out.
  DWORD Wait(DWORD milliseconds) const;
  void Terminate() const noexcept;

private:
  gui::cKernelHandle process_;
  DWORD processId_ = 0;
  gui::cKernelHandle input_;
  gui::cKernelHandle output_;
  gui::cKernelHandle error_;
};

struct tChildRun {
  DWORD ExitCode = STILL_ACTIVE;
  bool TimedOut = false;  // the child was terminated after the time ran out
  std::string Output;
  std::string Error;
};

// Runs the test child to its end: feeds it the input, then the end of input, and collects both
// output streams.
tChildRun RunTestChild(std::initializer_list<std::wstring_view> verbs, std::string_view input = {},
                       DWORD timeoutMilliseconds = 30000);
