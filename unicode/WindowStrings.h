#pragma once
// Lists whose lines live in a window: the lines of an edit control and the items of a combo box.
// They keep nothing of their own; every operation is a message to the control, so every call
// reflects the window as it is now. One implementation serves the wide and the narrow controls:
// the character type comes with the base list (cWStrings or cStrings) and the messages go
// through the control's WPerform, which knows whether its window is wide or narrow.
#include <windows.h>

#include <string>
#include <string_view>

#include "unicode/NarrowStrings.h"
#include "unicode/UnicodeStrings.h"

// A control that lists can send messages to.
class IWMessageHandler {
public:
  // The system class procedure that WPerform calls directly; none for a narrow window.
  virtual WNDPROC GetDefWndProc() const = 0;
  // The current window, none before it is created; never creates one.
  virtual HWND GetWindowHandle() const = 0;
  // Sends a message to the window the way it was created (wide or narrow); 0 without a window.
  virtual LRESULT WPerform(UINT message, WPARAM wParam, LPARAM lParam) const = 0;

protected:
  ~IWMessageHandler() = default;
};

// The memo as its line list sees it.
class IWEditor : public IWMessageHandler {
public:
  // Repaints the control now.
  virtual void Refresh() = 0;
  // Empties the control.
  virtual void Clear() = 0;

protected:
  ~IWEditor() = default;
};

// The whole text of a window, in the window's own character set; no WM_GETTEXT when it is empty.
template <class Char>
std::basic_string<Char> ReadWindowText(const IWMessageHandler& handler);

// The lines of an edit control. An empty last line (after a final line break) is not counted;
// indexes of lines that do not exist read as empty lines and change nothing. Before the control
// has a window the list is empty and writes are lost.
template <class Base>
class cEditLines : public Base {
public:
  using typename Base::tChar;
  using typename Base::tString;
  using typename Base::tView;

  explicit cEditLines(IWEditor& editor) : editor_(editor) {}

  tString Get(int index) const override;
  int GetCount() const override;
  // Replaces the characters of the line; its line breaks stay.
  void Put(int index, tView text) override;
  // Skips the window when the text is already there; fails with "Text exceeds memo capacity"
  // when the control refuses it.
  void SetTextStr(tView text) override;
  void Clear() override;
  // Deleting the last line leaves the line break before it, an uncounted empty line.
  void Delete(int index) override;
  // At the count this appends: it fills the uncounted empty last line or starts a new line.
  void Insert(int index, tView text) override;

protected:
  // Freezes drawing for a batch and repaints once at its end.
  void SetUpdateState(bool updating) override;

private:
  LRESULT Perform(UINT message, WPARAM wParam, LPARAM lParam) const { return editor_.WPerform(message, wParam, lParam); }
  int LineStart(int index) const;
  int LineLength(int start) const;
  void Replace(int start, int end, const tString& text);

  IWEditor& editor_;
};

// The items of a combo box. Item matching is the control's: IndexOf ignores letter case.
template <class Base>
class cComboItems : public Base {
public:
  using typename Base::tChar;
  using typename Base::tString;
  using typename Base::tView;

  explicit cComboItems(IWMessageHandler& comboBox) : comboBox_(comboBox) {}

  tString Get(int index) const override;
  int GetCount() const override;
  // Fails with "List index out of bounds (%d)" for an index that does not exist.
  tLineObject GetObject(int index) const override;
  void PutObject(int index, tLineObject object) override;
  // Add and Insert fail with "Unable to insert a line" when the control refuses the item.
  int Add(tView text) override;
  // Empties the list but keeps the text of the edit field.
  void Clear() override;
  void Delete(int index) override;
  int IndexOf(tView text) const override;
  void Insert(int index, tView text) override;

protected:
  void SetUpdateState(bool updating) override;

private:
  LRESULT Perform(UINT message, WPARAM wParam, LPARAM lParam) const {
    return comboBox_.WPerform(message, wParam, lParam);
  }
  int CheckInserted(LRESULT answer) const;

  IWMessageHandler& comboBox_;
};

extern template class cEditLines<cWStrings>;
extern template class cEditLines<cStrings>;
extern template class cComboItems<cWStrings>;
extern template class cComboItems<cStrings>;

// The lines of a wide memo.
class cWEditorStrings final : public cEditLines<cWStrings> {
public:
  using cEditLines::cEditLines;
  std::wstring_view ClassName() const override { return L"cWEditorStrings"; }
};

// The items of a wide combo box.
class cWComboBoxStrings final : public cComboItems<cWStrings> {
public:
  using cComboItems::cComboItems;
  std::wstring_view ClassName() const override { return L"cWComboBoxStrings"; }
};

// The lines of a memo whose window is narrow.
class cMemoStrings final : public cEditLines<cStrings> {
public:
  using cEditLines::cEditLines;
  std::wstring_view ClassName() const override { return L"cMemoStrings"; }
};

// The items of a combo box whose window is narrow.
class cComboBoxStrings final : public cComboItems<cStrings> {
public:
  using cComboItems::cComboItems;
  std::wstring_view ClassName() const override { return L"cComboBoxStrings"; }
};
