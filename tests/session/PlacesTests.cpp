// Places in output lines: recognition, prompts and what a place resolves to.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "session/Places.h"
#include "tests/support/TestSupport.h"

namespace {

// A place as a test writes it: the kind, the readings of a path joined by "|" (or the address),
// the line and the column.
struct tExpected {
  tPlaceKind Kind;
  std::wstring Text;
  int Line = 0;
  int Column = 0;
  friend bool operator==(const tExpected&, const tExpected&) = default;
};

std::vector<tExpected> Recognised(std::wstring_view line) {
  std::vector<tExpected> found;
  for (const tPlace& place : FindPlaces(line)) {
    std::wstring text = place.Address;
    for (const tPlacePath& reading : place.Paths) text += (text.empty() ? L"" : L"|") + reading.Path;
    found.push_back({place.Kind, text, place.Line, place.Column});
  }
  return found;
}

void PrintTo(const tExpected& e, std::ostream* out) {
  *out << (e.Kind == pkAddress ? "address " : "file ") << testing::PrintToString(e.Text) << " " << e.Line << ":"
       << e.Column;
}

}  // namespace

TEST(Places, RecognisesWhatToolsWrite) {
  struct tCase {
    const wchar_t* Line;
    std::vector<tExpected> Places;
  };
  const tCase cases[] = {
      // Microsoft's compilers, blanks, parentheses and a build tool's project number.
      {L"C:\\My Dir\\a.cpp(12,5): error C2065: 'x': undeclared identifier",
       {{pkFile, L"C:\\My Dir\\a.cpp|Dir\\a.cpp", 12, 5}}},
      {L"  3>C:\\Program Files (x86)\\Kits\\um\\winnt.h(123): warning C4005: macro redefinition",
       {{pkFile, L"C:\\Program Files (x86)\\Kits\\um\\winnt.h|(x86)\\Kits\\um\\winnt.h", 123, 0}}},
      {L"src\\main.cpp(3): error C2143: syntax error", {{pkFile, L"src\\main.cpp", 3, 0}}},
      {L"My Dir\\a.cpp(7): note: see declaration", {{pkFile, L"My Dir\\a.cpp|Dir\\a.cpp", 7, 0}}},
      // GCC and clang, with non-ASCII letters and forward slashes.
      {L"C:\\Users\\J\u00fcrgen\\pr\u00fcfung.c:3:1: error: expected ';'",
       {{pkFile, L"C:\\Users\\J\u00fcrgen\\pr\u00fcfung.c", 3, 1}}},
      {L"In file included from /usr/include/stdio.h:27,", {{pkFile, L"/usr/include/stdio.h", 27, 0}}},
      {L"./src/x y.c:10:2: warning: unused variable", {{pkFile, L"./src/x y.c|y.c", 10, 2}}},
      {L"C:/My Dir/x.go:5:1: bad", {{pkFile, L"C:/My Dir/x.go|Dir/x.go", 5, 1}}},
      // Rust, Go, TypeScript (plain and pretty), flake8, eslint.
      {L"  --> src\\main.rs:2:5", {{pkFile, L"src\\main.rs", 2, 5}}},
      {L"./main.go:12:3: undefined: foo", {{pkFile, L"./main.go", 12, 3}}},
      {L"src/app.ts(12,5): error TS2322: Type 'string'", {{pkFile, L"src/app.ts", 12, 5}}},
      {L"src/app.ts:12:5 - error TS2322", {{pkFile, L"src/app.ts", 12, 5}}},
      {L".\\pkg\\mod.py:7:80: E501 line too long (91 > 79 characters)", {{pkFile, L".\\pkg\\mod.py", 7, 80}}},
      {L"\u00c4rger/\u30d5\u30a1\u30a4\u30eb.js:4:10: 'x' is defined but never used",
       {{pkFile, L"\u00c4rger/\u30d5\u30a1\u30a4\u30eb.js", 4, 10}}},
      // Python's tracebacks: the quotes make any path unambiguous.
      {L"  File \"C:\\My Dir\\app (1).py\", line 42, in <module>", {{pkFile, L"C:\\My Dir\\app (1).py", 42, 0}}},
      // Two on one line; an address with a port is no file location.
      {L"C:\\a.c:1: see D:\\b c\\d.h(2)", {{pkFile, L"C:\\a.c", 1, 0}, {pkFile, L"D:\\b c\\d.h|c\\d.h", 2, 0}}},
      {L"See https://example.com/a_(b)?q=1, then", {{pkAddress, L"https://example.com/a_(b)?q=1"}}},
      {L"(docs: HTTP://x.org/p).", {{pkAddress, L"HTTP://x.org/p"}}},
      {L"listening on http://localhost:8080/x", {{pkAddress, L"http://localhost:8080/x"}}},
      {L"(http://a((b)))))", {{pkAddress, L"http://a((b))"}}},
      // Network and namespace paths are read whole; escaped backslashes after a drive start none.
      {L"\\\\evil\\s\\x.c:12: error", {{pkFile, L"\\\\evil\\s\\x.c", 12, 0}}},
      {L"//evil/s/x.c:3", {{pkFile, L"//evil/s/x.c", 3, 0}}},
      {L"\\\\?\\UNC\\evil\\s\\x.c(4)", {{pkFile, L"\\\\?\\UNC\\evil\\s\\x.c", 4, 0}}},
      {L"{\"file\": \"C:\\\\w\\\\x.c:1\"}", {{pkFile, L"C:\\\\w\\\\x.c", 1, 0}}},
      // Nothing here.
      {L"12:30:45 done", {}},
      {L"ftp://x.org/a:1 and mailto:a@b.c", {}},
      {L"https://", {}},
      {L"C:\\work>", {}},
      {L"note: (3)", {}},
  };
  for (const tCase& c : cases) EXPECT_EQ(Recognised(c.Line), c.Places) << testing::PrintToString(std::wstring(c.Line));
}

TEST(Places, LooksAtABoundedPartOfALongLine) {
  std::wstring line(kPlaceLineLimit - 8, L'x');
  line += L" a.c:1 b.c:2";
  const std::vector<tPlace> places = FindPlaces(line);
  ASSERT_EQ(places.size(), 1u);
  EXPECT_EQ(places[0].Paths.back().Path, L"a.c");
}

TEST(Places, PromptFolders) {
  struct tCase {
    const wchar_t* Line;
    std::optional<std::wstring> Folder;
  };
  const tCase cases[] = {
      {L"C:\\work>dir", L"C:\\work"},
      {L"C:\\>", L"C:\\"},
      {L"D:\\My Dir (2)\\\u00fc>gcc a.c", L"D:\\My Dir (2)\\\u00fc"},
      {L"  C:\\work>", std::nullopt},
      {L"C:work>", std::nullopt},
      {L"C:\\a|b>", std::nullopt},
      {L"echo C:\\x>", std::nullopt},
      {L"\\\\server\\share>", L"\\\\server\\share"},
      {L"C:\\no prompt", std::nullopt},
  };
  for (const tCase& c : cases) EXPECT_EQ(PromptFolder(c.Line), c.Folder) << testing::PrintToString(std::wstring(c.Line));
}

TEST(Places, ResolvesToTheFirstReadingThatExists) {
  const std::set<std::wstring> files = {L"C:\\My Dir\\a.cpp", L"C:\\work\\Dir\\b.cpp", L"C:\\work\\src\\c.rs",
                                        L"D:\\x.h"};
  const tFileExists exists = [&](const std::wstring& path) { return files.count(path) > 0; };
  struct tCase {
    const wchar_t* Line;
    std::optional<tPlaceTarget> Target;
  };
  const tCase cases[] = {
      // The whole path with its blank.
      {L"C:\\My Dir\\a.cpp(12,5): error", tPlaceTarget{pkFile, 0, 21, L"C:\\My Dir\\a.cpp", 12, 5}},
      // Only the last word exists (relative to the folder): the place starts there.
      {L"C:\\My Dir\\b.cpp(3): error", tPlaceTarget{pkFile, 6, 18, L"C:\\work\\Dir\\b.cpp", 3, 1}},
      // "." and ".." and forward slashes are resolved; a rooted path takes the folder's drive.
      {L"./src/../src/c.rs:2:5", tPlaceTarget{pkFile, 0, 21, L"C:\\work\\src\\c.rs", 2, 5}},
      {L"\\src\\c.rs:9", std::nullopt},
      {L"D:\\x.h:4", tPlaceTarget{pkFile, 0, 8, L"D:\\x.h", 4, 1}},
      {L"missing.c:1:1", std::nullopt},
      {L"https://a.org/x", tPlaceTarget{pkAddress, 0, 15, L"https://a.org/x", 0, 1}},
  };
  for (const tCase& c : cases) {
    const std::vector<tPlace> places = FindPlaces(c.Line);
    ASSERT_EQ(places.size(), 1u) << testing::PrintToString(std::wstring(c.Line));
    EXPECT_EQ(ResolvePlace(places[0], L"C:\\work", exists), c.Target) << testing::PrintToString(std::wstring(c.Line));
  }
}

TEST(Places, OnlyAnExistingFileIsAPlace) {
  cTempDir dir;
  dir.WriteFile(L"\u00e9t\u00e9 (1).py", "");
  std::filesystem::create_directory(dir.Path() / L"folder.py");
  const std::wstring folder = dir.Path().wstring();
  const std::vector<tPlace> file = FindPlaces(L"  File \"\u00e9t\u00e9 (1).py\", line 3");
  ASSERT_EQ(file.size(), 1u);
  const std::optional<tPlaceTarget> target = ResolvePlace(file[0], folder);
  ASSERT_TRUE(target);
  EXPECT_EQ(target->Target, (dir.Path() / L"\u00e9t\u00e9 (1).py").wstring());
  // A folder is not a file.
  EXPECT_FALSE(ResolvePlace(FindPlaces(L"folder.py:3")[0], folder));
}

TEST(Places, NetworkAndDevicePathsAreNeverProbed) {
  std::vector<std::wstring> probed;
  const tFileExists exists = [&](const std::wstring& path) {
    probed.push_back(path);
    return true;
  };
  struct tCase {
    const wchar_t* Line;
    std::optional<std::wstring> Target;  // none: no place
    tPathReach Reach = prLocal;
    const wchar_t* Folder = L"C:\\w";
  };
  const tCase cases[] = {
      {L"\\\\evil\\s\\x.c:12", L"\\\\evil\\s\\x.c", prNetwork},
      {L"//evil/s/../t/x.c:1", L"\\\\evil\\s\\t\\x.c", prNetwork},
      {L"/\\evil/s/x.c:1", L"\\\\evil\\s\\x.c", prNetwork},
      {L"\\\\?\\UNC\\evil\\s\\x.c:1", L"\\\\?\\UNC\\evil\\s\\x.c", prNetwork},
      {L"\\??\\unc\\evil\\s\\x.c:1", L"\\??\\unc\\evil\\s\\x.c", prNetwork},
      // A relative or rooted path under a network folder (a prompt's) is on the network too.
      {L"x.c:3", L"\\\\evil\\s\\d\\x.c", prNetwork, L"\\\\evil\\s\\d"},
      {L"\\x.c:3", L"\\\\evil\\s\\x.c", prNetwork, L"\\\\evil\\s\\d"},
      // The longer reading is on the network: the shorter local one is not asked for.
      {L"\\\\evil\\s\\My Dir\\a.c:1", L"\\\\evil\\s\\My Dir\\a.c", prNetwork},
      {L"\\\\.\\COM1:1", std::nullopt},
      {L"\\\\.\\pipe\\x:2", std::nullopt},
      {L"\\\\.\\UNC\\evil\\s\\x.c:1", std::nullopt},
      {L"\\\\?\\GLOBALROOT\\Device\\x.c:1", std::nullopt},
      {L"\\??\\pipe\\x:1", std::nullopt},
      {L"C:\\w\\nul.c:1", std::nullopt},
      {L"con:5", std::nullopt},
      {L"x\\Com1.log(4)", std::nullopt},
      {L"x\\lpt\u00b9.txt:2", std::nullopt},
      {L"CONOUT$:1", std::nullopt},
      {L"prn.tar.gz:1", std::nullopt},
      // Local, and asked for.
      {L"\\\\?\\C:\\w\\a.c:5", L"\\\\?\\C:\\w\\a.c"},
      {L"\\??\\C:\\w\\a.c:5", L"\\??\\C:\\w\\a.c"},
      {L"com10.c:1", L"C:\\w\\com10.c"},
      {L"C:\\nul\\console.c:1", L"C:\\nul\\console.c"},
  };
  for (const tCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.Line)));
    probed.clear();
    const std::vector<tPlace> places = FindPlaces(c.Line);
    ASSERT_EQ(places.size(), 1u);
    const std::optional<tPlaceTarget> target = ResolvePlace(places[0], c.Folder, exists);
    EXPECT_EQ(target ? std::optional(target->Target) : std::nullopt, c.Target);
    if (target) {
      EXPECT_EQ(target->Reach, c.Reach);
      EXPECT_EQ(NetworkHost(target->Target), c.Reach == prNetwork ? L"evil" : L"");
    }
    EXPECT_EQ(probed, target && c.Reach == prLocal ? std::vector{*c.Target} : std::vector<std::wstring>{});
  }
}

TEST(Places, TrimsAnAddressInTimeThatGrowsWithItsLength) {
  // Trimmed by recounting the brackets at every step, this took about 40 ms a line.
  const std::wstring line = L"http://a" + std::wstring(kPlaceLineLimit, L')');
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 100; ++i) ASSERT_EQ(Recognised(line), (std::vector<tExpected>{{pkAddress, L"http://a"}}));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}
