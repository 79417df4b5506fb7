#include "session/EditorCommand.h"

#include <windows.h>

#include <algorithm>
#include <array>

#include "gui/ResString.h"
#include "resources/resource.h"
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

// A program that reads its command line as a command of its own, or a script that runs in one;
// names in upper case.
struct tInterpreter {
  std::wstring_view Name;  // a program's file name, or the extension of a script's
  bool PowerShell;
};
constexpr std::array<tInterpreter, 17> kInterpreters{{
    {L"CMD.EXE", false},
    {L".BAT", false},
    {L".CMD", false},
    {L"POWERSHELL.EXE", true},
    {L"PWSH.EXE", true},
    {L".PS1", true},
    {L"WSCRIPT.EXE", false},
    {L"CSCRIPT.EXE", false},
    {L".VBS", false},
    {L".VBE", false},
    {L".JS", false},
    {L".JSE", false},
    {L".WSF", false},
    {L"WSL.EXE", false},
    {L"BASH.EXE", false},
    {L"SH.EXE", false},
    {L".SH", false},
}};

// The interpreter a name stands for: a program's file name with or without ".exe", or a script's.
const tInterpreter* InterpreterNamed(std::wstring_view name) {
  const std::wstring upper = cStringUtils::UpperCaseAscii(name);
  for (const tInterpreter& interpreter : kInterpreters) {
    const std::wstring_view known = interpreter.Name;
    if (known.front() == L'.' ? upper.size() > known.size() && upper.ends_with(known)
                              : upper == known || upper + L".EXE" == known)
      return &interpreter;
  }
  return nullptr;
}

// What every interpreter may act on in a path, even between double quotes: CMD expands %NAME%,
// and !NAME! with delayed expansion; a script that passes the path on without its quotes lets
// ^ & | < > ( ) end it or start another command, as ; and ' do in PowerShell and the POSIX
// shells, which expand $ and ` too.
constexpr std::wstring_view kInterpreterHazards = L"%!^&|<>()';`$";

// What PowerShell also splits a path at: it joins the arguments of -Command (powershell.exe's
// default) into one line without their quotes, where white space separates arguments, a comma
// makes an array and braces a script block, and it reads the typographic quotes as quotes.
bool PowerShellSplits(wchar_t c) {
  return c == L' ' || c == L',' || c == L'{' || c == L'}' || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || (c >= 0x2018 && c <= 0x201E) || c == 0x2028 || c == 0x2029 ||
         c == 0x202F || c == 0x205F || c == 0x3000;
}

// The interpreters a command reaches: the program found, and every name in the command, so that
// one started through another program ("conhost.exe cmd /c ...") counts too. A name ends at a
// blank, a double quote or a slash.
struct tReached {
  std::wstring Name;  // the first one's, as the command names it
  bool PowerShell = false;
};
std::optional<tReached> InterpretersReached(std::wstring_view command, std::wstring_view program) {
  std::optional<tReached> reached;
  auto reach = [&](std::wstring_view name) {
    const tInterpreter* interpreter = InterpreterNamed(name);
    if (!interpreter) return;
    if (!reached) reached = tReached{std::wstring(name)};
    reached->PowerShell = reached->PowerShell || interpreter->PowerShell;
  };
  reach(program.substr(program.find_last_of(L"\\/") + 1));
  for (size_t start = 0; start < command.size();) {
    size_t end = start;
    while (end < command.size() && command[end] > L' ' && command[end] != L'"' && command[end] != L'\\' &&
           command[end] != L'/')
      ++end;
    reach(command.substr(start, end - start));
    start = end + 1;
  }
  return reached;
}

// The characters of the path that the interpreters could act on, each once, as the user reads
// them: one that does not show (a blank) as its code point.
std::wstring Hazards(std::wstring_view path, const tReached& reached) {
  static constexpr std::wstring_view kHex = L"0123456789ABCDEF";
  std::wstring found, shown;
  for (wchar_t c : path) {
    if (found.find(c) != std::wstring::npos) continue;
    if (kInterpreterHazards.find(c) == std::wstring_view::npos && !(reached.PowerShell && PowerShellSplits(c)))
      continue;
    found += c;
    if (!shown.empty()) shown += L' ';
    if (c > L' ' && c < 0x7F) {
      shown += c;
      continue;
    }
    shown += L"U+";
    for (int shift = 12; shift >= 0; shift -= 4) shown += kHex[(c >> shift) & 0xF];
  }
  return shown;
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

tEditorLaunch EditorLaunch(std::wstring_view command, std::wstring_view path, int line, int column,
                           std::wstring_view searchPath) {
  const std::optional<std::wstring> expanded = ExpandEditorCommand(command, path, line, column);
  if (!expanded) return {std::nullopt, gui::FormatRes(IDS_EDITOR_NOT_ONE_ARGUMENT, {command, path})};
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
  if (program.empty()) return {std::nullopt, gui::FormatRes(IDS_EDITOR_NOT_FOUND, {name, command, path})};
  if (const std::optional<tReached> reached = InterpretersReached(command, program)) {
    if (const std::wstring hazards = Hazards(path, *reached); !hazards.empty())
      return {std::nullopt, gui::FormatRes(IDS_EDITOR_INTERPRETER, {reached->Name, hazards, command, path})};
  }
  if (!IsBatchFile(program)) return {tProgramLaunch{program, *expanded}, {}};
  // A batch file runs in the system's interpreter, which is told to take the rest as it stands.
  const std::wstring interpreter = SystemFolder() + L"\\cmd.exe";
  return {tProgramLaunch{interpreter, L'"' + interpreter + L"\" /d /v:off /s /c \"\"" + program + L'"' +
                                          std::wstring(text.substr(end)) + L'"'},
          {}};
}
