#pragma once
// The session's log: what the child wrote, as it was decoded and with its escape sequences taken
// out (unless the output is dumped), and the commands echoed, appended to a file in UTF-8 without
// a byte order mark. Line breaks are written as CR LF; backspace, form feed and a carriage return
// on its own stay as they came. It shows nothing: a failure is told as a message for the owner to
// show, and the log closes.
//
// Nothing here waits for the file. Text is kept in memory and handed to the file when the owner
// flushes (from a timer, or once FlushDue says enough waits), one overlapped write at a time: a
// pipe whose reader has stopped reading, or a slow disk, holds up only the log. What waits meanwhile
// is bounded by kMostWaiting; past it the log stops, and the output goes on without it.
#include <windows.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "gui/Handle.h"

class cSessionLog {
public:
  // What may wait in memory for a file that takes nothing.
  static constexpr std::size_t kMostWaiting = 4 * 1024 * 1024;
  // How long closing waits for the file to take what is left.
  static constexpr DWORD kCloseMs = 500;

  // The local time now; tests give their own.
  using tClock = std::function<SYSTEMTIME()>;
  static SYSTEMTIME LocalNow();
  explicit cSessionLog(tClock clock = LocalNow);
  // Flushes and closes an open log.
  ~cSessionLog();
  cSessionLog(const cSessionLog&) = delete;
  cSessionLog& operator=(const cSessionLog&) = delete;

  // Opens the file to append to it (made when it is not there) and writes the part's first line:
  // the time now and the child's command line. False, with Error set, when it cannot.
  bool Open(const std::wstring& path, std::wstring_view commandLine);
  bool IsOpen() const noexcept { return static_cast<bool>(file_); }
  const std::wstring& Path() const noexcept { return path_; }
  // Whether each line starts with the time its first character came; from the next line on.
  bool Timestamps() const noexcept { return timestamps_; }
  void SetTimestamps(bool on) noexcept { timestamps_ = on; }

  // Output comes: the lines that start in what follows, up to the next Arrived, take the time now,
  // which it answers (the output pane's lines take the same, open or not).
  const SYSTEMTIME& Arrived() {
    now_ = clock_();
    return now_;
  }
  // Output as it came, in pieces cut anywhere; nothing while the log is closed.
  void Output(std::wstring_view text);
  // A command echoed: a line of its own.
  void Command(std::wstring_view command);

  // Enough waits in memory that it should be written now.
  bool FlushDue() const noexcept;
  // Hands the file what waits, unless it is still taking an earlier write; nothing to do while
  // closed. False when a write failed, or when kMostWaiting waits behind a write the file has not
  // taken: the log is closed then, what waited is dropped and Error says why.
  bool Flush();
  // Ends an unfinished line, writes what waits, waiting up to kCloseMs for the file, and closes;
  // false as Flush, or when the file has not taken everything by then.
  bool Close();
  // Why the last Open, Flush or Close failed, naming the file (and the system's reason).
  const std::wstring& Error() const noexcept { return error_; }

  // "2026-12-09 08:15:02.123"
  static std::wstring FormatTime(const SYSTEMTIME& time);

private:
  // The write the file is taking: the system holds its bytes and its OVERLAPPED until it ends.
  struct tWrite {
    OVERLAPPED Overlapped{};
    gui::cKernelHandle Done;
    std::string Bytes;
  };

  void Append(std::wstring_view text);
  void StartLine();
  void EndLine();
  // Takes the result of the write under way once it has ended; false when it failed.
  bool TakeResult();
  // Starts writing what waits (or what a write left); false when that fails at once.
  bool StartWrite();
  bool Fail(std::wstring message);
  bool FailWith(unsigned messageId, DWORD code);
  // Cancels a write under way and gives it a moment to end.
  void CancelWrite();

  tClock clock_;
  gui::cKernelHandle file_;
  std::wstring path_;
  std::wstring error_;
  std::string waiting_;  // UTF-8
  std::unique_ptr<tWrite> write_;
  bool writing_ = false;
  // Where the next write goes in a disk file (a pipe or a device takes no position).
  ULONGLONG position_ = 0;
  bool timestamps_ = false;
  bool atLineStart_ = true;
  bool afterCr_ = false;
  // The time of the output being logged.
  SYSTEMTIME now_{};
};
