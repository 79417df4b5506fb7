#include "session/SessionOptions.h"

#include <windows.h>

#include <array>

#include "gui/ResString.h"
#include "resources/resource.h"
#include "session/defs.h"
#include "text/Utils.h"

namespace {

std::wstring ConflictMessage(std::wstring_view first, std::wstring_view second, std::wstring_view assumed,
                             std::wstring_view equivalent) {
  return gui::FormatRes(IDS_OPT_CONFLICT, {first, second, assumed, equivalent});
}

// Another message comes after any other, so that all are seen.
void AddMessage(std::wstring& messages, const std::wstring& message) {
  if (!messages.empty()) messages += L"\r\n\r\n";
  messages += message;
}

}  // namespace

bool IsOptionSet(const cCommandLine& commandLine, std::wstring_view name) {
  tCommandLineOptionKind kind = commandLine.FindOption(name).Kind;
  return kind == clkSwitch || kind == clkSwitchOn;
}

bool IsAnyOptionSet(const cCommandLine& commandLine, std::initializer_list<std::wstring_view> names) {
  for (auto name : names)
    if (IsOptionSet(commandLine, name)) return true;
  return false;
}

tSessionOptions ProcessOptions(const cCommandLine& commandLine) {
  tSessionOptions o;
  o.InterpretControls = !(IsOptionSet(commandLine, L"D") || IsOptionSet(commandLine, L"dump"));
  o.Echo = IsAnyOptionSet(commandLine, {L"E", L"echo"});
  o.HelpAtStart = IsAnyOptionSet(commandLine, {L"help", L"h", L"?"});

  tPipeEncoding input = peOEM, output = peOEM;
  o.Unicode = IsAnyOptionSet(commandLine, {L"U", L"Unicode"});
  o.Unicode2 = IsAnyOptionSet(commandLine, {L"U2", L"Unicode2"});
  const std::wstring unicodeName = gui::LoadResString(IDS_OPT_UNICODE);
  const std::wstring unicodeMeans = gui::LoadResString(IDS_OPT_UNICODE_MEANS);
  const std::wstring unicode2Name = gui::LoadResString(IDS_OPT_UNICODE2);
  const std::wstring unicode2Means = gui::LoadResString(IDS_OPT_UNICODE2_MEANS);
  if (o.Unicode && o.Unicode2) {
    o.OptionMessage = ConflictMessage(unicodeName, unicode2Name, unicodeName, unicodeMeans);
    o.Unicode2 = false;
  }
  if (o.Unicode || o.Unicode2) output = peUTF16LE;
  if (o.Unicode2) input = output;

  static constexpr std::array<std::wstring_view, 4> kSchemeNames{L"UTF8", L"UTF16LE", L"UTF16BE", L"ANSI"};
  std::array<tPipeEncoding*, 2> directions{&input, &output};
  for (size_t d = 0; d < EncodingOptionNames.size(); ++d) {
    tCommandLineOption option = commandLine.FindOption(EncodingOptionNames[d]);
    if (option.Kind != clkValue) continue;
    std::wstring quoted = gui::FormatRes(IDS_OPT_ENCODING, {EncodingOptionNames[d], option.Value});
    if (o.Unicode) {
      o.OptionMessage = ConflictMessage(quoted, unicodeName, unicodeName, unicodeMeans);
      break;
    }
    if (o.Unicode2) {
      o.OptionMessage = ConflictMessage(quoted, unicode2Name, unicode2Name, unicode2Means);
      break;
    }
    tPipeEncoding& direction = *directions[d];
    std::wstring word = cStringUtils::UpperCaseAscii(option.Value);
    if (word == L"OEM") {
      direction.Oem = true;
      continue;
    }
    direction.Oem = false;
    bool known = false;
    for (size_t s = 0; s < kSchemeNames.size() && !known; ++s) {
      if (word == kSchemeNames[s]) {
        direction.Scheme = static_cast<tEncodingScheme>(s);
        known = true;
      }
    }
    if (!known) {
      // An unknown word leaves that direction ANSI, and the other direction unexamined.
      direction.Scheme = esANSI;
      o.OptionMessage = gui::FormatRes(IDS_OPT_INVALID_ENCODING, {quoted});
      break;
    }
  }
  o.Encodings = {input, output};

  if (tCommandLineOption log = commandLine.FindOption(L"log"); log.Kind == clkValue) o.LogFile = log.Value;
  o.Timestamps = IsOptionSet(commandLine, L"timestamps");
  o.RewritesLines = IsOptionSet(commandLine, L"cr");
  if (const tCommandLineOption cr = commandLine.FindOption(L"cr"); cr.Kind == clkValue)
    AddMessage(o.OptionMessage, gui::FormatRes(IDS_OPT_INVALID_CR, {cr.Value}));
  o.Times = IsOptionSet(commandLine, L"times");
  if (tCommandLineOption editor = commandLine.FindOption(L"editor"); editor.Kind == clkValue)
    o.EditorCommand = editor.Value;
  for (const tCommandLineOption& option : commandLine.Options()) {
    if (option.Name != L"ENV") continue;
    if (std::optional<tEnvironmentChange> change = ParseEnvironmentChange(option.Value)) {
      o.Environment.push_back(std::move(*change));
      continue;
    }
    // A malformed one is left out.
    AddMessage(o.OptionMessage,
               gui::FormatRes(IDS_OPT_INVALID_ENVIRONMENT, {gui::FormatRes(IDS_OPT_ENVIRONMENT, {option.Value})}));
  }
  // A -theme without a value names no theme either.
  if (const tCommandLineOption theme = commandLine.FindOption(L"theme");
      theme.Kind != clkAbsent && !gui::ThemeChoiceNamed(theme.Value))
    AddMessage(o.OptionMessage, gui::FormatRes(IDS_OPT_INVALID_THEME, {theme.Value}));
  return o;
}

gui::tThemeChoice ThemeOption(const cCommandLine& commandLine) {
  const tCommandLineOption theme = commandLine.FindOption(L"theme");
  return theme.Kind == clkValue ? gui::ThemeChoiceNamed(theme.Value).value_or(gui::tcSystem) : gui::tcSystem;
}

std::wstring ChildCommandLineFor(const cCommandLine& commandLine, tPipeEncoding output) {
  if (!commandLine.ChildCommandLine().empty()) return commandLine.ChildCommandLine();
  return std::wstring(DefaultCommands[output.Scheme == esUTF16LE ? 1 : 0]);
}

std::wstring ChildApplicationFor(const cCommandLine& commandLine) {
  if (!commandLine.ChildCommandLine().empty()) return {};
  const std::wstring folder = SystemFolder();
  return folder.empty() ? std::wstring() : folder + L"\\cmd.exe";
}
