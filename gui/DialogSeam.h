#pragma once
// Every modal box of the program goes through here. Tests install a responder that answers
// instead of the user, so no test can block on a box.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "gui/Scope.h"

namespace gui {

struct tMessageBoxRequest {
  HWND Owner;
  std::wstring Text;
  std::wstring Caption;
  UINT Flags;
};

struct tDialogRequest {
  HWND Owner;
  HWND Dialog;  // created from its template, initialised and shown
  int TemplateId;
};

// A file dialog: what it shows, and what the user chose.
struct tFileDialogRequest {
  HWND Owner;
  bool Save;            // the save dialog, else the open one
  std::wstring Title;
  std::wstring Filter;  // labels and patterns, one after the other, joined by "|"
  DWORD Options;        // OFN_ flags
  std::wstring FileName;  // the name shown; the one chosen when the user confirms
  DWORD FilterIndex;      // from 1; the one chosen when the user confirms
};

class cDialogSeam {
public:
  using tMessageBoxResponder = std::function<int(const tMessageBoxRequest&)>;
  // Works the dialog's controls as the user would; the dialog ends (or not) through EndDialog.
  using tDialogResponder = std::function<void(const tDialogRequest&)>;
  // Chooses a file as the user would, filling FileName and FilterIndex; false is Cancel.
  using tFileDialogResponder = std::function<bool(tFileDialogRequest&)>;

  // Shows a message box (or asks the responder) and returns the button chosen (IDOK, IDCANCEL...).
  static int ShowMessage(HWND owner, std::wstring_view text, std::wstring_view caption, UINT flags);

  // Runs the dialog of a template in the program's resources modally and returns the code it
  // ended with (-1 when it could not be created). With a dialog responder installed there is no
  // modal loop: the dialog is created and shown, the responder acts on it, and the dialog is
  // destroyed; the code is the one the dialog ended with meanwhile, IDCANCEL when it did not end.
  static INT_PTR RunDialog(HWND owner, int templateId, DLGPROC procedure, LPARAM parameter);
  // Ends a dialog that RunDialog runs; its procedure calls this instead of ::EndDialog.
  static void EndDialog(HWND dialog, INT_PTR result);

  // Runs the common open or save dialog (or asks the file dialog responder). True when the user
  // chose a file; the request then holds its name and the filter index.
  static bool RunFileDialog(tFileDialogRequest& request);

private:
  // The responder of each kind that is installed; none at first.
  template <class tResponder>
  static tResponder& Installed() {
    static tResponder responder;
    return responder;
  }

public:
  // Install a responder of their kind for as long as the guard lives.
  using cResponderScope = cSlotScope<tMessageBoxResponder, &Installed<tMessageBoxResponder>>;
  using cDialogResponderScope = cSlotScope<tDialogResponder, &Installed<tDialogResponder>>;
  using cFileDialogResponderScope = cSlotScope<tFileDialogResponder, &Installed<tFileDialogResponder>>;
};

}  // namespace gui
