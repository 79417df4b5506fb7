#include "session/Main.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "gui/Application.h"
#include "gui/DialogSeam.h"
#include "gui/ResString.h"
#include "resources/resource.h"
#include "session/ConsoleAttach.h"
#include "session/SessionOptions.h"
#include "text/Utils.h"
#include "view/LineTimes.h"

namespace {

// How long the start-up looks for the child's console window.
constexpr ULONGLONG kConsoleSearchMs = 5000;
// Bounds of the shutdown's waits.
constexpr DWORD kChildExitMs = 500;
constexpr DWORD kThreadEndMs = 400;
// How long the end of the output waits for the child's own end, which it normally comes with.
constexpr DWORD kChildEndAfterOutputMs = 250;
// How long a command waits for the pipe to take the start of its write, so that one the child can
// no longer take is neither echoed nor logged. A pipe with room takes it at once, and one the child
// no longer reads fails it at once; while the pipe is full (the child reads later, or never) the
// command stays queued and counts as sent.
constexpr DWORD kWriteOutcomeMs = 100;

// Whether input or posted messages wait for the window.
bool MessagesWaiting() { return HIWORD(::GetQueueStatus(QS_INPUT | QS_POSTMESSAGE)) != 0; }

}  // namespace

cFormMain::cFormMain(const cCommandLine& commandLine, const wchar_t* className, std::wstring productName, int width,
                     int height)
    : productName_(std::move(productName)) {
  CreateForm(className, L"", width, height,
             ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MARVESK)));
  tSessionOptions options = ProcessOptions(commandLine);
  echo_ = options.Echo;
  interpretControls_ = options.InterpretControls;
  helpAtStart_ = options.HelpAtStart;
  optionMessage_ = options.OptionMessage;
  logFile_ = options.LogFile;
  log_.SetTimestamps(options.Timestamps);
  rewritesLines_ = options.RewritesLines;
  showTimes_ = options.Times;
  environment_ = options.Environment;
  editorCommand_ = options.EditorCommand;
  SetUpLogDialog(logDialog_);
  child_ = std::make_unique<cConsoleProcess>(*this);
  SetEncodings(options.Encodings);
  childCommandLine_ = ChildCommandLineFor(commandLine, encodings_.Output);
  childApplication_ = ChildApplicationFor(commandLine);
}

cFormMain::~cFormMain() { Shutdown(); }

void cFormMain::SetEditorCommand(const std::wstring& command) {
  editorCommand_ = command;
  if (outputEditor_) outputEditor_->EditorCommand = command;
}

void cFormMain::SetEncodings(const tPipeEncodings& encodings) {
  encodings_ = encodings;
  child_->SetInputEncoding(encodings.Input);
}

std::unique_ptr<cConsoleEdit> cFormMain::CreatePane(gui::cPanel& panel, tMemoWindow window) {
  auto pane = std::make_unique<cConsoleEdit>(window);
  pane->Create(panel.Handle(), 0);
  pane->SetFont(gui::LoadResString(IDS_EDITOR_FONT), 10);
  ColourPane(*pane, false);
  panel.Layout();
  return pane;
}

void cFormMain::StartSession(gui::cPanel& inputPanel, gui::cPanel& outputPanel) {
  if (sessionStarted_) return;
  sessionStarted_ = true;

  // The command pane is the system's edit control; the output pane is the program's own text
  // view, which takes output at the pipe's pace whatever it holds.
  inputEditor_ = CreatePane(inputPanel, mwSystemEdit);
  outputEditor_ = CreatePane(outputPanel, mwTextView);
  // The log keeps the output as the rules are given it: without escape sequences (unless dumped),
  // before backspace and form feed act. The command clock looks for prompts in the same text.
  rules_ = std::make_unique<cOutputRules>(*outputEditor_, [this](std::wstring_view text) { TapOutput(text); });
  rules_->SetRewritesLines(rewritesLines_);
  auto keyDown = [this](WORD& key, gui::tShiftState shift) { EditorKeyDown(key, shift); };
  inputEditor_->OnKeyDown = keyDown;
  outputEditor_->OnKeyDown = keyDown;
  for (auto* handler : {&inputEditor_->OnChange, &inputEditor_->OnClick, &inputEditor_->OnEnter,
                        &inputEditor_->OnExit, &inputEditor_->OnAfterKeyDown, &inputEditor_->OnSelChange})
    *handler = [this] { UpdateCommandText(); };
  for (auto* handler : {&outputEditor_->OnClick, &outputEditor_->OnEnter, &outputEditor_->OnExit,
                        &outputEditor_->OnAfterKeyDown})
    *handler = [this] { UpdateOutputStatus(); };
  outputEditor_->OnChange = [this] {
    if (::GetTickCount64() - lastOutputStatus_ >= kOutputStatusMs)
      UpdateOutputStatus();
    else
      outputStatusTimer_ = outputStatusTimer_ || ::SetTimer(Handle(), kOutputStatusTimer, kOutputStatusMs, nullptr) != 0;
  };
  outputEditor_->SetWordWrap(true);
  outputEditor_->ShowTimes(showTimes_);
  outputEditor_->OpensPlaces = true;
  outputEditor_->EditorCommand = editorCommand_;
  // The child starts in this program's current folder.
  outputEditor_->WorkingFolder = cSystemResources::CurrentFolder();
  outputEditor_->OnOpenFailed = [this](const std::wstring& message) { ShowError(message); };
  outputEditor_->OnShowTarget = [this](const std::wstring& target) {
    if (target.empty())
      UpdateOutputStatus();
    else
      ShowPlaceTarget(target);
  };
  outputEditor_->OnOutOfMemory = [this] { OutputFailed(); };
  ::SetFocus(inputEditor_->Handle());

  if (!optionMessage_.empty()) ShowError(optionMessage_);
  SetCaption(productName_);
  // The help window is modal: the child starts once the user has closed it.
  if (helpAtStart_) {
    bool checked = false;
    HelpHelp(true, checked);
  }
  if (closing_) return;
  if (!logFile_.empty()) OpenLog(logFile_);

  if (!StartChild()) {
    std::wstring text = cSystemResources::SystemErrorTextW(::GetLastError());
    SetSessionCaption(gui::FormatRes(IDS_START_FAILED_CAPTION, {productName_, text}));
    LockSession(false);
    ShowError(gui::FormatRes(IDS_START_FAILED, {text, childCommandLine_}));
    ::PostMessageW(Handle(), WM_CLOSE, 0, 0);
    return;
  }

  gui::cApplication::ProcessMessages();
  if (closing_) return;
  SetSessionCaption(gui::FormatRes(IDS_SESSION_CAPTION, {productName_, childCommandLine_}));
  WaitForConsoleWindow();
  if (closing_) return;
  for (cConsoleEdit* pane : {inputEditor_.get(), outputEditor_.get()}) {
    pane->ConsoleWindow = child_->ConsoleWindow();
    pane->OnConsoleControl = [this](DWORD controlEvent) { RaiseConsoleControl(controlEvent); };
  }
  child_->ResumeListener();
  UpdateCommandText();
  UpdateOutputStatus();
  gui::cApplication::SetIdleHandler([this] { ApplicationIdle(); }, child_->Process());
}

bool cFormMain::StartChild() {
  const std::wstring environment = ChildEnvironmentBlock(
      ProcessEnvironment(), PythonEncodingName(encodings_, ::GetACP(), ::GetOEMCP()), environment_);
  return child_->Start(childApplication_, childCommandLine_, environment);
}

void cFormMain::WaitForConsoleWindow() {
  // The panes stay read-only while the child starts up, without turning grey.
  inputEditor_->SetReadOnly(true);
  outputEditor_->SetReadOnly(true);
  ULONGLONG deadline = ::GetTickCount64() + kConsoleSearchMs;
  for (;;) {
    if (child_->FindConsoleWindow(Handle()) || !IsChildAlive() || ::GetTickCount64() >= deadline) break;
    gui::cApplication::WaitForMessageOr(child_->Process(), 20);
    if (!gui::cApplication::ProcessMessages() || closing_) return;
  }
  inputEditor_->SetReadOnly(false);
  outputEditor_->SetReadOnly(false);
}

void cFormMain::RaiseConsoleControl(DWORD controlEvent) {
  child_->RaiseControl(controlEvent, Handle());
  // A console window the start-up did not find may have been found now.
  for (cConsoleEdit* pane : {inputEditor_.get(), outputEditor_.get()})
    if (pane) pane->ConsoleWindow = child_->ConsoleWindow();
}

bool cFormMain::IsChildAlive() { return child_->IsAlive(); }

void cFormMain::SetEditorLocked(bool locked, cConsoleEdit& pane) {
  if (pane.ReadOnly() == locked) return;
  pane.SetReadOnly(locked);
  ColourPane(pane, locked);
}

void cFormMain::LockSession(bool markTerminated) {
  if (inputEditor_) SetEditorLocked(true, *inputEditor_);
  if (outputEditor_) SetEditorLocked(true, *outputEditor_);
  if (markTerminated) commandClock_.ChildEnded();
  // The end is told once, whichever way it was noticed first.
  if (markTerminated && !std::exchange(terminatedShown_, true))
    SetCaption(Caption() + gui::LoadResString(IDS_TERMINATED));
}

void cFormMain::ShowError(std::wstring_view text) {
  gui::cDialogSeam::ShowMessage(Handle(), text, gui::FormatRes(IDS_PRODUCT_CAPTION, {productName_}),
                                MB_OK | MB_ICONERROR);
}

void cFormMain::SetSessionCaption(const std::wstring& text) {
  SetCaption(text);
  gui::cApplication::SetTitle(text);
}

void cFormMain::ApplicationIdle() {
  // What waited for the window has been handled: the held listener goes on at once. (The timer
  // that also releases it covers the loops of menus and dialogs, which have no idle moment here.)
  if (listenerHeld_) ReleaseListener();
  if (closing_ || IsChildAlive()) return;
  LockSession(true);
  gui::cApplication::ClearIdleHandler();
}

// ---- commands ----

void cFormMain::EditorKeyDown(WORD key, gui::tShiftState shift) {
  // The command always comes from the command pane, whichever pane the key went to. The key
  // goes on to the pane afterwards.
  if (key == VK_RETURN && (shift & (gui::ssShift | gui::ssCtrl | gui::ssAlt)) && inputEditor_)
    SendCommand(*inputEditor_);
}

void cFormMain::UpdateCommandText() {
  if (!inputEditor_ || !inputEditor_->Handle()) return;
  cConsoleEdit& pane = *inputEditor_;
  const tCaretPos caret = pane.WCaretPos();
  std::wstring raw = pane.SelLength() != 0 ? pane.WSelText() : cStringUtils::Trim(pane.CaretLineText());
  commandText_ = CleanCommand(raw);
  if (!closing_) ShowCommandStatus(caret, commandText_, pane.Focused());
}

std::wstring cFormMain::CleanCommand(std::wstring_view text) {
  // One line: each line break (CR LF, or a CR or LF alone) and each BEL becomes a space.
  std::wstring line;
  line.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    line += c == L'\r' || c == L'\n' || c == L'\a' ? L' ' : c;
  }
  line = cStringUtils::Trim(line);
  // Runs of spaces become one, but not inside double quotes, where they belong to an argument
  // ("a   b" is a name with three spaces). A quote that is never closed quotes the rest, as CMD
  // and the C runtime read it.
  std::wstring result;
  result.reserve(line.size());
  bool quoted = false;
  for (wchar_t c : line) {
    if (c == L'"') quoted = !quoted;
    if (c == L' ' && !quoted && !result.empty() && result.back() == L' ') continue;
    result += c;
  }
  return result;
}

void cFormMain::SendCommand(cConsoleEdit& source) {
  if (source.ReadOnly()) return;
  // What goes is what the command pane shows now, whatever last refreshed the preview.
  UpdateCommandText();
  if (!IsChildAlive()) {
    LockSession(true);
    ShowError(gui::LoadResString(IDS_REMOTE_PROCESS_ENDED));
    return;
  }
  switch (WriteLine(commandText_)) {
    case tWriteResult::NotCarried: {
      // A command the input encoding cannot carry whole is not sent at all: a character replaced
      // on the way could change what the child does (a look-alike "&" runs a second command).
      const tPipeEncoding input = encodings_.Input;
      ShowError(gui::FormatRes(IDS_COMMAND_NOT_CARRIED, {input.Oem ? L"OEM" : L"ANSI",
                                                         std::to_wstring(input.Oem ? ::GetOEMCP() : ::GetACP())}));
      return;
    }
    case tWriteResult::InputClosed:
      // The child runs on without reading its input: no command reaches it any more. The box
      // says so once; a later command only beeps.
      if (std::exchange(inputClosedShown_, true))
        ::MessageBeep(MB_ICONWARNING);
      else
        ShowError(gui::LoadResString(IDS_COMMAND_INPUT_CLOSED));
      return;
    case tWriteResult::Queued:
      break;
  }
  commandClock_.Sent();
  // The child's answer cannot come before the echo, which comes after the output that came
  // before it.
  if (echo_) {
    outputEditor_->WLines().Add(commandText_ + L"\r\n");
    log_.Command(commandText_);
  }
}

tWriteResult cFormMain::WriteLine(std::wstring_view text) {
  std::wstring line(text);
  line += L"\r\n";
  return child_->Write(line, kWriteOutcomeMs);
}

// ---- output ----

void cFormMain::AppendOutput(std::wstring_view text) { rules_->Append(text); }

void cFormMain::OutputBackspace() { rules_->Backspace(); }

void cFormMain::RenderOutput(std::wstring_view text) { rules_->Render(text); }

bool cFormMain::ViewCrRewrites(bool doIt, bool& checked) {
  if (FlipSwitch(doIt, rewritesLines_, checked) && rules_) rules_->SetRewritesLines(rewritesLines_);
  return true;
}

void cFormMain::ShowOutput(std::wstring_view text) {
  if (interpretControls_)
    RenderOutput(text);
  else
    AppendOutput(text);
}

LRESULT cFormMain::ListenerData(const char* data, size_t count) {
  if (closing_ || !outputEditor_) return 0;
  // Each chunk is shown as it comes, while the listener waits: the view's cost is what the chunk
  // holds, whatever the pane holds.
  const std::wstring text = decoder_.Decode(encodings_.Output, data, count);
  outputEditor_->Arrival = view::StampOf(log_.Arrived());
  ShowOutput(text);
  if (log_.FlushDue()) FlushLog();
  // A flood must not starve the user: the listener waits until what waits for the window has
  // been handled.
  if (!MessagesWaiting()) return 0;
  listenerHeld_ = true;
  ::SetTimer(Handle(), kReleaseListenerTimer, USER_TIMER_MINIMUM, nullptr);
  return kListenerHold;
}

void cFormMain::ReleaseListener() {
  ::KillTimer(Handle(), kReleaseListenerTimer);
  if (std::exchange(listenerHeld_, false)) child_->ReleaseListener();
}

LRESULT cFormMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kReleaseListenerTimer) {
        ReleaseListener();
        return 0;
      }
      if (wParam == kOutputStatusTimer) {
        UpdateOutputStatus();
        return 0;
      }
      if (CommandClockTimer(wParam)) return 0;
      if (wParam == kFlushLogTimer) {
        FlushLog();
        return 0;
      }
      if (wParam == kOutputFailedTimer) {
        ::KillTimer(Handle(), kOutputFailedTimer);
        if (closing_) return 0;
        outputBoxOpen_ = true;
        ShowError(gui::LoadResString(IDS_OUTPUT_NO_MEMORY));
        outputBoxOpen_ = false;
        return 0;
      }
      if (wParam == kLogFailedTimer) {
        ::KillTimer(Handle(), kLogFailedTimer);
    ::KillTimer(Handle(), kOutputFailedTimer);
        if (!closing_) ShowError(std::exchange(logFailure_, {}));
        return 0;
      }
      break;
    case WM_DESTROY:
      Shutdown();
      return 0;
    default:
      break;
  }
  return DefaultHandler(message, wParam, lParam);
}

bool cFormMain::ChildOutput(const char* data, size_t count) {
  chunkFailed_ = false;
  bool hold = false;
  try {
    hold = ListenerData(data, count) == kListenerHold;
  } catch (const std::bad_alloc&) {
    OutputFailed();
  }
  if (!chunkFailed_ && !outputBoxOpen_) outputFailing_ = false;
  return hold;
}

void cFormMain::OutputFailed() {
  chunkFailed_ = true;
  if (!std::exchange(outputFailing_, true)) ::SetTimer(Handle(), kOutputFailedTimer, USER_TIMER_MINIMUM, nullptr);
}

void cFormMain::ChildOutputEnded() {
  if (!outputEditor_ || closing_) return;
  // What the decoder still holds (a cut character) can never be completed now: it is shown as a
  // whole text shows such bytes. An escape sequence cut off by the end is shown as text.
  const std::wstring rest = decoder_.Flush();
  outputEditor_->Arrival = view::StampOf(log_.Arrived());
  ShowOutput(rest);
  rules_->Finish();
  // The output ends when the last process writing it has ended, which is normally the child: its
  // end is then noticed here rather than at the next idle moment. A pipe that fails while the
  // child runs locks the session too, but leaves the output pane white.
  if (child_->Process()) ::WaitForSingleObject(child_->Process(), kChildEndAfterOutputMs);
  if (IsChildAlive()) outputEditor_->SetReadOnly(true);
  LockSession(true);
}

void cFormMain::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  // From here on no output is shown and the status hooks are not called: the pane handlers check.
  closing_ = true;
  gui::cApplication::ClearIdleHandler();
  for (cConsoleEdit* pane : {inputEditor_.get(), outputEditor_.get()})
    if (pane) pane->OnAfterKeyDown = nullptr;
  if (Handle()) {
    ::KillTimer(Handle(), kReleaseListenerTimer);
    ::KillTimer(Handle(), kFlushLogTimer);
    ::KillTimer(Handle(), kLogFailedTimer);
    ::KillTimer(Handle(), kOutputStatusTimer);
  }

  child_->End(kChildExitMs, kThreadEndMs);
  // The window is going: a last write that fails, or that the file does not take within the
  // log's bound, has nobody to tell.
  log_.Close();
}
