#pragma once
// What the command line's options make of a session.
#include <string>
#include <vector>

#include "gui/Theme.h"
#include "session/ChildEnvironment.h"
#include "session/CmdLine.h"
#include "session/EditorCommand.h"
#include "text/PipeEncoding.h"

struct tSessionOptions {
  bool Echo = false;
  bool InterpretControls = true;
  bool HelpAtStart = false;
  bool Unicode = false;
  bool Unicode2 = false;
  tPipeEncodings Encodings;
  // The log's file (none when empty) and whether its lines start with the time.
  std::wstring LogFile;
  bool Timestamps = false;
  // Whether a carriage return of its own rewrites its line (-cr) instead of being dropped.
  bool RewritesLines = false;
  // Whether the output pane shows the time each line came (-times).
  bool Times = false;
  // The command that opens a file location of the output (-editor:).
  std::wstring EditorCommand{kDefaultEditorCommand};
  // The -env: changes to the child's environment, in the order given.
  std::vector<tEnvironmentChange> Environment;
  // Conflicting or invalid options, to be shown once when the session starts; empty if none.
  std::wstring OptionMessage;
};

// A switch written plainly or with "+"; "-name-", a valued form and absence are all "not set".
bool IsOptionSet(const cCommandLine& commandLine, std::wstring_view name);
bool IsAnyOptionSet(const cCommandLine& commandLine, std::initializer_list<std::wstring_view> names);

tSessionOptions ProcessOptions(const cCommandLine& commandLine);

// The theme that -theme: names; the system's when it names none (ProcessOptions tells why).
gui::tThemeChoice ThemeOption(const cCommandLine& commandLine);

// The child's command line: the one given after "--", else the default for the output encoding.
std::wstring ChildCommandLineFor(const cCommandLine& commandLine, tPipeEncoding output);

// The program file the child is started from: the system's own command interpreter, found in the
// system folder, for the default command line; empty for one given after "--", whose program the
// system looks for as it would for a command typed at a prompt.
std::wstring ChildApplicationFor(const cCommandLine& commandLine);
