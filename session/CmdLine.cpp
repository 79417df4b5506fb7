#include "session/CmdLine.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "text/Utils.h"

namespace {

constexpr bool IsBlank(wchar_t c) noexcept { return static_cast<char16_t>(c) <= 0x20; }

constexpr bool IsSign(wchar_t c) noexcept { return c == L'+' || c == L'-'; }

// Options whose value is a file name, a variable's value or a command line, which may well end
// with a sign: for them a trailing "+" or "-" is part of the value.
bool TakesAnyValue(std::wstring_view name) noexcept { return name == L"LOG" || name == L"ENV" || name == L"EDITOR"; }

// Length of the program name at the very start of a command line: it ends at the first blank
// outside double quotes, without skipping leading blanks.
size_t ProgramNameLength(std::wstring_view commandLine) noexcept {
  bool quoted = false;
  size_t i = 0;
  for (; i < commandLine.size(); ++i) {
    wchar_t c = commandLine[i];
    if (c == L'"') quoted = !quoted;
    else if (!quoted && IsBlank(c)) break;
  }
  return i;
}

// Where one argument stands in a command line, quotes included.
struct tArgumentSpan {
  size_t Start = 0;
  size_t End = 0;
};

// White space separates the arguments; inside double quotes it belongs to the argument.
std::vector<tArgumentSpan> ArgumentSpans(std::wstring_view arguments) {
  std::vector<tArgumentSpan> spans;
  size_t i = 0;
  for (;;) {
    while (i < arguments.size() && IsBlank(arguments[i])) ++i;
    if (i == arguments.size()) return spans;
    const size_t start = i;
    bool quoted = false;
    for (; i < arguments.size(); ++i) {
      if (arguments[i] == L'"') quoted = !quoted;
      else if (!quoted && IsBlank(arguments[i])) break;
    }
    spans.push_back({start, i});
  }
}

}  // namespace

cCommandLine::cCommandLine(std::wstring_view commandLine) {
  const std::wstring_view arguments = commandLine.substr(ProgramNameLength(commandLine));
  // The child's command line is the text after the first "--" written as an argument of its
  // own, without quotes, exactly as it stands: its quotes, blanks and escapes are the child's.
  size_t end = 0;
  for (const tArgumentSpan& span : ArgumentSpans(arguments)) {
    const std::wstring_view raw = arguments.substr(span.Start, span.End - span.Start);
    if (raw == L"--") {
      childCommandLine_ = cStringUtils::Trim(arguments.substr(span.End));
      break;
    }
    end = span.End;
  }
  for (const std::wstring& argument : SplitArguments(arguments.substr(0, end))) {
    tParsedArgument parsed = ParseArgument(argument);
    if (parsed.Kind == akOption) options_.push_back(std::move(parsed.Option));
  }
}

tCommandLineOption cCommandLine::FindOption(std::wstring_view name) const {
  const std::wstring wanted = cStringUtils::UpperCaseAscii(name);
  auto found = std::find_if(options_.begin(), options_.end(),
                            [&](const tCommandLineOption& option) { return option.Name == wanted; });
  return found != options_.end() ? *found : tCommandLineOption{};
}

tParsedArgument cCommandLine::ParseArgument(std::wstring_view argument) {
  if (argument.empty() || (argument.front() != L'-' && argument.front() != L'/')) return {};
  const std::wstring_view body = argument.substr(1);
  if (body.empty()) return {akMalformed, {}};

  tCommandLineOption option;
  const size_t colon = body.find(L':');
  if (colon != std::wstring_view::npos) {
    if (colon == 0) return {akMalformed, {}};
    option.Name = cStringUtils::UpperCaseAscii(body.substr(0, colon));
    option.Value = body.substr(colon + 1);
  } else {
    option.Name = cStringUtils::UpperCaseAscii(body);
  }

  if (!option.Value.empty()) {
    if (IsSign(option.Value.back()) && !TakesAnyValue(option.Name)) return {akMalformed, {}};
    option.Kind = clkValue;
  } else if (option.Name.back() == L'+') {
    option.Kind = clkSwitchOn;
  } else if (option.Name.back() == L'-') {
    option.Kind = clkSwitchOff;
  } else {
    option.Kind = clkSwitch;
  }
  if (IsSign(option.Name.back())) option.Name.pop_back();
  return {akOption, std::move(option)};
}

std::vector<std::wstring> cCommandLine::SplitArguments(std::wstring_view arguments) {
  std::vector<std::wstring> result;
  for (const tArgumentSpan& span : ArgumentSpans(arguments)) {
    std::wstring argument;
    for (wchar_t c : arguments.substr(span.Start, span.End - span.Start))
      if (c != L'"') argument += c;
    result.push_back(std::move(argument));
  }
  return result;
}

const cCommandLine& CommandLine() {
  static const cCommandLine instance(::GetCommandLineW());
  return instance;
}
