#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdint>
#include <filesystem>

#include "gui/Module.h"
#include "tests/support/TestSupport.h"
#include "ui/ExeResources.h"

namespace {

std::wstring TestFile(const wchar_t* name) { return TestExeDir() + L"\\" + name; }

using tNumbers = std::array<std::int32_t, 8>;
using tStrings = decltype(tVersionInformation::Strings);

// The file's four numbers, then the product's.
tNumbers Numbers(const tVersionInformation& info) {
  return {info.FileMajor,    info.FileMinor,    info.FileRelease,    info.FileBuild,
          info.ProductMajor, info.ProductMinor, info.ProductRelease, info.ProductBuild};
}

// A record with every field set, to show that a read starts from an empty one.
tVersionInformation Filled() {
  tVersionInformation info;
  info.FileMajor = info.FileMinor = info.FileRelease = info.FileBuild = 9;
  info.ProductMajor = info.ProductMinor = info.ProductRelease = info.ProductBuild = 9;
  info.Strings.fill(L"stale");
  return info;
}

// A file without a version block: the read fails and leaves the record empty.
void ExpectNoVersionInformation(const std::wstring& file) {
  tVersionInformation info = Filled();
  EXPECT_FALSE(cVersionInformation::GetFileVersionInformation(file, info)) << file;
  EXPECT_EQ(Numbers(info), tNumbers{}) << file;
  EXPECT_EQ(info.Strings, tStrings{}) << file;
}

TEST(VersionInformation, ReadsTheProgramsOwnVersionBlock) {
  tVersionInformation info = Filled();
  ASSERT_TRUE(cVersionInformation::GetVersionInformation(info));
  EXPECT_EQ(Numbers(info), (tNumbers{1, 0, 0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(info.Strings[svmProductName], L"Marvesk");
  EXPECT_EQ(info.Strings[svmOriginalFilename], L"Marvesk.exe");
  EXPECT_NE(info.Strings[svmCompanyName], L"");
  EXPECT_NE(info.Strings[svmFileDescription], L"");
  EXPECT_NE(info.Strings[svmInternalName], L"");
  EXPECT_NE(info.Strings[svmLegalCopyright], L"");
}

TEST(VersionInformation, ProductNameComesFromTheProgramsVersionBlock) {
  EXPECT_EQ(ProductName(), L"Marvesk");
  EXPECT_EQ(&ProductName(), &ProductName());
}

TEST(VersionInformation, FileWithoutVersionBlockGivesAnEmptyRecord) {
  cTempDir dir;
  const std::wstring file = dir.WriteFile(L"plain.txt", "no version here\r\n").wstring();
  ExpectNoVersionInformation(file);
  EXPECT_EQ(ReadProductName(file), L"");
  // A program without a version block: the test child has none.
  ExpectNoVersionInformation(TestChildPath());
}

TEST(VersionInformation, MissingFileGivesAnEmptyRecord) {
  cTempDir dir;
  ExpectNoVersionInformation((dir.Path() / L"absent.exe").wstring());
  ExpectNoVersionInformation(L"");
}

TEST(VersionInformation, ReadStopsAtTheFirstMissingString) {
  tVersionInformation info = Filled();
  EXPECT_FALSE(cVersionInformation::GetFileVersionInformation(TestFile(L"versionpartial.dll"), info));
  // The numbers come before the strings.
  EXPECT_EQ(Numbers(info), (tNumbers{3, 1, 4, 1, 2, 7, 1, 8}));
  EXPECT_EQ(info.Strings, (tStrings{L"Partial Company", L"Partial description", L"", L"", L"", L""}));
  // The block has a product name, but a partial read gives none.
  EXPECT_EQ(ReadProductName(TestFile(L"versionpartial.dll")), L"");
}

TEST(VersionInformation, StringsComeFromTheFirstTranslation) {
  tVersionInformation info;
  ASSERT_TRUE(cVersionInformation::GetFileVersionInformation(TestFile(L"versiontranslation.dll"), info));
  // In the order of the members: company, description, internal name, copyright, original file
  // name, product. Characters outside the ANSI code page come as they are.
  EXPECT_EQ(info.Strings, (tStrings{L"M\u00FCller und S\u00F6hne", L"First description \u041C\u4E2D", L"first",
                                    L"First copyright", L"versiontranslation.dll", L"Gr\u00FC\u00DFe"}));
  EXPECT_EQ(ReadProductName(TestFile(L"versiontranslation.dll")), L"Gr\u00FC\u00DFe");
}
// A program in a folder whose name the ANSI code page (1252 here) cannot carry reads its own
// version information by its wide name.
TEST(VersionInformation, FolderOutsideTheAnsiCodePage) {
  const cTempDir dir;
  const std::filesystem::path folder = dir.Path() / L"\u041C\u0430\u0440\u0432\u0435\u0441\u043A \u4E2D";
  std::filesystem::create_directory(folder);
  const std::filesystem::path copy = folder / L"Marvesk.exe";
  std::filesystem::copy_file(gui::ProgramFileName(), copy);
  tVersionInformation info;
  ASSERT_TRUE(cVersionInformation::GetFileVersionInformation(copy.wstring(), info));
  EXPECT_EQ(info.ProductMajor, 1);
  EXPECT_EQ(info.Strings[svmLegalCopyright], L"Copyright (C) 2026 Marvesk Project");
  EXPECT_EQ(ReadProductName(copy.wstring()), L"Marvesk");
}

TEST(VersionInformation, NumbersAreTheHalvesOfTheVersionWords) {
  tVersionInformation info;
  ASSERT_TRUE(cVersionInformation::GetFileVersionInformation(TestFile(L"versiontranslation.dll"), info));
  EXPECT_EQ(Numbers(info), (tNumbers{65535, 2, 40000, 4, 5, 65534, 7, 32768}));
}

}  // namespace
