#pragma once
// Constants the console session shares with the rest of the program.
#include <windows.h>

#include <array>
#include <string_view>

// The direction words of the encoding options, in the order they are examined.
inline constexpr std::array<std::wstring_view, 2> EncodingOptionNames{L"input", L"output"};

// The child started when the command line names none: plain, or with Unicode output.
inline constexpr std::array<std::wstring_view, 2> DefaultCommands{L"CMD.EXE", L"CMD.EXE /U"};

// Pane backgrounds: editable, read-only.
inline constexpr std::array<COLORREF, 2> EditorColors{RGB(255, 255, 255), RGB(192, 192, 192)};
