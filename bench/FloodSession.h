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

// Shows a flood two ways in turns, rounds times each, and keeps the best of each, which keeps the
// shared machine's load out: prints every round and the ratio against its bound, then the row.
inline void RowOfTurns(const std::string& work, double bound, int rounds, const std::function<double()>& without,
                       const std::function<double()>& with) {
  double bestWithout = 0, bestWith = 0;
  for (int round = 0; round < rounds; ++round) {
    const double plain = without(), changed = with();
    std::printf("round %d: without %8.3f s, with %8.3f s\n", round + 1, plain, changed);
    bestWithout = round == 0 ? plain : std::min(bestWithout, plain);
    bestWith = round == 0 ? changed : std::min(bestWith, changed);
  }
  std::printf("%s: %.2f times the time without (bound %.1f)\n", work.c_str(), bestWith / bestWithout, bound);
  Row(work, bestWith, bestWithout, "s");
}
