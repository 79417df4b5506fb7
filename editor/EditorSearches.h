#pragma once
// The editor panes: a memo that loads and saves, with a text search and caret moves by line and
// column added.
//
// Positions in a text count UTF-16 units from 1, and a line break is the two units CR LF, as the
// control holds it. The selection is s units before it and l units in it (s from 0).
#include <windows.h>

#include <string_view>

#include "editor/dfFind.h"
#include "editor/dfLine.h"
#include "text/UnicodePersistency.h"

// The first and last position (from 1) of the stretch a search looks at.
struct tSearchBounds {
  int Start = 0;
  int End = 0;
  friend bool operator==(const tSearchBounds&, const tSearchBounds&) = default;
};

class cSearchableEditor : public cWPersistentMemo {
public:
  explicit cSearchableEditor(tMemoWindow window = mwSystemEdit) : cWPersistentMemo(window) {}

  // Looks for the pattern as the request says and selects the match; the selection keeps the
  // letter case of the text. False when there is none; the selection then stays as it was.
  bool Search(std::wstring_view pattern, const tSearchRequest& request);
  // Where the match of the pattern starts (from 1), 0 when there is none. Forward, the match
  // must start within the bounds; backward, it must lie wholly within them.
  int FindPosition(std::wstring_view pattern, const tSearchRequest& request) const;
  // The same in a copy of the whole text, for a window that hands out no ranges of it.
  int FindPositionInCopy(std::wstring_view pattern, const tSearchRequest& request) const;
  // The stretch a search over a text of that length looks at, from the current selection.
  tSearchBounds SearchBounds(tSearchRange range, bool backward, int textLength) const;

  // The first occurrence at or after position from, 0 when there is none. The options used are
  // soIgnoreCase and soWholeWord.
  static int ForwardPos(std::wstring_view pattern, std::wstring_view text, tSearchOptions options, int from);
  // The last occurrence that lies wholly within positions start to end of the text (the end is
  // cut to the text), 0 when there is none. Whole words are told by the text around the stretch.
  static int BackwardPos(std::wstring_view pattern, std::wstring_view text, tSearchOptions options, int start,
                         int end);

  // The Find command: searches; tells the user when nothing is found. Nothing happens for a
  // request without text (the dialog was cancelled).
  bool Find(const tSearchRequest& request);
  // The Find Next command: as Find, after nudging the selection so that the current match is
  // not found again; when nothing is found, the selection is put back as it was.
  bool FindNext(const tSearchRequest& request);
  // A selection becomes a caret one unit after its start, or backward one unit before its end,
  // so that a match overlapping the current one can be found.
  void NudgeSelection(bool backward);
  // The "not found" box, owned by the window the pane belongs to.
  void ReportNotFound(std::wstring_view text) const;

  // The caret's line and column, from 0.
  int CaretLine() const { return WCaretPos().Line; }
  int CaretColumn() const { return WCaretPos().Column; }
  // Puts the caret there, removing any selection; nothing happens for a line that does not exist.
  void PlaceCaret(int column, int line);
  // Goes to the line (the last one when past it), keeping the caret's column within the line.
  void GotoLine(int line);
  // Goes to the column of the caret's line (its end when past it).
  void GotoColumn(int column);
  // The go-to command: the line first, then the column on it; a negative one is not given.
  void Goto(const tGotoRequest& request);

private:
  int LineLength(int line) const;
};
