#pragma once
// The editor command: the command line that opens a file at a line and column, with %f (the
// full path), %l (the line) and %c (the column) put in. The path is always one argument of the
// editor: nothing in it can end the argument or start another command.
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::wstring_view kDefaultEditorCommand = L"notepad.exe \"%f\"";

// The command with the path, line and column put in. %f becomes the path in double quotes, or
// the bare path where the command has it inside double quotes already; "%%" is one "%". None
// when the path cannot be one argument: it holds a double quote or a control character, or ends
// with a backslash (which would escape the closing quote).
std::optional<std::wstring> ExpandEditorCommand(std::wstring_view command, std::wstring_view path, int line,
                                                int column);

// What starts the editor: the program's full path and the whole command line.
struct tProgramLaunch {
  std::wstring Application;
  std::wstring CommandLine;
  friend bool operator==(const tProgramLaunch&, const tProgramLaunch&) = default;
};

// The program a command line starts (its first argument) and the folders it is looked for in.
// A name with a folder is taken as it is; a bare name is looked for in the system folder, the
// Windows folder and the absolute folders of PATH, in that order, never in the current folder,
// with the extensions .com, .exe, .bat and .cmd when it has none. Empty when it is not found.
std::wstring FindProgram(std::wstring_view name, std::wstring_view searchPath);
// The system folder, where the system's own programs are.
std::wstring SystemFolder();
// The folders a bare program name is looked for in, separated by ";".
std::wstring ProgramSearchPath();

// What starts the editor on a file, or why nothing does.
struct tEditorLaunch {
  std::optional<tProgramLaunch> Launch;
  // Why there is no launch, as the user is told it.
  std::wstring Refusal;
};

// What starts the editor on the file at the line and column: the command expanded, the program
// found, and for a batch file the system's command interpreter running it. Nothing starts when
// the path cannot be one argument, when the program is not found, or when the command reaches a
// command interpreter (its program or any name in it: CMD.EXE, a batch file, PowerShell, the
// script hosts, WSL and the POSIX shells, and their scripts) and the path holds a character that
// the interpreter could expand or split it at.
tEditorLaunch EditorLaunch(std::wstring_view command, std::wstring_view path, int line, int column,
                           std::wstring_view searchPath);
