// A soak of the output path, measured side by side in one run: the test child floods numbered
// 80-column lines, 100 MB unless the first argument gives another number of megabytes, and this
// program times
//   1. Marvesk's main window, until its output pane holds all of it and has painted it, while a
//      thread of its own asks the window for an answer every 5 ms and keeps the longest wait;
//      then checks that the pane holds exactly what was sent and takes the peak memory of this
//      process (which hosts the window) per character shown;
//   2. a bare reader draining the same child's pipe.
// Rows of the table: the time of 1 against 2, the peak bytes per character against the two bytes
// that a UTF-16 character takes, and the longest answer against the aim of 50 ms.
//
//   soak_bench [MEGABYTES]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchSupport.h"
#include "gui/Application.h"
#include "tests/support/Flood.h"
#include "tests/support/TestSupport.h"
#include "ui/dfMain.h"

namespace {

constexpr size_t kDefaultMegabytes = 100;
constexpr DWORD kTimeoutMs = 3600 * 1000;
constexpr double kAnswerAim = 0.050;

struct tShown {
  double Seconds = 0;
  double LongestAnswer = 0;
  bool Complete = false;  // the pane holds exactly the bytes sent
  PROCESS_MEMORY_COUNTERS Before{};  // once the session has started
  PROCESS_MEMORY_COUNTERS After{};   // once the pane holds it all
};

PROCESS_MEMORY_COUNTERS MemoryCounters() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
  return counters;
}

double Megabytes(size_t bytes) { return double(bytes) / (1024 * 1024); }

// Whether the text is the flood of that many bytes: the flood is ASCII, one character a byte.
bool IsFlood(std::wstring_view text, size_t bytes) {
  if (text.size() != bytes) return false;
  std::vector<char> expected(1024 * 1024);
  for (size_t offset = 0; offset < bytes; offset += expected.size()) {
    size_t count = std::min(expected.size(), bytes - offset);
    FloodBytes(offset, count, expected.data());
    for (size_t i = 0; i < count; ++i)
      if (text[offset + i] != static_cast<unsigned char>(expected[i])) return false;
  }
  return true;
}

// 1. The real window; reports every tenth of the flood as it arrives.
tShown MeasureMarvesk(size_t bytes) {
  // The child floods once the session, ready, sends it a line.
  cCommandLine commandLine(
      L"Marvesk.exe -- " + TestChildCommandLine({kWaitForLine, L"flood:" + std::to_wstring(bytes), L"sleep"}));
  TFormMain form(commandLine);
  ::ShowWindow(form.Handle(), SW_SHOW);
  gui::cApplication::RunUntil([&] { return form.ChildProcess() != nullptr && !form.InputEditor()->ReadOnly(); }, 20000);
  tShown shown;
  gui::cApplication::RunUntil([&] { return Painted(form.OutputEditor()->Handle()); }, 20000);
  const size_t before = static_cast<size_t>(form.OutputEditor()->WPerform(WM_GETTEXTLENGTH, 0, 0));
  const size_t expected = before + kLineTaken.size() + bytes;
  shown.Before = MemoryCounters();
  double start = Clock();
  form.WriteLine(L"");
  size_t nextReport = bytes / 10;
  cAnswerProbe probe(form.Handle());
  gui::cApplication::RunUntil(
      [&] {
        size_t length = static_cast<size_t>(form.OutputEditor()->WPerform(WM_GETTEXTLENGTH, 0, 0));
        if (length >= nextReport && length < expected) {
          std::printf("  shown %6.1f MB after %7.1f s\n", Megabytes(length), Clock() - start);
          nextReport = (length / (bytes / 10) + 1) * (bytes / 10);
        }
        return (length >= expected && Painted(form.OutputEditor()->Handle())) || !form.IsChildAlive();
      },
      kTimeoutMs);
  shown.Seconds = Clock() - start;
  shown.LongestAnswer = probe.Stop();
  shown.After = MemoryCounters();
  if (!form.IsChildAlive()) std::printf("  the test child has ended before all of it came\n");
  const std::wstring text = form.OutputEditor()->WText();
  shown.Complete = std::wstring_view(text).substr(before, kLineTaken.size()) == kLineTaken &&
                   IsFlood(std::wstring_view(text).substr(before + kLineTaken.size()), bytes);
  ::DestroyWindow(form.Handle());
  return shown;
}

}  // namespace

int main(int argc, char** argv) {
  StartBench();
  size_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : kDefaultMegabytes;
  if (megabytes == 0) {
    std::printf("usage: soak_bench [MEGABYTES]\n");
    return 2;
  }
  const size_t bytes = megabytes * 1024 * 1024;

  std::printf("soak: a flood of %zu MB (%zu bytes)\n", megabytes, bytes);
  tShown shown = MeasureMarvesk(bytes);
  double pipe = ReadFloodBare(bytes);
  const double perChar = double(shown.After.PeakWorkingSetSize) / double(bytes);
  std::printf("  1. Marvesk shows it all      %8.3f s   %s\n", shown.Seconds,
              shown.Complete ? "every character arrived" : "THE PANE DOES NOT HOLD WHAT WAS SENT");
  std::printf("  2. bare pipe reader          %8.3f s\n", pipe);
  std::printf("  ratio 1/2 %.2f; longest answer of the main window meanwhile: %.1f ms\n", shown.Seconds / pipe,
              shown.LongestAnswer * 1000);
  std::printf("  memory of this process        working set    pagefile usage\n");
  std::printf("    once the session ran         %8.1f MB     %8.1f MB\n", Megabytes(shown.Before.WorkingSetSize),
              Megabytes(shown.Before.PagefileUsage));
  std::printf("    peak while showing it        %8.1f MB     %8.1f MB\n", Megabytes(shown.After.PeakWorkingSetSize),
              Megabytes(shown.After.PeakPagefileUsage));
  std::printf("  peak working set per character shown: %.2f bytes (growth during the flood: %.2f bytes)\n", perChar,
              double(shown.After.PeakWorkingSetSize - shown.Before.WorkingSetSize) / double(bytes));
  const std::string size = std::to_string(megabytes) + " MB";
  Row(size + " soak shown, vs bare pipe reader", shown.Seconds, pipe, "s");
  Row(size + " soak peak working set per char, vs UTF-16", perChar, 2, "bytes/char");
  Row(size + " soak longest answer, vs aim", shown.LongestAnswer * 1000, kAnswerAim * 1000, "ms");
  return shown.Complete ? 0 : 1;
}
