#include "session/Main.h"

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

#include "gui/Application.h"
#include "gui/DialogSeam.h"
#include "gui/ResString.h"
#include "resources/resource.h"
#include "session/ConsoleAttach.h"
#include "session/SessionOptions.h"
#include "session/defs.h"
#include "text/Utils.h"

namespace {

// Shows held output and lets a listener that waits read on.
constexpr UINT_PTR kReleaseListenerTimer = 1;
constexpr UINT_PTR kPaintOutputTimer = 2;
// Writes the log's text, so that it reaches the file within a second of its coming.
constexpr UINT_PTR kFlushLogTimer = 3;
constexpr UINT kFlushLogMs = 500;
// Shows why the log stopped.
constexpr UINT_PTR kLogFailedTimer = 4;
// What one step of showing output (an append, a band of a paint, making room) may take: the
// window answers nothing meanwhile. While the pane is small, steps are short; later they are
// longer, so that the fixed cost of an append, which under Wine grows with the pane's text,
// stays a small part of it.
constexpr ULONGLONG kQuickStepMs = 100, kStepMs = 450;
constexpr size_t kQuickStepChars = 16 * 1024 * 1024;
// A paint of the whole output pane that takes longer than one step goes in bands, at most this
// many.
constexpr ULONGLONG kMostPaintBands = 8;
// How long the start-up looks for the child's console window.
constexpr ULONGLONG kConsoleSearchMs = 5000;
// The shortest pause between two paints of the output pane while output floods in.
constexpr ULONGLONG kPaintIntervalMs = 50;
// Bounds of the shutdown's waits.
constexpr DWORD kChildExitMs = 500;
constexpr DWORD kThreadEndMs = 400;
// How long the end of the output waits for the child's own end, which it normally comes with.
constexpr DWORD kChildEndAfterOutputMs = 250;

// Whether input, posted or sent messages wait for the window.
bool MessagesWaiting() {
  return HIWORD(::GetQueueStatus(QS_INPUT | QS_POSTMESSAGE | QS_SENDMESSAGE)) != 0;
}

// Whether the caret is at the end of the pane's text with nothing selected.
bool CaretAtEnd(const cWMemo& pane) {
  DWORD start = 0, end = 0;
  pane.WPerform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return start == end && static_cast<LRESULT>(end) == pane.WPerform(WM_GETTEXTLENGTH, 0, 0);
}

// The whole line that holds the caret, between the line breaks around it, however many rows word
// wrap makes of it.
std::wstring CaretLine(const cWMemo& pane) {
  const std::wstring text = pane.WText();
  const size_t caret = std::min(static_cast<size_t>(std::max(pane.SelStart(), 0)), text.size());
  const size_t before = caret < 2 ? std::wstring::npos : text.rfind(L"\r\n", caret - 2);
  const size_t start = before == std::wstring::npos ? 0 : before + 2;
  const size_t end = std::min(text.find(L"\r\n", start), text.size());
  return text.substr(start, end - start);
}

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
  environment_ = options.Environment;
  SetUpLogDialog(logDialog_);
  child_ = std::make_unique<cConsoleProcess>(*this);
  SetEncodings(options.Encodings);
  childCommandLine_ = ChildCommandLineFor(commandLine, encodings_.Output);
  childApplication_ = ChildApplicationFor(commandLine);
}

cFormMain::~cFormMain() { Shutdown(); }

void cFormMain::SetEncodings(const tPipeEncodings& encodings) {
  encodings_ = encodings;
  child_->SetInputEncoding(encodings.Input);
}

std::unique_ptr<cConsoleEdit> cFormMain::CreatePane(gui::cPanel& panel) {
  auto pane = std::make_unique<cConsoleEdit>();
  pane->Create(panel.Handle(), 0);
  pane->SetFont(gui::LoadResString(IDS_EDITOR_FONT), 10);
  panel.Layout();
  return pane;
}

void cFormMain::StartSession(gui::cPanel& inputPanel, gui::cPanel& outputPanel) {
  if (sessionStarted_) return;
  sessionStarted_ = true;

  inputEditor_ = CreatePane(inputPanel);
  outputEditor_ = CreatePane(outputPanel);
  rules_ = std::make_unique<cOutputRules>(*outputEditor_, MessagesWaiting);
  auto keyDown = [this](WORD& key, gui::tShiftState shift) { EditorKeyDown(key, shift); };
  inputEditor_->OnKeyDown = keyDown;
  outputEditor_->OnKeyDown = keyDown;
  for (auto* handler : {&inputEditor_->OnChange, &inputEditor_->OnClick, &inputEditor_->OnEnter,
                        &inputEditor_->OnExit, &inputEditor_->OnAfterKeyDown, &inputEditor_->OnSelChange})
    *handler = [this] { UpdateCommandText(); };
  for (auto* handler : {&outputEditor_->OnChange, &outputEditor_->OnClick, &outputEditor_->OnEnter,
                        &outputEditor_->OnExit, &outputEditor_->OnAfterKeyDown})
    *handler = [this] {
      // While output floods in, the status follows the pane's paints rather than every chunk.
      if (outputEditor_->PaintingDeferred())
        outputStatusOwed_ = true;
      else
        UpdateOutputStatus();
    };
  outputEditor_->SetWordWrap(true);
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
  pane.SetColor(EditorColors[locked ? 1 : 0]);
}

void cFormMain::LockSession(bool markTerminated) {
  if (inputEditor_) SetEditorLocked(true, *inputEditor_);
  if (outputEditor_) SetEditorLocked(true, *outputEditor_);
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
  if (closing_ || IsChildAlive()) return;
  LockSession(true);
  gui::cApplication::ClearIdleHandler();
}

// ---- commands ----

void cConsoleEdit::ForwardControlKey(WORD key) {
  if (OnConsoleControl && ::GetKeyState(VK_CONTROL) < 0 && key != VK_CONTROL && (key == VK_CANCEL || key == 'C'))
    OnConsoleControl(key == VK_CANCEL ? CTRL_BREAK_EVENT : CTRL_C_EVENT);
}

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
  std::wstring raw = pane.SelLength() != 0 ? pane.WSelText() : cStringUtils::Trim(CaretLine(pane));
  commandText_ = CleanCommand(raw);
  if (!closing_) ShowCommandStatus(caret, commandText_, pane.Focused());
}

void cFormMain::UpdateOutputStatus() {
  if (!outputEditor_ || !outputEditor_->Handle() || closing_) return;
  cConsoleEdit& pane = *outputEditor_;
  ShowOutputStatus(pane.WCaretPos(), pane.WLines().GetCount(), pane.Focused());
}

std::wstring cFormMain::CleanCommand(std::wstring_view text) {
  std::wstring result(text);
  for (std::wstring_view control : {L"\n", L"\r", L"\a"})
    result = cStringUtils::Trim(cStringUtils::ReplaceText(result, control, L" ", roReplaceAll));
  for (;;) {
    std::wstring next = cStringUtils::Trim(cStringUtils::ReplaceText(result, L"  ", L" ", roReplaceAll));
    if (next == result) return result;
    result = std::move(next);
  }
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
  // A command the input encoding cannot carry whole is not sent at all: a character replaced on
  // the way could change what the child does (a look-alike "&" runs a second command).
  if (!WriteLine(commandText_)) {
    const tPipeEncoding input = encodings_.Input;
    ShowError(gui::FormatRes(IDS_COMMAND_NOT_CARRIED,
                             {input.Oem ? L"OEM" : L"ANSI", std::to_wstring(input.Oem ? ::GetOEMCP() : ::GetACP())}));
    return;
  }
  // The write is only queued: the child's answer cannot come before the echo, which comes after
  // the output that came before it.
  if (echo_) {
    ShowHeldOutput();
    outputEditor_->WLines().Add(commandText_ + L"\r\n");
    log_.Command(commandText_);
  }
}

bool cFormMain::WriteLine(std::wstring_view text) {
  std::wstring line(text);
  line += L"\r\n";
  return child_->Write(line);
}

// ---- output ----

void cConsoleEdit::DeferPainting(bool defer) {
  deferPainting_ = defer;
  if (!defer && owesPaint_ && Handle()) {
    owesPaint_ = false;
    ::InvalidateRect(Handle(), nullptr, FALSE);
    ::UpdateWindow(Handle());
  }
}

bool cConsoleEdit::OwesWholePaint() const {
  if (owesPaint_) return true;
  // The edit control leaves its margins out of what it invalidates: half of the pane or more
  // counts as the whole.
  RECT update{}, client{};
  return ::GetUpdateRect(Handle(), &update, FALSE) && ::GetClientRect(Handle(), &client) &&
         2 * (update.bottom - update.top) >= client.bottom - client.top;
}

bool cConsoleEdit::PayPaintBand(int bands) {
  if (!Handle()) return true;
  if (nextBand_ == 0) {
    if (bands <= 1 || !OwesWholePaint()) return true;
    owesPaint_ = false;
    ::ValidateRect(Handle(), nullptr);
    bandsMs_ = 0;
  }
  RECT band{};
  ::GetClientRect(Handle(), &band);
  const LONG height = band.bottom - band.top;
  band.bottom = band.top + height * (nextBand_ + 1) / bands;
  band.top += height * nextBand_ / bands;
  ::InvalidateRect(Handle(), &band, FALSE);
  const bool deferred = std::exchange(deferPainting_, false);
  const ULONGLONG start = ::GetTickCount64();
  ::UpdateWindow(Handle());
  bandsMs_ += ::GetTickCount64() - start;
  deferPainting_ = deferred;
  if (++nextBand_ < bands) return false;
  nextBand_ = 0;
  lastPaintMs_ = bandsMs_;
  return true;
}

// Under Wine the edit control grows its text buffer to the exact size at every append, and the
// heap moves a large block that grows: every append into a pane of 64 MB copied 128 MB, most of
// what the append cost. Room made ahead, in the block itself, lets the control's own growth stay
// in place. The handle the control gives out may be used with the local memory functions; the
// text is left as it is.
bool cConsoleEdit::MakeRoomFor(size_t chars) {
  if (!Handle() || !::IsWindowUnicode(Handle())) return false;
  if (buffer_ && chars <= room_ && BufferAddress() == roomAt_) return false;
  // The handle is the same one every time it is asked for; it is the program's to free from the
  // first time on (see GiveBufferBack).
  HLOCAL buffer = reinterpret_cast<HLOCAL>(WPerform(EM_GETHANDLE, 0, 0));
  if (!buffer) return false;
  if (buffer != buffer_.get()) buffer_.reset(buffer);
  const SIZE_T size = ::LocalSize(buffer);
  const size_t room = std::max(chars, 2 * static_cast<size_t>(TextLength()));
  // Grown to the room and given back the size the control knows: the block keeps its room.
  if (!::LocalReAlloc(buffer, (room + 1) * sizeof(wchar_t), LMEM_MOVEABLE)) {
    room_ = 0;
    return false;
  }
  ::LocalReAlloc(buffer, size, LMEM_MOVEABLE);
  room_ = room;
  roomAt_ = BufferAddress();
  return true;
}

const void* cConsoleEdit::BufferAddress() const {
  const void* address = ::LocalLock(buffer_.get());
  ::LocalUnlock(buffer_.get());
  return address;
}

void cConsoleEdit::GiveBufferBack() {
  // A buffer the control gave out is the program's to free, once the control holds another
  // (which the control frees). Emptied first, the pane has no lines left to rebuild.
  if (!buffer_) return;
  room_ = 0;
  WPerform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  if (HLOCAL empty = ::LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, sizeof(wchar_t))) {
    WPerform(EM_SETHANDLE, reinterpret_cast<WPARAM>(empty), 0);
    buffer_.reset();
  } else {
    // Without a buffer to give it, the control keeps this one, and the program leaves it.
    (void)buffer_.release();
  }
}

LRESULT cConsoleEdit::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) GiveBufferBack();
  if (message == WM_KEYDOWN) {
    // The pane's own handling first (the key-down event, then the edit control), then the
    // child's console gets Ctrl+C or Ctrl+Break, read-only panes included.
    LRESULT result = cSearchableEditor::HandleMessage(message, wParam, lParam);
    ForwardControlKey(static_cast<WORD>(wParam));
    if (OnAfterKeyDown) OnAfterKeyDown();
    return result;
  }
  if (message != WM_PAINT) return cSearchableEditor::HandleMessage(message, wParam, lParam);
  if (deferPainting_) {
    ::ValidateRect(Handle(), nullptr);
    owesPaint_ = true;
    return 0;
  }
  // Only a paint of the whole pane tells what painting it costs; a line scrolled in costs less.
  const bool whole = OwesWholePaint();
  ULONGLONG start = ::GetTickCount64();
  LRESULT result = cSearchableEditor::HandleMessage(message, wParam, lParam);
  if (whole) lastPaintMs_ = ::GetTickCount64() - start;
  return result;
}


// ---- the output pane as the output rules' text ----

void cConsoleEdit::AppendText(std::wstring_view text) {
  // Setting the start at the end leaves an empty selection there. Under Wine that walks the
  // pane's lines, so a caret that is there already stays.
  if (!CaretAtEnd(*this)) SetSelStart(INT_MAX);
  SetWSelText(text);
}

int cConsoleEdit::TextLength() const { return static_cast<int>(WPerform(WM_GETTEXTLENGTH, 0, 0)); }

int cConsoleEdit::LineCount() const { return WLines().GetCount(); }

std::wstring cConsoleEdit::Line(int index) const { return WLines().Get(index); }

void cConsoleEdit::DeleteLine(int index) { WLines().Delete(index); }

std::wstring cConsoleEdit::LastLineTail(int count) const {
  // Only the last line is read, so the cost does not grow with the pane.
  const int end = TextLength();
  const auto line = static_cast<int>(WPerform(EM_LINEFROMCHAR, static_cast<WPARAM>(end), 0));
  const auto start = static_cast<int>(WPerform(EM_LINEINDEX, static_cast<WPARAM>(line), 0));
  const std::wstring text = WLines().Get(line);
  const size_t before = std::min(static_cast<size_t>(std::max(end - start, 0)), text.size());
  const size_t taken = std::min(before, static_cast<size_t>(std::max(count, 0)));
  return text.substr(before - taken, taken);
}

void cConsoleEdit::DeleteTail(int count) {
  SetSelStart(INT_MAX);
  const int end = SelStart();
  SetSelStart(std::max(end - count, 0));
  SetSelLength(std::min(count, end));
  SetWSelText(L"");
}

void cConsoleEdit::ClearText() { WLines().Clear(); }

std::wstring cFormMain::AppendOutput(std::wstring_view text) { return rules_->Append(text); }

void cFormMain::OutputBackspace() { rules_->Backspace(); }

std::wstring cFormMain::RenderOutput(std::wstring_view text) { return rules_->Render(text); }

std::wstring cFormMain::ShowOutput(std::wstring_view text) {
  // While output floods in, the pane is repainted now and then rather than after every append:
  // painting a large pane is slow (under Wine it grows with the text). The pause after a paint
  // grows with what the paint cost, so painting takes at most a ninth of the time. A few lines
  // that come on their own are painted as they come, only where they changed the pane: a
  // deferred paint repaints all of it.
  static constexpr size_t kFewLines = 4096;
  const bool defer = listenerHeld_ || text.size() >= kFewLines;
  if (defer) outputEditor_->DeferPainting(true);
  const ULONGLONG start = ::GetTickCount64();
  std::wstring rest = interpretControls_ ? RenderOutput(text) : AppendOutput(text);
  lastAppendMs_ = ::GetTickCount64() - start;
  lastAppendChars_ = text.size() - rest.size();
  lastShown_ = ::GetTickCount64();
  // A deferred paint is a step of its own, not one more part of this one.
  if (!defer)
    PaintOutput();
  else
    ::SetTimer(Handle(), kPaintOutputTimer,
               static_cast<UINT>(std::max<ULONGLONG>(USER_TIMER_MINIMUM, nextPaint_ - std::min(nextPaint_, lastShown_))),
               nullptr);
  return rest;
}

bool cFormMain::PaintDue() const {
  return outputEditor_->PayingBands() ||
         (outputEditor_->PaintingDeferred() && ::GetTickCount64() >= nextPaint_);
}

void cFormMain::ShowHeldOutput(size_t most) {
  ::KillTimer(Handle(), kReleaseListenerTimer);
  showTimerSet_ = false;
  if (closing_) {
    heldOutput_.clear();
  } else if (std::exchange(outputOwed_, false) || !heldOutput_.empty()) {
    // Output cut after a line break means, shown in two steps, what it means shown in one.
    size_t cut = heldOutput_.size();
    if (cut > most) {
      const size_t lineEnd = heldOutput_.rfind(L'\n', most);
      if (lineEnd != std::wstring::npos) cut = lineEnd + 1;
    }
    std::wstring later = heldOutput_.substr(cut);
    heldOutput_.resize(cut);
    heldOutput_ = ShowOutput(std::exchange(heldOutput_, {}));
    if (heldOutput_.empty() && !later.empty()) {
      // What was cut off waits for more to join it, as output that trickles in does: shown on
      // its own it would cost an append of its own.
      heldOutput_ = std::move(later);
      if (std::exchange(listenerHeld_, false)) child_->ReleaseListener();
      ScheduleStep(lastAppendMs_);
      return;
    }
    heldOutput_ += later;
  }
  if (!heldOutput_.empty()) {
    ScheduleStep(0);
  } else if (std::exchange(listenerHeld_, false)) {
    child_->ReleaseListener();
  }
}

LRESULT cFormMain::ListenerData(const char* data, size_t count) {
  if (closing_ || !outputEditor_) return 0;
  // Output is held and shown from a timer, many chunks in one append: under Wine every append
  // costs the edit control time that grows with its text (it walks its lines for the caret, the
  // first visible line and the scroll range), so appending chunk by chunk made a flood's cost
  // grow with its square. The chunks are shown as one text, which the rules turn into exactly
  // what they make of the chunks one by one.
  const std::wstring text = decoder_.Decode(encodings_.Output, data, count);
  log_.Output(text);
  if (log_.FlushDue()) FlushLog();
  heldOutput_ += text;
  outputOwed_ = true;

  // The listener waits once as much is held as the next append may take, so that an append
  // stays within its budget and what is held stays bounded, and while input or posted messages
  // are pending: timers come only once the queue holds nothing else, so those go first.
  if (heldOutput_.size() >= cOutputRules::NextAppendChars(lastAppendChars_, lastAppendMs_, StepMs()) ||
      HIWORD(::GetQueueStatus(QS_INPUT | QS_POSTMESSAGE)) != 0) {
    listenerHeld_ = true;
    ScheduleStep(0);
    return kListenerHold;
  }
  // Otherwise, once output was shown lately, what comes waits until as much time has passed as
  // the last append took, so that appending takes at most about half the time while output
  // trickles in; after a quiet spell it is shown at once.
  if (!showTimerSet_) {
    const ULONGLONG quiet = ::GetTickCount64() - lastShown_;
    if (lastAppendMs_ <= quiet) {
      OutputStep();
      return 0;
    }
    ScheduleStep(lastAppendMs_ - quiet);
  }
  return 0;
}

void cFormMain::OutputStep() {
  // Each call is one step: a paint that is due goes first (an append would start a paint in
  // bands over), then room made in the pane, then at most what an append may take.
  if (closing_ || !outputEditor_) {
    ShowHeldOutput();
  } else if (PaintDue()) {
    PaintOutput();
    ScheduleStep(0);
  } else if (outputEditor_->MakeRoomFor(static_cast<size_t>(outputEditor_->TextLength()) + heldOutput_.size())) {
    ScheduleStep(0);
  } else {
    ShowHeldOutput(cOutputRules::NextAppendChars(lastAppendChars_, lastAppendMs_, StepMs()));
  }
}

void cFormMain::ScheduleStep(ULONGLONG afterMs) {
  showTimerSet_ = true;
  ::SetTimer(Handle(), kReleaseListenerTimer,
             static_cast<UINT>(std::clamp<ULONGLONG>(afterMs, USER_TIMER_MINIMUM, StepMs())), nullptr);
}

ULONGLONG cFormMain::StepMs() const {
  return outputEditor_ && static_cast<size_t>(outputEditor_->TextLength()) > kQuickStepChars ? kStepMs : kQuickStepMs;
}

void cFormMain::PaintOutput() {
  ::KillTimer(Handle(), kPaintOutputTimer);
  if (!outputEditor_) return;
  cConsoleEdit& pane = *outputEditor_;
  // Under Wine a paint of the pane walks the pane's lines for every line it shows, so it costs
  // more the more text the pane holds (about a second for 64 MB). Past one step's budget it goes
  // in bands, and messages are answered between them.
  const ULONGLONG bands = std::min(kMostPaintBands, pane.LastPaintMs() / StepMs() + 1);
  if (!pane.PayPaintBand(static_cast<int>(bands))) {
    ::SetTimer(Handle(), kPaintOutputTimer, USER_TIMER_MINIMUM, nullptr);
    return;
  }
  pane.DeferPainting(false);
  if (std::exchange(outputStatusOwed_, false)) UpdateOutputStatus();
  nextPaint_ = ::GetTickCount64() + std::max<ULONGLONG>(kPaintIntervalMs, 8 * pane.LastPaintMs());
}

LRESULT cFormMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kReleaseListenerTimer) {
        OutputStep();
        return 0;
      }
      if (wParam == kPaintOutputTimer) {
        PaintOutput();
        return 0;
      }
      if (wParam == kFlushLogTimer) {
        FlushLog();
        return 0;
      }
      if (wParam == kLogFailedTimer) {
        ::KillTimer(Handle(), kLogFailedTimer);
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

bool cFormMain::ChildOutput(const char* data, size_t count) { return ListenerData(data, count) == kListenerHold; }

void cFormMain::ChildOutputEnded() {
  if (!outputEditor_ || closing_) return;
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
    ::KillTimer(Handle(), kPaintOutputTimer);
    ::KillTimer(Handle(), kFlushLogTimer);
    ::KillTimer(Handle(), kLogFailedTimer);
  }

  child_->End(kChildExitMs, kThreadEndMs);
  // The window is going: a last write that fails has nobody to tell.
  log_.Close();
}

// ---- the log ----

void cFormMain::OpenLog(const std::wstring& path) {
  if (!log_.Open(path, childCommandLine_)) {
    ShowError(log_.Error());
    return;
  }
  ::SetTimer(Handle(), kFlushLogTimer, kFlushLogMs, nullptr);
}

void cFormMain::StopLog() {
  ::KillTimer(Handle(), kFlushLogTimer);
  if (!log_.Close()) ShowError(log_.Error());
}

void cFormMain::FlushLog() {
  if (log_.Flush()) return;
  ::KillTimer(Handle(), kFlushLogTimer);
  logFailure_ = log_.Error();
  ::SetTimer(Handle(), kLogFailedTimer, USER_TIMER_MINIMUM, nullptr);
}

bool cFormMain::FileLogToFile(bool doIt, bool& checked) {
  if (doIt) {
    if (log_.IsOpen()) {
      StopLog();
    } else {
      if (logDialog_.FileName.empty()) logDialog_.FileName = logFile_;
      if (logDialog_.Execute(Handle())) OpenLog(logDialog_.FileName);
    }
  }
  checked = log_.IsOpen();
  return true;
}

bool cFormMain::ViewTimestamps(bool doIt, bool& checked) {
  if (doIt) log_.SetTimestamps(!log_.Timestamps());
  checked = log_.Timestamps();
  return true;
}
