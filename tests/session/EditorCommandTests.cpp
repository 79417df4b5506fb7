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

  EXPECT_EQ(EditorLaunch(L"ed -n%l %f", L"C:\\a b.c", 7, 1, searchPath).Launch,
            (tProgramLaunch{editor, L"ed -n7 \"C:\\a b.c\""}));
  EXPECT_EQ(EditorLaunch(L"planted %f", L"C:\\a.c", 1, 1, searchPath)
                .Refusal.rfind(L"The file was not opened: the editor's program \"planted\" is not found.", 0),
            0u);
  // A batch file runs in the system's interpreter, the script by its full path.
  const std::optional<tProgramLaunch> batch =
      EditorLaunch(L"\"script ed\" %f", L"C:\\a b.c", 1, 1, searchPath).Launch;
  ASSERT_TRUE(batch);
  EXPECT_TRUE(batch->Application.ends_with(L"\\cmd.exe")) << batch->Application;
  EXPECT_EQ(batch->CommandLine,
            L"\"" + batch->Application + L"\" /d /v:off /s /c \"\"" + script + L"\" \"C:\\a b.c\"\"");
}

// A command that reaches an interpreter (by its program, found with or without a folder or an
// extension, or by any name in it) gets no path that the interpreter could expand or split; any
// other program gets every path that can be one argument.
TEST(EditorCommand, InterpretersGetNoPathTheyCouldExpandOrSplit) {
  cTempDir tools;
  for (const wchar_t* program : {L"ed.exe", L"cmd.exe", L"PowerShell.exe", L"pwsh.exe", L"wsl.exe", L"bash.exe",
                                 L"cscript.exe", L"wscript.exe", L"conhost.exe", L"open.cmd"})
    tools.WriteFile(program, "");
  const std::wstring folder = tools.Path().wstring();
  const struct {
    std::wstring Command;
    const wchar_t* Path;
    const wchar_t* Refused;  // as the box shows them; empty: the editor starts
  } cases[] = {
      {L"cmd.exe /c ed %f %l", L"C:\\x%PATH%y.c", L"%"},
      {L"CMD /c ed %f", L"C:\\a!b.c", L"!"},
      {L"\"" + folder + L"\\Cmd.Exe\" /c ed \"%f\"", L"C:\\%CMDCMDLINE%&calc&.c", L"% &"},
      {L"open %f", L"C:\\a&b|c^d<e>f(g)h.c", L"& | ^ < > ( )"},
      {L"open %f", L"C:\\a b,c{d}$e.c", L"$"},
      {L"pwsh -c ed %f", L"C:\\a b,c{d}\u2019e.c", L"U+0020 , { } U+2019"},
      {L"powershell ed %f", L"C:\\x\\`$(calc);'.c", L"` $ ( ) ; '"},
      {L"wsl vi %f", L"C:\\$(calc).c", L"$ ( )"},
      {L"bash -c vi %f", L"C:\\a`b`.c", L"`"},
      {L"cscript //nologo C:\\tools\\open.js %f", L"C:\\a'b.c", L"'"},
      {L"wscript open.vbs %f", L"C:\\a;b.c", L";"},
      // Started through another program, or with a script of its own.
      {L"conhost cmd/c ed %f", L"C:\\100%.c", L"%"},
      {L"ed -e C:\\tools\\open.ps1 %f", L"C:\\a b.c", L"U+0020"},
      {L"cmd /c ed %f", L"C:\\My Dir\\a,b=c.c", L""},
      {L"ed %f", L"C:\\x%PATH%&!^|<>()';`$ ,{}.c", L""},
  };
  for (const auto& c : cases) {
    const tEditorLaunch launch = EditorLaunch(c.Command, c.Path, 1, 1, folder);
    if (*c.Refused == L'\0') {
      EXPECT_TRUE(launch.Launch) << c.Command << " " << launch.Refusal;
      continue;
    }
    EXPECT_FALSE(launch.Launch) << c.Command;
    EXPECT_NE(launch.Refusal.find(L"), which could expand it, or split it into other arguments or commands, at these "
                                  L"characters: " + std::wstring(c.Refused) + L"\r\n"),
              std::wstring::npos)
        << launch.Refusal;
  }
  EXPECT_EQ(EditorLaunch(L"ed %f", L"C:\\a\"b.c", 1, 1, folder).Refusal.rfind(L"The file was not opened: its path", 0),
            0u);
  EXPECT_EQ(EditorLaunch(L"CMD /c ed %f", L"C:\\a!b.c", 1, 1, folder).Refusal,
            L"The file was not opened: the editor command runs the path through a command interpreter (CMD.exe), "
            L"which could expand it, or split it into other arguments or commands, at these characters: !\r\n\r\n"
            L"Editor command: CMD /c ed %f\r\nFile: C:\\a!b.c");
}
