#pragma once
// The application object: the message loop, the idle event and the application title.
#include <windows.h>

#include <functional>
#include <string>

namespace gui {

class cApplication {
public:
  // Runs the message loop until WM_QUIT; returns its exit code.
  static int Run();
  // Runs the same loop, idle handler included, until done() answers true (checked after every
  // round), WM_QUIT arrives (it is posted again) or the time is up. True when done() answered.
  static bool RunUntil(const std::function<bool()>& done, DWORD timeoutMs);
  // Handles every message that is waiting now. Returns false when WM_QUIT was met (it is posted
  // again, so that the loop that owns it sees it too).
  static bool ProcessMessages();
  // Waits until a message arrives or the handle is signalled, at most timeoutMs.
  static void WaitForMessageOr(HANDLE handle, DWORD timeoutMs);

  // The idle handler runs each time the loop has emptied the queue. The wake handle, if any, is
  // waited on together with the queue, so that its signal counts as an event of its own.
  static void SetIdleHandler(std::function<void()> handler, HANDLE wake = nullptr);
  static void ClearIdleHandler();

  // The message filter sees every message the loop takes before it is dispatched; when it
  // answers true, the message has been handled (an accelerator key, say) and goes no further.
  static void SetMessageFilter(std::function<bool(MSG&)> filter);
  static void ClearMessageFilter();

  // The window whose destruction ends the message loop.
  static void SetMainForm(HWND form);
  static bool IsMainForm(HWND hwnd);

  // Text used where the program speaks for itself, such as error boxes.
  static const std::wstring& Title();
  static void SetTitle(std::wstring title);
};

}  // namespace gui
