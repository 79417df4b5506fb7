#pragma once
// What the benchmarks share: a clock, the rows of the table that tools/bench.sh prints, a bare
// reader of the test child's flood, and a probe that measures how long a window takes to answer
// while it works.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "gui/Handle.h"
#include "view/TextViewMessages.h"
#include "session/Threading.h"
#include "tests/support/TestSupport.h"

// Seconds on the performance counter, from an arbitrary start.
inline double Clock() {
  LARGE_INTEGER t, f;
  ::QueryPerformanceCounter(&t);
  ::QueryPerformanceFrequency(&f);
  return double(t.QuadPart) / double(f.QuadPart);
}

// What every benchmark does first: registers the common controls for its windows, and leaves
// standard output unbuffered, so that tools/bench.sh shows the progress as it comes.
inline void StartBench() {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&icc);
  std::setvbuf(stdout, nullptr, _IONBF, 0);
}

// One row of the table that tools/bench.sh prints once all benchmarks have run: the work,
// Marvesk's figure, the figure of the baseline measured in the same run, and their unit, one
// tab between each. The script adds the ratio.
inline void Row(const std::string& work, double ours, double baseline, const char* unit) {
  std::printf("ROW\t%s\t%.6g\t%.6g\t%s\n", work.c_str(), ours, baseline, unit);
}

// The middle one of the figures (of the two in the middle, the mean).
inline double Median(std::vector<double> figures) {
  if (figures.empty()) return 0;
  std::sort(figures.begin(), figures.end());
  size_t middle = figures.size() / 2;
  return figures.size() % 2 != 0 ? figures[middle] : (figures[middle - 1] + figures[middle]) / 2;
}

// Whether the window shows what it holds: no paint pending. The output view paints at most
// every 16 ms while its text changes, so a pending paint clears within about that.
// The output view paints at its own pace, and knows what it still owes.
inline bool Painted(HWND window) {
  return !::GetUpdateRect(window, nullptr, FALSE) && ::SendMessageW(window, view::kViewPaintOwed, 0, 0) == 0;
}

// Dispatches the thread's messages one at a time until done() holds, looking before each one,
// so that a moment (a paint completed) is stamped as it happens, even while timers keep the
// queue busy; false when the seconds ran out first.
inline bool PumpUntil(const std::function<bool()>& done, double seconds) {
  const double deadline = Clock() + seconds;
  MSG msg;
  while (!done()) {
    if (Clock() >= deadline) return false;
    if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    } else {
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
  }
  return true;
}

// The test child's first verb, which holds its output back until the session sends it an empty
// line (CR LF), so that a measure runs from a session that is ready, as the bare reader's runs
// from a child that runs; and what the child answers to that line before its output.
inline constexpr std::wstring_view kWaitForLine = L"take:2";
inline constexpr std::wstring_view kLineTaken = L"took 2\r\n";

// A bare reader of the test child: starts it with the verbs as the session does (a new, hidden
// console; output and error on one pipe) and reads as the listener reads, until the given number
// of bytes came. Seconds from the first read, once the child runs; 0 when it could not start.
// Keeps the chunks as read when asked.
inline double ReadChildBare(std::initializer_list<std::wstring_view> verbs, size_t bytes,
                            std::vector<std::string>* chunks = nullptr) {
  cPipe output(cPipe::tOwnEnd::Read);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  si.hStdOutput = si.hStdError = output.WriteHandle();
  PROCESS_INFORMATION pi{};
  std::wstring commandLine = TestChildCommandLine(verbs);
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE, nullptr, nullptr, &si,
                        &pi))
    return 0;
  gui::cKernelHandle process(pi.hProcess), thread(pi.hThread);
  output.CloseWriteHandle();
  double start = Clock();
  std::vector<char> buffer(0x20000);
  size_t total = 0;
  while (total < bytes) {
    DWORD read = 0;
    if (!::ReadFile(output.ReadHandle(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) break;
    total += read;
    if (chunks) chunks->emplace_back(buffer.data(), read);
  }
  double seconds = Clock() - start;
  ::WaitForSingleObject(process.get(), 5000);
  return seconds;
}

// The bare reader of the test child's flood of the given size.
inline double ReadFloodBare(size_t bytes, std::vector<std::string>* chunks = nullptr) {
  return ReadChildBare({L"flood:" + std::to_wstring(bytes)}, bytes, chunks);
}

// Sends WM_NULL to the window every 5 ms from a thread of its own, for as long as it lives,
// and keeps when each answer was asked for and how long it took.
class cAnswerProbe {
public:
  struct tSample {
    double Start = 0;  // on Clock()
    double Took = 0;   // seconds
  };

  explicit cAnswerProbe(HWND target)
      : thread_([this, target] {
          while (!done_) {
            double start = Clock();
            DWORD_PTR result;
            ::SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
            samples_.push_back({start, Clock() - start});
            ::Sleep(5);
          }
          finished_ = true;
        }) {}
  ~cAnswerProbe() { Stop(); }
  cAnswerProbe(const cAnswerProbe&) = delete;
  cAnswerProbe& operator=(const cAnswerProbe&) = delete;

  // Ends the probing; the longest answer in seconds.
  double Stop() { return LongestSince(0); }
  // Ends the probing; the longest of the answers asked for before the time given (on Clock()).
  double LongestBefore(double end) {
    Join();
    double longest = 0;
    for (const tSample& sample : samples_)
      if (sample.Start < end) longest = std::max(longest, sample.Took);
    return longest;
  }
  double LongestSince(double begin) {
    Join();
    double longest = 0;
    for (const tSample& sample : samples_)
      if (sample.Start >= begin) longest = std::max(longest, sample.Took);
    return longest;
  }
  // Ends the probing; the longest answer with when it was asked for.
  tSample Slowest() {
    Join();
    tSample slowest;
    for (const tSample& sample : samples_)
      if (sample.Took > slowest.Took) slowest = sample;
    return slowest;
  }

private:
  // The thread that ends the probing is the window's: while it waits, it answers the message the
  // probe may have sent, which would otherwise wait out the timeout and count as a slow answer.
  void Join() {
    done_ = true;
    if (!thread_.joinable()) return;
    MSG msg;
    while (!finished_) {
      ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_SENDMESSAGE);
    }
    thread_.join();
  }

  std::atomic<bool> done_{false}, finished_{false};
  // Written by the probing thread only, read once it has ended.
  std::vector<tSample> samples_;
  std::thread thread_;
};
