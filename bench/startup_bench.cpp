// Start-up to the first prompt, measured side by side in one run, in turns, kRuns times each:
//   1. Marvesk.exe started as a process of its own, without arguments and so with its default
//      child CMD.EXE: from its start until CMD's prompt ("C:\...>") ends the text of its output
//      pane, which this program reads with WM_GETTEXT every millisecond;
//   2. CMD.EXE started bare as the session starts it (a new, hidden console, its input and output
//      on pipes): from its start until its prompt ends what came on the pipe.
// The row of the table: the median of 1 against the median of 2.
#include <windows.h>

#include <climits>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchSupport.h"
#include "gui/Handle.h"
#include "session/Threading.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr int kRuns = 5;
constexpr double kTimeoutSeconds = 30;

// Whether the last line of the text is a prompt of CMD: a drive, a path, then ">".
template <class Char>
bool EndsWithPrompt(std::basic_string_view<Char> text) {
  size_t lineBreak = text.find_last_of(Char('\n'));
  std::basic_string_view<Char> line = lineBreak == text.npos ? text : text.substr(lineBreak + 1);
  if (line.size() < 4) return false;
  Char drive = line[0];
  return ((drive >= Char('A') && drive <= Char('Z')) || (drive >= Char('a') && drive <= Char('z'))) &&
         line[1] == Char(':') && line[2] == Char('\\') && line.back() == Char('>');
}

// The window of the process with the class name, among the top-level windows or, with a parent,
// among its children; of several the rightmost.
HWND FindWindowOf(DWORD processId, const wchar_t* className, HWND parent = nullptr) {
  struct tSearch {
    DWORD processId;
    const wchar_t* className;
    HWND found = nullptr;
    LONG left = LONG_MIN;
  } search{processId, className};
  WNDENUMPROC visit = [](HWND window, LPARAM lParam) -> BOOL {
    auto& s = *reinterpret_cast<tSearch*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    wchar_t name[64];
    RECT rect;
    if (pid == s.processId && ::GetClassNameW(window, name, 64) && std::wstring_view(name) == s.className &&
        ::GetWindowRect(window, &rect)) {
      if (rect.left > s.left) {
        s.found = window;
        s.left = rect.left;
      }
    }
    return TRUE;
  };
  if (parent)
    ::EnumChildWindows(parent, visit, reinterpret_cast<LPARAM>(&search));
  else
    ::EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                             5000, &copied))
    return {};
  text.resize(copied);
  return text;
}

std::wstring MarveskPath() { return TestExeDir() + L"\\..\\..\\Marvesk.exe"; }

// 1. Seconds until the prompt is in the output pane; negative when it did not come in time.
double StartMarvesk() {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring commandLine = QuoteArgument(MarveskPath());
  double start = Clock();
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return -1;
  gui::cKernelHandle process(pi.hProcess), thread(pi.hThread);
  double seconds = -1;
  HWND form = nullptr, pane = nullptr;
  while (Clock() - start < kTimeoutSeconds) {
    if (!form) form = FindWindowOf(pi.dwProcessId, L"MarveskMain");
    // The output pane is the program's own view; the command pane is an edit control.
    if (form && !pane) pane = FindWindowOf(pi.dwProcessId, L"MarveskEditView", form);
    if (pane && EndsWithPrompt<wchar_t>(WindowText(pane))) {
      seconds = Clock() - start;
      break;
    }
    ::Sleep(1);
  }
  if (form) ::PostMessageW(form, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0) ::TerminateProcess(process.get(), 1);
  return seconds;
}

// 2. Seconds until the prompt came on the pipe; negative when CMD ended before.
double StartCmdBare() {
  cPipe input(cPipe::tOwnEnd::Write), output(cPipe::tOwnEnd::Read);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  si.hStdInput = input.ReadHandle();
  si.hStdOutput = si.hStdError = output.WriteHandle();
  PROCESS_INFORMATION pi{};
  std::wstring commandLine = L"CMD.EXE";
  double start = Clock();
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT, nullptr, nullptr, &si, &pi))
    return -1;
  gui::cKernelHandle process(pi.hProcess), thread(pi.hThread);
  input.CloseReadHandle();
  output.CloseWriteHandle();
  std::string text;
  double seconds = -1;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(output.ReadHandle(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
    text.append(buffer, read);
    if (EndsWithPrompt<char>(text)) {
      seconds = Clock() - start;
      break;
    }
  }
  // The end of its input ends CMD.
  input.CloseWriteHandle();
  if (::WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0) ::TerminateProcess(process.get(), 1);
  return seconds;
}

void PrintRuns(const char* name, const std::vector<double>& runs) {
  std::printf("  %-34s", name);
  for (double seconds : runs) std::printf(" %7.3f", seconds);
  std::printf("   median %7.3f s\n", Median(runs));
}

}  // namespace

int main() {
  StartBench();
  if (::GetFileAttributesW(MarveskPath().c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::printf("no Marvesk.exe beside the build's tests\n");
    return 1;
  }
  std::printf("start-up until CMD's first prompt, %d runs each, in turns\n", kRuns);
  std::vector<double> marvesk, bare;
  for (int run = 0; run < kRuns; ++run) {
    double ours = StartMarvesk(), theirs = StartCmdBare();
    if (ours < 0 || theirs < 0) {
      std::printf("  run %d: no prompt (Marvesk %.3f s, bare CMD %.3f s)\n", run + 1, ours, theirs);
      return 1;
    }
    marvesk.push_back(ours);
    bare.push_back(theirs);
    std::printf("  run %d: Marvesk.exe %.3f s, bare CMD.EXE %.3f s\n", run + 1, ours, theirs);
  }
  PrintRuns("1. Marvesk.exe, prompt in the pane", marvesk);
  PrintRuns("2. bare CMD.EXE, prompt on the pipe", bare);
  std::printf("  ratio 1/2 of the medians %.2f\n", Median(marvesk) / Median(bare));
  Row("start-up to CMD's first prompt (median), vs bare CMD", Median(marvesk), Median(bare), "s");
  return 0;
}
