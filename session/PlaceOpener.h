#pragma once
// The two ways a place opens: an address through the shell's open of the URL, a file through a
// program started with a command line. Tests install a responder that records what would run
// instead, so no test starts a browser or an editor.
#include <functional>
#include <string>
#include <string_view>

#include "gui/Scope.h"
#include "session/EditorCommand.h"

// What a place asks to run: an address for the browser, or a program launch.
struct tOpenRequest {
  std::wstring Address;   // empty for a launch
  tProgramLaunch Launch;  // empty for an address
  friend bool operator==(const tOpenRequest&, const tOpenRequest&) = default;
};

class cPlaceOpener {
public:
  // Answers whether it was done; false leaves the last error set.
  using tResponder = std::function<bool(const tOpenRequest&)>;

  // Opens an http:// or https:// address in the default browser; anything else is refused
  // (ERROR_INVALID_PARAMETER).
  static bool OpenAddress(std::wstring_view address);
  // Starts the program with the command line, inheriting no handle, in a console of its own when
  // it is a console program.
  static bool Launch(const tProgramLaunch& launch);

private:
  // The responder installed; none at first.
  static tResponder& Installed() {
    static tResponder responder;
    return responder;
  }

public:
  // Installs a responder for as long as the guard lives.
  using cResponderScope = gui::cSlotScope<tResponder, &Installed>;
};
