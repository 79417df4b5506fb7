#pragma once
// Where the running program lives.
#include <string>

namespace gui {

// The full path of the running program's file, whatever its length.
std::wstring ProgramFileName();

}  // namespace gui
