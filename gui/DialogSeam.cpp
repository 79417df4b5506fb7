#include "gui/DialogSeam.h"

#include <commdlg.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace gui {
namespace {

// The longest file name the common dialogs hand back.
constexpr DWORD kMaxFileName = 32768;

// The dialogs a responder is working on now (a responder may open another one), with the code
// each has ended with.
struct tAnsweredDialog {
  HWND Dialog;
  std::optional<INT_PTR> Result;
};

std::vector<tAnsweredDialog>& AnsweredDialogs() {
  static std::vector<tAnsweredDialog> dialogs;
  return dialogs;
}

tAnsweredDialog* FindAnswered(HWND dialog) {
  auto& dialogs = AnsweredDialogs();
  auto found = std::find_if(dialogs.begin(), dialogs.end(), [&](const auto& d) { return d.Dialog == dialog; });
  return found == dialogs.end() ? nullptr : &*found;
}

// A dialog that a responder answers: known to EndDialog while it lives, destroyed at the end, also
// when the responder fails.
class cAnsweredDialog {
public:
  explicit cAnsweredDialog(HWND dialog) : dialog_(dialog) { AnsweredDialogs().push_back({dialog, std::nullopt}); }
  ~cAnsweredDialog() {
    ::DestroyWindow(dialog_);
    std::erase_if(AnsweredDialogs(), [&](const auto& d) { return d.Dialog == dialog_; });
  }
  cAnsweredDialog(const cAnsweredDialog&) = delete;
  cAnsweredDialog& operator=(const cAnsweredDialog&) = delete;

  INT_PTR Result() const { return FindAnswered(dialog_)->Result.value_or(IDCANCEL); }

private:
  HWND dialog_;
};

}  // namespace

int cDialogSeam::ShowMessage(HWND owner, std::wstring_view text, std::wstring_view caption, UINT flags) {
  tMessageBoxRequest request{owner, std::wstring(text), std::wstring(caption), flags};
  if (auto& responder = Installed<tMessageBoxResponder>()) return responder(request);
  return ::MessageBoxW(owner, request.Text.c_str(), request.Caption.c_str(), flags);
}

INT_PTR cDialogSeam::RunDialog(HWND owner, int templateId, DLGPROC procedure, LPARAM parameter) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  const wchar_t* name = MAKEINTRESOURCEW(templateId);
  // A copy: the responder may install another one while it works.
  const tDialogResponder responder = Installed<tDialogResponder>();
  if (!responder) return ::DialogBoxParamW(instance, name, owner, procedure, parameter);

  HWND dialog = ::CreateDialogParamW(instance, name, owner, procedure, parameter);
  if (!dialog) return -1;
  cAnsweredDialog answered(dialog);
  ::ShowWindow(dialog, SW_SHOW);
  responder({owner, dialog, templateId});
  return answered.Result();
}

void cDialogSeam::EndDialog(HWND dialog, INT_PTR result) {
  if (tAnsweredDialog* answered = FindAnswered(dialog)) {
    answered->Result = result;
    ::ShowWindow(dialog, SW_HIDE);
    return;
  }
  ::EndDialog(dialog, result);
}

bool cDialogSeam::RunFileDialog(tFileDialogRequest& request) {
  if (const tFileDialogResponder responder = Installed<tFileDialogResponder>()) return responder(request);
  // The dialog wants the parts of the filter ended by NUL, the whole by one more.
  std::wstring filter = request.Filter;
  std::replace(filter.begin(), filter.end(), L'|', L'\0');
  filter.push_back(L'\0');
  std::vector<wchar_t> name(kMaxFileName, L'\0');
  request.FileName.copy(name.data(), std::min<size_t>(request.FileName.size(), kMaxFileName - 1));
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = request.Owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = request.FilterIndex;
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = kMaxFileName;
  dialog.lpstrTitle = request.Title.c_str();
  dialog.Flags = request.Options;
  if (!(request.Save ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog))) return false;
  request.FileName = name.data();
  request.FilterIndex = dialog.nFilterIndex;
  return true;
}

}  // namespace gui
