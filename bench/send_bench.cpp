// Sending one command of 1 MB in UTF-16LE, measured side by side in one run:
//   1. Marvesk: from SendCommand until the test child reports that it has taken all of it;
//   2. a bare writer: the same bytes written to the same child's pipe, until its report.
// While Marvesk sends, a probe thread keeps asking the main window for an answer and reports
// the longest wait. 1 against 2 makes a row of the table.
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>

#include "bench/BenchSupport.h"
#include "gui/Application.h"
#include "session/PipeCodec.h"
#include "tests/support/TestSupport.h"
#include "ui/dfMain.h"

namespace {

constexpr size_t kCommandChars = 512 * 1024;  // 1 MB in UTF-16LE

// The child's verb: take the whole command with its line break, then report.
std::wstring Take() { return L"take:" + std::to_wstring((kCommandChars + 2) * 2); }

std::wstring Command() {
  std::wstring command(kCommandChars, L'x');
  for (size_t i = 0; i < command.size(); i += 100) command[i] = L'\u0416';
  return command;
}

double MeasureMarvesk(double& longestAnswer) {
  // The child stays once it has reported: its end would lock the session, and the command pane,
  // read-only then, would be painted anew within the time measured (150 ms for the command in
  // Wine's edit control).
  cCommandLine commandLine(L"Marvesk.exe -input:UTF16LE -- " + TestChildCommandLine({Take(), L"sleep"}));
  TFormMain form(commandLine);
  ::ShowWindow(form.Handle(), SW_SHOW);
  gui::cApplication::RunUntil([&] { return form.ChildProcess() && !form.InputEditor()->ReadOnly(); }, 20000);
  form.InputEditor()->SetWText(Command());
  form.UpdateCommandText();
  // The command pane paints its new text before the clock starts.
  gui::cApplication::RunUntil([] { return false; }, 500);

  cAnswerProbe probe(form.Handle());
  double start = Clock();
  form.SendCommand(*form.InputEditor());
  // The report is the pane's last line; the line before it is the command's echo, which a look
  // at the whole text would copy at every turn of the loop.
  const cWStrings& output = form.OutputEditor()->WLines();
  gui::cApplication::RunUntil([&] { return output.Get(output.GetCount() - 1).find(L"took") != std::wstring::npos; },
                              120000);
  double seconds = Clock() - start;
  longestAnswer = probe.Stop();
  ::DestroyWindow(form.Handle());
  return seconds;
}

double MeasureBare() {
  cTestChild child({Take()});
  std::string bytes = cPipeCodec::EncodeText(peUTF16LE, Command() + L"\r\n").value();
  double start = Clock();
  std::thread writer([&] { child.Write(bytes); });
  std::string report = child.Read(4);
  double seconds = Clock() - start;
  writer.join();
  return report == "took" ? seconds : -1;
}

}  // namespace

int main() {
  StartBench();
  double longest = 0;
  double marvesk = MeasureMarvesk(longest);
  double bare = MeasureBare();
  std::printf("one command of %zu bytes in UTF-16LE, taken by the child\n", kCommandChars * 2);
  std::printf("  1. Marvesk, SendCommand to child took  %8.3f s\n", marvesk);
  std::printf("  2. bare writer                        %8.3f s\n", bare);
  std::printf("  ratio 1/2 %.2f\n", marvesk / bare);
  std::printf("  longest answer of the main window while sending: %.1f ms\n", longest * 1000);
  Row("1 MB command sent to the child, vs bare pipe writer", marvesk, bare, "s");
  return 0;
}
