#include "session/ConsoleAttach.h"

#include "gui/Handle.h"

namespace {

// How long the program stays attached after raising an event, so that the event reaches every
// process of the console (this one too, which ignores it) before it detaches.
constexpr DWORD kEventArrivalMs = 100;

BOOL WINAPI IgnoreControlEvent(DWORD) { return TRUE; }

// The events raised in a console reach every process attached to it, this one included, and one
// may still be on its way when this process has left the console again. The handler that ignores
// them is installed before the first attachment and stays for the program's whole life.
void IgnoreControlEvents() {
  static const bool installed = ::SetConsoleCtrlHandler(&IgnoreControlEvent, TRUE) != FALSE;
  (void)installed;
}

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
  IgnoreControlEvents();
  // A console of this process's own would keep it from attaching: it is given up for good. (Under
  // Wine such a console may have no window, so its window is no sign of it.)
  ::FreeConsole();
  attached_ = ::AttachConsole(processId) != FALSE;
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

tConsoleMembers ConsoleMembers(DWORD processId) {
  tConsoleMembers members;
  cConsoleAttachment attachment(processId);
  if (!attachment.Attached()) return members;
  members.Window = ::GetConsoleWindow();
  std::vector<DWORD> ids(64);
  for (;;) {
    const DWORD count = ::GetConsoleProcessList(ids.data(), static_cast<DWORD>(ids.size()));
    if (count == 0) return members;
    if (count <= ids.size()) {
      ids.resize(count);
      break;
    }
    ids.resize(count + 16);
  }
  const DWORD self = ::GetCurrentProcessId();
  for (DWORD id : ids)
    if (id != self) members.ProcessIds.push_back(id);
  return members;
}

bool RaiseConsoleControl(DWORD processId, DWORD controlEvent) {
  cConsoleAttachment attachment(processId);
  if (!attachment.Attached()) return false;
  const bool raised = ::GenerateConsoleCtrlEvent(controlEvent, 0) || TypeCtrlC();
  ::Sleep(kEventArrivalMs);
  return raised;
}
