// The editor command: what it makes of a path, and which program it starts.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <vector>

#include "session/EditorCommand.h"
#include "tests/support/TestSupport.h"

namespace {

// The arguments a program's C runtime makes of a command line.
std::vector<std::wstring> Arguments(const std::wstring& commandLine) {
  int count = 0;
  LPWSTR* arguments = ::CommandLineToArgvW(commandLine.c_str(), &count);
  std::vector<std::wstring> result(arguments, arguments + count);
  ::LocalFree(arguments);
  return result;
}

// Makes a folder the current one for as long as it lives.
class cCurrentFolder {
public:
  explicit cCurrentFolder(const std::filesystem::path& folder) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~cCurrentFolder() { std::filesystem::current_path(previous_); }
  cCurrentFolder(const cCurrentFolder&) = delete;
  cCurrentFolder& operator=(const cCurrentFolder&) = delete;

private:
  std::filesystem::path previous_;
};

}  // namespace

TEST(EditorCommand, PutsInThePathLineAndColumn) {
  const std::wstring path = L"C:\\My Dir\\a.cpp";
  struct tCase {
    const wchar_t* Command;
    const wchar_t* Expected;
  };
  const tCase cases[] = {
      {L"notepad.exe \"%f\"", L"notepad.exe \"C:\\My Dir\\a.cpp\""},
      {L"code -g %f:%l:%c", L"code -g \"C:\\My Dir\\a.cpp\":12:5"},
      {L"notepad++ -n%l %f", L"notepad++ -n12 \"C:\\My Dir\\a.cpp\""},
      // Inside the command's own quotes the bare path.
      {L"ed \"%f:%l\" %F", L"ed \"C:\\My Dir\\a.cpp:12\" \"C:\\My Dir\\a.cpp\""},
      {L"ed 100%% %x %f %", L"ed 100% %x \"C:\\My Dir\\a.cpp\" %"},
  };
  for (const tCase& c : cases) EXPECT_EQ(ExpandEditorCommand(c.Command, path, 12, 5), c.Expected) << c.Command;
}

TEST(EditorCommand, ThePathIsAlwaysOneArgument) {
  for (const wchar_t* path : {L"C:\\a b\\c.txt", L"C:\\x&y|z^w.txt", L"C:\\(1) 'q' %PATH%.txt",
                              L"C:\\\u00e4\u3042 \\\\b.txt"}) {
    for (const wchar_t* command : {L"ed %f", L"ed \"%f\"", L"ed -n%l \"%f\" %c"}) {
      const std::optional<std::wstring> line = ExpandEditorCommand(command, path, 3, 4);
      ASSERT_TRUE(line) << path;
      const std::vector<std::wstring> arguments = Arguments(*line);
      EXPECT_EQ(std::count(arguments.begin(), arguments.end(), std::wstring(path)), 1) << *line;
    }
  }
  // A path that could end the argument early opens nothing.
  for (const wchar_t* path : {L"C:\\a\" & calc \".txt", L"C:\\dir\\", L"", L"C:\\a\r\nb.txt"})
    EXPECT_FALSE(ExpandEditorCommand(L"ed %f", path, 1, 1)) << testing::PrintToString(std::wstring(path));
}

TEST(EditorCommand, FindsTheProgramWhereTheSystemKeepsItNeverInTheCurrentFolder) {
  cTempDir tools, current;
  const std::wstring editor = tools.WriteFile(L"ed.exe", "").wstring();
  const std::wstring script = tools.WriteFile(L"script ed.cmd", "").wstring();
  current.WriteFile(L"planted.exe", "");
  const cCurrentFolder inCurrent(current.Path());
  const std::wstring searchPath = L".;planted;\"" + tools.Path().wstring() + L"\"";

  EXPECT_EQ(FindProgram(L"ed", searchPath), editor);
  EXPECT_EQ(FindProgram(L"ED.EXE", searchPath), tools.Path().wstring() + L"\\ED.EXE");
  EXPECT_EQ(FindProgram(L"planted", searchPath), L"");
  EXPECT_EQ(FindProgram(L"planted.exe", searchPath), L"");
  // A name with a folder is taken as written.
  EXPECT_EQ(FindProgram(L".\\planted", searchPath), (current.Path() / L"planted.exe").wstring());

  EXPECT_EQ(EditorLaunch(L"ed -n%l %f", L"C:\\a b.c", 7, 1, searchPath),
            (tProgramLaunch{editor, L"ed -n7 \"C:\\a b.c\""}));
  EXPECT_FALSE(EditorLaunch(L"planted %f", L"C:\\a.c", 1, 1, searchPath));
  // A batch file runs in the system's interpreter, the script by its full path; a path that
  // the interpreter would expand does not go there.
  const std::optional<tProgramLaunch> batch = EditorLaunch(L"\"script ed\" %f", L"C:\\a&b.c", 1, 1, searchPath);
  ASSERT_TRUE(batch);
  EXPECT_TRUE(batch->Application.ends_with(L"\\cmd.exe")) << batch->Application;
  EXPECT_EQ(batch->CommandLine, L"\"" + batch->Application + L"\" /d /v:off /s /c \"\"" + script + L"\" \"C:\\a&b.c\"\"");
  EXPECT_FALSE(EditorLaunch(L"\"script ed\" %f", L"C:\\100%.c", 1, 1, searchPath));
}
