#include "ui/ExeResources.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

// The version-resource key of each tVersionStringMember, in enumeration order.
constexpr std::array<const char*, VersionStringMemberCount> VersionStringKeys = {
    "CompanyName", "FileDescription", "InternalName", "LegalCopyright", "OriginalFilename", "ProductName"};

std::int32_t HighWord(DWORD value) { return static_cast<std::int32_t>(HIWORD(value)); }
std::int32_t LowWord(DWORD value) { return static_cast<std::int32_t>(LOWORD(value)); }

std::string OwnFileName() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return std::string(path.data(), length);
    path.resize(path.size() * 2);
  }
}

std::wstring WidenAnsi(const std::string& text) {
  if (text.empty()) return {};
  int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

}  // namespace

bool cVersionInformation::GetFileVersionInformation(const std::string& fileName, tVersionInformation& info) {
  info = tVersionInformation{};
  if (::GetFileAttributesA(fileName.c_str()) == INVALID_FILE_ATTRIBUTES) return false;

  DWORD handle = 0;
  DWORD size = ::GetFileVersionInfoSizeA(fileName.c_str(), &handle);
  if (size == 0) return false;
  std::vector<char> block(size);
  if (!::GetFileVersionInfoA(fileName.c_str(), 0, size, block.data())) return false;

  void* value = nullptr;
  UINT valueLength = 0;
  if (!::VerQueryValueA(block.data(), "\\", &value, &valueLength) || valueLength < sizeof(VS_FIXEDFILEINFO))
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

  if (!::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &valueLength) || valueLength < 4)
    return false;
  // A language identifier and a code page, each a 16-bit word stored low byte first.
  const auto* translation = static_cast<const unsigned char*>(value);
  char language[9];
  std::snprintf(language, sizeof language, "%.2X%.2X%.2X%.2X", translation[1], translation[0], translation[3],
                translation[2]);

  for (std::size_t member = 0; member < VersionStringMemberCount; ++member) {
    std::string key = std::string("\\StringFileInfo\\") + language + "\\" + VersionStringKeys[member] + "\\";
    if (!::VerQueryValueA(block.data(), key.c_str(), &value, &valueLength)) return false;
    info.Strings[member] = static_cast<const char*>(value);
  }
  return true;
}

bool cVersionInformation::GetVersionInformation(tVersionInformation& info) {
  return GetFileVersionInformation(OwnFileName(), info);
}

std::wstring ReadProductName(const std::string& fileName) {
  tVersionInformation info;
  if (!cVersionInformation::GetFileVersionInformation(fileName, info)) return {};
  return WidenAnsi(info.Strings[svmProductName]);
}

const std::wstring& ProductName() {
  static const std::wstring name = ReadProductName(OwnFileName());
  return name;
}
