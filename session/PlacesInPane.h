#pragma once
// The places in a pane's text, found through the edit control's messages that its window answers
// (rows, their starts and lengths, their text), so that a pane of any size is read only around
// the place asked for. A location whose file does not exist is not a place; that is asked only
// of the places these calls look at.
#include <windows.h>

#include <optional>
#include <string>

#include "session/Places.h"

class cPanePlaces {
public:
  // The folder relative paths are taken from when no prompt above them names one.
  cPanePlaces(HWND pane, std::wstring workingFolder, tFileExists exists = FileExists);

  // The place at the position; its Start and End are positions in the pane.
  std::optional<tPlaceTarget> PlaceAt(int position) const;
  // The nearest place that starts at or after the position (forward), or ends at or before it
  // (backward), network places passed over. Looks at no more than kScanRows rows.
  std::optional<tPlaceTarget> NextPlace(int position, bool forward) const;

  static constexpr int kScanRows = 10000;
  // How far up a prompt is looked for.
  static constexpr int kPromptRows = 5000;

private:
  // A line of the text (between CR LF breaks, whatever rows word wrap makes of it), or as much
  // of it as recognition looks at.
  struct tLine {
    int FirstRow = 0;
    int LastRow = 0;
    int Start = 0;
    std::wstring Text;
  };

  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  int RowCount() const;
  int RowStart(int row) const;
  int RowLength(int row) const;
  // Whether a line break ends the row (rather than word wrap).
  bool EndsLine(int row) const;
  std::wstring RowText(int row, int length) const;
  // The line that holds the row; around the row only, when the line is longer than recognition
  // looks at.
  tLine LineOfRow(int row) const;
  // The first kPromptLength characters of the line that starts at the row.
  std::wstring LineHead(int firstRow) const;
  // Relative paths of a line are taken from the folder of the nearest prompt at or above it (a
  // prompt stands at a line's start, before its places), else from the working folder.
  struct tFolder {
    std::wstring Folder;
    int PromptRow = -1;  // the row of the prompt; -1 for the working folder
    int Floor = 0;       // with no prompt: the highest row looked at
  };
  tFolder FolderAt(int firstRow) const;
  std::optional<tPlaceTarget> Resolve(const tLine& line, const tPlace& place, const std::wstring& folder) const;
  static constexpr std::size_t kPromptLength = 1024;

  HWND pane_;
  std::wstring workingFolder_;
  tFileExists exists_;
};
