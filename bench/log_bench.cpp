// The session's log under a flood: Marvesk's main window shows the test child's 8 MB flood with a
// log on, and the same flood without one, in turns, in one run. The log is written from memory on
// the window's own thread, so what it costs shows in the time until the pane holds everything.
// Each way runs three times; the best of each counts, which keeps the shared machine's load out.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench/BenchSupport.h"
#include "gui/Application.h"
#include "tests/support/TestSupport.h"
#include "ui/dfMain.h"

namespace {

constexpr size_t kFlood = 8 * 1024 * 1024;
constexpr int kRounds = 3;
// The log may cost at most a fifth more.
constexpr double kBound = 1.2;

// Seconds until the pane holds the whole flood and has painted it, with the options given.
double ShowFlood(const std::wstring& options) {
  cCommandLine commandLine(L"Marvesk.exe " + options + L" -- " +
                           TestChildCommandLine({kWaitForLine, L"flood:" + std::to_wstring(kFlood), L"sleep"}));
  TFormMain form(commandLine);
  ::ShowWindow(form.Handle(), SW_SHOW);
  gui::cApplication::RunUntil([&] { return form.ChildProcess() != nullptr && !form.InputEditor()->ReadOnly(); }, 20000);
  // The child floods once the session, ready, sends it a line.
  const size_t expected =
      static_cast<size_t>(form.OutputEditor()->WPerform(WM_GETTEXTLENGTH, 0, 0)) + kLineTaken.size() + kFlood;
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
  cTempDir folder;
  const std::wstring log = (folder.Path() / L"flood.log").wstring();
  double without = 0, with = 0;
  for (int round = 0; round < kRounds; ++round) {
    const double plain = ShowFlood(L"");
    ::DeleteFileW(log.c_str());
    const double logged = ShowFlood(L"\"-log:" + log + L"\"");
    std::printf("round %d: without a log %8.3f s, with one %8.3f s, the log holds %zu bytes\n", round + 1, plain,
                logged, ReadBytes(log).size());
    without = round == 0 ? plain : std::min(without, plain);
    with = round == 0 ? logged : std::min(with, logged);
  }
  std::printf("8 MB flood shown with a log: %.2f times the time without (bound %.1f)\n", with / without, kBound);
  Row("8 MB flood shown with a log on, vs the same flood without", with, without, "s");
  return 0;
}
