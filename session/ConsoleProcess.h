#pragma once
// The child: a console program in a new, hidden console of its own. This class starts it with
// exactly its standard handles, finds the console's window, raises the console's control events
// and, when the session ends, ends every process attached to that console. It needs no window.
#include <windows.h>

#include <string>

#include "gui/Handle.h"

class cConsoleProcess {
public:
  cConsoleProcess() = default;
  cConsoleProcess(const cConsoleProcess&) = delete;
  cConsoleProcess& operator=(const cConsoleProcess&) = delete;

  // Starts the command line in a new hidden console. The application is the program's full path;
  // empty, the system finds the program from the command line. The child inherits these handles
  // and no other: input as its standard input, output as its standard output and error. False
  // when it cannot start, with the system's error as the last error.
  bool Start(const std::wstring& application, const std::wstring& commandLine, HANDLE input, HANDLE output);

  HANDLE Process() const noexcept { return process_.get(); }
  DWORD ProcessId() const noexcept { return processId_; }
  // False once the child has been found ended, and from then on.
  bool IsAlive();

  // The console's window; none until FindConsoleWindow found it.
  HWND ConsoleWindow() const noexcept { return consoleWindow_; }
  // Looks for the console's window once, never taking the window given; answers it or none.
  HWND FindConsoleWindow(HWND notThis);
  // Raises Ctrl+C (CTRL_C_EVENT) or Ctrl+Break (CTRL_BREAK_EVENT) in the console. A console
  // window not found yet is looked for again first.
  bool RaiseControl(DWORD controlEvent, HWND notThis);

  // Ends the session's console: its window is asked to close, the child gets waitMs to end
  // (messages sent to this thread are answered meanwhile), then the child and every process
  // still attached to the console are ended. Processes the child started with a console of their
  // own, or with none, are left alone.
  void End(DWORD waitMs);

private:
  gui::cKernelHandle process_, thread_;
  DWORD processId_ = 0;
  FILETIME created_{};
  bool ended_ = false;
  HWND consoleWindow_ = nullptr;
};
