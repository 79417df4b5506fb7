#pragma once
// A thread that owns its body. The body and what it captures live on the thread itself, so the
// object may be dropped while the thread still runs (it is never terminated from outside).
#include <windows.h>

#include <functional>

#include "gui/Handle.h"

namespace gui {

class cThread {
public:
  cThread() = default;
  // Starts the body at once, or suspended until Resume.
  explicit cThread(std::function<void()> body, bool suspended = false);
  cThread(cThread&&) noexcept = default;
  cThread& operator=(cThread&&) noexcept = default;

  void Resume();
  HANDLE Handle() const noexcept { return handle_.get(); }
  bool Running() const noexcept;
  // Waits for the end of the thread, at most timeoutMs, while this thread's window messages
  // (sent ones included) go on being handled. True when the thread has ended.
  bool WaitPumping(DWORD timeoutMs) const;

private:
  cKernelHandle handle_;
};

}  // namespace gui
