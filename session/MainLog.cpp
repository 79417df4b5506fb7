// The session's log, as the main window's commands start, stop and flush it.
#include <string>

#include "session/Main.h"

void cFormMain::OpenLog(const std::wstring& path) {
  if (!log_.Open(path, childCommandLine_)) {
    ShowError(log_.Error());
    return;
  }
  ::SetTimer(Handle(), kFlushLogTimer, kFlushLogMs, nullptr);
}

void cFormMain::StopLog() {
  ::KillTimer(Handle(), kFlushLogTimer);
  if (!log_.Close()) ShowError(log_.Error());
}

void cFormMain::FlushLog() {
  if (log_.Flush()) return;
  ::KillTimer(Handle(), kFlushLogTimer);
  logFailure_ = log_.Error();
  ::SetTimer(Handle(), kLogFailedTimer, USER_TIMER_MINIMUM, nullptr);
}

bool cFormMain::FileLogToFile(bool doIt, bool& checked) {
  if (doIt) {
    if (log_.IsOpen()) {
      StopLog();
    } else {
      if (logDialog_.FileName.empty()) logDialog_.FileName = logFile_;
      if (logDialog_.Execute(Handle())) OpenLog(logDialog_.FileName);
    }
  }
  checked = log_.IsOpen();
  return true;
}

bool cFormMain::ViewTimestamps(bool doIt, bool& checked) {
  if (doIt) log_.SetTimestamps(!log_.Timestamps());
  checked = log_.Timestamps();
  return true;
}
