// Places in an output pane full of file locations whose files do not exist here (a log from
// another machine): kCandidates lines, every other one a relative Windows path and a Linux path,
// each file named once, and one location of a file that exists at the end. Marvesk's main window
// shows them (set as the pane's text), and this program, on the window's thread:
//   - presses F4 from the top until the place at the end opens. Each press looks until its time
//     is up and says where it stopped (the box answered at once through the dialog seam); the
//     longest press and the window's longest answer (a thread asks every 5 ms) against the aim of
//     50 ms;
//   - then moves the mouse over the last kHovers locations with Ctrl held, as a user looking for
//     the hand does: the longest move and the window's longest answer against the same aim.
// The probes are the system's own (GetFileAttributesW).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "gui/Application.h"
#include "gui/DialogSeam.h"
#include "session/PlaceOpener.h"
#include "tests/support/TestSupport.h"
#include "ui/dfMain.h"

namespace {

constexpr int kCandidates = 100000;
constexpr int kHovers = 40;
constexpr size_t kMaxPresses = 20000;
constexpr double kAnswerAim = 0.050;

LRESULT Ask(HWND pane, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return ::SendMessageW(pane, message, wParam, lParam);
}

// What the window still has to do after a press or a move: the probe's question, a paint.
void Settle(HWND pane) {
  PumpUntil([pane] { return Painted(pane); }, 1);
  PumpUntil([] { return false; }, 0.01);
}

}  // namespace

int main() {
  StartBench();
  cTempDir dir;
  const std::wstring found = dir.WriteFile(L"found.c", "").wstring();
  std::wstring text;
  for (int i = 0; i < kCandidates; ++i) {
    const std::wstring n = std::to_wstring(i);
    text += i % 2 == 0 ? L"src\\mod" + n + L".c(12): error C2065: 'x" + n + L"': undeclared identifier\r\n"
                       : L"/home/ci/build/src/mod" + n + L".c:12:5: error: 'x' undeclared\r\n";
  }
  text += found + L":7: note: the one that exists";

  cCommandLine commandLine(L"Marvesk.exe -- " + TestChildCommandLine({L"sleep"}));
  TFormMain form(commandLine);
  ::ShowWindow(form.Handle(), SW_SHOW);
  gui::cApplication::RunUntil([&] { return form.ChildProcess() != nullptr && !form.InputEditor()->ReadOnly(); }, 20000);
  cConsoleEdit& output = *form.OutputEditor();
  const HWND pane = output.Handle();
  output.SetWText(text);
  output.SetSelStart(0);
  Ask(pane, EM_SCROLLCARET);
  Settle(pane);

  int boxes = 0;
  gui::cDialogSeam::cResponderScope answer([&](const gui::tMessageBoxRequest&) {
    ++boxes;
    return IDOK;
  });
  std::vector<tOpenRequest> opened;
  cPlaceOpener::cResponderScope opener([&](const tOpenRequest& request) {
    opened.push_back(request);
    return true;
  });

  // F4 from the top until the place that exists opens.
  cAnswerProbe pressProbe(form.Handle());
  std::vector<double> pressTimes;
  const double walkStart = Clock();
  while (opened.empty() && pressTimes.size() < kMaxPresses) {
    const double start = Clock();
    Ask(pane, WM_KEYDOWN, VK_F4, 1);
    pressTimes.push_back(Clock() - start);
    Settle(pane);
  }
  const auto presses = static_cast<int>(pressTimes.size());
  const double walk = Clock() - walkStart;
  const double pressAnswer = pressProbe.Stop();
  const bool reached = opened.size() == 1 && opened[0].Launch.CommandLine.find(found) != std::wstring::npos;
  std::printf("F4 over %d candidates: %d presses (%d said where they stopped) in %.2f s, %.0f lines a press; "
              "presses took %.1f ms (median) and %.1f ms at most, longest answer %.1f ms; %s\n",
              kCandidates, presses, boxes, walk, double(kCandidates) / presses, Median(pressTimes) * 1000,
              *std::max_element(pressTimes.begin(), pressTimes.end()) * 1000, pressAnswer * 1000,
              reached ? "the place at the end opened" : "THE PLACE AT THE END DID NOT OPEN");

  // Ctrl held over the last locations, one after the other.
  BYTE saved[256], held[256];
  ::GetKeyboardState(saved);
  std::memcpy(held, saved, sizeof held);
  held[VK_CONTROL] = 0x80;
  ::SetKeyboardState(held);
  cAnswerProbe hoverProbe(form.Handle());
  double longestMove = 0;
  const auto lastLine = static_cast<int>(Ask(pane, EM_LINEFROMCHAR, static_cast<WPARAM>(text.size())));
  for (int i = 1; i <= kHovers; ++i) {
    const auto lineStart = static_cast<int>(Ask(pane, EM_LINEINDEX, static_cast<WPARAM>(lastLine - i)));
    Ask(pane, EM_SETSEL, static_cast<WPARAM>(lineStart), lineStart);
    Ask(pane, EM_SCROLLCARET);
    Settle(pane);
    const auto point = static_cast<DWORD>(Ask(pane, EM_POSFROMCHAR, static_cast<WPARAM>(lineStart + 3)));
    POINT screen{static_cast<short>(LOWORD(point)) + 1, static_cast<short>(HIWORD(point)) + 2};
    const LPARAM client = MAKELPARAM(screen.x, screen.y);
    ::ClientToScreen(pane, &screen);
    ::SetCursorPos(screen.x, screen.y);
    const double start = Clock();
    Ask(pane, WM_MOUSEMOVE, MK_CONTROL, client);
    longestMove = std::max(longestMove, Clock() - start);
    Settle(pane);
  }
  const double hoverAnswer = hoverProbe.Stop();
  ::SetKeyboardState(saved);
  std::printf("Ctrl held over %d of them: longest move %.1f ms, longest answer %.1f ms\n", kHovers,
              longestMove * 1000, hoverAnswer * 1000);
  ::DestroyWindow(form.Handle());

  Row("F4 over 100,000 places whose files do not exist: longest answer, vs aim", pressAnswer * 1000,
      kAnswerAim * 1000, "ms");
  Row("Ctrl held over places below 100,000 that do not exist: longest answer, vs aim", hoverAnswer * 1000,
      kAnswerAim * 1000, "ms");
  return reached ? 0 : 1;
}
