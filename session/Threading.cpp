#include "session/Threading.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "gui/Window.h"
#include "session/PipeCodec.h"

namespace {

// The size of one read of the output pipe.
constexpr DWORD kChunkSize = 0x20000;

gui::cKernelHandle NewEvent(bool manualReset) {
  return gui::cKernelHandle(::CreateEventW(nullptr, manualReset, FALSE, nullptr));
}

// Cancels the thread's blocking call until the thread ends or the time is up. A cancel that
// arrives between two calls is lost, so it is repeated.
bool CancelAndWait(const gui::cThread& thread, DWORD timeoutMs) {
  ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    if (thread.Handle()) ::CancelSynchronousIo(thread.Handle());
    ULONGLONG now = ::GetTickCount64();
    DWORD slice = now >= deadline ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 50));
    if (thread.WaitPumping(slice)) return true;
    if (slice == 0) return false;
  }
}

}  // namespace

cPipe::cPipe(tOwnEnd ownEnd, DWORD bufferBytes) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  if (::CreatePipe(read_.put(), write_.put(), &sa, bufferBytes))
    ::SetHandleInformation(ownEnd == tOwnEnd::Read ? read_.get() : write_.get(), HANDLE_FLAG_INHERIT, 0);
}

// ---- input pipe and its writer ----

struct cWritePipe::tQueue {
  std::mutex lock;
  std::deque<std::string> items;
  // How many texts were queued, how many of them the pipe has begun to take (their first piece
  // went in), and whether a write failed; told through progress.
  std::uint64_t queued = 0, taken = 0;
  bool closed = false;
  std::condition_variable progress;
  gui::cKernelHandle wake = NewEvent(false);
  std::atomic<bool> stop{false};
  gui::cKernelHandle pipe;

  // The writer's loop: one queued text after the other, each in pieces the pipe takes whole.
  void Run() {
    for (;;) {
      std::string bytes;
      {
        std::lock_guard<std::mutex> guard(lock);
        if (stop) return;
        if (!items.empty()) {
          bytes = std::move(items.front());
          items.pop_front();
        }
      }
      if (bytes.empty()) {
        ::WaitForSingleObject(wake.get(), INFINITE);
        continue;
      }
      bool writing = true, first = true;
      cPipeCodec::ForEachWritePiece(bytes, [&](std::string_view piece) {
        DWORD count = 0;
        writing = writing && !stop &&
                  ::WriteFile(pipe.get(), piece.data(), static_cast<DWORD>(piece.size()), &count, nullptr);
        if (writing && std::exchange(first, false)) Tell([&] { ++taken; });
      });
      // Nobody reads the pipe any more (the child closed its input): this text and every later
      // one are lost.
      if (!writing && !stop) {
        Tell([&] {
          closed = true;
          items.clear();
        });
      }
    }
  }

  template <class Change>
  void Tell(Change change) {
    {
      std::lock_guard<std::mutex> guard(lock);
      change();
    }
    progress.notify_all();
  }
};

cWritePipe::cWritePipe() : cPipe(tOwnEnd::Write), queue_(std::make_shared<tQueue>()) {
  // The writer owns the write end, so it never writes through a handle closed under it.
  queue_->pipe = std::move(write_);
  thread_ = gui::cThread([queue = queue_] { queue->Run(); });
}

cWritePipe::~cWritePipe() { Stop(0); }

tWriteResult cWritePipe::WriteText(std::wstring_view text, DWORD waitMs) {
  std::optional<std::string> bytes = cPipeCodec::EncodeText(encoding_, text);
  if (!bytes) return tWriteResult::NotCarried;
  tQueue& queue = *queue_;
  std::unique_lock<std::mutex> guard(queue.lock);
  if (queue.closed) return tWriteResult::InputClosed;
  if (bytes->empty()) return tWriteResult::Queued;
  const bool idle = queue.taken == queue.queued;
  const std::uint64_t ticket = ++queue.queued;
  queue.items.push_back(std::move(*bytes));
  ::SetEvent(queue.wake.get());
  // A write to a pipe with room, or to one nobody reads, ends at once; one that waits for the
  // child to read is still on its way when the time is up.
  if (idle && waitMs != 0)
    queue.progress.wait_for(guard, std::chrono::milliseconds(waitMs),
                            [&] { return queue.taken >= ticket || queue.closed; });
  return queue.closed && queue.taken < ticket ? tWriteResult::InputClosed : tWriteResult::Queued;
}

bool cWritePipe::Stop(DWORD timeoutMs) {
  {
    std::lock_guard<std::mutex> guard(queue_->lock);
    queue_->stop = true;
    queue_->items.clear();
  }
  ::SetEvent(queue_->wake.get());
  return CancelAndWait(thread_, timeoutMs);
}

// ---- listener ----

struct cListenerThread::tShared {
  gui::cKernelHandle pipe;
  HWND target = nullptr;
  gui::cKernelHandle resume = NewEvent(false);
  gui::cKernelHandle stopEvent = NewEvent(true);
  std::atomic<bool> stop{false};

  void Run() {
    std::vector<char> buffer(kChunkSize);
    while (!stop) {
      DWORD count = 0;
      if (!::ReadFile(pipe.get(), buffer.data(), kChunkSize, &count, nullptr)) {
        if (!stop) ::SendMessageW(target, WM_LISTENER_END, 0, 0);
        return;
      }
      // A child's empty write completes a read with nothing in it; the pipe goes on.
      if (count == 0) continue;
      LRESULT answer = ::SendMessageW(target, WM_LISTENER_DATA, reinterpret_cast<WPARAM>(buffer.data()), count);
      if (answer == kListenerHold) {
        HANDLE events[] = {resume.get(), stopEvent.get()};
        ::WaitForMultipleObjects(2, events, FALSE, INFINITE);
      }
    }
  }
};

// The listener's messages arrive here, on the thread that made the listener, and go on to the
// owner until the listener is asked to stop; from then on they are answered at once.
class cListenerThread::cReceiver final : public gui::cWindow {
public:
  cReceiver(iConsoleEvents& owner, const std::atomic<bool>& stop) : owner_(owner), stop_(stop) {
    CreateHandle(0, RegisterWindowClass(L"MarveskListener"), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr);
  }

protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != WM_LISTENER_DATA && message != WM_LISTENER_END) return DefaultHandler(message, wParam, lParam);
    if (stop_) return 0;
    if (message == WM_LISTENER_END) {
      owner_.ChildOutputEnded();
      return 0;
    }
    return owner_.ChildOutput(reinterpret_cast<const char*>(wParam), static_cast<size_t>(lParam)) ? kListenerHold : 0;
  }

private:
  iConsoleEvents& owner_;
  const std::atomic<bool>& stop_;
};

cListenerThread::cListenerThread(HANDLE pipeHandle, iConsoleEvents& owner)
    : shared_(std::make_shared<tShared>()), receiver_(std::make_unique<cReceiver>(owner, shared_->stop)) {
  ::DuplicateHandle(::GetCurrentProcess(), pipeHandle, ::GetCurrentProcess(), shared_->pipe.put(), 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
  shared_->target = receiver_->Handle();
  thread_ = gui::cThread([shared = shared_] { shared->Run(); }, true);
}

cListenerThread::~cListenerThread() { Stop(0); }

void cListenerThread::Release() noexcept { ::SetEvent(shared_->resume.get()); }

bool cListenerThread::Stop(DWORD timeoutMs) {
  shared_->stop = true;
  ::SetEvent(shared_->stopEvent.get());
  // A listener that never ran starts now only to see that it is to end.
  thread_.Resume();
  return CancelAndWait(thread_, timeoutMs);
}
