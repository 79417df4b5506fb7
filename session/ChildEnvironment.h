#pragma once
// The environment the child starts with: this program's own, with the variables that make a
// child write as it goes and in the session's encoding, then the changes the command line asks
// for.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/PipeEncoding.h"

// One change to the child's environment: a variable set to a value, or removed (no value).
struct tEnvironmentChange {
  std::wstring Name;
  std::optional<std::wstring> Value;
  friend bool operator==(const tEnvironmentChange&, const tEnvironmentChange&) = default;
};

// "NAME=VALUE" (or "NAME=" to remove the variable) as a change; none when there is no "=" or the
// name is empty.
std::optional<tEnvironmentChange> ParseEnvironmentChange(std::wstring_view text);

// What tells Python to read and write the session's encoding ("cp437:backslashreplace"), with the
// error handler that writes what the encoding cannot carry as an escape; none when the two
// directions differ, since the one variable serves both. ANSI and OEM name the code pages given.
std::optional<std::wstring> PythonEncodingName(const tPipeEncodings& encodings, unsigned ansiCodePage,
                                               unsigned oemCodePage);

// This process's environment, one "NAME=VALUE" entry each, the "=C:" kind included.
std::vector<std::wstring> ProcessEnvironment();

// The child's environment block for CreateProcessW with CREATE_UNICODE_ENVIRONMENT: the entries
// given, PYTHONUNBUFFERED=1 and PYTHONIOENCODING (when there is a name for it) unless they are
// set already, then the changes in order, each to every entry of its name. Names compare without
// regard to letter case, as the system's do; the entries are sorted so, each ends with a NUL and
// one more NUL ends the block.
std::wstring ChildEnvironmentBlock(const std::vector<std::wstring>& entries,
                                   const std::optional<std::wstring>& pythonEncoding,
                                   const std::vector<tEnvironmentChange>& changes);
