// Colour under a flood: Marvesk's main window shows the test child's 8 MB flood with every line's
// number in colour (two escape sequences a line, read by the output rules and kept as looks
// beside the text), and the same number of bytes without colour, in turns, in one run. Each way
// runs five times; the best of each counts, which keeps the shared machine's load out (with three,
// the ratio of two floods of a quarter second swung from 0.95 to 1.49 between runs).
#include <windows.h>

#include <string>

#include "bench/BenchSupport.h"
#include "bench/FloodSession.h"
#include "tests/support/Flood.h"
#include "tests/support/TestSupport.h"

namespace {

// Whole lines, so that no sequence is cut by the end.
constexpr size_t kLines = 8 * 1024 * 1024 / FloodLineLength;
constexpr size_t kFlood = kLines * FloodLineLength;
constexpr int kRounds = 5;
// Colour may cost at most three tenths more.
constexpr double kBound = 1.3;

}  // namespace

int main() {
  StartBench();
  RowOfTurns("8 MB flood shown with every line in colour, vs the same flood without", kBound, kRounds,
             [] { return ShowFlood(L"", L"flood:" + std::to_wstring(kFlood), kFlood); },
             [] { return ShowFlood(L"", L"colourflood:" + std::to_wstring(kFlood), kLines * ColourFloodShownLength); });
  return 0;
}
