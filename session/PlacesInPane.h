#pragma once
// The places in the output pane's text, read through the view's EM_GETTEXTRANGE a stretch at a
// time, so that a pane of any size is read only around the place asked for, and a search reads
// line after line without a message for each. A location whose file does not exist is not a
// place; that is asked only of the places these calls look at, and for local files only.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "session/Places.h"

// What the file system says of a path: its attributes (GetFileAttributesW), or
// INVALID_FILE_ATTRIBUTES when it has none.
using tPathProbe = std::function<DWORD(const std::wstring& path)>;
DWORD PathAttributes(const std::wstring& path);

// What a search for the next place found.
struct tPlaceSearch {
  std::optional<tPlaceTarget> Place;
  // Where the search stopped because its time was up, as a position to go on from; -1 when it
  // looked as far as the text goes.
  int StoppedAt = -1;
};

class cPanePlaces {
public:
  // The folder relative paths are taken from when no prompt above them names one; the probe
  // answers for local files and their folders.
  cPanePlaces(HWND pane, std::wstring workingFolder, tPathProbe probe = PathAttributes);

  // The place at the position; its Start and End are positions in the pane. None as well when
  // looking took longer than kLookSeconds.
  std::optional<tPlaceTarget> PlaceAt(int position) const;
  // The nearest place that starts at or after the position (forward), or ends at or before it
  // (backward). Network places are passed over: only a click opens them. Stops once the search
  // has taken kSearchSeconds, having looked at one line or place at least.
  tPlaceSearch NextPlace(int position, bool forward) const;

  // The window answers within 50 ms: the time for the place under the mouse, and for a search.
  static constexpr double kLookSeconds = 0.020;
  static constexpr double kSearchSeconds = 0.025;
  // How many lines up a prompt is looked for.
  static constexpr int kPromptLines = 5000;

private:
  // A line of the text (between CR LF breaks, however word wrap shows it), or as much of it around
  // a position as recognition looks at.
  struct tLine {
    int Start = 0;
    std::wstring Text;
    bool StartsLine = true;  // false when the line starts earlier
    int Previous = -1;       // a position in the line (or part) before it; -1 at the text's start
    int Next = -1;           // where the line (or part) after it starts; -1 at the text's end
  };
  tLine LineAt(int position) const;
  // The text between the positions, read a stretch at a time.
  std::wstring_view Text(int start, int end) const;

  // Relative paths of a line are taken from the folder of the nearest prompt at or above it (a
  // prompt stands at a line's start, before its places), else from the working folder.
  struct tFolder {
    std::wstring Folder;
    int PromptStart = -1;  // where the prompt's line starts; -1 for the working folder
    int Floor = 0;         // with no prompt: the highest position looked at
  };
  tFolder FolderAt(const tLine& line) const;
  class cBudget;
  // The place as it opens, its positions in the pane; none when the budget ran out first.
  std::optional<tPlaceTarget> Resolve(const tLine& line, const tPlace& place, const std::wstring& folder,
                                      cBudget& budget) const;
  static constexpr int kPromptLength = 1024;
  static constexpr int kStretch = 4 * static_cast<int>(kPlaceLineLimit);

  HWND pane_;
  std::wstring workingFolder_;
  tPathProbe probe_;
  int length_;
  mutable std::wstring stretch_;
  mutable int stretchStart_ = 0;
};
