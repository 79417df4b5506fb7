#include "gui/Application.h"

#include <algorithm>
#include <utility>

namespace gui {
namespace {

struct tState {
  std::function<void()> idle;
  std::function<bool(MSG&)> filter;
  HANDLE wake = nullptr;
  std::wstring title;
  HWND mainForm = nullptr;
  int exitCode = 0;
};

tState& State() {
  static tState state;
  return state;
}

void Dispatch(MSG& msg) {
  // A copy: the handler the filter reaches may remove it.
  if (auto filter = State().filter; filter && filter(msg)) return;
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
}

void RunIdle() {
  // A copy: the handler may unhook itself.
  if (auto idle = State().idle) idle();
}

}  // namespace

bool cApplication::ProcessMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    Dispatch(msg);
  }
  return true;
}

void cApplication::WaitForMessageOr(HANDLE handle, DWORD timeoutMs) {
  DWORD count = handle ? 1 : 0;
  ::MsgWaitForMultipleObjectsEx(count, handle ? &handle : nullptr, timeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

int cApplication::Run() {
  RunUntil(nullptr, INFINITE);
  return State().exitCode;
}

bool cApplication::RunUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  ULONGLONG deadline = timeoutMs == INFINITE ? ~0ULL : ::GetTickCount64() + timeoutMs;
  MSG msg;
  for (;;) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        State().exitCode = static_cast<int>(msg.wParam);
        if (done) ::PostQuitMessage(State().exitCode);
        return false;
      }
      Dispatch(msg);
    }
    RunIdle();
    if (done && done()) return true;
    ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return false;
    // The idle handler may have sent or posted something; look again before sleeping.
    if (::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) continue;
    ULONGLONG slice = deadline - now;
    if (done) slice = std::min<ULONGLONG>(slice, 50);  // done() may change without a message
    WaitForMessageOr(State().wake, slice >= INFINITE ? INFINITE : static_cast<DWORD>(slice));
  }
}

void cApplication::SetIdleHandler(std::function<void()> handler, HANDLE wake) {
  State().idle = std::move(handler);
  State().wake = wake;
}

void cApplication::ClearIdleHandler() {
  State().idle = nullptr;
  State().wake = nullptr;
}

void cApplication::SetMessageFilter(std::function<bool(MSG&)> filter) { State().filter = std::move(filter); }

void cApplication::ClearMessageFilter() { State().filter = nullptr; }

void cApplication::SetMainForm(HWND form) { State().mainForm = form; }

bool cApplication::IsMainForm(HWND hwnd) { return hwnd && hwnd == State().mainForm; }

const std::wstring& cApplication::Title() { return State().title; }

void cApplication::SetTitle(std::wstring title) { State().title = std::move(title); }

}  // namespace gui
