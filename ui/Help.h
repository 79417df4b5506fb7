#pragma once
// The help command and the "res://" address of a page stored in a program file's resources.
#include <windows.h>

#include <string>
#include <string_view>

// Every ASCII character other than "-", ".", a digit, a letter or "_" becomes "%" and two
// upper-case hexadecimal digits. Other characters stay as they are: the address is wide text, so
// a character that is not escaped is read as itself whatever the ANSI code page, whereas an
// escaped ANSI byte cannot name a character that the code page lacks (a folder named in another
// script).
std::wstring EscapeUrlPart(std::wstring_view text);

// A resource identifier as the resource protocol writes it: its name, or "#" and its number when
// the identifier is a number (high 16 bits 0).
std::wstring ResIdToString(const wchar_t* id);

// "res://" + module + ["/" + type] + "/" + name, each part escaped. A type of 0 is left out.
std::wstring BuildResUrl(std::wstring_view moduleName, std::wstring_view resourceName, int resourceType);

// The help command: shows the program's help page modally over the main window.
void ShowHelp(HWND mainWindow);
