// Colour under a flood: Marvesk's main window shows the test child's 8 MB flood with every line's
// number in colour (two escape sequences a line, read by the output rules and kept as looks
// beside the text), and the same number of bytes without colour, in turns, in one run. Each way
// runs three times; the best of each counts, which keeps the shared machine's load out.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench/BenchSupport.h"
#include "gui/Application.h"
#include "tests/support/Flood.h"
#include "tests/support/TestSupport.h"
#include "ui/dfMain.h"

namespace {

// Whole lines, so that no sequence is cut by the end.
constexpr size_t kLines = 8 * 1024 * 1024 / FloodLineLength;
constexpr size_t kFlood = kLines * FloodLineLength;
constexpr int kRounds = 3;
// Colour may cost at most three tenths more.
constexpr double kBound = 1.3;

// Seconds until the pane holds the shown characters of the child's verb and has painted them.
double ShowFlood(const std::wstring& verb, size_t shown) {
  cCommandLine commandLine(L"Marvesk.exe -- " +
                           TestChildCommandLine({kWaitForLine, verb + L":" + std::to_wstring(kFlood), L"sleep"}));
  TFormMain form(commandLine);
  ::ShowWindow(form.Handle(), SW_SHOW);
  gui::cApplication::RunUntil([&] { return form.ChildProcess() != nullptr && !form.InputEditor()->ReadOnly(); }, 20000);
  // The child floods once the session, ready, sends it a line.
  const size_t expected =
      static_cast<size_t>(form.OutputEditor()->WPerform(WM_GETTEXTLENGTH, 0, 0)) + kLineTaken.size() + shown;
  const double start = Clock();
  form.WriteLine(L"");
  gui::cApplication::RunUntil(
      [&] {
        return static_cast<size_t>(form.OutputEditor()->WPerform(WM_GETTEXTLENGTH, 0, 0)) >= expected &&
               Painted(form.OutputEditor()->Handle());
      },
      3600 * 1000);
  const double seconds = Clock() - start;
  ::DestroyWindow(form.Handle());
  return seconds;
}

}  // namespace

int main() {
  StartBench();
  double without = 0, with = 0;
  for (int round = 0; round < kRounds; ++round) {
    const double plain = ShowFlood(L"flood", kFlood);
    const double coloured = ShowFlood(L"colourflood", kLines * ColourFloodShownLength);
    std::printf("round %d: without colour %8.3f s, with colour %8.3f s\n", round + 1, plain, coloured);
    without = round == 0 ? plain : std::min(without, plain);
    with = round == 0 ? coloured : std::min(with, coloured);
  }
  std::printf("8 MB flood shown in colour: %.2f times the time without (bound %.1f)\n", with / without, kBound);
  Row("8 MB flood shown with every line in colour, vs the same flood without", with, without, "s");
  return 0;
}
