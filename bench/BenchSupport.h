#pragma once
// What the benchmarks share: a clock, and a probe that measures how long a window takes to
// answer while it works.
#include <windows.h>

#include <atomic>
#include <thread>

// Seconds on the performance counter, from an arbitrary start.
inline double Clock() {
  LARGE_INTEGER t, f;
  ::QueryPerformanceCounter(&t);
  ::QueryPerformanceFrequency(&f);
  return double(t.QuadPart) / double(f.QuadPart);
}

// Sends WM_NULL to the window every 5 ms from a thread of its own, for as long as it lives,
// and keeps the longest time an answer took.
class cAnswerProbe {
public:
  explicit cAnswerProbe(HWND target)
      : thread_([this, target] {
          while (!done_) {
            double start = Clock();
            DWORD_PTR result;
            ::SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
            double took = Clock() - start;
            if (took > longest_) longest_ = took;
            ::Sleep(5);
          }
        }) {}
  ~cAnswerProbe() { Stop(); }
  cAnswerProbe(const cAnswerProbe&) = delete;
  cAnswerProbe& operator=(const cAnswerProbe&) = delete;

  // Ends the probing; the longest answer in seconds.
  double Stop() {
    done_ = true;
    if (thread_.joinable()) thread_.join();
    return longest_;
  }

private:
  std::atomic<bool> done_{false};
  std::atomic<double> longest_{0};
  std::thread thread_;
};
