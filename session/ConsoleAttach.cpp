#include "session/ConsoleAttach.h"

#include "gui/Handle.h"

namespace {

// How long the program stays attached after raising an event, so that the event reaches every
// process of the console (this one too, which ignores it) before it detaches.
constexpr DWORD kEventArrivalMs = 100;

BOOL WINAPI IgnoreControlEvent(DWORD) { return TRUE; }

// Types Ctrl+C into the console's input. Seen under Wine 8: its console turns a typed Ctrl+C
// into CTRL_C_EVENT but a typed Ctrl+Break into nothing, and it raises the event again for the
// key's release, so only the key going down is typed.
bool TypeCtrlC() {
  gui::cKernelHandle input(::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
  if (!input) return false;
  INPUT_RECORD record{};
  record.EventType = KEY_EVENT;
  KEY_EVENT_RECORD& key = record.Event.KeyEvent;
  key.bKeyDown = TRUE;
  key.wRepeatCount = 1;
  key.wVirtualKeyCode = 'C';
  key.wVirtualScanCode = static_cast<WORD>(::MapVirtualKeyW('C', MAPVK_VK_TO_VSC));
  key.uChar.UnicodeChar = 3;
  key.dwControlKeyState = LEFT_CTRL_PRESSED;
  DWORD written = 0;
  return ::WriteConsoleInputW(input.get(), &record, 1, &written) && written == 1;
}

}  // namespace

cConsoleAttachment::cConsoleAttachment(DWORD processId)
    : input_(::GetStdHandle(STD_INPUT_HANDLE)),
      output_(::GetStdHandle(STD_OUTPUT_HANDLE)),
      error_(::GetStdHandle(STD_ERROR_HANDLE)) {
  attached_ = ::GetConsoleWindow() == nullptr && ::AttachConsole(processId);
}

cConsoleAttachment::~cConsoleAttachment() {
  if (attached_) ::FreeConsole();
  ::SetStdHandle(STD_INPUT_HANDLE, input_);
  ::SetStdHandle(STD_OUTPUT_HANDLE, output_);
  ::SetStdHandle(STD_ERROR_HANDLE, error_);
}

HWND AttachedConsoleWindow(DWORD processId) {
  cConsoleAttachment attachment(processId);
  return attachment.Attached() ? ::GetConsoleWindow() : nullptr;
}

bool RaiseConsoleControl(DWORD processId, DWORD controlEvent) {
  // The event goes to every process of the console, this one included: ignore it here until
  // this process has left the console again.
  ::SetConsoleCtrlHandler(&IgnoreControlEvent, TRUE);
  bool raised = false;
  {
    cConsoleAttachment attachment(processId);
    if (attachment.Attached()) {
      raised = ::GenerateConsoleCtrlEvent(controlEvent, 0) || TypeCtrlC();
      ::Sleep(kEventArrivalMs);
    }
  }
  ::SetConsoleCtrlHandler(&IgnoreControlEvent, FALSE);
  return raised;
}
