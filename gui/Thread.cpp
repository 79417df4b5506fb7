#include "gui/Thread.h"

#include <memory>
#include <system_error>


namespace gui {
namespace {

DWORD WINAPI ThreadStart(void* parameter) {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
  (*body)();
  return 0;
}

}  // namespace

cThread::cThread(std::function<void()> body, bool suspended) {
  auto owned = std::make_unique<std::function<void()>>(std::move(body));
  handle_.reset(::CreateThread(nullptr, 0, &ThreadStart, owned.get(), suspended ? CREATE_SUSPENDED : 0, nullptr));
  if (!handle_) throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "CreateThread");
  owned.release();
}

void cThread::Resume() {
  if (handle_) ::ResumeThread(handle_.get());
}

bool cThread::Running() const noexcept { return handle_ && ::WaitForSingleObject(handle_.get(), 0) == WAIT_TIMEOUT; }

bool cThread::WaitPumping(DWORD timeoutMs) const {
  if (!handle_) return true;
  ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    if (::WaitForSingleObject(handle_.get(), 0) != WAIT_TIMEOUT) return true;
    ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return false;
    HANDLE h = handle_.get();
    // Only sent messages: the caller is shutting down and must not run other work.
    ::MsgWaitForMultipleObjectsEx(1, &h, static_cast<DWORD>(deadline - now), QS_SENDMESSAGE, 0);
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace gui
