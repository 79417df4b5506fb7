// The session's log under a flood: Marvesk's main window shows the test child's 8 MB flood with a
// log on, and the same flood without one, in turns, in one run. The log is written from memory on
// the window's own thread, so what it costs shows in the time until the pane holds everything.
// Each way runs five times; the best of each counts, which keeps the shared machine's load out
// (with three, the ratio of two floods of a tenth of a second swung from 1.06 to 1.31 between
// runs, as the colour benchmark's did).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench/BenchSupport.h"
#include "bench/FloodSession.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr size_t kFlood = 8 * 1024 * 1024;
constexpr int kRounds = 5;
// The log may cost at most a fifth more.
constexpr double kBound = 1.2;

}  // namespace

int main() {
  StartBench();
  cTempDir folder;
  const std::wstring log = (folder.Path() / L"flood.log").wstring();
  const std::wstring flood = L"flood:" + std::to_wstring(kFlood);
  double without = 0, with = 0;
  for (int round = 0; round < kRounds; ++round) {
    const double plain = ShowFlood(L"", flood, kFlood);
    ::DeleteFileW(log.c_str());
    const double logged = ShowFlood(L"\"-log:" + log + L"\"", flood, kFlood);
    std::printf("round %d: without a log %8.3f s, with one %8.3f s, the log holds %zu bytes\n", round + 1, plain,
                logged, ReadBytes(log).size());
    without = round == 0 ? plain : std::min(without, plain);
    with = round == 0 ? logged : std::min(with, logged);
  }
  std::printf("8 MB flood shown with a log: %.2f times the time without (bound %.1f)\n", with / without, kBound);
  Row("8 MB flood shown with a log on, vs the same flood without", with, without, "s");
  return 0;
}
