#include "text/UnicodePersistency.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/editor/EditorTestSupport.h"
#include "tests/support/TestSupport.h"
#include "tests/unicode/ControlTestSupport.h"
#include "text/Utils.h"

namespace {

namespace fs = std::filesystem;

// Cyrillic, CJK and an emoji (a surrogate pair): none of them is in code page 1252.
const std::wstring kForeign = L"\u041F\u0440\u0438\u0432\u0435\u0442 \u4E2D\u6587 \U0001F600";

class cTextHolder final : public IWPersistentText {
public:
  explicit cTextHolder(std::wstring text = {}) : text_(std::move(text)) {}
  void SetText(std::wstring_view text) override { text_ = text; }
  std::wstring GetText() const override { return text_; }

private:
  std::wstring text_;
};

std::string Bytes(std::initializer_list<unsigned char> bytes) { return std::string(bytes.begin(), bytes.end()); }

std::set<fs::path> FilesIn(const fs::path& folder) {
  std::set<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder)) files.insert(entry.path().filename());
  return files;
}

// The files of a folder of any length: the C++ library of mingw-w64 lists the current folder
// instead of one beyond MAX_PATH.
std::set<std::wstring> NamesInLongFolder(const std::wstring& folder) {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW found{};
  HANDLE find = ::FindFirstFileW((L"\\\\?\\" + folder + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(found.cFileName);
  } while (::FindNextFileW(find, &found));
  ::FindClose(find);
  return names;
}

struct tDecoded {
  tEncodingScheme Scheme;
  std::wstring Text;
  std::size_t Nuls = 0;  // of a load: the NULs it replaced
  friend bool operator==(const tDecoded&, const tDecoded&) = default;
};

tDecoded Decoded(std::string_view bytes) {
  tDecoded result{esANSI, L"(untouched)"};
  result.Scheme = cWPersistencyAdapter::Decode(bytes, result.Text);
  return result;
}

tDecoded Loaded(const fs::path& file) {
  cTextHolder holder(L"(untouched)");
  const tLoadedFile loaded = cWPersistencyAdapter::LoadFromFile(holder, file.wstring());
  return {loaded.Scheme, holder.GetText(), loaded.ReplacedNuls};
}

void PrintTo(const tDecoded& decoded, std::ostream* out) {
  *out << "scheme " << int(decoded.Scheme) << ", " << ::testing::PrintToString(decoded.Text) << ", "
       << decoded.Nuls << " NULs";
}

std::wstring AnsiWarning(std::wstring_view fileName) {
  return L"The file\r\"" + std::wstring(fileName) +
         L"\"\rcontains characters in Unicode format which will be lost if you save this file as an ANSI "
         L"text.\rTo keep the Unicode information, select any of the Unicode encodings (UTF-8, Unicode or "
         L"Unicode big endian) in the Save As dialog box.\r\rDo you still want to continue and enforce ANSI?";
}

}  // namespace

TEST(Persistency, SignaturesNeedAllTheirBytes) {
  EXPECT_EQ(cWPersistencyAdapter::SchemeFromSignature(""), esANSI);
  EXPECT_EQ(cWPersistencyAdapter::SchemeFromSignature(Bytes({0xEF, 0xBB})), esANSI);
  EXPECT_EQ(cWPersistencyAdapter::SchemeFromSignature(Bytes({0xEF, 0xBB, 0xBF})), esUTF8);
  EXPECT_EQ(cWPersistencyAdapter::SchemeFromSignature(Bytes({0xFF})), esANSI);
  EXPECT_EQ(cWPersistencyAdapter::SchemeFromSignature(Bytes({0xFF, 0xFE, 0x00, 0x00})), esUTF16LE);
  EXPECT_EQ(cWPersistencyAdapter::SchemeFromSignature(Bytes({0xFE, 0xFF, 0x41})), esUTF16BE);
  EXPECT_EQ(cWPersistencyAdapter::SchemeFromSignature(Bytes({0xFE, 0xFE})), esANSI);
  EXPECT_EQ(cWPersistencyAdapter::SignatureLength(esUTF8), 3u);
  EXPECT_EQ(cWPersistencyAdapter::SignatureLength(esUTF16LE), 2u);
  EXPECT_EQ(cWPersistencyAdapter::SignatureLength(esUTF16BE), 2u);
  EXPECT_EQ(cWPersistencyAdapter::SignatureLength(esANSI), 0u);
}

// Without a mark, well-formed UTF-8 with at least one multi-byte sequence is UTF-8; anything
// else stays ANSI.
TEST(Persistency, FilesWithoutAMarkAreUtf8OnlyWhenTheyCanBe) {
  const std::pair<std::string, tDecoded> cases[] = {
      {"caf\xC3\xA9", {esUTF8, L"caf\u00E9"}},
      {"\xF0\x9F\x98\x80\r\n\xE2\x82\xAC", {esUTF8, L"\U0001F600\r\n\u20AC"}},
      {"plain ASCII", {esANSI, L"plain ASCII"}},
      {"caf\xE9", {esANSI, L"caf\u00E9"}},
      {"caf\xC3\xA9 \xE9", {esANSI, L"caf\u00C3\u00A9 \u00E9"}},
      {"a\xC3", {esANSI, L"a\u00C3"}},                        // cut at the end
      {"\xC0\xAF", {esANSI, L"\u00C0\u00AF"}},               // overlong
      {"\xED\xA0\x80", {esANSI, L"\u00ED\u00A0\u20AC"}},   // an encoded surrogate
  };
  for (const auto& [bytes, decoded] : cases) {
    EXPECT_EQ(Decoded(bytes), decoded) << ::testing::PrintToString(bytes);
    EXPECT_EQ(cWPersistencyAdapter::DetectEncoding(bytes), decoded.Scheme);
  }
}

TEST(Persistency, ShortAndOddFilesDecode) {
  EXPECT_EQ(Decoded(""), (tDecoded{esANSI, L""}));
  EXPECT_EQ(Decoded("\xE9"), (tDecoded{esANSI, L"\u00E9"}));
  EXPECT_EQ(Decoded(Bytes({0xEF, 0xBB})), (tDecoded{esANSI, L"\u00EF\u00BB"}));
  EXPECT_EQ(Decoded(Bytes({0xEF, 0xBB, 0xBF})), (tDecoded{esUTF8, L""}));
  // An odd last byte of UTF-16 is dropped.
  EXPECT_EQ(Decoded(Bytes({0xFF, 0xFE, 0x41, 0x00, 0x42})), (tDecoded{esUTF16LE, L"A"}));
  EXPECT_EQ(Decoded(Bytes({0xFE, 0xFF, 0x04, 0x1F, 0x00})), (tDecoded{esUTF16BE, L"\u041F"}));
  EXPECT_EQ(Decoded(Bytes({0xFF, 0xFE, 0x00, 0x00, 0x41, 0x00})), (tDecoded{esUTF16LE, std::wstring(L"\0A", 2)}));
  // ANSI text that happens to start with the UTF-8 mark is taken for UTF-8.
  EXPECT_EQ(Decoded(Bytes({0xEF, 0xBB, 0xBF, 'a', 'b'})), (tDecoded{esUTF8, L"ab"}));
}

TEST(Persistency, Utf8WorksByCodePoint) {
  EXPECT_EQ(Decoded("\xEF\xBB\xBF\xF0\x9F\x98\x80" "a").Text, L"\U0001F600a");
  EXPECT_EQ(Decoded("\xEF\xBB\xBF\xF4\x8F\xBF\xBF").Text, L"\U0010FFFF");
  EXPECT_EQ(Decoded("\xEF\xBB\xBF\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBF").Text, L"\u00E9\u20AC\uFFFF");
  EXPECT_EQ(cWPersistencyAdapter::Encode(L"\U0001F600", esUTF8), "\xEF\xBB\xBF\xF0\x9F\x98\x80");
  EXPECT_EQ(cWPersistencyAdapter::Encode(L"\u00E9\u20AC\uFFFF\U0010FFFF", esUTF8),
            "\xEF\xBB\xBF\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBF\xF4\x8F\xBF\xBF");
  // A surrogate without its partner has no UTF-8 form.
  EXPECT_EQ(cWPersistencyAdapter::Encode(L"a\xD83D" L"b\xDE00", esUTF8), "\xEF\xBB\xBF" "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}

TEST(Persistency, MalformedUtf8GivesOneReplacementPerByte) {
  const auto text = [](std::string_view payload) { return Decoded("\xEF\xBB\xBF" + std::string(payload)).Text; };
  EXPECT_EQ(text("\x80" "a"), L"\uFFFDa");
  EXPECT_EQ(text("a\xE2\x82"), L"a\uFFFD\uFFFD");                // ends inside a sequence
  EXPECT_EQ(text("\xE2\x82" "a\xE2\x82\xAC"), L"\uFFFD\uFFFDa\u20AC");  // cut short, then whole
  EXPECT_EQ(text("\xC0\xAF"), L"\uFFFD\uFFFD");                  // overlong
  EXPECT_EQ(text("\xE0\x80\xAF"), L"\uFFFD\uFFFD\uFFFD");        // overlong
  EXPECT_EQ(text("\xED\xA0\xBD"), L"\uFFFD\uFFFD\uFFFD");        // an encoded surrogate
  EXPECT_EQ(text("\xF4\x90\x80\x80"), L"\uFFFD\uFFFD\uFFFD\uFFFD");  // above U+10FFFF
  EXPECT_EQ(text("\xFF\xFE"), L"\uFFFD\uFFFD");
}

TEST(Persistency, EncodingWritesMarkThenText) {
  EXPECT_EQ(cWPersistencyAdapter::Encode(L"", esUTF8), Bytes({0xEF, 0xBB, 0xBF}));
  EXPECT_EQ(cWPersistencyAdapter::Encode(L"", esUTF16LE), Bytes({0xFF, 0xFE}));
  EXPECT_EQ(cWPersistencyAdapter::Encode(L"", esUTF16BE), Bytes({0xFE, 0xFF}));
  EXPECT_EQ(cWPersistencyAdapter::Encode(L"", esANSI), "");
  EXPECT_EQ(cWPersistencyAdapter::Encode(L"abc", esUTF8), "\xEF\xBB\xBF" "abc");
  EXPECT_EQ(cWPersistencyAdapter::Encode(L"abc", esUTF16BE), Bytes({0xFE, 0xFF, 0, 'a', 0, 'b', 0, 'c'}));
  EXPECT_EQ(cWPersistencyAdapter::Encode(L"a\u20AC", esUTF16LE), Bytes({0xFF, 0xFE, 'a', 0, 0xAC, 0x20}));
  EXPECT_EQ(cWPersistencyAdapter::Encode(L"caf\u00E9 \u20AC\r\n\u041F", esANSI), "caf\xE9 \x80\r\n?");
}

TEST(Persistency, EverySchemeRoundTripsThroughAFile) {
  const cTempDir dir;
  const std::wstring unicode = L"a\r\nb\nc\r" + kForeign + std::wstring(L"\0z\r\n", 4);
  const std::wstring ansi = L"caf\u00E9 \u20AC\r\nna\u00EFve\nx\r";
  for (const tEncodingScheme scheme : {esUTF8, esUTF16LE, esUTF16BE, esANSI}) {
    SCOPED_TRACE(int(scheme));
    const std::wstring& text = scheme == esANSI ? ansi : unicode;
    const fs::path file = dir.Path() / ("round" + std::to_string(int(scheme)) + ".txt");
    cWPersistencyAdapter::SaveToFile(cTextHolder(text), scheme, file.wstring());
    EXPECT_EQ(ReadBytes(file), cWPersistencyAdapter::Encode(text, scheme));
    std::wstring shown = text;
    const std::size_t nuls = cWPersistencyAdapter::ReplaceNuls(shown);
    EXPECT_EQ(Loaded(file), (tDecoded{scheme, shown, nuls}));
  }
}

// An edit control ends its text at the first NUL: each one becomes a visible stand-in instead.
TEST(Persistency, NulsLoadAsAStandIn) {
  std::wstring text(L"\0a\0\0b\0", 6);
  EXPECT_EQ(cWPersistencyAdapter::ReplaceNuls(text), 4u);
  EXPECT_EQ(text, L"\u2400a\u2400\u2400b\u2400");
  text = L"none";
  EXPECT_EQ(cWPersistencyAdapter::ReplaceNuls(text), 0u);
  EXPECT_EQ(text, L"none");

  const cTempDir dir;
  EXPECT_EQ(Loaded(dir.WriteFile(L"ansi.txt", std::string("\0a\xE9\0", 4))),
            (tDecoded{esANSI, L"\u2400a\u00E9\u2400", 2}));
  EXPECT_EQ(Loaded(dir.WriteFile(L"utf8.txt", std::string("\xEF\xBB\xBF" "a\0b", 6))),
            (tDecoded{esUTF8, L"a\u2400b", 1}));
  EXPECT_EQ(Loaded(dir.WriteFile(L"le.txt", std::string("\xFF\xFE\0\0a\0", 6))), (tDecoded{esUTF16LE, L"\u2400a", 1}));
  // A unit with one zero byte is no NUL.
  EXPECT_EQ(Loaded(dir.WriteFile(L"be.txt", std::string("\xFE\xFF\0a\0\0\x24\0", 8))),
            (tDecoded{esUTF16BE, L"a\u2400\u2400", 1}));
}

// Files made by Python and iconv (tools/make-text-fixtures.sh), copied beside the executable.
TEST(Persistency, FilesOfOtherProgramsLoad) {
  const fs::path data = fs::path(TestExeDir()) / L"data" / L"text";
  EXPECT_EQ(Loaded(data / L"utf8-bom-crlf.txt"),
            (tDecoded{esUTF8, L"Gr\u00FC\u00DFe, \u043C\u0438\u0440\r\nzweite Zeile\r\n"}));
  EXPECT_EQ(Loaded(data / L"utf8-nobom-lf.txt"), (tDecoded{esUTF8, L"caf\u00E9\nna\u00EFve\n"}));
  EXPECT_EQ(Loaded(data / L"utf8-bom-emoji.txt"), (tDecoded{esUTF8, L"smile \U0001F600 end\n"}));
  EXPECT_EQ(Loaded(data / L"utf16le-bom-emoji.txt"), (tDecoded{esUTF16LE, L"smile \U0001F600 end\n"}));
  EXPECT_EQ(Loaded(data / L"utf16le-bom-cr.txt"), (tDecoded{esUTF16LE, L"line one\rline two\r\u20AC 5"}));
  EXPECT_EQ(Loaded(data / L"utf16be-bom-mixed.txt"), (tDecoded{esUTF16BE, L"alpha\nbeta\r\ngamma\r\u03A9"}));
  EXPECT_EQ(Loaded(data / L"ansi1252-crlf.txt"),
            (tDecoded{esANSI, L"caf\u00E9 \u2013 \u20AC10\r\nna\u00EFve\r\n"}));

  // Saved again in their own scheme, they come out byte for byte.
  const cTempDir dir;
  for (const wchar_t* name : {L"utf8-bom-crlf.txt", L"utf8-bom-emoji.txt", L"utf16le-bom-emoji.txt",
                              L"utf16le-bom-cr.txt", L"utf16be-bom-mixed.txt", L"ansi1252-crlf.txt"}) {
    SCOPED_TRACE(fs::path(name).string());
    const tDecoded original = Loaded(data / name);
    cWPersistencyAdapter::SaveToFile(cTextHolder(original.Text), original.Scheme, (dir.Path() / name).wstring());
    EXPECT_EQ(ReadBytes(dir.Path() / name), ReadBytes(data / name));
  }
}

TEST(Persistency, AnsiLossIsTheRoundTrip) {
  EXPECT_FALSE(cWPersistencyAdapter::IsAnsiLossy(L""));
  EXPECT_FALSE(cWPersistencyAdapter::IsAnsiLossy(L"plain ASCII\r\n\t~"));
  EXPECT_FALSE(cWPersistencyAdapter::IsAnsiLossy(L"caf\u00E9 \u20AC \u2013"));
  EXPECT_TRUE(cWPersistencyAdapter::IsAnsiLossy(L"\u041F"));
  EXPECT_TRUE(cWPersistencyAdapter::IsAnsiLossy(L"x\U0001F600"));
  // A best-fit mapping (A with macron to A) is a loss too.
  EXPECT_TRUE(cWPersistencyAdapter::IsAnsiLossy(L"\u0100"));
}

TEST(Persistency, AnsiSaveAsksOnlyWhenTextIsLost) {
  {
    cMessageRecorder answer(IDCANCEL);
    EXPECT_TRUE(cWPersistencyAdapter::ConfirmAnsiSave(nullptr, L"a.txt", L"caf\u00E9", L" Marvesk"));
    EXPECT_TRUE(answer.boxes.empty());
  }
  const cTestHost host;
  for (const int button : {IDOK, IDCANCEL}) {
    cMessageRecorder answer(button);
    EXPECT_EQ(cWPersistencyAdapter::ConfirmAnsiSave(host.Handle(), L"..\\x.txt", kForeign, L" Marvesk"),
              button == IDOK);
    ASSERT_EQ(answer.boxes.size(), 1u);
    EXPECT_EQ(Shown(answer.boxes[0]), (tShownBox{host.Handle(), AnsiWarning(L"..\\x.txt"), L" Marvesk",
                                                 MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2}));
  }
}

// Run against both windows a memo can have: the edit control and the text view.
class PersistentMemoTest : public ::testing::TestWithParam<tMemoWindow> {
protected:
  void SetUp() override { host.Hold(memo); }

  cTestHost host;
  cWPersistentMemo memo{GetParam()};
  cTempDir dir;
};

TEST_P(PersistentMemoTest, CancelledAnsiSaveLeavesTheFile) {
  const std::string old = "old contents\r\n";
  const fs::path file = dir.WriteFile(L"keep.txt", old);
  memo.SetWText(kForeign);
  {
    cMessageRecorder answer(IDCANCEL);
    EXPECT_FALSE(memo.ConfirmAnsiSave(host.Handle(), file.wstring(), L" Marvesk"));
    EXPECT_EQ(answer.boxes.size(), 1u);
  }
  EXPECT_EQ(ReadBytes(file), old);
  {
    cMessageRecorder answer(IDOK);
    ASSERT_TRUE(memo.ConfirmAnsiSave(host.Handle(), file.wstring(), L" Marvesk"));
    memo.SaveToFile(file.wstring(), esANSI);
  }
  EXPECT_EQ(ReadBytes(file), "?????? ?? ??");
}

TEST_P(PersistentMemoTest, LoadsAndSavesItsText) {
  const std::wstring text = L"first\r\n" + kForeign + L"\r\nlast";
  memo.SetWText(text);
  const fs::path file = dir.Path() / L"memo.txt";
  memo.SaveToFile(file.wstring(), esUTF16BE);
  memo.SetWText(L"");
  EXPECT_EQ(memo.LoadFromFile(file.wstring()).Scheme, esUTF16BE);
  EXPECT_EQ(memo.WText(), text);

  // A NUL no longer cuts the text short, and a save writes its stand-in.
  dir.WriteFile(L"memo.txt", std::string("a\0b\0", 4));
  const tLoadedFile loaded = memo.LoadFromFile(file.wstring());
  EXPECT_EQ(loaded.Scheme, esANSI);
  EXPECT_EQ(loaded.ReplacedNuls, 2u);
  EXPECT_EQ(memo.WText(), L"a\u2400b\u2400");
  memo.SaveToFile(file.wstring(), esUTF8);
  EXPECT_EQ(ReadBytes(file), "\xEF\xBB\xBF" "a\xE2\x90\x80" "b\xE2\x90\x80");
}

// The view's text is saved a stretch at a time: a pair of surrogates across a stretch's edge, and
// every scheme, give the bytes of the whole text.
TEST_P(PersistentMemoTest, LongTextsSaveWhole) {
  std::wstring text(0x10000 - 1, L'a');
  text += L"\U0001F600" + std::wstring(0x10000, L'b') + L"\r\nend";
  memo.SetWText(text);
  const fs::path file = dir.Path() / L"long.txt";
  for (tEncodingScheme scheme : {esUTF8, esUTF16LE, esUTF16BE}) {
    memo.SaveToFile(file.wstring(), scheme);
    EXPECT_EQ(ReadBytes(file), cWPersistencyAdapter::Encode(text, scheme)) << scheme;
  }
}

// A log that another program holds open for writing loads, and loads again as it grows.
TEST_P(PersistentMemoTest, LoadsAFileThatAnotherProgramWrites) {
  const fs::path file = dir.Path() / L"log.txt";
  const gui::cKernelHandle writer(::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(writer);
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(writer.get(), "one\r\n", 5, &written, nullptr));
  EXPECT_EQ(memo.LoadFromFile(file.wstring()).Scheme, esANSI);
  EXPECT_EQ(memo.WText(), L"one\r\n");
  ASSERT_TRUE(::WriteFile(writer.get(), "two\r\n", 5, &written, nullptr));
  memo.LoadFromFile(file.wstring());
  EXPECT_EQ(memo.WText(), L"one\r\ntwo\r\n");
}

TEST_P(PersistentMemoTest, FailedLoadKeepsThePane) {
  memo.SetWText(L"kept");
  const fs::path missing = dir.Path() / L"missing.txt";
  EXPECT_EQ(ErrorMessage<cFileReadError>([&] { memo.LoadFromFile(missing.wstring()); }).rfind(
                L"Cannot open file \"" + missing.wstring() + L"\". ", 0),
            0u);
  // A file another program holds without sharing cannot be read.
  const fs::path locked = dir.WriteFile(L"locked.txt", "other");
  const gui::cKernelHandle lock(
      ::CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(lock);
  EXPECT_NE(ErrorMessage<cFileReadError>([&] { memo.LoadFromFile(locked.wstring()); }), L"(no error)");
  EXPECT_EQ(memo.WText(), L"kept");
}

INSTANTIATE_TEST_SUITE_P(Windows, PersistentMemoTest, ::testing::Values(mwSystemEdit, mwTextView), MemoWindowName);

// MoveFileExW with MOVEFILE_REPLACE_EXISTING puts the new file in place under Wine 8, whether or
// not the target exists; ReplaceFileW there fails with ERROR_FILE_NOT_FOUND for a new target.
// Wine also lets both replace a read-only target, so the read-only mark is checked first.
class FailedSaveTest : public ::testing::Test {
protected:
  // Saves over the file and answers the error's message; the file and its folder must be as
  // they were.
  std::wstring SaveFails(const fs::path& file, tEncodingScheme scheme = esUTF8, UINT ansiCodePage = CP_ACP) {
    const std::set<fs::path> before = FilesIn(file.parent_path());
    const std::string old = fs::exists(file) ? ReadBytes(file) : std::string();
    const std::wstring message = ErrorMessage<cFileWriteError>([&] {
      cWPersistencyAdapter::SaveToFile(cTextHolder(L"new text"), scheme, file.wstring(), ansiCodePage);
    });
    EXPECT_EQ(FilesIn(file.parent_path()), before);
    if (fs::exists(file)) {
      EXPECT_EQ(ReadBytes(file), old);
    }
    return message;
  }

  cTempDir dir;
};

TEST_F(FailedSaveTest, MissingFolder) {
  const fs::path file = dir.Path() / L"no such folder" / L"a.txt";
  const std::wstring message = ErrorMessage<cFileWriteError>(
      [&] { cWPersistencyAdapter::SaveToFile(cTextHolder(L"x"), esUTF8, file.wstring()); });
  const std::wstring prefix = L"Cannot create file \"" + file.wstring() + L"\". ";
  EXPECT_EQ(message.rfind(prefix, 0), 0u) << ::testing::PrintToString(message);
  EXPECT_GT(message.size(), prefix.size());
  EXPECT_TRUE(FilesIn(dir.Path()).empty());
}

TEST_F(FailedSaveTest, ReadOnlyTarget) {
  const fs::path file = dir.WriteFile(L"ro.txt", "read only\n");
  ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(SaveFails(file).rfind(L"Cannot create file \"" + file.wstring() + L"\". ", 0), 0u);
  ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FailedSaveTest, FolderInTheWay) {
  const fs::path folder = dir.Path() / L"folder.txt";
  fs::create_directory(folder);
  EXPECT_EQ(SaveFails(folder).rfind(L"Cannot create file \"", 0), 0u);
}

// Another program reads the file and shares writing but not deleting: the new text is written
// in full, yet cannot take the file's place.
TEST_F(FailedSaveTest, TargetThatCannotBeReplaced) {
  const fs::path file = dir.WriteFile(L"open.txt", "held open\n");
  {
    const gui::cKernelHandle reader(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                  nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader);
    // Wine 8 says ERROR_SHARING_VIOLATION; the message gives the system's text for it.
    const std::wstring message = SaveFails(file);
    const std::wstring prefix = L"Cannot save file \"" + file.wstring() + L"\". ";
    EXPECT_EQ(message.rfind(prefix, 0), 0u) << ::testing::PrintToString(message);
    EXPECT_GT(message.size(), prefix.size());
  }
  cWPersistencyAdapter::SaveToFile(cTextHolder(L"new"), esUTF8, file.wstring());
  EXPECT_EQ(ReadBytes(file), "\xEF\xBB\xBFnew");
  EXPECT_EQ(FilesIn(dir.Path()), std::set<fs::path>{L"open.txt"});
}

// A text the code page conversion fails on is never written as nothing: the old file stays.
TEST_F(FailedSaveTest, ConversionThatFails) {
  const fs::path file = dir.WriteFile(L"kept.txt", "old\r\n");
  EXPECT_EQ(SaveFails(file, esANSI, 12345),
            L"Cannot save file \"" + file.wstring() + L"\". The text cannot be converted with code page 12345. " +
                cSystemResources::SystemErrorTextW(ERROR_INVALID_PARAMETER));
}

// Where Windows makes UTF-8 the ANSI code page, ANSI files are UTF-8 without a mark: only a lone
// surrogate is lost (as U+FFFD), and the loss warning says so.
TEST(Persistency, AnsiAs65001IsUtf8WithoutAMark) {
  EXPECT_EQ(cWPersistencyAdapter::Encode(kForeign, esANSI, CP_UTF8),
            cWPersistencyAdapter::Encode(kForeign, esUTF8).substr(3));
  EXPECT_FALSE(cWPersistencyAdapter::IsAnsiLossy(kForeign, CP_UTF8));
  const std::wstring lone{L'a', L'\xD800'};
  EXPECT_TRUE(cWPersistencyAdapter::IsAnsiLossy(lone, CP_UTF8));
  EXPECT_EQ(cWPersistencyAdapter::Encode(lone, esANSI, CP_UTF8), "a\xEF\xBF\xBD");
  std::wstring text;
  EXPECT_EQ(cWPersistencyAdapter::Decode("a\xC3", text, CP_UTF8), esANSI);
  EXPECT_EQ(text, L"a\uFFFD");
}

// Saving over a file changes its contents, not what the file system holds about it. Wine 8's
// ReplaceFileW is a rename that keeps nothing of the old file: the file index is the new file's
// and a hard link to the old one keeps the old text, so only the attributes are checked here
// (which the save carries over itself).
TEST(Persistency, SavingOverAFileKeepsItsAttributes) {
  const cTempDir dir;
  const fs::path file = dir.WriteFile(L"kept.txt", "old\r\n");
  ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  cWPersistencyAdapter::SaveToFile(cTextHolder(L"new"), esUTF8, file.wstring());
  EXPECT_EQ(ReadBytes(file), "\xEF\xBB\xBFnew");
  EXPECT_EQ(::GetFileAttributesW(file.c_str()), DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(FilesIn(dir.Path()), std::set<fs::path>{L"kept.txt"});
}

TEST(Persistency, FileNamesOutsideTheAnsiCodePage) {
  const cTempDir dir;
  const fs::path file = dir.Path() / L"\u0424\u0430\u0439\u043B \u6587\u4EF6.txt";
  cWPersistencyAdapter::SaveToFile(cTextHolder(kForeign), esUTF8, file.wstring());
  EXPECT_EQ(FilesIn(dir.Path()), std::set<fs::path>{file.filename()});
  EXPECT_EQ(Loaded(file), (tDecoded{esUTF8, kForeign}));
  // Saving again replaces it.
  cWPersistencyAdapter::SaveToFile(cTextHolder(L"second"), esUTF16LE, file.wstring());
  EXPECT_EQ(Loaded(file), (tDecoded{esUTF16LE, L"second"}));
  EXPECT_EQ(FilesIn(dir.Path()).size(), 1u);
}

// GetTempFileNameW refuses folders longer than MAX_PATH - 14; the save names its file itself.
TEST(Persistency, SavesIntoLongFolders) {
  const cTempDir dir;
  for (const std::size_t length : {std::size_t(MAX_PATH - 13), std::size_t(MAX_PATH), std::size_t(400)}) {
    // Folders of at most 200 characters each, made through the long-path prefix.
    std::wstring folder = dir.Path().wstring();
    while (folder.size() < length) {
      folder += L'\\' + std::wstring(std::min<std::size_t>(200, length - folder.size() - 1), L'f');
      ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr) || fs::exists(folder));
    }
    SCOPED_TRACE(folder.size());
    const std::wstring file = folder + L"\\saved.txt";
    for (const tEncodingScheme scheme : {esUTF16LE, esANSI}) {
      cWPersistencyAdapter::SaveToFile(cTextHolder(L"caf\u00E9"), scheme, file);
      EXPECT_EQ(Loaded(file), (tDecoded{scheme, L"caf\u00E9"}));
    }
    EXPECT_EQ(NamesInLongFolder(folder), std::set<std::wstring>{L"saved.txt"});
  }
}

TEST(Persistency, BigFilesLoadQuickly) {
  std::wstring line = L"0123456789 abcdefghij \u00E9\u20AC\u041F\u4E2D \U0001F600\r\n";
  std::wstring text;
  while (text.size() < 8500 * 1000) text += line;
  const cTempDir dir;
  for (const tEncodingScheme scheme : {esUTF8, esUTF16BE}) {
    SCOPED_TRACE(int(scheme));
    const fs::path file = dir.Path() / L"big.txt";
    cWPersistencyAdapter::SaveToFile(cTextHolder(text), scheme, file.wstring());
    ASSERT_GT(fs::file_size(file), 10u * 1000 * 1000);
    const auto start = std::chrono::steady_clock::now();
    const tDecoded loaded = Loaded(file);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(loaded == (tDecoded{scheme, text}));
    EXPECT_LT(elapsed, std::chrono::seconds(2));
  }
}
