#pragma once
// The version information of a program file: the fixed version numbers and the six version
// strings of its first translation, read through the wide version API, so that a program in a
// folder whose name is outside the ANSI code page reads its own.
#include <array>
#include <cstdint>
#include <string>

// The version strings, in the order they are read. The key of each in the version resource is
// the member's name without the "svm" prefix.
enum tVersionStringMember : std::uint8_t {
  svmCompanyName,
  svmFileDescription,
  svmInternalName,
  svmLegalCopyright,
  svmOriginalFilename,
  svmProductName
};
inline constexpr std::size_t VersionStringMemberCount = svmProductName + 1;

struct tVersionInformation {
  std::int32_t FileMajor = 0;
  std::int32_t FileMinor = 0;
  std::int32_t FileRelease = 0;
  std::int32_t FileBuild = 0;
  std::int32_t ProductMajor = 0;
  std::int32_t ProductMinor = 0;
  std::int32_t ProductRelease = 0;
  std::int32_t ProductBuild = 0;
  // Indexed by tVersionStringMember.
  std::array<std::wstring, VersionStringMemberCount> Strings;
};

class cVersionInformation {
public:
  cVersionInformation() = delete;

  // Reads the version information of the file into info, which starts empty. Answers whether
  // every part was read; on a partial read the strings read before the failure stay filled.
  static bool GetFileVersionInformation(const std::wstring& fileName, tVersionInformation& info);
  // The same for the running program's own file.
  static bool GetVersionInformation(tVersionInformation& info);
};

// The product name of a file's version information, taken only from a complete read; empty
// otherwise.
std::wstring ReadProductName(const std::wstring& fileName);

// The running program's product name, read once; every caption and message box title shows it.
const std::wstring& ProductName();
