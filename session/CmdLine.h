#pragma once
// The program's command line: options, then optionally "--" and the command line of the child.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// How an option was written.
enum tCommandLineOptionKind : std::uint8_t {
  clkAbsent = 0,  // not given: the result of a failed lookup
  clkSwitch,      // -name
  clkSwitchOn,    // -name+
  clkSwitchOff,   // -name-
  clkValue,       // -name:value
};

struct tCommandLineOption {
  tCommandLineOptionKind Kind = clkAbsent;
  std::wstring Name;   // upper case, without prefix and without a trailing "+" or "-"
  std::wstring Value;  // the text after the first ":" as typed; empty when there is none
  friend bool operator==(const tCommandLineOption&, const tCommandLineOption&) = default;
};

// What one argument is.
enum tArgumentKind : std::uint8_t {
  akNotOption,  // does not begin with "-" or "/"
  akMalformed,  // an option that cannot be used ("-", "-:x", "-name:value+" but for -log:, -env: and -editor:)
  akOption,
};

struct tParsedArgument {
  tArgumentKind Kind = akNotOption;
  tCommandLineOption Option;  // meaningful with akOption only
};

class cCommandLine {
public:
  // Parses a whole command line as the process gets it, the program name first.
  explicit cCommandLine(std::wstring_view commandLine);

  // The first option of that name (compared in upper case); kind clkAbsent when there is none.
  tCommandLineOption FindOption(std::wstring_view name) const;

  const std::vector<tCommandLineOption>& Options() const noexcept { return options_; }
  // The text after the first argument that is "--" as written (not in quotes), exactly as it
  // stands there, with the blanks at both ends removed; empty without "--".
  const std::wstring& ChildCommandLine() const noexcept { return childCommandLine_; }

  static tParsedArgument ParseArgument(std::wstring_view argument);

  // The arguments of a command line that holds no program name: white space separates them, a
  // stretch in double quotes keeps its white space and loses the quotes; nothing is escaped.
  static std::vector<std::wstring> SplitArguments(std::wstring_view arguments);

private:
  std::vector<tCommandLineOption> options_;
  std::wstring childCommandLine_;
};

// The command line of this process, parsed on first use.
const cCommandLine& CommandLine();
