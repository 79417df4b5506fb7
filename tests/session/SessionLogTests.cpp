// The session's log on its own: what a file gets from output, echoed commands and timestamps, and
// a file that takes nothing. The failures' boxes are tested on the main window (LogTests).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/ResString.h"
#include "resources/resource.h"
#include "session/SessionLog.h"
#include "tests/support/TestSupport.h"
#include "text/TextCodec.h"

namespace {

// 2026-12-09 08:15:02, one millisecond later at every call from .123 on.
cSessionLog::tClock TickingClock() {
  return [calls = 0]() mutable {
    SYSTEMTIME time{2026, 12, 3, 9, 8, 15, 2, static_cast<WORD>(123 + calls++)};
    return time;
  };
}

const std::string kFirstLine = "2026-12-09 08:15:02.123 cmd /c build\r\n";

// A piece of the session: output bytes (UTF-8, decoded as the session decodes them) or a command.
struct tPiece {
  bool Command;
  std::string Text;
};

struct tContentCase {
  const char* Name;
  bool Timestamps;
  std::vector<tPiece> Pieces;
  std::string Logged;  // after the first line
};

std::string LogOf(const tContentCase& c) {
  cTempDir folder;
  const std::wstring path = (folder.Path() / L"session.log").wstring();
  {
    cSessionLog log(TickingClock());
    log.SetTimestamps(c.Timestamps);
    EXPECT_TRUE(log.Open(path, L"cmd /c build")) << log.Error();
    cStreamDecoder decoder;
    for (const tPiece& piece : c.Pieces) {
      if (piece.Command) {
        log.Command(cTextCodec::FromUtf8(piece.Text));
      } else {
        log.Arrived();
        log.Output(decoder.Decode(peUTF8, piece.Text.data(), piece.Text.size()));
      }
    }
  }
  return ReadBytes(path);
}

TEST(SessionLog, Content) {
  const tContentCase cases[] = {
      {"line feeds become CR LF, CR LF stays", false, {{false, "a\nb\r\nc\n"}}, "a\r\nb\r\nc\r\n"},
      {"CR LF cut between chunks", false, {{false, "a\r"}, {false, "\nb\n"}}, "a\r\nb\r\n"},
      {"a CR on its own, backspace and form feed as they came", false, {{false, "50%\r99%\b\f!\n"}},
       "50%\r99%\b\f!\r\n"},
      {"a line cut between chunks is ended when the log closes", false, {{false, "par"}, {false, "tial"}},
       "partial\r\n"},
      {"characters cut between chunks", false, {{false, "\xc3"}, {false, "\xa9\xe2\x82"}, {false, "\xac\xf0\x9f"},
                                                 {false, "\x98\x80\n"}},
       "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\r\n"},
      {"an echoed command stands on a line of its own", false,
       {{false, "C:\\>"}, {true, "dir"}, {false, "listing\n"}, {true, "cd"}}, "C:\\>\r\ndir\r\nlisting\r\ncd\r\n"},
      // The first line takes .123; each chunk that starts a line takes the next millisecond.
      {"each line's time is when its first character came", true,
       {{false, "he"}, {false, "llo\nwo"}, {false, "rld\n\n"}, {true, "echo \xc3\xa9"}},
       "2026-12-09 08:15:02.124 hello\r\n2026-12-09 08:15:02.125 world\r\n2026-12-09 08:15:02.126 \r\n"
       "2026-12-09 08:15:02.127 echo \xc3\xa9\r\n"},
      {"a command after a line cut off starts a line of its own", true, {{false, "C:\\>"}, {true, "dir"}},
       "2026-12-09 08:15:02.124 C:\\>\r\n2026-12-09 08:15:02.125 dir\r\n"},
  };
  for (const tContentCase& c : cases) EXPECT_EQ(LogOf(c), kFirstLine + c.Logged) << c.Name;
}

TEST(SessionLog, AppendsToWhatTheFileHolds) {
  cTempDir folder;
  const std::wstring path = folder.WriteFile(L"old.log", "old\r\n").wstring();
  cSessionLog log(TickingClock());
  for (const char* output : {"one", "two"}) {
    ASSERT_TRUE(log.Open(path, L"cmd /c build")) << log.Error();
    log.Output(cTextCodec::FromUtf8(output) + L"\n");
    // Written within the session, readable while the log is open.
    ASSERT_TRUE(log.Flush());
    EXPECT_NE(ReadBytes(path).find(output), std::string::npos);
    ASSERT_TRUE(log.Close());
  }
  EXPECT_EQ(ReadBytes(path),
            "old\r\n2026-12-09 08:15:02.123 cmd /c build\r\none\r\n2026-12-09 08:15:02.124 cmd /c build\r\ntwo\r\n");
}

// A file that takes nothing (a pipe nobody reads): output never waits for it, and once the bound
// waits in memory the log stops, with an error that names the file.
TEST(SessionLog, StopsOnceItsBoundWaitsForAFileThatTakesNothing) {
  const cUnreadPipe pipe;
  ASSERT_TRUE(pipe.IsOpen());
  cSessionLog log(TickingClock());
  ASSERT_TRUE(log.Open(pipe.Path(), L"cmd")) << log.Error();
  const std::wstring piece(64 * 1024, L'x');
  size_t given = 0;
  for (; log.IsOpen() && given < 4 * cSessionLog::kMostWaiting; given += piece.size()) {
    log.Output(piece);
    if (log.FlushDue()) log.Flush();
  }
  // No sooner than the bound, and no later than the write under way and a flush past it.
  EXPECT_GE(given, cSessionLog::kMostWaiting);
  EXPECT_LE(given, cSessionLog::kMostWaiting + 512 * 1024);
  EXPECT_FALSE(log.IsOpen());
  EXPECT_EQ(log.Error(), gui::FormatRes(IDS_LOG_STALLED, {pipe.Path()}));
}

// Closing a log whose file takes nothing waits for it only a moment.
TEST(SessionLog, ClosingWaitsOnlyAMomentForAFileThatTakesNothing) {
  const cUnreadPipe pipe;
  cSessionLog log(TickingClock());
  ASSERT_TRUE(log.Open(pipe.Path(), L"cmd")) << log.Error();
  log.Output(std::wstring(1024 * 1024, L'x'));
  EXPECT_TRUE(log.Flush());
  const ULONGLONG start = ::GetTickCount64();
  EXPECT_FALSE(log.Close());
  EXPECT_LT(::GetTickCount64() - start, 2 * cSessionLog::kCloseMs);
  EXPECT_EQ(log.Error(), gui::FormatRes(IDS_LOG_STALLED, {pipe.Path()}));
}

}  // namespace
