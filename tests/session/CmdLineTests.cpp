#include "session/CmdLine.h"

#include <gtest/gtest.h>

namespace {

using tArguments = std::vector<std::wstring>;

tCommandLineOption OptionOf(std::wstring_view argument) {
  tParsedArgument parsed = cCommandLine::ParseArgument(argument);
  EXPECT_EQ(parsed.Kind, akOption) << testing::PrintToString(std::wstring(argument));
  return parsed.Option;
}

}  // namespace

TEST(CommandLine, ParseArgument) {
  EXPECT_EQ(OptionOf(L"/D"), (tCommandLineOption{clkSwitch, L"D", L""}));
  EXPECT_EQ(OptionOf(L"-echo+"), (tCommandLineOption{clkSwitchOn, L"ECHO", L""}));
  EXPECT_EQ(OptionOf(L"-dump-"), (tCommandLineOption{clkSwitchOff, L"DUMP", L""}));
  EXPECT_EQ(OptionOf(L"-Output:utf16be"), (tCommandLineOption{clkValue, L"OUTPUT", L"utf16be"}));
  EXPECT_EQ(OptionOf(L"-echo:"), (tCommandLineOption{clkSwitch, L"ECHO", L""}));
  EXPECT_EQ(OptionOf(L"-in:a:b-c"), (tCommandLineOption{clkValue, L"IN", L"a:b-c"}));
  EXPECT_EQ(OptionOf(L"-x+:y"), (tCommandLineOption{clkValue, L"X", L"y"}));
  EXPECT_EQ(OptionOf(L"-\u00e4u"), (tCommandLineOption{clkSwitch, L"\u00e4U", L""}));
  // A file name or a variable's value may end with a sign.
  EXPECT_EQ(OptionOf(L"/Log:build-"), (tCommandLineOption{clkValue, L"LOG", L"build-"}));
  EXPECT_EQ(OptionOf(L"-env:FLAGS=-O2 +x+"), (tCommandLineOption{clkValue, L"ENV", L"FLAGS=-O2 +x+"}));
  for (const wchar_t* malformed : {L"-", L"/", L"-:x", L"-input:UTF8+", L"/a:-"}) {
    EXPECT_EQ(cCommandLine::ParseArgument(malformed).Kind, akMalformed) << malformed;
  }
  for (const wchar_t* other : {L"", L"dir", L"+x", L"\\D"}) {
    EXPECT_EQ(cCommandLine::ParseArgument(other).Kind, akNotOption) << other;
  }
}

TEST(CommandLine, SplitsArgumentsWithoutEscapes) {
  EXPECT_EQ(cCommandLine::SplitArguments(L"  \"a b\"c \t d  "), (tArguments{L"a bc", L"d"}));
  EXPECT_EQ(cCommandLine::SplitArguments(L"\"\" \"e\\\" f"), (tArguments{L"", L"e\\", L"f"}));
  EXPECT_EQ(cCommandLine::SplitArguments(L"x\"open  end"), (tArguments{L"xopen  end"}));
}

TEST(CommandLine, OptionsBeforeDoubleDashInOrder) {
  const cCommandLine line(L"\"C:\\My Tools\\Marvesk.exe\" -U stray /d -input:UTF8 -bad:x+ -Input:ANSI");
  ASSERT_EQ(line.Options().size(), 4u);
  EXPECT_EQ(line.FindOption(L"input").Value, L"UTF8");
  EXPECT_EQ(line.FindOption(L"D").Kind, clkSwitch);
  EXPECT_EQ(line.FindOption(L"bad"), tCommandLineOption{});
  EXPECT_EQ(line.ChildCommandLine(), L"");
  // The program name is never an argument, even when it looks like an option.
  EXPECT_TRUE(cCommandLine(L"-E").Options().empty());
}

TEST(CommandLine, ChildCommandLineAfterFirstDoubleDashAsWritten) {
  const cCommandLine plain(L"Marvesk -- dir /B *.*");
  EXPECT_TRUE(plain.Options().empty());
  EXPECT_EQ(plain.ChildCommandLine(), L"dir /B *.*");
  // Quotes, inner blanks and backslashes reach the child exactly as typed.
  const cCommandLine mixed(L"Marvesk -U /D --   \"C:\\dir with space\\prog.exe\"  \"in  file.txt\" \\\"x  ");
  EXPECT_EQ(mixed.Options().size(), 2u);
  EXPECT_EQ(mixed.ChildCommandLine(), L"\"C:\\dir with space\\prog.exe\"  \"in  file.txt\" \\\"x");
  const cCommandLine twice(L"Marvesk --x -- cmd -- -E \"a  b\"");
  ASSERT_EQ(twice.Options().size(), 1u);
  EXPECT_EQ(twice.Options()[0].Name, L"-X");
  EXPECT_EQ(twice.ChildCommandLine(), L"cmd -- -E \"a  b\"");
  EXPECT_EQ(cCommandLine(L"Marvesk -E --").ChildCommandLine(), L"");
  EXPECT_EQ(cCommandLine(L"Marvesk -- \" \" \"\"").ChildCommandLine(), L"\" \" \"\"");
  // Only "--" written as an argument of its own counts; options after a quoted one still count.
  const cCommandLine quoted(L"Marvesk \"--\" -E x--y --\"\" -D");
  EXPECT_EQ(quoted.ChildCommandLine(), L"");
  EXPECT_EQ(quoted.FindOption(L"D").Kind, clkSwitch);
  EXPECT_EQ(cCommandLine(L"Marvesk -E --\tcmd /c \"echo  a\"\t").ChildCommandLine(), L"cmd /c \"echo  a\"");
}
