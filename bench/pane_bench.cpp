// The output pane once it holds 64 MB: Marvesk's main window shows the test child's flood of
// numbered 80-column lines, then this program times, with the last rows showing and with the
// middle of the text showing (scrolled there, the caret left at the end):
//   - a full paint of the pane: InvalidateRect of all of it, then UpdateWindow; the median of
//     kPaints, against the aim of 5 ms;
//   - word wrap switched off, then on again, as View > Word Wrap does on the output pane (the
//     memo's SetWordWrap): the time until the call has returned and a paint of the pane has
//     completed, against the aim of 500 ms, and the window's longest answer (a thread asks every
//     5 ms) from the switch until kSettleMs later, when the view's slices of the new layout have
//     long run, against the aim of 50 ms. That the rows were right then is checked: the rows
//     shown after the first paint must start where they start once the slices have run.
// The pane is made narrow enough for the lines to wrap. Each row of the table takes the worst of
// its cases.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "gui/Application.h"
#include "tests/support/TestSupport.h"
#include "ui/dfMain.h"

namespace {

constexpr size_t kFlood = 64 * 1024 * 1024;
constexpr int kPaints = 15;
constexpr DWORD kSettleMs = 2000;
// The pane's width: the flood's 80-column lines wrap, so that a switch of word wrap lays the
// rows out anew.
constexpr int kPaneWidth = 420;
constexpr double kPaintAim = 0.005, kVisibleAim = 0.5, kAnswerAim = 0.050;

struct tWorst {
  double Paint = 0, Visible = 0, Answer = 0;
  bool RowsRight = true;
};

LRESULT Ask(HWND pane, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return ::SendMessageW(pane, message, wParam, lParam);
}

// Where each row that shows starts, from the first visible one down to the bottom of the pane.
std::vector<LRESULT> VisibleRowStarts(HWND pane) {
  RECT client;
  ::GetClientRect(pane, &client);
  const LRESULT rows = Ask(pane, EM_GETLINECOUNT);
  std::vector<LRESULT> starts;
  for (LRESULT row = Ask(pane, EM_GETFIRSTVISIBLELINE); row < rows; ++row) {
    const LRESULT start = Ask(pane, EM_LINEINDEX, static_cast<WPARAM>(row));
    const LRESULT point = Ask(pane, EM_POSFROMCHAR, static_cast<WPARAM>(start));
    if (point == -1 || static_cast<short>(HIWORD(point)) >= client.bottom) break;
    starts.push_back(start);
  }
  return starts;
}

// Shown, and then idle for longer than the view's pacing of paints.
void Settle(HWND pane, DWORD idleMs = 100) {
  gui::cApplication::RunUntil([pane] { return Painted(pane); }, 60000);
  gui::cApplication::RunUntil([] { return false; }, idleMs);
}

double FullPaint(HWND pane) {
  std::vector<double> paints;
  for (int i = 0; i < kPaints; ++i) {
    Settle(pane, 20);
    const double start = Clock();
    ::InvalidateRect(pane, nullptr, FALSE);
    ::UpdateWindow(pane);
    paints.push_back(Clock() - start);
  }
  return Median(paints);
}

void SwitchWrap(TFormMain& form, const char* where, tWorst& worst) {
  cConsoleEdit& editor = *form.OutputEditor();
  const HWND pane = editor.Handle();
  Settle(pane);
  const bool wrap = !editor.WordWrap();
  cAnswerProbe probe(form.Handle());
  const double start = Clock();
  editor.SetWordWrap(wrap);
  const double returned = Clock() - start;
  const bool painted = PumpUntil([pane] { return Painted(pane); }, 10);
  const double visible = Clock() - start;
  const std::vector<LRESULT> shown = VisibleRowStarts(pane);
  gui::cApplication::RunUntil([] { return false; }, kSettleMs);
  const cAnswerProbe::tSample slowest = probe.Slowest();
  const double longest = slowest.Took;
  const bool right = painted && !shown.empty() && VisibleRowStarts(pane) == shown;
  std::printf("  word wrap %-3s (%s): returned %7.1f ms, painted %7.1f ms, %zu rows shown %s; longest answer %6.1f ms"
              " (asked %+.0f ms after the switch); %ld rows\n",
              wrap ? "on" : "off", where, returned * 1000, visible * 1000, shown.size(), right ? "right" : "WRONG",
              longest * 1000, (slowest.Start - start) * 1000, static_cast<long>(Ask(pane, EM_GETLINECOUNT)));
  worst.Visible = std::max(worst.Visible, visible);
  worst.Answer = std::max(worst.Answer, longest);
  worst.RowsRight = worst.RowsRight && right;
}

void Measure(TFormMain& form, const char* where, tWorst& worst) {
  const HWND pane = form.OutputEditor()->Handle();
  const double paint = FullPaint(pane);
  std::printf("  full paint (%s): median of %d %.2f ms\n", where, kPaints, paint * 1000);
  worst.Paint = std::max(worst.Paint, paint);
  SwitchWrap(form, where, worst);
  SwitchWrap(form, where, worst);
}

}  // namespace

int main() {
  StartBench();
  cCommandLine commandLine(L"Marvesk.exe -- " + TestChildCommandLine({L"flood:" + std::to_wstring(kFlood), L"sleep"}));
  TFormMain form(commandLine);
  ::ShowWindow(form.Handle(), SW_SHOW);
  gui::cApplication::RunUntil([&] { return form.ChildProcess() != nullptr && !form.InputEditor()->ReadOnly(); }, 20000);
  const HWND pane = form.OutputEditor()->Handle();
  RECT frame, bounds;
  ::GetWindowRect(form.Handle(), &frame);
  ::GetWindowRect(pane, &bounds);
  ::SetWindowPos(form.Handle(), nullptr, 0, 0, (frame.right - frame.left) - (bounds.right - bounds.left) + kPaneWidth,
                 frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
  ::GetWindowRect(pane, &bounds);
  std::printf("the output pane is %ld pixels wide\n", static_cast<long>(bounds.right - bounds.left));
  const double start = Clock();
  if (!gui::cApplication::RunUntil(
          [&] { return static_cast<size_t>(Ask(pane, WM_GETTEXTLENGTH)) >= kFlood && Painted(pane); }, 3600 * 1000)) {
    std::printf("the pane did not show the flood\n");
    return 1;
  }
  std::printf("the output pane holds %zu characters in %ld rows (shown in %.2f s); word wrap %s\n", kFlood,
              static_cast<long>(Ask(pane, EM_GETLINECOUNT)), Clock() - start,
              form.OutputEditor()->WordWrap() ? "on" : "off");

  tWorst worst;
  Measure(form, "last rows", worst);
  const LRESULT rows = Ask(pane, EM_GETLINECOUNT);
  Ask(pane, EM_LINESCROLL, 0, -static_cast<LPARAM>(rows / 2));
  Measure(form, "middle", worst);
  ::DestroyWindow(form.Handle());

  Row("64 MB pane, full paint (InvalidateRect + UpdateWindow, median), vs aim", worst.Paint * 1000, kPaintAim * 1000,
      "ms");
  Row("64 MB pane, word wrap switched: call returned + pane painted, vs aim", worst.Visible * 1000,
      kVisibleAim * 1000, "ms");
  Row("64 MB pane, word wrap switched: longest answer until 2 s after, vs aim", worst.Answer * 1000,
      kAnswerAim * 1000, "ms");
  if (!worst.RowsRight) std::printf("the rows shown after a switch of word wrap were not the rows of the layout\n");
  return worst.RowsRight ? 0 : 1;
}
