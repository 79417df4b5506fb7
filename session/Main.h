#pragma once
// The console session of the main window: the child process, its pipes, the listener, the two
// panes and what the child's output does to the output pane.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "gui/Form.h"
#include "gui/Handle.h"
#include "gui/Keyboard.h"
#include "gui/Panel.h"
#include "session/ChildEnvironment.h"
#include "session/CmdLine.h"
#include "session/ConsoleProcess.h"
#include "session/OutputRules.h"
#include "session/PipeCodec.h"
#include "session/SessionLog.h"
#include "text/PipeEncoding.h"
#include "session/Threading.h"
#include "text/TextCodec.h"
// The session form's base class, and all the session takes from the window's own layer.
#include "ui/MenuForm.h"
#include "editor/EditorSearches.h"
#include "unicode/UnicodeControls.h"

// A pane of the console session.
class cConsoleEdit : public cSearchableEditor, public IOutputSink {
public:
  // The child's console window; none until the child has been found, and none if it never was.
  HWND ConsoleWindow = nullptr;
  // Raises Ctrl+C (CTRL_C_EVENT) or Ctrl+Break (CTRL_BREAK_EVENT) in the child's console; not set
  // until the child runs.
  std::function<void(DWORD controlEvent)> OnConsoleControl;
  // Called after every key-down message the pane has handled.
  std::function<void()> OnAfterKeyDown;

  // While painting is deferred the pane skips its paints and owes one; when it ends, the pane
  // pays what it owes at once.
  void DeferPainting(bool defer);
  bool PaintingDeferred() const noexcept { return deferPainting_; }
  // Pays a paint of the whole pane that is owed in bands, top to bottom, one band a call, while
  // painting stays deferred; true once no band is owed. A paint of less than the whole pane is
  // left to the next WM_PAINT.
  bool PayPaintBand(int bands);
  bool PayingBands() const noexcept { return nextBand_ > 0; }
  // What the last paint of the pane cost, in milliseconds (in bands: all of them).
  ULONGLONG LastPaintMs() const noexcept { return lastPaintMs_; }
  // Keeps room in the edit control's text buffer for this many characters, and for as many again
  // as the pane holds when it has to make room, as a growing vector does. True when it made room:
  // that copies the text once, which is a step of its own.
  bool MakeRoomFor(size_t chars);

  // The pane as the text of the output rules.
  void AppendText(std::wstring_view text) override;
  int TextLength() const override;
  int LineCount() const override;
  std::wstring Line(int index) const override;
  void DeleteLine(int index) override;
  std::wstring LastLineTail(int count) const override;
  void DeleteTail(int count) override;
  void ClearText() override;

protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  void ForwardControlKey(WORD key);
  bool OwesWholePaint() const;
  const void* BufferAddress() const;
  void GiveBufferBack();

  bool deferPainting_ = false;
  bool owesPaint_ = false;
  ULONGLONG lastPaintMs_ = 0;
  int nextBand_ = 0;
  ULONGLONG bandsMs_ = 0;
  // The edit control's text buffer once room was made in it (from then on this pane frees it),
  // where it was then and how many characters it has room for there.
  gui::cLocalMemory buffer_;
  const void* roomAt_ = nullptr;
  size_t room_ = 0;
};

// The session part of the main window. The window as the user sees it (menus, status bar, help)
// is the derived form's: the session tells it what to show through the hooks below.
class cFormMain : public cMenuForm, public iConsoleEvents {
public:
  ~cFormMain() override;

  const tPipeEncodings& Encodings() const noexcept override { return encodings_; }
  // The output encoding applies from the next chunk read, the input one from the next command.
  void SetEncodings(const tPipeEncodings& encodings) override;

  // File > Log to File: stops the log that is on, or asks for a file and starts one.
  bool FileLogToFile(bool doIt, bool& checked) override;
  bool ViewTimestamps(bool doIt, bool& checked) override;
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
  // False, and nothing sent, when the input encoding cannot carry the whole line.
  bool WriteLine(std::wstring_view text);
  static std::wstring CleanCommand(std::wstring_view text);
  const std::wstring& CommandText() const noexcept { return commandText_; }

  // What the child's output does to the output pane (see cOutputRules). Each returns what it left
  // for later: once messages wait for the window, the rest of a long line waits.
  std::wstring AppendOutput(std::wstring_view text);
  void OutputBackspace();
  std::wstring RenderOutput(std::wstring_view text);

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

  // Where the panes' carets, the command Enter would send and the output's line count are shown.
  // Not called once the session is shutting down.
  virtual void ShowCommandStatus(tCaretPos caret, std::wstring_view command, bool focused) = 0;
  virtual void ShowOutputStatus(tCaretPos caret, int lineCount, bool focused) = 0;

private:
  std::unique_ptr<cConsoleEdit> CreatePane(gui::cPanel& panel);
  bool StartChild();
  void WaitForConsoleWindow();
  void RaiseConsoleControl(DWORD controlEvent);
  void SetEditorLocked(bool locked, cConsoleEdit& pane);
  void ApplicationIdle();
  LRESULT ListenerData(const char* data, size_t count);
  // Shows output as the options say and returns what it left for later (see AppendOutput).
  std::wstring ShowOutput(std::wstring_view text);
  // Shows the output held so far, or about as many characters as given, up to a line's end; the
  // listener reads on once nothing is held.
  void ShowHeldOutput(size_t most = SIZE_MAX);
  // One step of showing output: a paint, room in the pane or an append.
  void OutputStep();
  // The next step comes after this many milliseconds, within the timer's least and one step.
  void ScheduleStep(ULONGLONG afterMs);
  // Whether a paint of the output pane is due, or a paint in bands goes on.
  bool PaintDue() const;
  // What one step of showing output may take, in milliseconds.
  ULONGLONG StepMs() const;
  void PaintOutput();
  // Starts the log, or shows why it cannot start.
  void OpenLog(const std::wstring& path);
  void StopLog();
  // Writes what the log holds; a failure stops the log and is shown once, from a timer, so that
  // the box never holds up a listener that waits.
  void FlushLog();

  bool echo_ = false;
  bool interpretControls_ = true;
  bool helpAtStart_ = false;
  const std::wstring productName_;
  std::wstring childApplication_;
  std::wstring childCommandLine_;
  bool terminatedShown_ = false;
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
  ULONGLONG nextPaint_ = 0;
  bool outputStatusOwed_ = false;
  // Output that came and is not shown yet: a timer shows it in one append. The listener reads on
  // while less is held than the next append may take, and waits for the timer otherwise.
  std::wstring heldOutput_;
  // Whether a chunk came since output was last shown (one that decodes to nothing too).
  bool outputOwed_ = false;
  bool showTimerSet_ = false;
  bool listenerHeld_ = false;
  // The last append of held output: its characters, what it took and when it ended.
  size_t lastAppendChars_ = 0;
  ULONGLONG lastAppendMs_ = 0;
  ULONGLONG lastShown_ = 0;
  // The log: the file the command line names, the dialog that picks one, and a failure that
  // waits to be shown.
  cSessionLog log_;
  std::wstring logFile_;
  cFileDialog logDialog_{true};
  std::wstring logFailure_;
  // The -env: changes to the child's environment.
  std::vector<tEnvironmentChange> environment_;
};
