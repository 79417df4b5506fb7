// One long line with no line break (2 MB unless the first argument gives another number of
// kilobytes), measured side by side in one run: the test child writes it, and this program times
//   1. Marvesk's main window, from its start until its output pane holds all of it, while a
//      thread of its own asks the window for an answer every 5 ms and keeps the longest wait;
//   2. a bare reader draining the same child's pipe.
// Under Wine the edit control wraps a long line in time that grows with the square of its length,
// so there is no bound to keep: the row records what the line costs.
//
//   longline_bench [KILOBYTES]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchSupport.h"
#include "gui/Application.h"
#include "tests/support/TestSupport.h"
#include "ui/dfMain.h"

int main(int argc, char** argv) {
  StartBench();
  const size_t kilobytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 2048;
  if (kilobytes == 0) {
    std::printf("usage: longline_bench [KILOBYTES]\n");
    return 2;
  }
  const size_t bytes = kilobytes * 1024;
  const std::wstring verb = L"line:" + std::to_wstring(bytes);

  cCommandLine commandLine(L"Marvesk.exe -- " + TestChildCommandLine({verb, L"sleep"}));
  double seconds = 0, longest = 0;
  {
    // The session's start-up counts too: the line can be shown before it has returned.
    double start = Clock();
    TFormMain form(commandLine);
    ::ShowWindow(form.Handle(), SW_SHOW);
    cAnswerProbe probe(form.Handle());
    gui::cApplication::RunUntil(
        [&] { return static_cast<size_t>(form.OutputEditor()->WPerform(WM_GETTEXTLENGTH, 0, 0)) >= bytes; },
        3600 * 1000);
    seconds = Clock() - start;
    longest = probe.Stop();
    ::DestroyWindow(form.Handle());
  }
  double pipe = ReadChildBare({verb}, bytes);
  std::printf("one line of %zu bytes\n", bytes);
  std::printf("  1. Marvesk shows it all      %8.3f s\n", seconds);
  std::printf("  2. bare pipe reader          %8.3f s\n", pipe);
  std::printf("  longest answer of the main window meanwhile: %.1f ms\n", longest * 1000);
  const std::string size = kilobytes % 1024 == 0 ? std::to_string(kilobytes / 1024) + " MB" : std::to_string(kilobytes) + " KB";
  Row(size + " line shown, vs bare pipe reader", seconds, pipe, "s");
  return 0;
}
