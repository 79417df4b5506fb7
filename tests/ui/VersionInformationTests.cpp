#include <gtest/gtest.h>

#include <windows.h>

#include "tests/support/TestSupport.h"
#include "ui/ExeResources.h"

namespace {

std::string AnsiPath(const std::wstring& path) {
  int length = ::WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, ansi.data(), length, nullptr, nullptr);
  ansi.resize(static_cast<std::size_t>(length - 1));
  return ansi;
}

std::string TestFile(const wchar_t* name) { return AnsiPath(TestExeDir() + L"\\" + name); }

// A record with every field set, to show that a read starts from an empty one.
tVersionInformation Filled() {
  tVersionInformation info;
  info.FileMajor = info.FileMinor = info.FileRelease = info.FileBuild = 9;
  info.ProductMajor = info.ProductMinor = info.ProductRelease = info.ProductBuild = 9;
  for (std::string& text : info.Strings) text = "stale";
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
  for (const std::string& text : info.Strings) EXPECT_EQ(text, "");
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
  EXPECT_EQ(info.Strings[svmProductName], "Marvesk");
  EXPECT_EQ(info.Strings[svmOriginalFilename], "Marvesk.exe");
  EXPECT_NE(info.Strings[svmCompanyName], "");
  EXPECT_NE(info.Strings[svmFileDescription], "");
  EXPECT_NE(info.Strings[svmInternalName], "");
  EXPECT_NE(info.Strings[svmLegalCopyright], "");
}

TEST(VersionInformation, ProductNameComesFromTheProgramsVersionBlock) {
  EXPECT_EQ(ProductName(), L"Marvesk");
  EXPECT_EQ(&ProductName(), &ProductName());
}

TEST(VersionInformation, FileWithoutVersionBlockGivesAnEmptyRecord) {
  cTempDir dir;
  std::string file = AnsiPath(dir.WriteFile(L"plain.txt", "no version here\r\n").wstring());
  tVersionInformation info = Filled();
  EXPECT_FALSE(cVersionInformation::GetFileVersionInformation(file, info));
  ExpectEmpty(info);
  EXPECT_EQ(ReadProductName(file), L"");

  // A program without a version block: the test child has none.
  info = Filled();
  EXPECT_FALSE(cVersionInformation::GetFileVersionInformation(AnsiPath(TestChildPath()), info));
  ExpectEmpty(info);
}

TEST(VersionInformation, MissingFileGivesAnEmptyRecord) {
  cTempDir dir;
  tVersionInformation info = Filled();
  EXPECT_FALSE(cVersionInformation::GetFileVersionInformation(AnsiPath(dir.Path() / L"absent.exe"), info));
  ExpectEmpty(info);
  info = Filled();
  EXPECT_FALSE(cVersionInformation::GetFileVersionInformation("", info));
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
  EXPECT_EQ(info.Strings[svmCompanyName], "Partial Company");
  EXPECT_EQ(info.Strings[svmFileDescription], "Partial description");
  EXPECT_EQ(info.Strings[svmInternalName], "");
  EXPECT_EQ(info.Strings[svmLegalCopyright], "");
  EXPECT_EQ(info.Strings[svmOriginalFilename], "");
  EXPECT_EQ(info.Strings[svmProductName], "");
  // The block has a product name, but a partial read gives none.
  EXPECT_EQ(ReadProductName(TestFile(L"versionpartial.dll")), L"");
}

TEST(VersionInformation, StringsComeFromTheFirstTranslation) {
  tVersionInformation info;
  ASSERT_TRUE(cVersionInformation::GetFileVersionInformation(TestFile(L"versiontranslation.dll"), info));
  EXPECT_EQ(info.Strings[svmCompanyName], "M\xFCller und S\xF6hne");
  EXPECT_EQ(info.Strings[svmFileDescription], "First description");
  EXPECT_EQ(info.Strings[svmInternalName], "first");
  EXPECT_EQ(info.Strings[svmLegalCopyright], "First copyright");
  EXPECT_EQ(info.Strings[svmOriginalFilename], "versiontranslation.dll");
  EXPECT_EQ(info.Strings[svmProductName], "Gr\xFC\xDF" "e");
  // The product name goes through the ANSI code page both ways.
  EXPECT_EQ(ReadProductName(TestFile(L"versiontranslation.dll")), L"Gr\u00FC\u00DFe");
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
