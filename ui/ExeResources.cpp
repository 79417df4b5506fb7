#include "ui/ExeResources.h"

#include <windows.h>

#include <cwchar>
#include <iterator>
#include <vector>

#include "gui/Module.h"

namespace {

// The version-resource key of each tVersionStringMember, in enumeration order.
constexpr std::array<const wchar_t*, VersionStringMemberCount> VersionStringKeys = {
    L"CompanyName", L"FileDescription", L"InternalName", L"LegalCopyright", L"OriginalFilename", L"ProductName"};

std::int32_t HighWord(DWORD value) { return static_cast<std::int32_t>(HIWORD(value)); }
std::int32_t LowWord(DWORD value) { return static_cast<std::int32_t>(LOWORD(value)); }

}  // namespace

bool cVersionInformation::GetFileVersionInformation(const std::wstring& fileName, tVersionInformation& info) {
  info = tVersionInformation{};
  if (::GetFileAttributesW(fileName.c_str()) == INVALID_FILE_ATTRIBUTES) return false;

  DWORD handle = 0;
  DWORD size = ::GetFileVersionInfoSizeW(fileName.c_str(), &handle);
  if (size == 0) return false;
  std::vector<char> block(size);
  if (!::GetFileVersionInfoW(fileName.c_str(), 0, size, block.data())) return false;

  void* value = nullptr;
  UINT valueLength = 0;
  if (!::VerQueryValueW(block.data(), L"\\", &value, &valueLength) || valueLength < sizeof(VS_FIXEDFILEINFO))
    return false;
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  info.FileMajor = HighWord(fixed->dwFileVersionMS);
  info.FileMinor = LowWord(fixed->dwFileVersionMS);
  info.FileRelease = HighWord(fixed->dwFileVersionLS);
  info.FileBuild = LowWord(fixed->dwFileVersionLS);
  info.ProductMajor = HighWord(fixed->dwProductVersionMS);
  info.ProductMinor = LowWord(fixed->dwProductVersionMS);
  info.ProductRelease = HighWord(fixed->dwProductVersionLS);
  info.ProductBuild = LowWord(fixed->dwProductVersionLS);

  if (!::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &valueLength) || valueLength < 4)
    return false;
  // A language identifier and a code page, each a 16-bit word stored low byte first.
  const auto* translation = static_cast<const unsigned char*>(value);
  wchar_t language[9];
  std::swprintf(language, std::size(language), L"%.2X%.2X%.2X%.2X", translation[1], translation[0], translation[3],
                translation[2]);

  for (std::size_t member = 0; member < VersionStringMemberCount; ++member) {
    const std::wstring key =
        std::wstring(L"\\StringFileInfo\\") + language + L"\\" + VersionStringKeys[member] + L"\\";
    if (!::VerQueryValueW(block.data(), key.c_str(), &value, &valueLength)) return false;
    info.Strings[member] = static_cast<const wchar_t*>(value);
  }
  return true;
}

bool cVersionInformation::GetVersionInformation(tVersionInformation& info) {
  return GetFileVersionInformation(gui::ProgramFileName(), info);
}

std::wstring ReadProductName(const std::wstring& fileName) {
  tVersionInformation info;
  if (!cVersionInformation::GetFileVersionInformation(fileName, info)) return {};
  return info.Strings[svmProductName];
}

const std::wstring& ProductName() {
  static const std::wstring name = ReadProductName(gui::ProgramFileName());
  return name;
}
