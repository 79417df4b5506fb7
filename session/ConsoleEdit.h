#pragma once
// A pane of the console session: a searchable editor whose keys can reach the child's console,
// and, for the output pane, the text the output rules write to.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "editor/EditorSearches.h"
#include "view/TextViewMessages.h"
#include "session/EditorCommand.h"
#include "session/OutputRules.h"
#include "session/PlacesInPane.h"

// A pane of the console session.
class cConsoleEdit : public cSearchableEditor, public iOutputSink {
public:
  explicit cConsoleEdit(tMemoWindow window) : cSearchableEditor(window) {}

  // The child's console window; none until the child has been found, and none if it never was.
  HWND ConsoleWindow = nullptr;
  // Raises Ctrl+C (CTRL_C_EVENT) or Ctrl+Break (CTRL_BREAK_EVENT) in the child's console; not set
  // until the child runs.
  std::function<void(DWORD controlEvent)> OnConsoleControl;
  // Called after every key-down message the pane has handled.
  std::function<void()> OnAfterKeyDown;

  // Whether the pane's places open: with Ctrl held the one under the mouse is underlined and
  // Ctrl+click opens it; F4 and Shift+F4 select and open the next one down or up.
  bool OpensPlaces = false;
  // Opens file locations; %f, %l and %c stand for the path, the line and the column.
  std::wstring EditorCommand{kDefaultEditorCommand};
  // Relative paths are taken from here when no prompt above them names a folder.
  std::wstring WorkingFolder;
  // Shows why a place could not be opened.
  std::function<void(const std::wstring& message)> OnOpenFailed;
  // Shows where the place under the mouse leads while Ctrl is held (a link's text may say something
  // else); empty once none is.
  std::function<void(const std::wstring& target)> OnShowTarget;
  // Answers for local files and their folders; tests answer instead. Network and device paths
  // never get here.
  tPathProbe ProbePath = PathAttributes;
  // The pane could not get the memory for a change (EN_ERRSPACE).
  std::function<void()> OnOutOfMemory;

  // The whole line that holds the caret, between the line breaks around it, however many rows word
  // wrap makes of it.
  std::wstring CaretLineText() const;

  // While output is held it still goes to the end of the text, but the caret, the selection and
  // the rows shown stay where the user has them (the output pane's view; a system edit control
  // follows), and its line breaks are counted. Released, the caret goes to the end and shows.
  void HoldOutput(bool hold);
  bool OutputHeld() const noexcept { return held_; }
  // The line breaks of the output that came since it was held.
  int HeldLines() const noexcept { return heldLines_; }
  // When the output given from now on came: the lines it begins show that time (the output pane's
  // view; a system edit control shows none).
  view::tLineStamp Arrival = 0;
  void ShowTimes(bool show) { WPerform(view::kViewShowTimes, show ? 1 : 0, 0); }

  // The pane as the text of the output rules.
  void AppendText(std::wstring_view text, view::tTextAttribute look, std::wstring_view link) override;
  std::wstring Tail(int count) const override;
  void DeleteTail(int count) override;
  void ClearText() override;
  void Flush() override;

protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  void ForwardControlKey(WORD key);
  LRESULT HandlePlaceMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  // The place under the point of the pane's client area, if any.
  std::optional<tPlaceTarget> PlaceAtPoint(POINT point) const;
  // The link at the position as a place; none where there is no link, or one that is plain text.
  std::optional<tPlaceTarget> LinkPlaceAt(int position) const;
  // Underlines the place (none takes the underline away) and shows the cursor that goes with it.
  void SetHotPlace(std::optional<tPlaceTarget> place);
  void UpdateHotPlace();
  void OpenNextPlace(bool forward);
  void OpenPlace(const tPlaceTarget& place);
  // A box owned by the main window; the button chosen.
  int ShowPlaceMessage(const std::wstring& text, UINT flags) const;

  std::optional<tPlaceTarget> hotPlace_;
  bool trackingLeave_ = false;

  // The sink's questions see what was gathered.
  void Flushed() const { const_cast<cConsoleEdit*>(this)->Flush(); }

  // Hands output for the end of the text to the view; false for a system edit control.
  bool SendOutput(view::tLookedText text, std::size_t removed);
  bool held_ = false;
  int heldLines_ = 0;

  // Output gathered since the last flush, its looks, and its links (none until one comes).
  std::wstring pending_;
  std::vector<view::tAttributeRun> pendingRuns_;
  std::vector<view::tAttributeRun> pendingLinks_;

  // What the view's links lead to: a link's number for each URI, one number for the same URI, and
  // the URI of each number (from 1).
  view::tLinkId LinkId(std::wstring_view link);
  std::unordered_map<std::wstring, view::tLinkId> linkIds_;
  std::vector<const std::wstring*> linkTargets_;
};
