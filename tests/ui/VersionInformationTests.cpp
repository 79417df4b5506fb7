#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

#include "gui/Module.h"
#include "tests/support/TestSupport.h"
#include "ui/ExeResources.h"

namespace {

std::wstring TestFile(const wchar_t* name) { return TestExeDir() + L"\\" + name; }

// A record with every field set, to show that a read starts from an empty one.
tVersionInformation Filled() {
  tVersionInformation info;
  info.FileMajor = info.FileMinor = info.FileRelease = info.FileBuild = 9;
  info.ProductMajor = info.ProductMinor = info.ProductRelease = info.ProductBuild = 9;
  for (std::wstring& text : info.Strings) text = L"stale";
  return info;
}

void ExpectEmpty(const tVersionInformation& info) {
  EXPECT_EQ(info.FileMajor, 0);
  EXPECT_EQ(info.FileMinor, 0);
  EXPECT_EQ(info.FileRelease, 0);
  EXPECT_EQ(info.FileBuild, 0);
  EXPECT_EQ(info.ProductMajor, 0);
  EXPECT_EQ(info.ProductMinor, 0);
  EXPECT_EQ(info.ProductRelease, 0);
  EXPECT_EQ(info.ProductBuild, 0);
  for (const std::wstring& text : info.Strings) EXPECT_EQ(text, L"");
}

TEST(VersionInformation, ReadsTheProgramsOwnVersionBlock) {
  tVersionInformation info = Filled();
  ASSERT_TRUE(cVersionInformation::GetVersionInformation(info));
  EXPECT_EQ(info.ProductMajor, 1);
  EXPECT_EQ(info.ProductMinor, 0);
  EXPECT_EQ(info.ProductRelease, 0);
  EXPECT_EQ(info.ProductBuild, 0);
  EXPECT_EQ(info.FileMajor, 1);
  EXPECT_EQ(info.FileMinor, 0);
  EXPECT_EQ(info.FileRelease, 0);
  EXPECT_EQ(info.FileBuild, 0);
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
  tVersionInformation info = Filled();
  EXPECT_FALSE(cVersionInformation::GetFileVersionInformation(file, info));
  ExpectEmpty(info);
  EXPECT_EQ(ReadProductName(file), L"");

  // A program without a version block: the test child has none.
  info = Filled();
  EXPECT_FALSE(cVersionInformation::GetFileVersionInformation(TestChildPath(), info));
  ExpectEmpty(info);
}

TEST(VersionInformation, MissingFileGivesAnEmptyRecord) {
  cTempDir dir;
  tVersionInformation info = Filled();
  EXPECT_FALSE(cVersionInformation::GetFileVersionInformation((dir.Path() / L"absent.exe").wstring(), info));
  ExpectEmpty(info);
  info = Filled();
  EXPECT_FALSE(cVersionInformation::GetFileVersionInformation(L"", info));
  ExpectEmpty(info);
}

TEST(VersionInformation, ReadStopsAtTheFirstMissingString) {
  tVersionInformation info = Filled();
  EXPECT_FALSE(cVersionInformation::GetFileVersionInformation(TestFile(L"versionpartial.dll"), info));
  // The numbers come before the strings.
  EXPECT_EQ(info.FileMajor, 3);
  EXPECT_EQ(info.FileMinor, 1);
  EXPECT_EQ(info.FileRelease, 4);
  EXPECT_EQ(info.FileBuild, 1);
  EXPECT_EQ(info.ProductMajor, 2);
  EXPECT_EQ(info.ProductMinor, 7);
  EXPECT_EQ(info.ProductRelease, 1);
  EXPECT_EQ(info.ProductBuild, 8);
  EXPECT_EQ(info.Strings[svmCompanyName], L"Partial Company");
  EXPECT_EQ(info.Strings[svmFileDescription], L"Partial description");
  EXPECT_EQ(info.Strings[svmInternalName], L"");
  EXPECT_EQ(info.Strings[svmLegalCopyright], L"");
  EXPECT_EQ(info.Strings[svmOriginalFilename], L"");
  EXPECT_EQ(info.Strings[svmProductName], L"");
  // The block has a product name, but a partial read gives none.
  EXPECT_EQ(ReadProductName(TestFile(L"versionpartial.dll")), L"");
}

TEST(VersionInformation, StringsComeFromTheFirstTranslation) {
  tVersionInformation info;
  ASSERT_TRUE(cVersionInformation::GetFileVersionInformation(TestFile(L"versiontranslation.dll"), info));
  EXPECT_EQ(info.Strings[svmCompanyName], L"M\u00FCller und S\u00F6hne");
  // Characters outside the ANSI code page come as they are.
  EXPECT_EQ(info.Strings[svmFileDescription], L"First description \u041C\u4E2D");
  EXPECT_EQ(info.Strings[svmInternalName], L"first");
  EXPECT_EQ(info.Strings[svmLegalCopyright], L"First copyright");
  EXPECT_EQ(info.Strings[svmOriginalFilename], L"versiontranslation.dll");
  EXPECT_EQ(info.Strings[svmProductName], L"Gr\u00FC\u00DFe");
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
  EXPECT_EQ(info.FileMajor, 65535);
  EXPECT_EQ(info.FileMinor, 2);
  EXPECT_EQ(info.FileRelease, 40000);
  EXPECT_EQ(info.FileBuild, 4);
  EXPECT_EQ(info.ProductMajor, 5);
  EXPECT_EQ(info.ProductMinor, 65534);
  EXPECT_EQ(info.ProductRelease, 7);
  EXPECT_EQ(info.ProductBuild, 32768);
}

}  // namespace
