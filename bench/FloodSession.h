#pragma once
// A flood through Marvesk's main window, timed as the floods' benchmarks time it: from the empty
// line that makes the test child start until the pane holds what it shows and has painted it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

#include "bench/BenchSupport.h"
#include "gui/Application.h"
#include "tests/support/TestSupport.h"
#include "ui/dfMain.h"

// Seconds until the output pane holds shown more characters, with Marvesk's options given and
// the test child's flood verb ("flood:8388608").
inline double ShowFlood(const std::wstring& options, const std::wstring& flood, size_t shown) {
  cCommandLine commandLine(L"Marvesk.exe " + options + L" -- " + TestChildCommandLine({kWaitForLine, flood, L"sleep"}));
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

// Two ways of a flood run in turns, rounds times, each round's seconds printed with the ways'
// names; the best of each way counts, which keeps the shared machine's load out.
struct tBestOfTurns {
  double First = 0, Second = 0;
};

inline tBestOfTurns BestOfTurns(int rounds, const char* firstName, const std::function<double()>& first,
                                const char* secondName, const std::function<double()>& second) {
  tBestOfTurns best;
  for (int round = 0; round < rounds; ++round) {
    const double one = first(), other = second();
    std::printf("round %d: %s %8.3f s, %s %8.3f s\n", round + 1, firstName, one, secondName, other);
    best.First = round == 0 ? one : std::min(best.First, one);
    best.Second = round == 0 ? other : std::min(best.Second, other);
  }
  return best;
}

// The best of both ways in turns, printed with the ratio against its bound, then the row.
inline void RowOfTurns(const std::string& work, double bound, int rounds, const std::function<double()>& without,
                       const std::function<double()>& with) {
  const auto [plain, changed] = BestOfTurns(rounds, "without", without, "with", with);
  std::printf("%s: %.2f times the time without (bound %.1f)\n", work.c_str(), changed / plain, bound);
  Row(work, changed, plain, "s");
}
