// The child's environment: this program's own, the two Python variables and the -env: changes.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "session/ChildEnvironment.h"

namespace {

using tEntries = std::vector<std::wstring>;

// The block's entries in order; the block must end with an empty entry, and an empty block is
// two NULs.
tEntries EntriesOf(const std::wstring& block) {
  tEntries entries;
  if (block == std::wstring(2, L'\0')) return entries;
  size_t start = 0;
  for (size_t end; (end = block.find(L'\0', start)) != std::wstring::npos && end > start; start = end + 1)
    entries.push_back(block.substr(start, end - start));
  EXPECT_EQ(start + 1, block.size()) << "the block does not end with one empty entry";
  return entries;
}

TEST(ChildEnvironment, Block) {
  const tEntries inherited{L"Path=C:\\windows", L"=C:=C:\\work", L"TEMP=C:\\temp", L"=D:=D:\\"};
  const struct {
    const char* Name;
    tEntries Inherited;
    std::optional<std::wstring> Python;
    std::vector<tEnvironmentChange> Changes;
    tEntries Expected;
  } cases[] = {
      {"inherited kept, both added, sorted without regard to case with the drive entries first", inherited,
       L"cp437", {},
       {L"=C:=C:\\work", L"=D:=D:\\", L"Path=C:\\windows", L"PYTHONIOENCODING=cp437", L"PYTHONUNBUFFERED=1",
        L"TEMP=C:\\temp"}},
      {"no encoding for Python when the directions differ", {}, std::nullopt, {}, {L"PYTHONUNBUFFERED=1"}},
      {"set already, in any case, stays", {L"PythonUnbuffered=0", L"pythonioencoding=latin-1"}, L"utf-8", {},
       {L"pythonioencoding=latin-1", L"PythonUnbuffered=0"}},
      {"changes add, replace and remove, in any case", inherited, L"utf-8",
       {{L"ZED", L"a=b"}, {L"path", L"D:\\bin"}, {L"temp", std::nullopt}, {L"NOT_SET", std::nullopt}},
       {L"=C:=C:\\work", L"=D:=D:\\", L"path=D:\\bin", L"PYTHONIOENCODING=utf-8", L"PYTHONUNBUFFERED=1",
        L"ZED=a=b"}},
      {"both left out", {}, L"utf-8", {{L"PYTHONUNBUFFERED", std::nullopt}, {L"PYTHONIOENCODING", std::nullopt}},
       {}},
      {"a change reaches every entry of its name", {L"Path=C:\\a", L"PATH=C:\\b", L"X=1", L"x=2"}, std::nullopt,
       {{L"path", L"D:\\bin"}, {L"X", std::nullopt}}, {L"path=D:\\bin", L"PYTHONUNBUFFERED=1"}},
      {"the last change of a name wins", {}, std::nullopt,
       {{L"A", L"1"}, {L"a", std::nullopt}, {L"A", L"3"}, {L"PYTHONUNBUFFERED", std::nullopt}}, {L"A=3"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(EntriesOf(ChildEnvironmentBlock(c.Inherited, c.Python, c.Changes)), c.Expected) << c.Name;
}

TEST(ChildEnvironment, PythonEncodingName) {
  const struct {
    tPipeEncodings Encodings;
    std::optional<std::wstring> Expected;
  } cases[] = {
      {{peUTF8, peUTF8}, L"utf-8:backslashreplace"}, {{peUTF16LE, peUTF16LE}, L"utf-16-le:backslashreplace"},
      {{peUTF16BE, peUTF16BE}, L"utf-16-be:backslashreplace"}, {{peANSI, peANSI}, L"cp1252:backslashreplace"},
      {{peOEM, peOEM}, L"cp437:backslashreplace"}, {{peOEM, peUTF16LE}, std::nullopt},
      {{peANSI, peOEM}, std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PythonEncodingName(c.Encodings, 1252, 437), c.Expected)
        << c.Encodings.Input.Scheme << "/" << c.Encodings.Output.Scheme;
}

TEST(ChildEnvironment, ParseChange) {
  EXPECT_EQ(ParseEnvironmentChange(L"A=b c"), (tEnvironmentChange{L"A", L"b c"}));
  EXPECT_EQ(ParseEnvironmentChange(L"A=b=c-"), (tEnvironmentChange{L"A", L"b=c-"}));
  EXPECT_EQ(ParseEnvironmentChange(L"A="), (tEnvironmentChange{L"A", std::nullopt}));
  for (const wchar_t* malformed : {L"", L"A", L"=x", L"="})
    EXPECT_EQ(ParseEnvironmentChange(malformed), std::nullopt) << malformed;
}

// The child's environment as the system hands it over: this program's own variables arrive.
TEST(ChildEnvironment, ProcessEnvironmentHoldsTheVariablesSet) {
  ASSERT_TRUE(::SetEnvironmentVariableW(L"MARVESK_TEST_VARIABLE", L"x y"));
  const tEntries entries = ProcessEnvironment();
  ::SetEnvironmentVariableW(L"MARVESK_TEST_VARIABLE", nullptr);
  EXPECT_NE(std::find(entries.begin(), entries.end(), L"MARVESK_TEST_VARIABLE=x y"), entries.end());
}

}  // namespace
