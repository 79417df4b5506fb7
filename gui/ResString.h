#pragma once
// Resource strings and the small "%s"/"%d" formatter every message goes through.
#include <initializer_list>
#include <string>
#include <string_view>

namespace gui {

// The string with the given id from the program's string table; empty when there is none.
std::wstring LoadResString(unsigned id);

// Replaces each "%s" or "%d" of the format, in order, by the next argument; "%%" gives "%".
// A conversion without an argument left is dropped; arguments left over are ignored.
std::wstring FormatText(std::wstring_view format, std::initializer_list<std::wstring_view> args);

// FormatText over a string-table entry.
std::wstring FormatRes(unsigned id, std::initializer_list<std::wstring_view> args);

}  // namespace gui
