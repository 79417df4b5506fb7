// Progress lines under a flood: with -cr, Marvesk's main window shows 8 MB of progress records
// ("\r00%" to "\r99%", each rewriting the line before), and the same number of bytes as numbered
// lines, in turns, in one run. A rewrite must cost what its line holds, not what the pane holds:
// the records may take at most twice the time of the lines. Each way runs five times and the best
// counts, which keeps the shared machine's load out.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench/BenchSupport.h"
#include "bench/FloodSession.h"
#include "tests/support/Flood.h"

namespace {

constexpr size_t kRecords = 8 * 1024 * 1024 / ProgressRecordLength;
// The records, then the CR LF that ends the display.
constexpr size_t kBytes = kRecords * ProgressRecordLength + 2;
// The pane then keeps the last record and the line break: "51%" for 2^21 records.
constexpr size_t kLastShown = 3 + 2;
constexpr int kRounds = 5;
constexpr double kBound = 2.0;

}  // namespace

int main() {
  StartBench();
  // Without: the same bytes as lines; with: as progress records.
  RowOfTurns("8 MB of progress records (CR, -cr) shown, vs the same bytes as lines", kBound, kRounds,
             [] { return ShowFlood(L"-cr", L"flood:" + std::to_wstring(kBytes), kBytes); },
             [] { return ShowFlood(L"-cr", L"progress:" + std::to_wstring(kRecords * ProgressRecordLength), kLastShown); });
  return 0;
}
