// The session's log on the real main window: started by -log: or from the File menu, and the one
// box a log that cannot be opened or written gets, while the session goes on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/ResString.h"
#include "resources/resource.h"
#include "tests/session/SessionFixture.h"
#include "text/TextCodec.h"
#include "text/Utils.h"

namespace {

// Log files that cannot be opened, each with the system's reason: one in a folder that does not
// exist, a read-only one and one that another program holds open without sharing it.
class cUnopenableLogs {
public:
  struct tCase {
    std::wstring Path;
    DWORD Code;
  };

  cUnopenableLogs()
      : readOnly_(folder_.WriteFile(L"read-only.log", "kept\r\n").wstring()),
        locked_(folder_.WriteFile(L"locked.log", "kept\r\n").wstring()),
        holder_(::CreateFileW(locked_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr)) {
    ::SetFileAttributesW(readOnly_.c_str(), FILE_ATTRIBUTE_READONLY);
  }
  ~cUnopenableLogs() { ::SetFileAttributesW(readOnly_.c_str(), FILE_ATTRIBUTE_NORMAL); }
  cUnopenableLogs(const cUnopenableLogs&) = delete;
  cUnopenableLogs& operator=(const cUnopenableLogs&) = delete;

  std::vector<tCase> Cases() const {
    return {{(folder_.Path() / L"missing" / L"session.log").wstring(), ERROR_PATH_NOT_FOUND},
            {readOnly_, ERROR_ACCESS_DENIED},
            {locked_, ERROR_SHARING_VIOLATION}};
  }
  // What the read-only file holds (the locked one cannot be read).
  std::string ReadOnlyContents() const { return ReadBytes(readOnly_); }

private:
  cTempDir folder_;
  std::wstring readOnly_, locked_;
  gui::cKernelHandle holder_;
};

class LogTest : public cSessionTest {
protected:
  void Send(const std::wstring& command) {
    Input().SetWText(command);
    Input().SetSelStart(static_cast<int>(command.size()));
    form_->UpdateCommandText();
    form_->SendCommand(Input());
  }
  bool LogOn() {
    bool checked = false;
    form_->FileLogToFile(false, checked);
    return checked;
  }
  // The first line of the log, without its time.
  std::string FirstLineTail() const {
    std::string tail = " ";
    cTextCodec::AppendUtf8(form_->ChildCommandLine(), tail);
    return tail + "\r\n";
  }
  std::wstring BoxText(unsigned messageId, const std::wstring& path, DWORD code) const {
    return gui::FormatRes(messageId, {path, cSystemResources::SystemErrorTextW(code)});
  }

  cTempDir folder_;
};

// With -log: the file holds the output and the echoed command once the window has closed.
TEST_F(LogTest, StartedByTheCommandLineHoldsTheSessionOnceClosed) {
  const std::wstring path = (folder_.Path() / L"session.log").wstring();
  OpenChild({L"echo"}, L"-E -timestamps \"-log:" + path + L"\"");
  EXPECT_TRUE(LogOn());
  Send(L"hello");
  ASSERT_TRUE(OutputHas(L"\r\nhello\r\n"));
  Close();
  // A time ("2026-12-09 08:15:02.123") starts the first line and each line after it.
  const std::string log = ReadBytes(path);
  const size_t first = 23 + FirstLineTail().size();
  ASSERT_EQ(log.size(), first + 2 * 31) << log;
  EXPECT_EQ(log.substr(23, FirstLineTail().size()), FirstLineTail());
  for (size_t line : {first, first + 31}) {
    EXPECT_EQ(log.substr(line + 23, 8), " hello\r\n") << log;
    EXPECT_EQ(log.substr(line, 11), log.substr(0, 11)) << log;
  }
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(LogTest, FileMenuStartsAndStopsIt) {
  const std::wstring path = (folder_.Path() / L"menu.log").wstring();
  gui::cDialogSeam::cFileDialogResponderScope dialog([&](gui::tFileDialogRequest& request) {
    EXPECT_TRUE(request.Save);
    EXPECT_EQ(request.Title, L" Log to File");
    request.FileName = path;
    return true;
  });
  OpenChild({L"echo"});
  EXPECT_FALSE(LogOn());
  Send(L"before");
  ASSERT_TRUE(OutputBecomes(L"before\r\n"));
  ASSERT_TRUE(form_->ExecuteAction(ID_FILE_LOG));
  EXPECT_TRUE(LogOn());
  Send(L"during");
  ASSERT_TRUE(OutputBecomes(L"before\r\nduring\r\n"));
  // Written within a second, while the log is still on.
  EXPECT_TRUE(RunUntil([&] { return ReadBytes(path).find("during\r\n") != std::string::npos; }, 1500));
  ASSERT_TRUE(form_->ExecuteAction(ID_FILE_LOG));
  EXPECT_FALSE(LogOn());
  Send(L"after");
  ASSERT_TRUE(OutputBecomes(L"before\r\nduring\r\nafter\r\n"));
  const std::string log = ReadBytes(path);
  EXPECT_EQ(log.substr(log.size() - FirstLineTail().size() - 8), FirstLineTail() + "during\r\n");
  ASSERT_TRUE(form_->ExecuteAction(ID_VIEW_TIMESTAMPS));
  EXPECT_TRUE(form_->Log().Timestamps());
  EXPECT_TRUE(boxes_.empty());
}

// One box names the file and the system's reason; the session goes on without a log.
TEST_F(LogTest, FileThatCannotBeOpenedGetsOneBox) {
  const cUnopenableLogs files;
  for (const auto& c : files.Cases()) {
    boxes_.clear();
    OpenChild({L"out:6F6B0D0A"}, L"\"-log:" + c.Path + L"\"");
    EXPECT_TRUE(OutputBecomes(L"ok\r\n"));
    EXPECT_FALSE(LogOn());
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].Text, BoxText(IDS_LOG_CANNOT_OPEN, c.Path, c.Code));
    EXPECT_EQ(boxes_[0].Flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
    Close();
  }
  EXPECT_EQ(files.ReadOnlyContents(), "kept\r\n");
}

// A log into a pipe whose reader goes away: the write fails as a full disk's does (seen under
// Wine 8). One box, the log stops, and the pane keeps every line.
TEST_F(LogTest, WriteThatFailsGetsOneBoxAndTheOutputGoesOn) {
  cUnreadPipe pipe;
  const std::wstring& path = pipe.Path();
  ASSERT_TRUE(pipe.IsOpen());
  OpenChild({L"echo"}, L"-log:" + path);
  ASSERT_TRUE(LogOn());
  pipe.CloseReader();
  for (const wchar_t* command : {L"one", L"two", L"three"}) Send(command);
  EXPECT_TRUE(OutputBecomes(L"one\r\ntwo\r\nthree\r\n"));
  EXPECT_TRUE(RunUntil([&] { return !boxes_.empty(); }, 3000));
  RunUntil([] { return false; }, 1000);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].Text, BoxText(IDS_LOG_CANNOT_WRITE, path, ERROR_NO_DATA));
  EXPECT_FALSE(LogOn());
  Send(L"four");
  EXPECT_TRUE(OutputBecomes(L"one\r\ntwo\r\nthree\r\nfour\r\n"));
}

// The log holds the text without its escape sequences (colour, a window title, a sequence cut
// between two writes), with a backspace and CR LF as they came; with -dump it keeps the sequences,
// as the pane does.
TEST_F(LogTest, HoldsTheOutputWithoutEscapeSequencesUnlessDumped) {
  const struct {
    const wchar_t* Options;
    std::string Logged;
  } cases[] = {{L"", "redx\b bold\r\ndone\r\n"},
               {L"-dump ", "\x1b[31mredx\b\x1b[0m \x1b[1;38;5;33mbold\x1b[0m\x1b]0;title\a\x1b[2K\r\ndone\r\n"}};
  for (const auto& c : cases) {
    const std::wstring path = (folder_.Path() / (std::wstring(c.Options) + L"colour.log")).wstring();
    // "ESC[31mredx BS ESC[0m ESC[1;38;5" | ";33mbold ESC[0m ESC]0;title BEL ESC[2K CR LF done CR LF"
    OpenChild({L"out:1B5B33316D72656478081B5B306D201B5B313B33383B35", L"sleep:200",
               L"out:3B33336D626F6C641B5B306D1B5D303B7469746C65071B5B324B0D0A646F6E650D0A", L"sleep"},
              c.Options + (L"\"-log:" + path + L"\""));
    ASSERT_TRUE(OutputHas(L"done\r\n"));
    Close();
    const std::string log = ReadBytes(path);
    EXPECT_EQ(log.substr(log.find("\r\n") + 2), c.Logged) << testing::PrintToString(c.Options);
  }
  EXPECT_TRUE(boxes_.empty());
}

// A log into a pipe that is never read, while the child floods 8 MB: the pane shows every byte,
// the log stops once its bound waits, and one box names the file.
TEST_F(LogTest, FileThatTakesNothingNeverHoldsTheOutput) {
  const size_t size = 8 * 1024 * 1024;
  const cUnreadPipe pipe;
  ASSERT_TRUE(pipe.IsOpen());
  OpenChild({L"flood:" + std::to_wstring(size), L"sleep"}, L"-log:" + pipe.Path());
  ASSERT_TRUE(RunUntil([&] { return Output().WPerform(WM_GETTEXTLENGTH, 0, 0) >= LRESULT(size); }, 30000));
  const std::string expected = FloodText(size);
  EXPECT_EQ(OutputText(), std::wstring(expected.begin(), expected.end()));
  EXPECT_TRUE(RunUntil([&] { return !boxes_.empty(); }, 3000));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].Text, gui::FormatRes(IDS_LOG_STALLED, {pipe.Path()}));
  EXPECT_FALSE(LogOn());
}

}  // namespace
