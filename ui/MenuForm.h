#pragma once
// The menu-form layer of the main window: it knows the window's menu, its status bar and its two
// file dialogs, and carries out every command that works on the active editor or on the window
// itself. It has no session logic.
//
// Each command is one function: called with doIt cleared it only answers whether the command is
// available now; with doIt set it also carries the command out when it is.
#include <windows.h>

#include <string>

#include "editor/EditorSearches.h"
#include "gui/Form.h"

// The Save As dialog's filter: one entry per encoding scheme, in the order of the schemes, so
// the filter index minus 1 is the scheme.
const std::wstring& SaveAsFilter();

// A common file dialog that keeps, between uses, the file name and the filter index chosen last.
class cFileDialog {
public:
  explicit cFileDialog(bool save) noexcept : save_(save) {}

  std::wstring Title;
  std::wstring Filter;
  DWORD Options = 0;
  std::wstring FileName;
  DWORD FilterIndex = 1;

  // Runs the dialog over the owner; true when the user chose a file.
  bool Execute(HWND owner);

private:
  const bool save_;
};

// The two directions of a font step.
enum tFontStep : bool { fsReduce = false, fsEnlarge = true };

class cMenuForm : public gui::cForm {
public:
  // Stores the window's components and gives the two dialogs their filters, options and titles.
  // Calling it again changes nothing.
  void SetUpMenuForm(HMENU mainMenu, HWND statusBar, cFileDialog& saveDialog, cFileDialog& loadDialog);

  // The window's focused control, or the one that had the focus last, when it is an editor.
  cSearchableEditor* ActiveEditor();

  bool FileLoad(bool doIt);
  bool FileSaveAs(bool doIt);
  bool SearchFind(bool doIt);
  bool SearchFindNext(bool doIt);
  bool SearchGotoLine(bool doIt);
  bool ViewFontStep(bool doIt, tFontStep step);
  // wrapped: the active editor's word wrap before the toggle, set only when there is an editor.
  bool ViewWordWrap(bool doIt, bool& wrapped);
  // visible: whether the bar shows after the toggle, set only when done.
  bool ViewStatusBar(bool doIt, bool& visible);
  // attached: whether a menu is attached after the toggle, set only when done.
  bool ViewMenu(bool doIt, bool& attached);
  bool StatusBtnShowMenu(bool doIt);
  bool ToolsOptions(bool doIt);
  bool HelpHelp(bool doIt);
  bool HelpAbout(bool doIt);

  // The standard edit commands on the active editor.
  enum tEditCommand { ecCut, ecCopy, ecPaste, ecDelete, ecSelectAll, ecUndo };
  bool Edit(bool doIt, tEditCommand command);

  // The steps behind the file and search commands.
  void LoadFileInto(cSearchableEditor& editor);
  void SaveFileFrom(cSearchableEditor& editor);
  void FindInEditor(cSearchableEditor& editor);
  void FindNextInEditor(cSearchableEditor& editor);
  void GotoInEditor(cSearchableEditor& editor);

protected:
  cMenuForm() = default;

  // The editors of the window, for ActiveEditor.
  virtual cSearchableEditor* EditorOf(HWND control) const = 0;
  // Keeps the focused control across deactivation; answers whether the message was handled.
  bool HandleFocusMessage(UINT message, WPARAM wParam);

private:
  HWND ActiveControl();

  HMENU mainMenu_ = nullptr;
  HWND statusBar_ = nullptr;
  cFileDialog* loadDialog_ = nullptr;
  cFileDialog* saveDialog_ = nullptr;
  HWND activeControl_ = nullptr;
};
