// The latency of one short command from a real keystroke, measured side by side in one run, the
// median of kRounds each:
//   1. Marvesk: its main window in front, the command pane focused and holding the command;
//      SendInput types Shift+Enter, as a keyboard would, and the time runs until the test child
//      ("testchild echo") has read the command and its echo ends the output pane: the moment the
//      session has handled the listener's chunk that completed it, stamped by a hook (or, when the
//      window held that output and showed it in a later step, when its loop finds it shown). Also
//      shown: until the window has handled all that the keystroke brought (the key's other
//      messages, the paints), as the message loop sees it;
//   2. a bare writer: the same bytes written on the input pipe of the same kind of child, until
//      its echo came back on its output pipe.
// The row of the table: the median of 1 against the median of 2.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "gui/Application.h"
#include "gui/Handle.h"
#include "session/Threading.h"
#include "tests/support/TestSupport.h"
#include "ui/dfMain.h"

namespace {

constexpr int kRounds = 20;
constexpr DWORD kAnswerTimeoutMs = 5000;

std::string Command(int round) { return "command " + std::to_string(round); }

// The echo awaited: the hook stamps the moment the session has handled the chunk of output
// that made the pane's text the answer.
struct tEchoWatch {
  const cConsoleEdit* output = nullptr;
  std::wstring answer;
  double arrived = 0;
};
tEchoWatch echoWatch;

LRESULT CALLBACK AfterMessage(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == WM_LISTENER_DATA && echoWatch.output && echoWatch.arrived == 0 &&
      echoWatch.output->WText() == echoWatch.answer)
    echoWatch.arrived = Clock();
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// Shift+Enter as the keyboard gives it: Shift down, Enter down and up, Shift up.
bool TypeShiftEnter() {
  INPUT keys[4]{};
  const WORD sequence[4] = {VK_SHIFT, VK_RETURN, VK_RETURN, VK_SHIFT};
  for (int i = 0; i < 4; ++i) {
    keys[i].type = INPUT_KEYBOARD;
    keys[i].ki.wVk = sequence[i];
    keys[i].ki.wScan = static_cast<WORD>(::MapVirtualKeyW(sequence[i], MAPVK_VK_TO_VSC));
    keys[i].ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
  }
  return ::SendInput(4, keys, sizeof(INPUT)) == 4;
}

// 1. Seconds per round until the echo is in the pane, and until the window is done with the
// keystroke; empty when a round got no answer.
std::vector<double> MeasureMarvesk(std::vector<double>& done) {
  cCommandLine commandLine(L"Marvesk.exe -- " + TestChildCommandLine({L"echo"}));
  TFormMain form(commandLine);
  ::ShowWindow(form.Handle(), SW_SHOW);
  gui::cApplication::RunUntil([&] { return form.ChildProcess() != nullptr && !form.InputEditor()->ReadOnly(); }, 20000);
  cConsoleEdit& pane = *form.InputEditor();
  cConsoleEdit& output = *form.OutputEditor();
  ::SetForegroundWindow(form.Handle());
  ::SetFocus(pane.Handle());
  gui::cApplication::RunUntil([] { return false; }, 200);
  if (::GetForegroundWindow() != form.Handle() || ::GetFocus() != pane.Handle()) {
    std::printf("  the command pane did not get the keyboard focus\n");
    ::DestroyWindow(form.Handle());
    return {};
  }

  gui::cHook hook(
      ::SetWindowsHookExW(WH_CALLWNDPROCRET, AfterMessage, nullptr, ::GetCurrentThreadId()));
  echoWatch.output = &output;
  std::vector<double> rounds;
  for (int round = 0; round < kRounds; ++round) {
    std::string command = Command(round);
    std::wstring text(command.begin(), command.end());
    pane.SetWText(text);
    pane.SetSelStart(static_cast<int>(text.size()));
    form.UpdateCommandText();
    gui::cApplication::RunUntil([] { return false; }, 30);
    echoWatch.answer = output.WText() + text + L"\r\n";
    echoWatch.arrived = 0;
    double start = Clock();
    // The hook stamps a chunk shown as it came; output the window held and showed in a later step
    // of its own is stamped once the loop sees it there.
    auto answered = [&] {
      if (echoWatch.arrived == 0 && output.WText() == echoWatch.answer) echoWatch.arrived = Clock();
      return echoWatch.arrived != 0;
    };
    if (!TypeShiftEnter() || !gui::cApplication::RunUntil(answered, kAnswerTimeoutMs)) {
      std::printf("  round %d: no answer to the keystroke\n", round + 1);
      rounds.clear();
      break;
    }
    done.push_back(Clock() - start);
    rounds.push_back(echoWatch.arrived - start);
  }
  echoWatch.output = nullptr;
  ::DestroyWindow(form.Handle());
  return rounds;
}

// 2. Seconds per round; empty when a round got no answer.
std::vector<double> MeasureBare() {
  cTestChild child({L"echo"});
  std::vector<double> rounds;
  for (int round = 0; round < kRounds; ++round) {
    std::string line = Command(round) + "\r\n";
    double start = Clock();
    if (!child.Write(line) || child.Read(line.size()) != line) return {};
    rounds.push_back(Clock() - start);
  }
  child.CloseInput();
  return rounds;
}

void PrintRounds(const char* name, const std::vector<double>& rounds) {
  double best = rounds.front(), worst = rounds.front();
  for (double seconds : rounds) {
    best = std::min(best, seconds);
    worst = std::max(worst, seconds);
  }
  std::printf("  %-40s best %7.2f ms   median %7.2f ms   worst %7.2f ms\n", name, best * 1000,
              Median(rounds) * 1000, worst * 1000);
}

}  // namespace

int main() {
  StartBench();
  std::printf("one short command from a keystroke (SendInput of Shift+Enter into the focused command pane)\n");
  std::printf("until the test child echoes it, %d rounds each\n", kRounds);
  std::vector<double> done;
  std::vector<double> marvesk = MeasureMarvesk(done);
  std::vector<double> bare = MeasureBare();
  if (marvesk.empty() || bare.empty()) {
    std::printf("  no figures\n");
    return 1;
  }
  PrintRounds("1. Marvesk, keystroke to echo in the pane", marvesk);
  PrintRounds("   ... and the window done with the key", done);
  PrintRounds("2. bare writer, write to echo on the pipe", bare);
  std::printf("  ratio 1/2 of the medians %.2f\n", Median(marvesk) / Median(bare));
  Row("keystroke to child's echo of a command (median), vs bare pipe", Median(marvesk) * 1000, Median(bare) * 1000,
      "ms");
  return 0;
}
