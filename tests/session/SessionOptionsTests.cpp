// What the options make of a session.
#include <gtest/gtest.h>

#include "session/SessionOptions.h"

namespace {

tSessionOptions Options(const std::wstring& arguments) {
  return ProcessOptions(cCommandLine(L"Marvesk.exe " + arguments));
}

const wchar_t* const kUnicodeConflict =
    L"Conflicting or redundant options: -U (-Unicode) and -U2 (-Unicode2)\r\n\r\n"
    L"Assuming -U (-Unicode)\r\n(Equivalent to -input:OEM -output:UTF16LE)";

TEST(ProcessOptionsTest, Defaults) {
  tSessionOptions o = Options(L"");
  EXPECT_FALSE(o.Echo);
  EXPECT_TRUE(o.InterpretControls);
  EXPECT_FALSE(o.HelpAtStart);
  EXPECT_EQ(o.Encodings.Input, peOEM);
  EXPECT_EQ(o.Encodings.Output, peOEM);
  EXPECT_EQ(o.OptionMessage, L"");
}

TEST(ProcessOptionsTest, Switches) {
  for (const wchar_t* dump : {L"/d", L"-DUMP+"}) EXPECT_FALSE(Options(dump).InterpretControls) << dump;
  for (const wchar_t* notDump : {L"/dump-", L"-dump:1"}) EXPECT_TRUE(Options(notDump).InterpretControls) << notDump;
  for (const wchar_t* echo : {L"-E", L"/echo"}) EXPECT_TRUE(Options(echo).Echo) << echo;
  for (const wchar_t* help : {L"-?", L"-H", L"-help+"}) EXPECT_TRUE(Options(help).HelpAtStart) << help;
  // Options after "--" belong to the child.
  EXPECT_FALSE(Options(L"-- -echo").Echo);
}

TEST(ProcessOptionsTest, EditorCommandAsTheHelpWritesIt) {
  EXPECT_EQ(Options(L"").EditorCommand, L"notepad.exe \"%f\"");
  EXPECT_EQ(Options(L"-editor:\"code -g %f:%l:%c\"").EditorCommand, L"code -g %f:%l:%c");
  EXPECT_EQ(Options(L"/EDITOR:\"notepad++ -n%l %f\" -- cmd").EditorCommand, L"notepad++ -n%l %f");
  // A command may end with a sign.
  EXPECT_EQ(Options(L"-editor:\"ed +\"").EditorCommand, L"ed +");
}

TEST(ProcessOptionsTest, UnicodeAndUnicode2Conflict) {
  tSessionOptions o = Options(L"-U -U2");
  EXPECT_EQ(o.OptionMessage, kUnicodeConflict);
  EXPECT_TRUE(o.Unicode);
  EXPECT_FALSE(o.Unicode2);
  EXPECT_EQ(o.Encodings.Input, peOEM);
  EXPECT_EQ(o.Encodings.Output, peUTF16LE);
  EXPECT_EQ(ChildCommandLineFor(cCommandLine(L"m -U -U2"), o.Encodings.Output), L"CMD.EXE /U");
}

TEST(ProcessOptionsTest, EncodingOptionAgainstUnicodeSwitch) {
  tSessionOptions o = Options(L"-U -input:UTF8");
  EXPECT_EQ(o.OptionMessage,
            L"Conflicting or redundant options: -input:UTF8 and -U (-Unicode)\r\n\r\n"
            L"Assuming -U (-Unicode)\r\n(Equivalent to -input:OEM -output:UTF16LE)");
  EXPECT_EQ(o.Encodings.Input, peOEM);
  o = Options(L"-Unicode2 -Output:utf8");
  EXPECT_EQ(o.OptionMessage,
            L"Conflicting or redundant options: -output:utf8 and -U2 (-Unicode2)\r\n\r\n"
            L"Assuming -U2 (-Unicode2)\r\n(Equivalent to -input:UTF16LE -output:UTF16LE)");
  EXPECT_EQ(o.Encodings.Input, peUTF16LE);
  EXPECT_EQ(o.Encodings.Output, peUTF16LE);
}

TEST(ProcessOptionsTest, EncodingWords) {
  EXPECT_EQ(Options(L"-INPUT:utf8").Encodings.Input, peUTF8);
  EXPECT_EQ(Options(L"-output:utf16be").Encodings.Output, peUTF16BE);
  EXPECT_EQ(Options(L"/output:Ansi").Encodings.Output, peANSI);
  EXPECT_EQ(Options(L"-input:oem").Encodings.Input, peOEM);
  // The first occurrence wins; a switch form is no encoding option.
  EXPECT_EQ(Options(L"-input:UTF8 -input:ANSI").Encodings.Input, peUTF8);
  EXPECT_EQ(Options(L"-input -output:UTF8").Encodings.Input, peOEM);
}

TEST(ProcessOptionsTest, InvalidEncodingWord) {
  tSessionOptions o = Options(L"-output:XYZ");
  EXPECT_EQ(o.OptionMessage, L"Invalid encoding: -output:XYZ");
  EXPECT_EQ(o.Encodings.Output, peANSI);
  EXPECT_EQ(o.Encodings.Input, peOEM);
  // An invalid input word stops before the output option.
  o = Options(L"-input:XYZ -output:UTF8");
  EXPECT_EQ(o.OptionMessage, L"Invalid encoding: -input:XYZ");
  EXPECT_EQ(o.Encodings.Input, peANSI);
  EXPECT_EQ(o.Encodings.Output, peOEM);
}

TEST(ProcessOptionsTest, ChildCommandLine) {
  EXPECT_EQ(ChildCommandLineFor(cCommandLine(L"m"), peOEM), L"CMD.EXE");
  EXPECT_EQ(ChildCommandLineFor(cCommandLine(L"m --"), peOEM), L"CMD.EXE");
  EXPECT_EQ(ChildCommandLineFor(cCommandLine(L"m"), peUTF16LE), L"CMD.EXE /U");
  EXPECT_EQ(ChildCommandLineFor(cCommandLine(L"m"), peUTF16BE), L"CMD.EXE");
  EXPECT_EQ(ChildCommandLineFor(cCommandLine(L"m -U /D -- dir /B *.*"), peUTF16LE), L"dir /B *.*");
}

}  // namespace

TEST(ProcessOptionsTest, LogTimestampsAndEnvironment) {
  tSessionOptions o = Options(L"/LOG:\"C:\\My Logs\\build-\" -Timestamps -env:A=1 /ENV:b= -Env:c=x+");
  EXPECT_EQ(o.LogFile, L"C:\\My Logs\\build-");
  EXPECT_TRUE(o.Timestamps);
  EXPECT_EQ(o.Environment, (std::vector<tEnvironmentChange>{{L"A", L"1"}, {L"b", std::nullopt}, {L"c", L"x+"}}));
  EXPECT_EQ(o.OptionMessage, L"");
  EXPECT_FALSE(Options(L"-timestamps-").Timestamps);
  EXPECT_EQ(Options(L"-log").LogFile, L"");
}

// A malformed -env: is left out and named; a message about the encodings is kept before it.
TEST(ProcessOptionsTest, MalformedEnvironmentOption) {
  const std::wstring advice = L"\r\n\r\nA variable is set with -env:NAME=VALUE and removed with -env:NAME=";
  tSessionOptions o = Options(L"-env:NOEQUALS -env:A=1 -env:=x");
  EXPECT_EQ(o.OptionMessage, L"Invalid environment option: -env:NOEQUALS" + advice +
                                 L"\r\n\r\nInvalid environment option: -env:=x" + advice);
  EXPECT_EQ(o.Environment, (std::vector<tEnvironmentChange>{{L"A", L"1"}}));
  EXPECT_EQ(Options(L"-env").OptionMessage, L"Invalid environment option: -env:" + advice);
  EXPECT_EQ(Options(L"-output:XYZ -env:").OptionMessage,
            L"Invalid encoding: -output:XYZ\r\n\r\nInvalid environment option: -env:" + advice);
}

// -cr is a switch; with a value it is named in the message and left off.
TEST(ProcessOptionsTest, CarriageReturnOption) {
  const std::wstring advice =
      L"\r\n\r\n-cr, which takes no value, makes a carriage return rewrite its line; without it carriage returns are "
      L"dropped.";
  const struct {
    const wchar_t* Arguments;
    bool On;
    std::wstring Message;
  } cases[] = {
      {L"", false, L""}, {L"/CR", true, L""}, {L"-cr+", true, L""}, {L"-cr-", false, L""},
      {L"-cr:on", false, L"Invalid option: -cr:on" + advice},
      {L"-theme:x -cr:1", false,
       L"Invalid option: -cr:1" + advice + L"\r\n\r\nInvalid theme: -theme:x\r\n\r\nThe theme is -theme:system, "
                                           L"-theme:light or -theme:dark; the system's is used."},
  };
  for (const auto& c : cases) {
    const tSessionOptions o = Options(c.Arguments);
    EXPECT_EQ(o.RewritesLines, c.On) << c.Arguments;
    EXPECT_EQ(o.OptionMessage, c.Message) << c.Arguments;
  }
}

// -theme: names a theme in any letter case; anything else is named in the message, after any
// other, and leaves the choice to the system.
TEST(ProcessOptionsTest, ThemeOption) {
  const std::wstring advice = L"\r\n\r\nThe theme is -theme:system, -theme:light or -theme:dark; the system's is used.";
  const struct {
    const wchar_t* Arguments;
    gui::tThemeChoice Choice;
    std::wstring Message;
  } cases[] = {
      {L"", gui::tcSystem, L""},
      {L"-theme:dark", gui::tcDark, L""},
      {L"/THEME:Light", gui::tcLight, L""},
      {L"-theme:system", gui::tcSystem, L""},
      {L"-theme:blue", gui::tcSystem, L"Invalid theme: -theme:blue" + advice},
      {L"-theme", gui::tcSystem, L"Invalid theme: -theme:" + advice},
      {L"-output:XYZ -theme:darker", gui::tcSystem,
       L"Invalid encoding: -output:XYZ\r\n\r\nInvalid theme: -theme:darker" + advice},
  };
  for (const auto& c : cases) {
    const cCommandLine commandLine(std::wstring(L"Marvesk.exe ") + c.Arguments);
    EXPECT_EQ(ThemeOption(commandLine), c.Choice) << c.Arguments;
    EXPECT_EQ(ProcessOptions(commandLine).OptionMessage, c.Message) << c.Arguments;
  }
}
