// The output path under floods of 8 MB and 64 MB, measured side by side in one run. The test
// child writes numbered 80-column lines, and this program times:
//   1. Marvesk's main window, until its output pane holds all of it and has painted it (no paint
//      pending), while a thread of its own
//      asks the window for an answer every 5 ms and keeps the longest wait;
//   2. a bare reader draining the same child's pipe;
//   3. (8 MB) the same chunks appended to a bare EDIT control.
// After the 64 MB flood, with the pane idle (its last paint long past), it times one more line
// two ways, the median of kOneLineRounds each:
//   - through the whole path: the session sends a line, the test child echoes it, until the pane
//     holds it and has painted it (no paint pending). This includes both pipe trips, so its
//     baseline is the same line echoed by the same kind of child on bare pipes;
//   - in the pane alone: the line appended at the end (EM_SETSEL, EM_REPLACESEL) and painted
//     (UpdateWindow), against the aim of 5 ms.
// Rows of the table: each flood against 2, the 8 MB flood against 3, the 64 MB flood against the
// 8 MB flood (linear growth gives 8), the longest answers against the aim of 50 ms, and the one
// line both ways.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "gui/Application.h"
#include "session/PipeCodec.h"
#include "tests/support/TestSupport.h"
#include "ui/dfMain.h"

namespace {

constexpr size_t kMegabyte = 1024 * 1024;
constexpr size_t kSmallFlood = 8 * kMegabyte, kLargeFlood = 64 * kMegabyte;
// The window must answer within 50 ms throughout; the answers while the pane held up to 16 MB
// are kept apart, as a bound of their own once was.
constexpr size_t kQuickAnswerBytes = 16 * kMegabyte;
constexpr double kAnswerAim = 0.050;
// One more line, shown and painted.
constexpr double kOneLineAim = 0.005;
constexpr int kOneLineRounds = 7;
// Longer than the view's pacing of paints (16 ms), so that a round starts from an idle pane.
constexpr DWORD kIdleMs = 100;

struct tFlood {
  double Seconds = 0;
  double LongestAnswer = 0;
  double LongestAnswerUpTo16MB = 0;
  std::vector<double> OneLine, PipeOneLine, PaneOneLine;  // seconds of each round
};

size_t PaneLength(const TFormMain& form) {
  return static_cast<size_t>(form.OutputEditor()->WPerform(WM_GETTEXTLENGTH, 0, 0));
}

bool PaneShown(const TFormMain& form) { return Painted(form.OutputEditor()->Handle()); }

void WaitIdle(TFormMain& form) {
  gui::cApplication::RunUntil([&] { return PaneShown(form); }, 60000);
  gui::cApplication::RunUntil([] { return false; }, kIdleMs);
}

std::wstring RoundLine(int round) { return L"one more line " + std::to_wstring(round); }

// The rounds of one line through the session: the test child echoes it.
std::vector<double> MeasureOneLine(TFormMain& form) {
  std::vector<double> rounds;
  for (int round = 0; round < kOneLineRounds; ++round) {
    WaitIdle(form);
    const std::wstring line = RoundLine(round);
    const size_t expected = PaneLength(form) + line.size() + 2;
    double start = Clock();
    form.WriteLine(line);
    gui::cApplication::RunUntil([&] { return PaneLength(form) >= expected && PaneShown(form); }, 60000);
    rounds.push_back(Clock() - start);
  }
  return rounds;
}

// The same rounds on bare pipes: the same kind of child echoes the same lines.
std::vector<double> MeasurePipeOneLine() {
  cTestChild child({L"echo"});
  std::vector<double> rounds;
  for (int round = 0; round < kOneLineRounds; ++round) {
    const std::wstring wide = RoundLine(round) + L"\r\n";
    const std::string line(wide.begin(), wide.end());
    double start = Clock();
    if (!child.Write(line) || child.Read(line.size()) != line) return {};
    rounds.push_back(Clock() - start);
  }
  child.CloseInput();
  return rounds;
}

// The same lines appended to the pane itself and painted, without the session and the pipes.
std::vector<double> MeasurePaneOneLine(TFormMain& form) {
  HWND pane = form.OutputEditor()->Handle();
  std::vector<double> rounds;
  for (int round = 0; round < kOneLineRounds; ++round) {
    WaitIdle(form);
    const std::wstring line = RoundLine(round) + L"\r\n";
    double start = Clock();
    ::SendMessageW(pane, EM_SETSEL, INT_MAX, INT_MAX);
    ::SendMessageW(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
    ::UpdateWindow(pane);
    rounds.push_back(Clock() - start);
  }
  return rounds;
}

// 1. The real window, probed for its answers throughout.
tFlood MeasureMarvesk(size_t bytes, bool oneLine) {
  // The child floods once the session, ready, sends it a line.
  cCommandLine commandLine(
      L"Marvesk.exe -- " + TestChildCommandLine({kWaitForLine, L"flood:" + std::to_wstring(bytes), L"echo"}));
  TFormMain form(commandLine);
  ::ShowWindow(form.Handle(), SW_SHOW);
  gui::cApplication::RunUntil([&] { return form.ChildProcess() != nullptr && !form.InputEditor()->ReadOnly(); }, 20000);
  gui::cApplication::RunUntil([&] { return PaneShown(form); }, 20000);
  const size_t expected = PaneLength(form) + kLineTaken.size() + bytes;
  tFlood flood;
  double quickEnd = 0;  // when the pane first held more than 16 MB
  cAnswerProbe probe(form.Handle());
  double start = Clock();
  form.WriteLine(L"");
  gui::cApplication::RunUntil(
      [&] {
        size_t length = PaneLength(form);
        if (quickEnd == 0 && length > kQuickAnswerBytes) quickEnd = Clock();
        return length >= expected && PaneShown(form);
      },
      3600 * 1000);
  flood.Seconds = Clock() - start;
  flood.LongestAnswer = probe.Stop();
  flood.LongestAnswerUpTo16MB = quickEnd == 0 ? flood.LongestAnswer : probe.LongestBefore(quickEnd);
  if (oneLine) {
    flood.OneLine = MeasureOneLine(form);
    flood.PaneOneLine = MeasurePaneOneLine(form);
  }
  ::DestroyWindow(form.Handle());
  return flood;
}

// 3. The same chunks, decoded, appended to a bare EDIT control.
double MeasureEdit(const std::vector<std::string>& chunks, size_t bytes) {
  HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL,
                                0, 0, 600, 600, nullptr, nullptr, nullptr, nullptr);
  ::SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
  double start = Clock();
  for (const auto& chunk : chunks) {
    std::wstring text = cPipeCodec::DecodeText(peOEM, chunk.data(), chunk.size());
    ::SendMessageW(edit, EM_SETSEL, INT_MAX, INT_MAX);
    ::SendMessageW(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  double seconds = Clock() - start;
  LRESULT length = ::SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
  ::DestroyWindow(edit);
  if (length != LRESULT(bytes)) std::printf("bare EDIT holds %ld characters\n", long(length));
  return seconds;
}

std::string Milliseconds(const std::vector<double>& rounds) {
  std::string text;
  for (double seconds : rounds) {
    char figure[32];
    std::snprintf(figure, sizeof figure, " %.0f", seconds * 1000);
    text += figure;
  }
  return text;
}

}  // namespace

int main() {
  StartBench();

  tFlood small = MeasureMarvesk(kSmallFlood, false);
  // 2. A bare reader of the same child, started the same way, reading as the listener reads; it
  // keeps the chunks for 3.
  std::vector<std::string> chunks;
  double smallPipe = ReadFloodBare(kSmallFlood, &chunks);
  double edit = MeasureEdit(chunks, kSmallFlood);
  std::printf("flood of %zu bytes in %zu chunks\n", kSmallFlood, chunks.size());
  std::printf("  1. Marvesk shows it all      %8.3f s\n", small.Seconds);
  std::printf("  2. bare pipe reader          %8.3f s\n", smallPipe);
  std::printf("  3. bare EDIT, same chunks    %8.3f s\n", edit);
  std::printf("  ratio 1/3 %.2f   ratio 1/2 %.2f\n", small.Seconds / edit, small.Seconds / smallPipe);
  std::printf("  longest answer of the main window during the flood: %.1f ms\n", small.LongestAnswer * 1000);

  tFlood large = MeasureMarvesk(kLargeFlood, true);
  double largePipe = ReadFloodBare(kLargeFlood);
  large.PipeOneLine = MeasurePipeOneLine();
  std::printf("flood of %zu bytes\n", kLargeFlood);
  std::printf("  1. Marvesk shows it all      %8.3f s   (%.2f times the 8 MB flood)\n", large.Seconds,
              large.Seconds / small.Seconds);
  std::printf("  2. bare pipe reader          %8.3f s\n", largePipe);
  std::printf("  longest answer of the main window: %.1f ms, while the pane held up to 16 MB: %.1f ms\n",
              large.LongestAnswer * 1000, large.LongestAnswerUpTo16MB * 1000);
  std::printf("  one line into the 64 MB pane, ms per round: echoed through the session%s, echoed on bare pipes%s,\n"
              "  appended to the pane and painted%s\n",
              Milliseconds(large.OneLine).c_str(), Milliseconds(large.PipeOneLine).c_str(),
              Milliseconds(large.PaneOneLine).c_str());

  Row("8 MB flood shown, vs bare pipe reader", small.Seconds, smallPipe, "s");
  Row("8 MB flood shown, vs bare EDIT control", small.Seconds, edit, "s");
  Row("64 MB flood shown, vs bare pipe reader", large.Seconds, largePipe, "s");
  Row("64 MB flood shown, vs 8 MB flood shown", large.Seconds, small.Seconds, "s");
  Row("8 MB flood longest answer, vs aim", small.LongestAnswer * 1000, kAnswerAim * 1000, "ms");
  Row("64 MB flood longest answer, vs aim", large.LongestAnswer * 1000, kAnswerAim * 1000, "ms");
  Row("64 MB flood longest answer up to 16 MB, vs aim", large.LongestAnswerUpTo16MB * 1000, kAnswerAim * 1000, "ms");
  Row("one line into 64 MB pane, sent + child's echo shown and painted (2 pipe trips), vs echo on bare pipes",
      Median(large.OneLine) * 1000, Median(large.PipeOneLine) * 1000, "ms");
  Row("one line into 64 MB pane, appended + painted in the pane, vs aim", Median(large.PaneOneLine) * 1000,
      kOneLineAim * 1000, "ms");
  return 0;
}
