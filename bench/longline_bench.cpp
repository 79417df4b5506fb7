// One long line with no line break, of 8 MB and of 2 MB (or only the number of kilobytes the first
// argument gives), measured side by side in one run: the test child writes it, and this program
// times
//   1. Marvesk's main window, from the moment it sends the child the line that starts it until
//      its output pane holds all of it and has painted it (no paint pending), while a thread of
//      its own asks the window for an answer every 5 ms and keeps the longest wait; with word
//      wrap on (the pane's default), and for the first line also with word wrap off, where the
//      line is one row and the pane follows its end sideways;
//   2. a bare reader draining the same child's pipe, from the child's start.
// Rows of the table: 1 against 2 for each line (the aim is 3 times at 8 MB), and the longest
// answer against the aim of 50 ms.
//
//   longline_bench [KILOBYTES]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchSupport.h"
#include "gui/Application.h"
#include "tests/support/TestSupport.h"
#include "ui/dfMain.h"

namespace {

constexpr double kAnswerAim = 0.050;

size_t PaneLength(const TFormMain& form) {
  return static_cast<size_t>(form.OutputEditor()->WPerform(WM_GETTEXTLENGTH, 0, 0));
}

// False when the pane did not show it all.
bool MeasureLine(size_t kilobytes, bool wrap) {
  const size_t bytes = kilobytes * 1024;
  const std::wstring verb = L"line:" + std::to_wstring(bytes);
  // The child waits for a line before it writes, so that the session's start-up stays out of
  // the time.
  cCommandLine commandLine(L"Marvesk.exe -- " + TestChildCommandLine({kWaitForLine, verb, L"sleep"}));
  double seconds = 0, longest = 0;
  bool shown = false;
  {
    TFormMain form(commandLine);
    ::ShowWindow(form.Handle(), SW_SHOW);
    gui::cApplication::RunUntil([&] { return form.ChildProcess() != nullptr && !form.InputEditor()->ReadOnly(); },
                                20000);
    form.OutputEditor()->SetWordWrap(wrap);
    gui::cApplication::RunUntil([&] { return Painted(form.OutputEditor()->Handle()); }, 20000);
    const size_t expected = PaneLength(form) + kLineTaken.size() + bytes;
    cAnswerProbe probe(form.Handle());
    const double start = Clock();
    form.WriteLine(L"");
    shown = gui::cApplication::RunUntil(
        [&] { return PaneLength(form) >= expected && Painted(form.OutputEditor()->Handle()); }, 3600 * 1000);
    seconds = Clock() - start;
    longest = probe.Stop();
    ::DestroyWindow(form.Handle());
  }
  double pipe = ReadChildBare({verb}, bytes);
  std::printf("one line of %zu bytes, word wrap %s\n", bytes, wrap ? "on" : "off");
  std::printf("  1. Marvesk shows it all      %8.3f s%s\n", seconds, shown ? "" : "   NOT ALL SHOWN");
  std::printf("  2. bare pipe reader          %8.3f s\n", pipe);
  std::printf("  ratio 1/2 %.2f; longest answer of the main window meanwhile: %.1f ms\n", seconds / pipe,
              longest * 1000);
  const std::string size = kilobytes % 1024 == 0 ? std::to_string(kilobytes / 1024) + " MB" : std::to_string(kilobytes) + " KB";
  const std::string line = size + (wrap ? " line" : " line without word wrap");
  Row(line + " shown and painted, vs bare pipe reader", seconds, pipe, "s");
  Row(line + " longest answer, vs aim", longest * 1000, kAnswerAim * 1000, "ms");
  return shown;
}

}  // namespace

int main(int argc, char** argv) {
  StartBench();
  std::vector<size_t> sizes{8192, 2048};
  if (argc > 1) {
    const size_t kilobytes = std::strtoull(argv[1], nullptr, 10);
    if (kilobytes == 0) {
      std::printf("usage: longline_bench [KILOBYTES]\n");
      return 2;
    }
    sizes = {kilobytes};
  }
  bool shown = true;
  for (size_t kilobytes : sizes) shown = MeasureLine(kilobytes, true) && shown;
  shown = MeasureLine(sizes.front(), false) && shown;
  return shown ? 0 : 1;
}
