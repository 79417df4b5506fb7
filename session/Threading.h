#pragma once
// The child's standard streams: the output pipe that a listener thread reads and the input pipe
// that a writer thread feeds, so that neither a flooding child nor one that never reads its input
// can hold up the window.
#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "gui/Handle.h"
#include "gui/Thread.h"
#include "text/PipeEncoding.h"

// What the listener hands its owner, on the thread that made the listener, one call at a time.
class iConsoleEvents {
public:
  virtual ~iConsoleEvents() = default;
  // A chunk of the child's output, valid during the call. True when the owner has other work
  // waiting: the listener then waits for Release before it reads again.
  virtual bool ChildOutput(const char* data, size_t count) = 0;
  // The pipe failed or reported its end.
  virtual void ChildOutputEnded() = 0;
};

// The messages that carry the listener's calls to a message-only window of its owner's thread.
// Both are sent: the listener goes on only once the owner has handled them.
inline constexpr UINT WM_LISTENER_DATA = WM_USER + 1;  // wParam: chunk address, lParam: byte count
inline constexpr UINT WM_LISTENER_END = WM_USER + 2;
// The answer to WM_LISTENER_DATA that holds the listener.
inline constexpr LRESULT kListenerHold = 2;

class cPipe {
public:
  // Which end the program itself uses. That end is not inheritable: only the child's end goes to
  // the child.
  enum class tOwnEnd { Read, Write };
  // bufferBytes: how much the pipe holds before a write waits (0: the system's default).
  explicit cPipe(tOwnEnd ownEnd, DWORD bufferBytes = 0);
  cPipe(const cPipe&) = delete;
  cPipe& operator=(const cPipe&) = delete;

  HANDLE ReadHandle() const noexcept { return read_.get(); }
  HANDLE WriteHandle() const noexcept { return write_.get(); }
  // Gives up the program's copy of one end (the child has its own once it runs).
  void CloseReadHandle() noexcept { read_.reset(); }
  void CloseWriteHandle() noexcept { write_.reset(); }

protected:
  gui::cKernelHandle read_, write_;
};

// What became of a text given to the input pipe.
enum class tWriteResult {
  Queued,       // on its way: written, or waiting behind what the child has not read yet
  NotCarried,   // not queued: the encoding cannot carry all of it
  InputClosed,  // lost: a write failed, since the child no longer reads its input
};

// The input pipe. Text is encoded on the calling thread and written, in the order given, by a
// writer thread of its own. Once a write fails, the pipe takes nothing more.
class cWritePipe : public cPipe {
public:
  cWritePipe();
  ~cWritePipe();

  tPipeEncoding Encoding() const noexcept { return encoding_; }
  void SetEncoding(tPipeEncoding encoding) noexcept { encoding_ = encoding; }
  // Queues the text. When nothing waited before it, the writer gets up to waitMs to write its
  // first piece, so that a write that fails is told here; a text that waits behind another is
  // Queued at once.
  // Throws cConversionError, nothing queued, when the platform fails to convert it.
  tWriteResult WriteText(std::wstring_view text, DWORD waitMs = 0);
  // Ends the writer: what is still queued is dropped and a blocked write is cancelled. Waits for
  // the thread at most timeoutMs; true when it has ended.
  bool Stop(DWORD timeoutMs);

private:
  struct tQueue;
  tPipeEncoding encoding_ = peOEM;
  std::shared_ptr<tQueue> queue_;
  gui::cThread thread_;
};

// Reads the output pipe and hands every chunk to its owner. Once asked to stop, it hands over
// nothing more.
class cListenerThread {
public:
  // Starts suspended; reads a duplicate of the pipe handle so it never depends on the caller's.
  // The owner is called on this thread.
  cListenerThread(HANDLE pipeHandle, iConsoleEvents& owner);
  ~cListenerThread();
  cListenerThread(const cListenerThread&) = delete;
  cListenerThread& operator=(const cListenerThread&) = delete;

  void Resume() { thread_.Resume(); }
  // Lets a listener that was told to hold read on.
  void Release() noexcept;
  // Asks the listener to end and cancels a read in progress. Waits at most timeoutMs, handling
  // the messages it sends meanwhile; true when it has ended.
  bool Stop(DWORD timeoutMs);

private:
  struct tShared;
  class cReceiver;
  std::shared_ptr<tShared> shared_;
  std::unique_ptr<cReceiver> receiver_;
  gui::cThread thread_;
};
