// The output path under a flood, measured side by side in one run. The test child writes 8 MB
// of 80-column lines, and this program times:
//   1. Marvesk's main window, until its output pane holds all of it;
//   2. a bare reader draining the same child's pipe;
//   3. the same chunks appended to a bare EDIT control.
// It prints the three times, the ratios 1/3 and 1/2, and the longest time the main window took
// to answer a message during the flood; and the rows 1 against 2 and 1 against 3 for the table.
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

constexpr size_t kFloodBytes = 8 * 1024 * 1024;

// 1. The real window, probed for its answers throughout.
double MeasureMarvesk(double& longestAnswer) {
  cCommandLine commandLine(L"Marvesk.exe -- " + TestChildCommandLine({L"flood:" + std::to_wstring(kFloodBytes), L"sleep"}));
  TFormMain form(commandLine);
  ::ShowWindow(form.Handle(), SW_SHOW);
  gui::cApplication::RunUntil([&] { return form.ChildProcess() != nullptr && !form.InputEditor()->ReadOnly(); }, 20000);
  double start = Clock();
  cAnswerProbe probe(form.Handle());
  gui::cApplication::RunUntil(
      [&] { return form.OutputEditor()->WPerform(WM_GETTEXTLENGTH, 0, 0) >= LRESULT(kFloodBytes); }, 600000);
  double seconds = Clock() - start;
  longestAnswer = probe.Stop();
  ::DestroyWindow(form.Handle());
  return seconds;
}

// 3. The same chunks, decoded, appended to a bare EDIT control.
double MeasureEdit(const std::vector<std::string>& chunks) {
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
  if (length != LRESULT(kFloodBytes)) std::printf("bare EDIT holds %ld characters\n", long(length));
  return seconds;
}

}  // namespace

int main() {
  StartBench();

  double longest = 0;
  double marvesk = MeasureMarvesk(longest);
  // 2. A bare reader of the same child, started the same way, reading as the listener reads; it
  // keeps the chunks for 3.
  std::vector<std::string> chunks;
  double pipe = ReadFloodBare(kFloodBytes, &chunks);
  double edit = MeasureEdit(chunks);
  std::printf("flood of %zu bytes in %zu chunks\n", kFloodBytes, chunks.size());
  std::printf("  1. Marvesk shows it all      %8.3f s\n", marvesk);
  std::printf("  2. bare pipe reader          %8.3f s\n", pipe);
  std::printf("  3. bare EDIT, same chunks    %8.3f s\n", edit);
  std::printf("  ratio 1/3 %.2f   ratio 1/2 %.2f\n", marvesk / edit, marvesk / pipe);
  std::printf("  longest answer of the main window during the flood: %.1f ms\n", longest * 1000);
  Row("8 MB flood shown, vs bare pipe reader", marvesk, pipe, "s");
  Row("8 MB flood shown, vs bare EDIT control", marvesk, edit, "s");
  return 0;
}
