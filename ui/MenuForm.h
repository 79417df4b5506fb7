#pragma once
// The menu-form layer of the main window: it knows the window's menu, its status bar and its two
// file dialogs, and carries out every command that works on the active editor or on the window
// itself. It has no session logic.
#include <windows.h>

#include <string>

#include "editor/EditorSearches.h"
#include "gui/Form.h"
#include "text/PipeEncoding.h"

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

// Gives the dialog that picks the session's log file its filter, options and title.
void SetUpLogDialog(cFileDialog& dialog);

class cMenuForm : public gui::cForm {
public:
  // Stores the window's components and gives the two dialogs their filters, options and titles.
  // Calling it again changes nothing.
  void SetUpMenuForm(HMENU mainMenu, HWND statusBar, cFileDialog& saveDialog, cFileDialog& loadDialog);

  // The window's focused control, or the one that had the focus last, when it is an editor.
  cSearchableEditor* ActiveEditor();

  // A command of the window. Called with doIt cleared it only answers whether the command is
  // available now; with doIt set it also carries the command out when it is. checked is the
  // command's check mark: what the command shows after it was carried out, or, for word wrap, what
  // the active editor shows now.
  using tCommand = bool (cMenuForm::*)(bool doIt, bool& checked);

  bool FileExit(bool doIt, bool& checked);
  bool FileLoad(bool doIt, bool& checked);
  bool FileSaveAs(bool doIt, bool& checked);
  bool SearchFind(bool doIt, bool& checked);
  bool SearchFindNext(bool doIt, bool& checked);
  bool SearchGotoLine(bool doIt, bool& checked);
  bool ViewEnlargeFont(bool doIt, bool& checked);
  bool ViewReduceFont(bool doIt, bool& checked);
  bool ViewWordWrap(bool doIt, bool& checked);
  bool ViewStatusBar(bool doIt, bool& checked);
  bool ViewMenu(bool doIt, bool& checked);
  bool StatusBtnShowMenu(bool doIt, bool& checked);
  bool ToolsOptions(bool doIt, bool& checked);
  bool HelpHelp(bool doIt, bool& checked);
  bool HelpAbout(bool doIt, bool& checked);
  // The standard edit commands on the active editor.
  bool EditCut(bool doIt, bool& checked);
  bool EditCopy(bool doIt, bool& checked);
  bool EditPaste(bool doIt, bool& checked);
  bool EditDelete(bool doIt, bool& checked);
  bool EditSelectAll(bool doIt, bool& checked);
  bool EditUndo(bool doIt, bool& checked);

  // The steps behind the file and search commands.
  void LoadFileInto(cSearchableEditor& editor);
  void SaveFileFrom(cSearchableEditor& editor);
  void FindInEditor(cSearchableEditor& editor);
  void FindNextInEditor(cSearchableEditor& editor);
  void GotoInEditor(cSearchableEditor& editor);

  // The session's encodings, which the options command shows and changes.
  virtual const tPipeEncodings& Encodings() const noexcept = 0;
  virtual void SetEncodings(const tPipeEncodings& encodings) = 0;
  // The command that opens the output's file locations.
  virtual const std::wstring& EditorCommand() const noexcept = 0;
  virtual void SetEditorCommand(const std::wstring& command) = 0;
  // The session's log: started or stopped (checked while one is on), and its timestamps.
  virtual bool FileLogToFile(bool doIt, bool& checked) = 0;
  virtual bool ViewTimestamps(bool doIt, bool& checked) = 0;
  // Whether output takes the caret and the view to the end as it comes (checked) or is held;
  // available once there is an output pane.
  virtual bool ViewFollowOutput(bool doIt, bool& checked) = 0;
  // Whether a long command that ends asks for attention (checked while it does).
  virtual bool ViewFlashOnEnd(bool doIt, bool& checked) = 0;
  // Whether a carriage return of its own rewrites its line of the output (checked) or is dropped.
  virtual bool ViewCrRewrites(bool doIt, bool& checked) = 0;
  // Whether the output pane shows the time each line came (checked while it does).
  virtual bool ViewArrivalTimes(bool doIt, bool& checked) = 0;

protected:
  cMenuForm() = default;

  // The editors of the window, for ActiveEditor.
  virtual cSearchableEditor* EditorOf(HWND control) const = 0;
  // Keeps the focused control across deactivation; answers whether the message was handled.
  bool HandleFocusMessage(UINT message, WPARAM wParam);

private:
  HWND ActiveControl();
  // A command that needs the active editor and carries out the step on it.
  bool WithActiveEditor(bool doIt, void (cMenuForm::*step)(cSearchableEditor&));
  bool FontStep(bool doIt, int step);
  // An edit command: a message to the active editor, available when the editor can take it.
  bool EditMessage(bool doIt, UINT message, bool (*available)(cSearchableEditor&));

  HMENU mainMenu_ = nullptr;
  HWND statusBar_ = nullptr;
  cFileDialog* loadDialog_ = nullptr;
  cFileDialog* saveDialog_ = nullptr;
  HWND activeControl_ = nullptr;
};
