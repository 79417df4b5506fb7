#pragma once
// The console session of the main window: the child process, its pipes, the listener, the two
// panes and what the child's output does to the output pane.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gui/Form.h"
#include "gui/Handle.h"
#include "gui/Keyboard.h"
#include "gui/Panel.h"
#include "session/ChildEnvironment.h"
#include "session/CmdLine.h"
#include "session/CommandClock.h"
#include "session/ConsoleProcess.h"
#include "session/OutputRules.h"
#include "session/PipeCodec.h"
#include "session/SessionLog.h"
#include "text/PipeEncoding.h"
#include "session/Threading.h"
#include "text/TextCodec.h"
// The session form's base class, and all the session takes from the window's own layer.
#include "ui/MenuForm.h"
#include "session/ConsoleEdit.h"
#include "unicode/UnicodeControls.h"

// The session part of the main window. The window as the user sees it (menus, status bar, help)
// is the derived form's: the session tells it what to show through the hooks below.
class cFormMain : public cMenuForm, public iConsoleEvents, public iCommandWindow {
public:
  ~cFormMain() override;

  const tPipeEncodings& Encodings() const noexcept override { return encodings_; }
  // The output encoding applies from the next chunk read, the input one from the next command.
  void SetEncodings(const tPipeEncodings& encodings) override;
  const std::wstring& EditorCommand() const noexcept override { return editorCommand_; }
  void SetEditorCommand(const std::wstring& command) override;

  // File > Log to File: stops the log that is on, or asks for a file and starts one.
  bool FileLogToFile(bool doIt, bool& checked) override;
  bool ViewTimestamps(bool doIt, bool& checked) override;
  bool ViewFollowOutput(bool doIt, bool& checked) override;
  // View > Flash When a Command Ends.
  bool ViewFlashOnEnd(bool doIt, bool& checked) override;
  // View > Carriage Return Rewrites Line; from the next output on.
  bool ViewCrRewrites(bool doIt, bool& checked) override;
  // View > Show Arrival Times.
  bool ViewArrivalTimes(bool doIt, bool& checked) override;
  const cSessionLog& Log() const noexcept { return log_; }

  bool IsChildAlive();
  void LockSession(bool markTerminated);
  void ShowError(std::wstring_view text);
  void SetSessionCaption(const std::wstring& text);

  cConsoleEdit* InputEditor() const noexcept { return inputEditor_.get(); }
  cConsoleEdit* OutputEditor() const noexcept { return outputEditor_.get(); }

  // Sending commands: the command pane's selection or caret line, cleaned to one line.
  void EditorKeyDown(WORD key, gui::tShiftState shift);
  void UpdateCommandText();
  void UpdateOutputStatus();
  void SendCommand(cConsoleEdit& source);
  // The line and CR LF, queued for the child (see cWritePipe::WriteText): nothing is sent when the
  // input encoding cannot carry the whole line, or the child no longer reads its input.
  tWriteResult WriteLine(std::wstring_view text);
  static std::wstring CleanCommand(std::wstring_view text);
  const std::wstring& CommandText() const noexcept { return commandText_; }

  // What the child's output does to the output pane (see cOutputRules).
  void AppendOutput(std::wstring_view text);
  void OutputBackspace();
  void RenderOutput(std::wstring_view text);

  bool Echo() const noexcept { return echo_; }
  bool InterpretControls() const noexcept { return interpretControls_; }
  bool HelpAtStart() const noexcept { return helpAtStart_; }
  const std::wstring& ChildCommandLine() const noexcept { return childCommandLine_; }
  HANDLE ChildProcess() const noexcept { return child_->Process(); }
  DWORD ChildProcessId() const noexcept { return child_->ProcessId(); }
  HWND ConsoleWindow() const noexcept { return child_->ConsoleWindow(); }

  // The child's output, from the listener.
  bool ChildOutput(const char* data, size_t count) override;
  void ChildOutputEnded() override;

protected:
  // Creates the window, the pipes and the suspended listener, and applies the options. Captions
  // and message boxes name the product.
  cFormMain(const cCommandLine& commandLine, const wchar_t* className, std::wstring productName, int width,
            int height);

  // Creates the panes and starts the child; acts the first time only.
  void StartSession(gui::cPanel& inputPanel, gui::cPanel& outputPanel);
  // Ends the session: closes the child's console, stops the threads and ends a child that still
  // runs. Bounded in time; safe to call more than once.
  void Shutdown();

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  // Where the panes' carets, the command Enter would send, the output's line count and, while
  // output is held, the lines that came since are shown. Not called once the session is shutting
  // down.
  virtual void ShowCommandStatus(tCaretPos caret, std::wstring_view command, bool focused) = 0;
  virtual void ShowOutputStatus(tCaretPos caret, int lineCount, bool focused, std::optional<int> heldLines) = 0;
  // Where the place under the mouse leads, while Ctrl is held over it; empty once none is.
  virtual void ShowPlaceTarget(std::wstring_view target) = 0;
  // Gives a pane its colours: a new one, or one that the session's end locks.
  virtual void ColourPane(cConsoleEdit& pane, bool locked) = 0;

private:
  // A View switch of the session's own: flipped when asked; checked while on. Answers whether it
  // was flipped.
  static bool FlipSwitch(bool doIt, bool& on, bool& checked) {
    if (doIt) on = !on;
    checked = on;
    return doIt;
  }
  std::unique_ptr<cConsoleEdit> CreatePane(gui::cPanel& panel, tMemoWindow window);
  bool StartChild();
  void WaitForConsoleWindow();
  void RaiseConsoleControl(DWORD controlEvent);
  void SetEditorLocked(bool locked, cConsoleEdit& pane);
  void ApplicationIdle();
  LRESULT ListenerData(const char* data, size_t count);
  // Shows decoded output as the options say.
  void ShowOutput(std::wstring_view text);
  // Lets a listener that waited read on.
  void ReleaseListener();
  // The window's timers. One lets the listener read on once the window has handled what waited
  // for it (timers come only once the queue holds nothing else). One shows the output pane's
  // status, at most every kOutputStatusMs while output changes the pane at every chunk (the
  // status bar paints a panel whenever its text is set: 2 ms under Wine). One
  // writes the log's text, so that it reaches the file within a second of its coming, and one
  // shows why the log stopped.
  static constexpr UINT_PTR kReleaseListenerTimer = 1;
  static constexpr UINT_PTR kOutputStatusTimer = 2;
  static constexpr UINT kOutputStatusMs = 200;
  static constexpr UINT_PTR kFlushLogTimer = 3;
  static constexpr UINT kFlushLogMs = 500;
  static constexpr UINT_PTR kLogFailedTimer = 4;
  // One wakes the command clock: CommandClockTimer handles it, and answers false for another.
  static constexpr UINT_PTR kCommandClockTimer = 5;
  bool CommandClockTimer(WPARAM timer);
  // The output as the rules are given it: the log keeps it and the command clock watches it.
  void TapOutput(std::wstring_view text);
  // The command clock's window.
  ULONGLONG Now() const override;
  bool InForeground() const override;
  void Flash() override;
  void WakeAfter(UINT ms) override;
  // Starts the log, or shows why it cannot start.
  void OpenLog(const std::wstring& path);
  void StopLog();
  // Hands the file what the log holds; a failure stops the log and is shown once, from a timer,
  // so that the box never holds up a listener that waits.
  void FlushLog();
  // Output that could not get its memory, in the session or in the pane (EN_ERRSPACE). The user
  // is told once, from a timer, for failures in a row: only once output has shown whole again
  // does the next failure get a box of its own. The output after a failure goes on.
  void OutputFailed();
  static constexpr UINT_PTR kOutputFailedTimer = 9;

  bool echo_ = false;
  // Whether the output pane shows the time each line came.
  bool showTimes_ = false;
  bool interpretControls_ = true;
  bool rewritesLines_ = false;
  bool helpAtStart_ = false;
  const std::wstring productName_;
  std::wstring childApplication_;
  std::wstring childCommandLine_;
  bool terminatedShown_ = false;
  // Whether the user has been told that the child no longer reads its input.
  bool inputClosedShown_ = false;
  bool closing_ = false;
  bool sessionStarted_ = false;
  bool shutDown_ = false;
  std::wstring optionMessage_;
  std::unique_ptr<cConsoleProcess> child_;
  std::unique_ptr<cConsoleEdit> inputEditor_, outputEditor_;
  std::unique_ptr<cOutputRules> rules_;
  std::wstring commandText_;
  tPipeEncodings encodings_;
  cStreamDecoder decoder_;
  // The listener waits while the window has input or posted messages to handle.
  bool listenerHeld_ = false;
  // When the output pane's status was last shown.
  ULONGLONG lastOutputStatus_ = 0;
  // Whether the timer that shows it later runs: setting a timer at every chunk cost Wine a call.
  bool outputStatusTimer_ = false;
  // The log: the file the command line names, the dialog that picks one, and a failure that
  // waits to be shown.
  cSessionLog log_;
  std::wstring logFile_;
  cFileDialog logDialog_{true};
  std::wstring logFailure_;
  // Output failed since it last showed whole; the chunk being shown failed; the box is open.
  bool outputFailing_ = false, chunkFailed_ = false, outputBoxOpen_ = false;
  std::wstring editorCommand_;
  cCommandClock commandClock_{*this};
  // The -env: changes to the child's environment.
  std::vector<tEnvironmentChange> environment_;
};
