#include "ui/MenuForm.h"

#include <commdlg.h>

#include <optional>

#include "gui/DialogSeam.h"
#include "gui/ResString.h"
#include "resources/resource.h"
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

void SetUpLogDialog(cFileDialog& dialog) {
  dialog.Filter = gui::LoadResString(IDS_LOG_FILTER);
  // The log is appended to, so an existing file needs no question.
  dialog.Options = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_ENABLESIZING;
  dialog.Title = gui::LoadResString(IDS_LOG_TITLE);
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

bool cMenuForm::WithActiveEditor(bool doIt, void (cMenuForm::*step)(cSearchableEditor&)) {
  cSearchableEditor* editor = ActiveEditor();
  if (editor && doIt) (this->*step)(*editor);
  return editor != nullptr;
}

bool cMenuForm::FileExit(bool doIt, bool&) {
  if (doIt) ::PostMessageW(Handle(), WM_CLOSE, 0, 0);
  return true;
}

bool cMenuForm::FileLoad(bool doIt, bool&) { return WithActiveEditor(doIt, &cMenuForm::LoadFileInto); }
bool cMenuForm::FileSaveAs(bool doIt, bool&) { return WithActiveEditor(doIt, &cMenuForm::SaveFileFrom); }
bool cMenuForm::SearchFind(bool doIt, bool&) { return WithActiveEditor(doIt, &cMenuForm::FindInEditor); }
bool cMenuForm::SearchFindNext(bool doIt, bool&) { return WithActiveEditor(doIt, &cMenuForm::FindNextInEditor); }
bool cMenuForm::SearchGotoLine(bool doIt, bool&) { return WithActiveEditor(doIt, &cMenuForm::GotoInEditor); }
bool cMenuForm::ViewEnlargeFont(bool doIt, bool&) { return FontStep(doIt, +1); }
bool cMenuForm::ViewReduceFont(bool doIt, bool&) { return FontStep(doIt, -1); }

bool cMenuForm::FontStep(bool doIt, int step) {
  cSearchableEditor* editor = ActiveEditor();
  if (!editor) return false;
  const int size = editor->FontPoints() + step;
  // From 1 point up to half the screen's height.
  if (doIt && size >= 1 && size <= ::GetSystemMetrics(SM_CYSCREEN) / 2 + 1) editor->SetFont(editor->FontFace(), size);
  return true;
}

bool cMenuForm::ViewWordWrap(bool doIt, bool& wrapped) {
  cSearchableEditor* editor = ActiveEditor();
  if (!editor) return false;
  wrapped = editor->WordWrap();
  if (doIt && editor->WordWrapKeepsText()) {
    editor->SetWordWrap(!wrapped);
  } else if (doIt) {
    // Changing the wrap re-creates an edit control empty, with the scroll bars that go with the
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

bool cMenuForm::StatusBtnShowMenu(bool doIt, bool&) {
  const bool available = ::GetMenu(Handle()) == nullptr;
  if (available && doIt) ::SetMenu(Handle(), mainMenu_);
  return available;
}

bool cMenuForm::ToolsOptions(bool doIt, bool&) {
  if (doIt) {
    tPipeEncodings encodings = Encodings();
    std::wstring editorCommand = EditorCommand();
    if (TFormOptions::Execute(encodings, editorCommand)) {
      SetEncodings(encodings);
      SetEditorCommand(editorCommand);
    }
  }
  return true;
}

bool cMenuForm::HelpHelp(bool doIt, bool&) {
  if (doIt) ShowHelp(Handle());
  return true;
}

bool cMenuForm::HelpAbout(bool doIt, bool&) {
  if (doIt) FormAbout().Execute(Handle());
  return true;
}

bool cMenuForm::EditMessage(bool doIt, UINT message, bool (*available)(cSearchableEditor&)) {
  cSearchableEditor* editor = ActiveEditor();
  if (!editor || !available(*editor)) return false;
  if (doIt) editor->WPerform(message, 0, message == EM_SETSEL ? -1 : 0);
  return true;
}

namespace {

bool HasSelection(cSearchableEditor& editor) { return editor.SelLength() > 0; }
bool HasText(cSearchableEditor& editor) { return editor.WPerform(WM_GETTEXTLENGTH, 0, 0) > 0; }
bool CanUndo(cSearchableEditor& editor) { return editor.WPerform(EM_CANUNDO, 0, 0) != 0; }
bool ClipboardHasText(cSearchableEditor&) { return ::IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE; }

}  // namespace

bool cMenuForm::EditCut(bool doIt, bool&) { return EditMessage(doIt, WM_CUT, HasSelection); }
bool cMenuForm::EditCopy(bool doIt, bool&) { return EditMessage(doIt, WM_COPY, HasSelection); }
bool cMenuForm::EditPaste(bool doIt, bool&) { return EditMessage(doIt, WM_PASTE, ClipboardHasText); }
bool cMenuForm::EditDelete(bool doIt, bool&) { return EditMessage(doIt, WM_CLEAR, HasSelection); }
bool cMenuForm::EditSelectAll(bool doIt, bool&) { return EditMessage(doIt, EM_SETSEL, HasText); }
bool cMenuForm::EditUndo(bool doIt, bool&) { return EditMessage(doIt, EM_UNDO, CanUndo); }

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
  if (!saveDialog_) return;
  // After a load the dialog starts with the file's own scheme: accepting it keeps the encoding.
  if (const std::optional<tEncodingScheme> loaded = editor.LoadedScheme())
    saveDialog_->FilterIndex = loaded.value() + 1u;
  if (!saveDialog_->Execute(Handle())) return;
  editor.ForgetLoadedScheme();
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
