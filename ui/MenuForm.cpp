#include "ui/MenuForm.h"

#include <commdlg.h>

#include "gui/DialogSeam.h"
#include "gui/ResString.h"
#include "resources/resource.h"
#include "session/Main.h"
#include "ui/ExeResources.h"
#include "ui/Help.h"
#include "ui/dfAbout.h"
#include "ui/dfOptions.h"

const std::wstring& SaveAsFilter() {
  static const std::wstring filter = [] {
    std::wstring joined;
    for (unsigned id : {IDS_SAVE_AS_FILTER_UTF8, IDS_SAVE_AS_FILTER_UTF16LE, IDS_SAVE_AS_FILTER_UTF16BE,
                        IDS_SAVE_AS_FILTER_ANSI}) {
      if (!joined.empty()) joined += L'|';
      joined += gui::LoadResString(id);
    }
    return joined;
  }();
  return filter;
}

bool cFileDialog::Execute(HWND owner) {
  gui::tFileDialogRequest request{owner, save_, Title, Filter, Options, FileName, FilterIndex};
  if (!gui::cDialogSeam::RunFileDialog(request)) return false;
  FileName = request.FileName;
  FilterIndex = request.FilterIndex;
  return true;
}

void cMenuForm::SetUpMenuForm(HMENU mainMenu, HWND statusBar, cFileDialog& saveDialog, cFileDialog& loadDialog) {
  mainMenu_ = mainMenu;
  statusBar_ = statusBar;
  saveDialog_ = &saveDialog;
  loadDialog_ = &loadDialog;
  loadDialog.Filter = gui::LoadResString(IDS_LOAD_FILTER);
  loadDialog.Options = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_ENABLESIZING;
  loadDialog.Title = gui::LoadResString(IDS_LOAD_TITLE);
  saveDialog.Filter = SaveAsFilter();
  saveDialog.Options = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_ENABLESIZING;
  saveDialog.Title = gui::LoadResString(IDS_SAVE_AS_TITLE);
}

HWND cMenuForm::ActiveControl() {
  HWND focus = ::GetFocus();
  if (focus && ::IsChild(Handle(), focus)) activeControl_ = focus;
  if (activeControl_ && !::IsChild(Handle(), activeControl_)) activeControl_ = nullptr;
  return activeControl_;
}

cSearchableEditor* cMenuForm::ActiveEditor() {
  HWND control = ActiveControl();
  return control ? EditorOf(control) : nullptr;
}

bool cMenuForm::HandleFocusMessage(UINT message, WPARAM wParam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        ActiveControl();
        return false;
      }
      // The control that had the focus gets it back, rather than the frame.
      if (HWND control = ActiveControl(); control && !HIWORD(wParam)) {
        ::SetFocus(control);
        return true;
      }
      return false;
    case WM_SETFOCUS:
      if (HWND control = ActiveControl()) {
        ::SetFocus(control);
        return true;
      }
      return false;
    default:
      return false;
  }
}

// ---- commands ----

bool cMenuForm::FileLoad(bool doIt) {
  cSearchableEditor* editor = ActiveEditor();
  if (editor && doIt) LoadFileInto(*editor);
  return editor != nullptr;
}

bool cMenuForm::FileSaveAs(bool doIt) {
  cSearchableEditor* editor = ActiveEditor();
  if (editor && doIt) SaveFileFrom(*editor);
  return editor != nullptr;
}

bool cMenuForm::SearchFind(bool doIt) {
  cSearchableEditor* editor = ActiveEditor();
  if (editor && doIt) FindInEditor(*editor);
  return editor != nullptr;
}

bool cMenuForm::SearchFindNext(bool doIt) {
  cSearchableEditor* editor = ActiveEditor();
  if (editor && doIt) FindNextInEditor(*editor);
  return editor != nullptr;
}

bool cMenuForm::SearchGotoLine(bool doIt) {
  cSearchableEditor* editor = ActiveEditor();
  if (editor && doIt) GotoInEditor(*editor);
  return editor != nullptr;
}

bool cMenuForm::ViewFontStep(bool doIt, tFontStep step) {
  cSearchableEditor* editor = ActiveEditor();
  if (!editor) return false;
  if (!doIt) return true;
  const int size = editor->FontPoints();
  if (step == fsReduce) {
    if (size < 2) return true;
    editor->SetFont(editor->FontFace(), size - 1);
  } else {
    if (size > ::GetSystemMetrics(SM_CYSCREEN) / 2) return true;
    editor->SetFont(editor->FontFace(), size + 1);
  }
  return true;
}

bool cMenuForm::ViewWordWrap(bool doIt, bool& wrapped) {
  cSearchableEditor* editor = ActiveEditor();
  if (!editor) return false;
  wrapped = editor->WordWrap();
  if (doIt) {
    // Changing the wrap re-creates the window empty, with the scroll bars that go with the
    // wrap: a vertical one only while wrapping, both otherwise.
    cWStrings::cUpdateScope update(editor->WLines());
    const std::wstring text = editor->WText();
    editor->SetWordWrap(!wrapped);
    editor->SetWText(text);
  }
  return true;
}

bool cMenuForm::ViewStatusBar(bool doIt, bool& visible) {
  if (doIt && statusBar_) {
    visible = !::IsWindowVisible(statusBar_);
    ::ShowWindow(statusBar_, visible ? SW_SHOW : SW_HIDE);
    // The panes take the room the bar leaves, or give it back.
    RECT client;
    ::GetClientRect(Handle(), &client);
    ::SendMessageW(Handle(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  }
  return true;
}

bool cMenuForm::ViewMenu(bool doIt, bool& attached) {
  if (doIt) {
    attached = ::GetMenu(Handle()) == nullptr;
    ::SetMenu(Handle(), attached ? mainMenu_ : nullptr);
  }
  return true;
}

bool cMenuForm::StatusBtnShowMenu(bool doIt) {
  const bool available = ::GetMenu(Handle()) == nullptr;
  if (available && doIt) ::SetMenu(Handle(), mainMenu_);
  return available;
}

bool cMenuForm::ToolsOptions(bool doIt) {
  if (doIt) {
    auto& session = dynamic_cast<cFormMain&>(*this);
    tPipeEncodings encodings = session.Encodings();
    if (TFormOptions::Execute(encodings)) session.SetEncodings(encodings);
  }
  return true;
}

bool cMenuForm::HelpHelp(bool doIt) {
  if (doIt) ShowHelp(Handle());
  return true;
}

bool cMenuForm::HelpAbout(bool doIt) {
  if (doIt) FormAbout().Execute(Handle());
  return true;
}

bool cMenuForm::Edit(bool doIt, tEditCommand command) {
  cSearchableEditor* editor = ActiveEditor();
  if (!editor) return false;
  bool available = false;
  UINT message = 0;
  switch (command) {
    case ecCut:
      available = editor->SelLength() > 0;
      message = WM_CUT;
      break;
    case ecCopy:
      available = editor->SelLength() > 0;
      message = WM_COPY;
      break;
    case ecDelete:
      available = editor->SelLength() > 0;
      message = WM_CLEAR;
      break;
    case ecPaste:
      available = ::IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE;
      message = WM_PASTE;
      break;
    case ecSelectAll:
      available = editor->WPerform(WM_GETTEXTLENGTH, 0, 0) > 0;
      message = EM_SETSEL;
      break;
    case ecUndo:
      available = editor->WPerform(EM_CANUNDO, 0, 0) != 0;
      message = EM_UNDO;
      break;
  }
  if (available && doIt) editor->WPerform(message, 0, message == EM_SETSEL ? -1 : 0);
  return available;
}

// ---- file and search steps ----

void cMenuForm::LoadFileInto(cSearchableEditor& editor) {
  if (!loadDialog_ || !loadDialog_->Execute(Handle())) return;
  const tLoadedFile loaded = editor.LoadFromFile(loadDialog_->FileName);
  if (loaded.ReplacedNuls == 0) return;
  const std::wstring message =
      gui::FormatRes(IDS_NULS_REPLACED, {loadDialog_->FileName, std::to_wstring(loaded.ReplacedNuls)});
  gui::cDialogSeam::ShowMessage(Handle(), message, gui::FormatRes(IDS_PRODUCT_CAPTION, {ProductName()}),
                                MB_OK | MB_ICONINFORMATION);
}

void cMenuForm::SaveFileFrom(cSearchableEditor& editor) {
  if (!saveDialog_ || !saveDialog_->Execute(Handle())) return;
  const DWORD index = saveDialog_->FilterIndex;
  const tEncodingScheme scheme = index >= 1 && index <= esANSI + 1u ? static_cast<tEncodingScheme>(index - 1) : esUTF8;
  const std::wstring caption = gui::FormatRes(IDS_PRODUCT_CAPTION, {ProductName()});
  if (scheme == esANSI && !editor.ConfirmAnsiSave(Handle(), saveDialog_->FileName, caption)) return;
  editor.SaveToFile(saveDialog_->FileName, scheme);
}

void cMenuForm::FindInEditor(cSearchableEditor& editor) {
  tSearchRequest request;
  QueryFindRequest(Handle(), editor.SelLength() > 0, request);
  editor.Find(request);
}

void cMenuForm::FindNextInEditor(cSearchableEditor& editor) {
  tSearchRequest request;
  QueryFindNextRequest(Handle(), editor.SelLength() > 0, request);
  editor.FindNext(request);
}

void cMenuForm::GotoInEditor(cSearchableEditor& editor) {
  tGotoRequest request;
  QueryGotoPosition(Handle(), request);
  editor.Goto(request);
}
