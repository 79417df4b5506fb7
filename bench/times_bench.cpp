// The times of the lines under a flood: Marvesk's main window shows the test child's 8 MB flood
// with the gutter of times shown (-times), and the same flood without it, in turns, in one run.
// Each line's time is kept either way; the gutter costs what drawing it costs. Each way runs five
// times and the best of each counts, which keeps the shared machine's load out, as the log's and
// the colour's benchmarks do.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench/BenchSupport.h"
#include "bench/FloodSession.h"

namespace {

constexpr size_t kFlood = 8 * 1024 * 1024;
constexpr int kRounds = 5;
// The gutter may cost at most a tenth more.
constexpr double kBound = 1.1;

}  // namespace

int main() {
  StartBench();
  const std::wstring flood = L"flood:" + std::to_wstring(kFlood);
  double without = 0, with = 0;
  for (int round = 0; round < kRounds; ++round) {
    const double plain = ShowFlood(L"", flood, kFlood);
    const double timed = ShowFlood(L"-times", flood, kFlood);
    std::printf("round %d: without the times %8.3f s, with them %8.3f s\n", round + 1, plain, timed);
    without = round == 0 ? plain : std::min(without, plain);
    with = round == 0 ? timed : std::min(with, timed);
  }
  std::printf("8 MB flood shown with the times: %.2f times the time without (bound %.1f)\n", with / without, kBound);
  Row("8 MB flood shown with the times of its lines, vs the same flood without", with, without, "s");
  return 0;
}
