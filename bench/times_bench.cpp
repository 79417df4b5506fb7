// The times of the lines under a flood: Marvesk's main window shows the test child's 8 MB flood
// with the gutter of times shown (-times), and the same flood without it, in turns, in one run.
// Each line's time is kept either way; the gutter costs what drawing it costs. Each way runs five
// times and the best of each counts, as the log's and the colour's benchmarks do.
#include <windows.h>

#include <string>

#include "bench/BenchSupport.h"
#include "bench/FloodSession.h"

int main() {
  StartBench();
  constexpr size_t kFlood = 8 * 1024 * 1024;
  const std::wstring flood = L"flood:" + std::to_wstring(kFlood);
  // The gutter may cost at most a tenth more.
  RowOfTurns("8 MB flood shown with the times of its lines, vs the same flood without", 1.1, 5,
             [&] { return ShowFlood(L"", flood, kFlood); }, [&] { return ShowFlood(L"-times", flood, kFlood); });
  return 0;
}
