#include "session/EditorCommand.h"

#include <windows.h>

#include <algorithm>
#include <array>

#include "session/Places.h"
#include "text/Utils.h"

namespace {

// A folder the system names through a call that takes a buffer and its size.
template <class Call>
std::wstring SystemPath(Call call) {
  std::wstring folder(MAX_PATH, L'\0');
  for (;;) {
    const UINT length = call(folder.data(), static_cast<UINT>(folder.size()));
    if (length == 0) return {};
    if (length < folder.size()) {
      folder.resize(length);
      return folder;
    }
    folder.resize(length);
  }
}

bool IsSlash(wchar_t c) noexcept { return c == L'\\' || c == L'/'; }

bool HasExtension(std::wstring_view name) {
  const size_t dot = name.rfind(L'.');
  return dot != std::wstring_view::npos && name.find_first_of(L"\\/", dot) == std::wstring_view::npos;
}

// The program with each extension a bare name may have; the name alone when it has one.
std::wstring FindWithExtensions(const std::wstring& base) {
  if (HasExtension(base)) return FileExists(base) ? base : std::wstring();
  static constexpr std::array<std::wstring_view, 4> kExtensions{L".com", L".exe", L".bat", L".cmd"};
  for (std::wstring_view extension : kExtensions) {
    std::wstring candidate = base + std::wstring(extension);
    if (FileExists(candidate)) return candidate;
  }
  return {};
}

bool IsBatchFile(std::wstring_view program) {
  const std::wstring upper = cStringUtils::UpperCaseAscii(program);
  return upper.ends_with(L".BAT") || upper.ends_with(L".CMD");
}

}  // namespace

std::wstring SystemFolder() {
  return SystemPath([](wchar_t* buffer, UINT size) { return ::GetSystemDirectoryW(buffer, size); });
}

std::optional<std::wstring> ExpandEditorCommand(std::wstring_view command, std::wstring_view path, int line,
                                                int column) {
  if (path.empty() || path.back() == L'\\' ||
      std::any_of(path.begin(), path.end(), [](wchar_t c) { return c == L'"' || c < 0x20; }))
    return std::nullopt;
  std::wstring result;
  bool quoted = false;
  for (size_t i = 0; i < command.size(); ++i) {
    const wchar_t c = command[i];
    if (c == L'"') quoted = !quoted;
    if (c != L'%' || i + 1 == command.size()) {
      result += c;
      continue;
    }
    switch (command[++i]) {
      case L'f':
      case L'F':
        if (quoted) result += path;
        else result += L'"' + std::wstring(path) + L'"';
        break;
      case L'l':
      case L'L':
        result += std::to_wstring(line);
        break;
      case L'c':
      case L'C':
        result += std::to_wstring(column);
        break;
      case L'%':
        result += L'%';
        break;
      default:
        // Not one of ours: it stays as written.
        result += c;
        --i;
    }
  }
  return result;
}

std::wstring ProgramSearchPath() {
  std::wstring path = SystemFolder() + L';' +
                      SystemPath([](wchar_t* buffer, UINT size) { return ::GetWindowsDirectoryW(buffer, size); });
  const DWORD size = ::GetEnvironmentVariableW(L"PATH", nullptr, 0);
  if (size > 1) {
    std::wstring variable(size, L'\0');
    variable.resize(::GetEnvironmentVariableW(L"PATH", variable.data(), size));
    path += L';' + variable;
  }
  return path;
}

std::wstring FindProgram(std::wstring_view name, std::wstring_view searchPath) {
  if (name.empty()) return {};
  if (name.find_first_of(L"\\/:") != std::wstring_view::npos)
    return FindWithExtensions(AbsolutePlacePath(name, {}));
  std::vector<std::wstring> folders;
  cStringParser::Split(searchPath, L";", tSplitOptions{}, folders);
  for (std::wstring folder : folders) {
    std::erase(folder, L'"');
    // Only an absolute folder: "." or a relative one would be the current folder again.
    if (folder.size() < 3 || folder[1] != L':' || !IsSlash(folder[2])) continue;
    if (!IsSlash(folder.back())) folder += L'\\';
    if (std::wstring found = FindWithExtensions(folder + std::wstring(name)); !found.empty()) return found;
  }
  return {};
}

std::optional<tProgramLaunch> EditorLaunch(std::wstring_view command, std::wstring_view path, int line, int column,
                                           std::wstring_view searchPath) {
  const std::optional<std::wstring> expanded = ExpandEditorCommand(command, path, line, column);
  if (!expanded) return std::nullopt;
  const std::wstring_view text = *expanded;
  size_t start = 0;
  while (start < text.size() && text[start] <= L' ') ++start;
  size_t end = start;
  std::wstring name;
  if (end < text.size() && text[end] == L'"') {
    const size_t close = text.find(L'"', end + 1);
    end = close == std::wstring_view::npos ? text.size() : close + 1;
    name = text.substr(start + 1, (close == std::wstring_view::npos ? text.size() : close) - start - 1);
  } else {
    while (end < text.size() && text[end] > L' ') ++end;
    name = text.substr(start, end - start);
  }
  const std::wstring program = FindProgram(name, searchPath);
  if (program.empty()) return std::nullopt;
  if (!IsBatchFile(program)) return tProgramLaunch{program, *expanded};
  // The interpreter expands "%" even inside double quotes; in quotes nothing else is special.
  if (path.find(L'%') != std::wstring_view::npos) return std::nullopt;
  const std::wstring interpreter = SystemFolder() + L"\\cmd.exe";
  return tProgramLaunch{interpreter, L'"' + interpreter + L"\" /d /v:off /s /c \"\"" + program + L'"' +
                                         std::wstring(text.substr(end)) + L'"'};
}
