#pragma once
// The help command and the "res://" address of a page stored in a program file's resources.
#include <windows.h>

#include <string>
#include <string_view>

// Every byte other than "-", ".", a digit, an ASCII letter or "_" becomes "%" and two upper-case
// hexadecimal digits.
std::string EscapeUrlPart(std::string_view text);

// A resource identifier as the resource protocol writes it: its name, or "#" and its number when
// the identifier is a number (high 16 bits 0).
std::string ResIdToString(const char* id);

// "res://" + module + ["/" + type] + "/" + name, each part escaped; the names are converted to
// ANSI first. A type of 0 is left out.
std::string BuildResUrl(std::wstring_view moduleName, std::wstring_view resourceName, int resourceType);

// The help command: shows the program's help page modally over the main window.
void ShowHelp(HWND mainWindow);
