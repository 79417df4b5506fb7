#pragma once
// The text controls of the program: a multi-line memo (every pane) and a combo box (the Find
// dialog), both holding UTF-16 text. On systems of the NT family their windows are wide and text
// goes in and out unchanged; elsewhere the windows are narrow and text passes through the ANSI
// code page. The path is chosen when a control is constructed and kept for its life.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "gui/Handle.h"
#include "gui/Keyboard.h"
#include "gui/Scope.h"
#include "gui/Window.h"
#include "unicode/NarrowStrings.h"
#include "unicode/UnicodeStrings.h"
#include "unicode/WindowStrings.h"

class cUnicodeHelper {
public:
  cUnicodeHelper() = delete;

  // Whether wide windows are available; decided once at start-up by CheckVersion.
  static bool IsNT() noexcept;
  static void CheckVersion();

  // Sends a message to the handler's window: straight to the system class procedure when the
  // window is wide, with SendMessageA when it is narrow; 0 without a window.
  static LRESULT Perform(const IWMessageHandler& handler, UINT message, WPARAM wParam, LPARAM lParam);

private:
  static bool& NTSlot();

public:
  // For tests: pretends, while it lives, that the system is (or is not) of the NT family, so that
  // controls constructed meanwhile take that path.
  using cIsNTOverride = gui::cSlotScope<bool, &NTSlot>;
};

class cTextProperties : public cUnicodeHelper {
public:
  // The whole text of a wide window.
  static std::wstring GetText(const IWMessageHandler& handler);
  // At most count characters of that text from the 0-based start; the text is only read when
  // count is positive.
  static std::wstring GetSubText(const IWMessageHandler& handler, int start, int count);
};

// A caret position, both parts from 0.
struct tCaretPos {
  int Column = 0;
  int Line = 0;
  friend bool operator==(const tCaretPos&, const tCaretPos&) = default;
};

// The window of a memo: the system's edit control, or the program's own text view, which answers
// the same messages.
enum tMemoWindow { mwSystemEdit, mwTextView };

class cWMemo : public gui::cWindow, public IWEditor {
public:
  explicit cWMemo(tMemoWindow window = mwSystemEdit);

  // Creates the window as a child of the parent: scroll bars (no horizontal one while words
  // wrap), line breaks on Enter, the selection kept visible without the focus, no text limit.
  void Create(HWND parent, int id);
  void SetBounds(int x, int y, int width, int height);

  bool ReadOnly() const noexcept { return readOnly_; }
  void SetReadOnly(bool readOnly);
  COLORREF Color() const noexcept { return color_; }
  void SetColor(COLORREF color);
  COLORREF TextColor() const noexcept { return textColor_; }
  void SetTextColor(COLORREF color);
  // Scroll bars in the system's dark style; kept across window re-creation.
  void SetDarkScrollBars(bool dark);
  const std::wstring& FontFace() const noexcept { return fontFace_; }
  int FontPoints() const noexcept { return fontPoints_; }
  // The font, in points scaled to the window's DPI; kept across window re-creation.
  void SetFont(std::wstring_view face, int points);
  bool WordWrap() const noexcept { return wordWrap_; }
  // Whether switching word wrap keeps the text (the text view) or starts the window empty.
  bool WordWrapKeepsText() const noexcept { return window_ == mwTextView; }
  // Re-creates a live edit control, which then starts empty: callers keep WText across the
  // change. The text view switches in place and keeps its text.
  void SetWordWrap(bool wordWrap);

  int SelStart() const;
  void SetSelStart(int start);
  int SelLength() const;
  void SetSelLength(int length);
  bool Focused() const noexcept;

  std::wstring WText() const;
  // The text of [start, end) into the buffer, without copying the rest: the program's own view
  // hands out ranges (EM_GETTEXTRANGE). False for a window that does not (a system edit control).
  bool WTextRange(std::size_t start, std::size_t end, std::wstring& buffer) const;
  void SetWText(std::wstring_view text);
  std::wstring WSelText() const;
  // Replaces the selection, or inserts at the caret when there is none.
  void SetWSelText(std::wstring_view text);
  cWStrings& WLines() noexcept { return *lines_; }
  const cWStrings& WLines() const noexcept { return *lines_; }
  // Line and column of the selection start (the caret when nothing is selected).
  tCaretPos WCaretPos() const;

  WNDPROC GetDefWndProc() const override { return defWndProc_; }
  HWND GetWindowHandle() const override { return Handle(); }
  LRESULT WPerform(UINT message, WPARAM wParam, LPARAM lParam) const override;
  void Refresh() override;
  void Clear() override;

  std::function<void()> OnChange;
  std::function<void()> OnClick;
  std::function<void()> OnEnter;
  std::function<void()> OnExit;
  // Runs once the caret has moved or the selection changed, whatever moved it: keys, the mouse,
  // a new text, or a command that sets the selection (find, go to, select all).
  std::function<void()> OnSelChange;
  // Runs before the control handles a key (Alt combinations too); setting the key to 0 keeps it
  // from the control.
  std::function<void(WORD& key, gui::tShiftState shift)> OnKeyDown;

protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // A key goes down, before the control sees it; raises OnKeyDown.
  virtual void KeyDown(WORD& key, gui::tShiftState shift);

private:
  void CreateWindowNow(const RECT& bounds);
  void ApplyFont();
  // Raises OnSelChange when the selection is not where it was last seen.
  void NoteSelection() const;
  LRESULT HandleMemoMessage(UINT message, WPARAM wParam, LPARAM lParam);

  const tMemoWindow window_;
  const bool wide_;
  std::unique_ptr<cStrings> narrowLines_;
  std::unique_ptr<cWStrings> lines_;
  WNDPROC defWndProc_ = nullptr;
  HWND parent_ = nullptr;
  int id_ = 0;
  RECT bounds_{};
  bool readOnly_ = false;
  bool wordWrap_ = false;
  COLORREF color_;
  COLORREF textColor_;
  bool darkScrollBars_ = false;
  gui::cBrush brush_;
  std::wstring fontFace_;
  int fontPoints_ = 0;
  gui::cFont font_;
  // The selection as last seen, and whether OnSelChange is running (it reads the memo too).
  mutable DWORD seenSelStart_ = 0, seenSelEnd_ = 0;
  mutable bool notingSelection_ = false;
};

class cWComboBox : public gui::cWindow, public IWMessageHandler {
public:
  cWComboBox();

  // Creates a drop-down combo box (an edit field with a list) as a child of the parent; the
  // height includes the dropped-down list.
  void Create(HWND parent, int id);
  void SetBounds(int x, int y, int width, int height);

  // The text of the edit field.
  std::wstring WText() const;
  void SetWText(std::wstring_view text);
  cWStrings& WItems() noexcept { return *items_; }
  const cWStrings& WItems() const noexcept { return *items_; }

  WNDPROC GetDefWndProc() const override { return defWndProc_; }
  HWND GetWindowHandle() const override { return Handle(); }
  LRESULT WPerform(UINT message, WPARAM wParam, LPARAM lParam) const override;

private:
  const bool wide_;
  std::unique_ptr<cStrings> narrowItems_;
  std::unique_ptr<cWStrings> items_;
  WNDPROC defWndProc_ = nullptr;
  RECT bounds_{};
};
