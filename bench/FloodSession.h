#pragma once
// A flood through Marvesk's main window, timed as the floods' benchmarks time it: from the empty
// line that makes the test child start until the pane holds what it shows and has painted it.
#include <windows.h>

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
