#pragma once
// A modal dialog of a resource-script template, driven by one dialog procedure: it takes the
// object from the creation parameter at WM_INITDIALOG, dispatches to the virtual handlers and
// forgets the object when the window goes. The modal run goes through the dialog seam, so tests
// can answer it. The window lives only while the dialog runs; what must outlive it, the object
// keeps and copies into the controls and back.
#include <windows.h>

#include <string>
#include <string_view>

namespace gui {

class cDialog {
public:
  cDialog(const cDialog&) = delete;
  cDialog& operator=(const cDialog&) = delete;
  virtual ~cDialog();

  // The window while the dialog runs, none otherwise.
  HWND Handle() const noexcept { return hwnd_; }

protected:
  explicit cDialog(int templateId) noexcept : templateId_(templateId) {}

  // Shows the dialog modally, centred on its owner, and returns the code it ended with.
  INT_PTR ShowModal(HWND owner);
  // Ends the modal run with the code; CloseDialog comes first.
  void EndModal(INT_PTR result);

  // The controls are there: fill them. Answers true to let the system focus the first one.
  virtual bool InitDialog();
  // A command of a control or a button. By default IDOK ends the run when CanClose allows it and
  // IDCANCEL (also Esc and the close box) ends it at once. Answers whether it was handled.
  virtual bool Command(int id, int notification);
  // Whether the dialog may end with IDOK now; when not, the handler keeps it open.
  virtual bool CanClose();
  // The run is about to end with the code; the controls still exist.
  virtual void CloseDialog(INT_PTR result);
  // A character typed into a control given to HookKeyPress, before the control sees it; setting
  // it to 0 discards it.
  virtual void KeyPress(int id, wchar_t& key);
  // Every message of the dialog; what it does not handle goes to the dialog manager (FALSE).
  virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  HWND Item(int id) const noexcept { return ::GetDlgItem(hwnd_, id); }
  std::wstring ItemText(int id) const;
  void SetItemText(int id, std::wstring_view text);
  bool Checked(int id) const noexcept;
  void SetChecked(int id, bool checked);
  void EnableItem(int id, bool enabled);
  // Routes the characters typed into the control through KeyPress.
  void HookKeyPress(int id);

  // A control of the template that only marks a place: it is destroyed, and a control of ours
  // created with its id takes its bounds, font and place in the tab order through TakePlace.
  struct tPlaceholder {
    RECT Bounds;
    HWND Previous;  // the control before it in the tab order; none when it was the first
  };
  tPlaceholder RemovePlaceholder(int id);
  void TakePlace(HWND control, const tPlaceholder& placeholder);

private:
  static INT_PTR CALLBACK Trampoline(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK KeyPressHook(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
  void CenterOnOwner();

  const int templateId_;
  HWND hwnd_ = nullptr;
};

}  // namespace gui
