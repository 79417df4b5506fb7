#pragma once
// Reaching into a child's console: finding its window, listing its processes and raising its
// control events.
#include <windows.h>

#include <vector>

#include "gui/Scope.h"

// Attaches this process to the console of another one for as long as the object lives. A console
// this process was given at its start (Wine gives one to a GUI program that a console program
// starts) is given up first: a process can be attached to one console only. The process's
// standard handles are the same afterwards as before.
class cConsoleAttachment : gui::cScoped {
public:
  explicit cConsoleAttachment(DWORD processId);
  ~cConsoleAttachment();

  bool Attached() const noexcept { return attached_; }

private:
  bool attached_ = false;
  HANDLE input_, output_, error_;
};

// The window of the process's console, found by attaching to it; none if it has no console.
HWND AttachedConsoleWindow(DWORD processId);

// The ids of the processes attached to the console of the process, this one left out, and the
// console's window; nothing when it has no console.
struct tConsoleMembers {
  std::vector<DWORD> ProcessIds;
  HWND Window = nullptr;
};
tConsoleMembers ConsoleMembers(DWORD processId);

// Raises Ctrl+C (CTRL_C_EVENT) or Ctrl+Break (CTRL_BREAK_EVENT) in the console of the process.
// Where the system cannot raise the event (Wine 8 refuses CTRL_BREAK_EVENT), Ctrl+C is typed
// into the console instead: the child is interrupted rather than not at all.
bool RaiseConsoleControl(DWORD processId, DWORD controlEvent);
