#pragma once
// The child: a console program in a new, hidden console of its own, and its standard streams.
// This class owns the two pipes, the writer and the listener thread; it starts the child with
// exactly its pipe ends, finds the console's window, raises the console's control events and,
// when the session ends, ends every process attached to that console. It shows nothing: the
// listener hands the child's output to the owner's iConsoleEvents, on the owner's thread.
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "gui/Handle.h"
#include "session/Threading.h"

class cConsoleProcess {
public:
  // Creates the pipes and the listener, which waits for ResumeListener and then hands the child's
  // output to the owner, on this thread, until End.
  explicit cConsoleProcess(iConsoleEvents& owner);
  ~cConsoleProcess();
  cConsoleProcess(const cConsoleProcess&) = delete;
  cConsoleProcess& operator=(const cConsoleProcess&) = delete;

  // Starts the command line in a new hidden console. The application is the program's full path;
  // empty, the system finds the program from the command line. The child inherits its pipe ends
  // and no other handle, and this program gives up its copies of them: the output ends when the
  // last process writing it ends. False when it cannot start, with the system's error as the last
  // error. The environment is a block of NUL-ended "NAME=VALUE" entries ended by one more NUL;
  // empty, the child gets this program's own.
  bool Start(const std::wstring& application, const std::wstring& commandLine, std::wstring_view environment = {});

  // The child's standard input: the text is queued in the encoding (see cWritePipe::WriteText).
  void SetInputEncoding(tPipeEncoding encoding) noexcept { input_.SetEncoding(encoding); }
  tWriteResult Write(std::wstring_view text, DWORD waitMs = 0) { return input_.WriteText(text, waitMs); }
  // The listener reads once resumed; one that was told to hold reads on once released.
  void ResumeListener() { listener_->Resume(); }
  void ReleaseListener() noexcept { listener_->Release(); }

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

  // Ends the session, once: the two threads are asked to stop (the owner hears nothing more from
  // here on), the console's window to close, the child gets waitMs to end (messages sent to this
  // thread are answered meanwhile), then the child and every process still attached to the
  // console are ended, and the threads get threadsMs to end. Processes the child started with a
  // console of their own, or with none, are left alone.
  void End(DWORD waitMs, DWORD threadsMs);

private:
  void EndConsole(DWORD waitMs);

  // The child writes on while a chunk of its output is being shown, and each read then takes a
  // whole chunk: with the default of a few pages the child waited for every chunk, and the
  // listener read half chunks (seen under Wine, which keeps to the size asked for).
  static constexpr DWORD kOutputPipeBytes = 1024 * 1024;
  cPipe output_{cPipe::tOwnEnd::Read, kOutputPipeBytes};
  cWritePipe input_;
  std::unique_ptr<cListenerThread> listener_;
  gui::cKernelHandle process_, thread_;
  DWORD processId_ = 0;
  FILETIME created_{};
  bool ended_ = false;
  bool finished_ = false;
  HWND consoleWindow_ = nullptr;
};
