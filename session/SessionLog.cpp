#include "session/SessionLog.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <utility>

#include "gui/ResString.h"
#include "resources/resource.h"
#include "text/TextCodec.h"
#include "text/Utils.h"
#include "view/LineTimes.h"

namespace {

// What waits in memory before a write starts, whatever the timer does.
constexpr size_t kFlushBytes = 256 * 1024;
// The most one WriteFile call takes.
constexpr size_t kMostWriteBytes = 1 << 30;
// How long a cancelled write is given to end.
constexpr DWORD kCancelMs = 100;

}  // namespace

SYSTEMTIME cSessionLog::LocalNow() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return now;
}

cSessionLog::cSessionLog(tClock clock) : clock_(std::move(clock)) {}

cSessionLog::~cSessionLog() { Close(); }

std::wstring cSessionLog::FormatTime(const SYSTEMTIME& time) {
  // The time of day as the output pane shows it beside its lines.
  wchar_t date[16] = {};
  std::swprintf(date, std::size(date), L"%04u-%02u-%02u ", static_cast<unsigned>(time.wYear),
                static_cast<unsigned>(time.wMonth), static_cast<unsigned>(time.wDay));
  return date + view::FormatClock(time);
}

bool cSessionLog::Open(const std::wstring& path, std::wstring_view commandLine) {
  Close();
  path_ = path;
  error_.clear();
  // A read-only file is refused as Windows refuses it: Wine 8 run by root opens one for writing
  // all the same.
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    return FailWith(IDS_LOG_CANNOT_OPEN, ERROR_ACCESS_DENIED);
  if (!write_) {
    write_ = std::make_unique<tWrite>();
    write_->Done.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!write_->Done) {
      write_.reset();
      return FailWith(IDS_LOG_CANNOT_OPEN, ::GetLastError());
    }
  }
  // Whatever the file holds stays: writing starts at its end, and nobody else may write meanwhile
  // (others may read). A pipe or a device has no end to start at.
  file_.reset(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr));
  if (!file_) return FailWith(IDS_LOG_CANNOT_OPEN, ::GetLastError());
  position_ = 0;
  LARGE_INTEGER size{};
  if (::GetFileType(file_.get()) == FILE_TYPE_DISK) {
    if (!::GetFileSizeEx(file_.get(), &size)) return FailWith(IDS_LOG_CANNOT_OPEN, ::GetLastError());
    position_ = static_cast<ULONGLONG>(size.QuadPart);
  }
  atLineStart_ = true;
  afterCr_ = false;
  cTextCodec::AppendUtf8(gui::FormatRes(IDS_LOG_FIRST_LINE, {FormatTime(clock_()), commandLine}) + L"\r\n",
                         waiting_);
  return Flush();
}

void cSessionLog::Output(std::wstring_view text) {
  if (!file_) return;
  while (!text.empty()) {
    if (atLineStart_) StartLine();
    // The longest stretch that is written as it is: up to a line feed without its carriage
    // return (in this piece or the one before), which gets one, or, with timestamps, to the end
    // of a line, where the next one starts.
    size_t end = text.size();
    bool lone = false;
    for (size_t lf = cStringUtils::FindUnit(text, L'\n'); lf != std::wstring_view::npos;
         lf = cStringUtils::FindUnit(text, L'\n', lf + 1)) {
      if (!(lf > 0 ? text[lf - 1] == L'\r' : afterCr_)) {
        end = lf;
        lone = true;
        break;
      }
      if (timestamps_) {
        end = lf + 1;
        break;
      }
    }
    Append(text.substr(0, end));
    if (lone) {
      Append(L"\r\n");
      ++end;
    }
    atLineStart_ = text[end - 1] == L'\n';
    afterCr_ = text[end - 1] == L'\r';
    text.remove_prefix(end);
  }
}

void cSessionLog::Command(std::wstring_view command) {
  if (!file_) return;
  now_ = clock_();
  EndLine();
  StartLine();
  Append(command);
  Append(L"\r\n");
  atLineStart_ = true;
}

void cSessionLog::StartLine() {
  atLineStart_ = false;
  if (!timestamps_) return;
  Append(FormatTime(now_) + L' ');
}

void cSessionLog::EndLine() {
  if (atLineStart_) return;
  Append(afterCr_ ? L"\n" : L"\r\n");
  afterCr_ = false;
  atLineStart_ = true;
}

void cSessionLog::Append(std::wstring_view text) { cTextCodec::AppendUtf8(text, waiting_); }

bool cSessionLog::FlushDue() const noexcept { return waiting_.size() >= kFlushBytes; }

bool cSessionLog::Flush() {
  if (!file_) return true;
  // The write under way has ended once its event is set.
  if (writing_ && ::WaitForSingleObject(write_->Done.get(), 0) != WAIT_OBJECT_0)
    return waiting_.size() < kMostWaiting || Fail(gui::FormatRes(IDS_LOG_STALLED, {path_}));
  if (writing_ && !TakeResult()) return false;
  return StartWrite();
}

bool cSessionLog::StartWrite() {
  for (;;) {
    if (write_->Bytes.empty()) {
      if (waiting_.empty()) return true;
      // The buffers change places: what waited is written, and the next text goes into the
      // room the last write left.
      write_->Bytes.swap(waiting_);
    }
    OVERLAPPED& overlapped = write_->Overlapped;
    overlapped = {};
    overlapped.Offset = static_cast<DWORD>(position_);
    overlapped.OffsetHigh = static_cast<DWORD>(position_ >> 32);
    overlapped.hEvent = write_->Done.get();
    const DWORD part = static_cast<DWORD>(std::min(write_->Bytes.size(), kMostWriteBytes));
    if (!::WriteFile(file_.get(), write_->Bytes.data(), part, nullptr, &overlapped)) {
      const DWORD error = ::GetLastError();
      if (error != ERROR_IO_PENDING) return FailWith(IDS_LOG_CANNOT_WRITE, error);
      writing_ = true;
      return true;
    }
    writing_ = true;
    if (!TakeResult()) return false;
  }
}

bool cSessionLog::TakeResult() {
  writing_ = false;
  DWORD written = 0;
  if (!::GetOverlappedResult(file_.get(), &write_->Overlapped, &written, FALSE))
    return FailWith(IDS_LOG_CANNOT_WRITE, ::GetLastError());
  if (written == 0) return FailWith(IDS_LOG_CANNOT_WRITE, ERROR_WRITE_FAULT);
  position_ += written;
  write_->Bytes.erase(0, written);
  return true;
}

bool cSessionLog::Close() {
  if (!file_) return true;
  EndLine();
  const ULONGLONG deadline = ::GetTickCount64() + kCloseMs;
  for (;;) {
    if (!Flush()) return false;
    if (!writing_) break;
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return Fail(gui::FormatRes(IDS_LOG_STALLED, {path_}));
    ::WaitForSingleObject(write_->Done.get(), static_cast<DWORD>(deadline - now));
  }
  file_.reset();
  return true;
}

void cSessionLog::CancelWrite() {
  if (!std::exchange(writing_, false)) return;
  ::CancelIoEx(file_.get(), &write_->Overlapped);
  if (::WaitForSingleObject(write_->Done.get(), kCancelMs) == WAIT_OBJECT_0) return;
  // The system still holds the write's bytes and OVERLAPPED, and may for as long as the file
  // does not answer (a network share that has gone): they stay its own while the program runs.
  static_cast<void>(write_.release());
}

bool cSessionLog::FailWith(unsigned messageId, DWORD code) {
  return Fail(gui::FormatRes(messageId, {path_, cSystemResources::SystemErrorTextW(code)}));
}

bool cSessionLog::Fail(std::wstring message) {
  error_ = std::move(message);
  waiting_.clear();
  CancelWrite();
  if (write_) write_->Bytes.clear();
  file_.reset();
  return false;
}
