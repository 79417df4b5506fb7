#include "session/ConsoleProcess.h"

#include <tlhelp32.h>

#include <algorithm>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "session/ConsoleAttach.h"

namespace {

// How long the console's window gets to answer WM_CLOSE.
constexpr UINT kConsoleCloseMs = 500;

struct tAttributeListDeleter {
  void operator()(LPPROC_THREAD_ATTRIBUTE_LIST list) const noexcept { ::DeleteProcThreadAttributeList(list); }
};

// Waits for a kernel object while still answering messages sent to this thread.
void WaitAnsweringSent(HANDLE handle, DWORD timeoutMs) {
  ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return;
    DWORD r = ::MsgWaitForMultipleObjectsEx(1, &handle, static_cast<DWORD>(deadline - now), QS_SENDMESSAGE, 0);
    if (r == WAIT_OBJECT_0) return;
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

bool Running(HANDLE process) { return ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

ULONGLONG Ticks(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The processes that descend from the child, started after it (a process id alone may have been
// used before). A descendant whose parent has ended still counts through its parent's id.
std::vector<DWORD> Descendants(DWORD root, const FILETIME& rootCreated) {
  std::vector<PROCESSENTRY32W> all;
  gui::cKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return {};
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry))
    all.push_back(entry);
  std::vector<DWORD> found{root};
  for (size_t i = 0; i < found.size(); ++i) {
    for (const PROCESSENTRY32W& process : all) {
      if (process.th32ParentProcessID != found[i] || process.th32ProcessID == found[i]) continue;
      if (std::find(found.begin(), found.end(), process.th32ProcessID) != found.end()) continue;
      gui::cKernelHandle handle(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process.th32ProcessID));
      FILETIME created{}, exited{}, kernel{}, user{};
      if (handle && ::GetProcessTimes(handle.get(), &created, &exited, &kernel, &user) &&
          Ticks(created) >= Ticks(rootCreated))
        found.push_back(process.th32ProcessID);
    }
  }
  found.erase(found.begin());
  return found;
}

}  // namespace

cConsoleProcess::cConsoleProcess(iConsoleEvents& owner)
    : listener_(std::make_unique<cListenerThread>(output_.ReadHandle(), owner)) {}

cConsoleProcess::~cConsoleProcess() { End(0, 0); }

bool cConsoleProcess::Start(const std::wstring& application, const std::wstring& commandLine,
                            std::wstring_view environment) {
  const HANDLE input = input_.ReadHandle(), output = output_.WriteHandle();
  // Only the two pipe ends go to the child, whatever else this program holds as inheritable.
  HANDLE inherited[] = {input, output};
  SIZE_T size = 0;
  ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<char> storage(size);
  auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
  if (!::InitializeProcThreadAttributeList(list, 1, 0, &size)) return false;
  const std::unique_ptr<std::remove_pointer_t<LPPROC_THREAD_ATTRIBUTE_LIST>, tAttributeListDeleter> owner(list);
  if (!::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                   input == output ? sizeof(HANDLE) : sizeof inherited, nullptr, nullptr))
    return false;

  STARTUPINFOEXW si{};
  si.StartupInfo.cb = sizeof si;
  si.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  si.StartupInfo.wShowWindow = SW_HIDE;
  si.StartupInfo.hStdInput = input;
  si.StartupInfo.hStdOutput = output;
  si.StartupInfo.hStdError = output;
  si.lpAttributeList = list;
  PROCESS_INFORMATION pi{};
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  if (!::CreateProcessW(application.empty() ? nullptr : application.c_str(), line.data(), nullptr, nullptr, TRUE,
                        CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT | EXTENDED_STARTUPINFO_PRESENT,
                        environment.empty() ? nullptr : const_cast<wchar_t*>(environment.data()), nullptr,
                        &si.StartupInfo, &pi))
    return false;
  process_.reset(pi.hProcess);
  thread_.reset(pi.hThread);
  processId_ = pi.dwProcessId;
  // The child holds its own ends now. Without ours, writes fail once it is gone instead of
  // filling a pipe that nobody reads, and the output ends when the last process writing it ends.
  input_.CloseReadHandle();
  output_.CloseWriteHandle();
  FILETIME exited{}, kernel{}, user{};
  ::GetProcessTimes(process_.get(), &created_, &exited, &kernel, &user);
  return true;
}

bool cConsoleProcess::IsAlive() {
  if (ended_) return false;
  if (process_ && Running(process_.get())) return true;
  ended_ = true;
  return false;
}

HWND cConsoleProcess::FindConsoleWindow(HWND notThis) {
  // Attaching shows the console's window on Windows and under Wine alike; the walk over the
  // top-level windows is the way of a system where the child's process owns that window.
  if (HWND found = AttachedConsoleWindow(processId_)) return consoleWindow_ = found;
  for (HWND w = ::GetWindow(::GetDesktopWindow(), GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(w, &pid);
    if (w != notThis && pid == processId_) return consoleWindow_ = w;
  }
  return nullptr;
}

bool cConsoleProcess::RaiseControl(DWORD controlEvent, HWND notThis) {
  if (!process_) return false;
  if (!consoleWindow_) FindConsoleWindow(notThis);
  return RaiseConsoleControl(processId_, controlEvent);
}

void cConsoleProcess::End(DWORD waitMs, DWORD threadsMs) {
  if (std::exchange(finished_, true)) return;
  // Ask both threads to end now; they are waited for once the console has ended.
  listener_->Stop(0);
  input_.Stop(0);
  EndConsole(waitMs);
  // With the child gone, a read that a cancel missed meets the end of the output.
  output_.CloseWriteHandle();
  listener_->Stop(threadsMs);
  input_.Stop(threadsMs);
}

void cConsoleProcess::EndConsole(DWORD waitMs) {
  if (!process_) return;
  // The console's processes are taken while the console still stands: through the child, or,
  // once it has ended, through a process it started that is attached to the same console.
  tConsoleMembers members = ConsoleMembers(processId_);
  if (members.ProcessIds.empty()) {
    for (DWORD id : Descendants(processId_, created_)) {
      tConsoleMembers candidate = ConsoleMembers(id);
      if (candidate.Window && candidate.Window == consoleWindow_) {
        members = std::move(candidate);
        break;
      }
    }
  }
  std::vector<gui::cKernelHandle> attached;
  for (DWORD id : members.ProcessIds)
    if (id != processId_)
      if (gui::cKernelHandle handle(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)); handle)
        attached.push_back(std::move(handle));

  if (consoleWindow_ && ::IsWindow(consoleWindow_))
    ::SendMessageTimeoutW(consoleWindow_, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kConsoleCloseMs, nullptr);
  if (IsAlive()) WaitAnsweringSent(process_.get(), waitMs);
  if (IsAlive()) ::TerminateProcess(process_.get(), 1);
  for (const gui::cKernelHandle& process : attached)
    if (Running(process.get())) ::TerminateProcess(process.get(), 1);
}
