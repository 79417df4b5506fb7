#pragma once
// The main window's status bar: the command pane's caret, the command Enter would send, the
// output pane's caret, and the output's line count or the current hint. The panels are drawn
// here, so the command keeps every character it has.
#include <windows.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "gui/Splitter.h"
#include "unicode/UnicodeControls.h"

class cStatus {
public:
  // Takes the bar and the splitter whose middle ends the command pane's part of the bar.
  cStatus(HWND statusBar, gui::cSplitter& splitter);
  ~cStatus();
  cStatus(const cStatus&) = delete;
  cStatus& operator=(const cStatus&) = delete;

  void ShowCommand(tCaretPos caret, std::wstring_view command, bool focused);
  // The line count; while output is held, with the lines that came since.
  void ShowOutput(tCaretPos caret, int lineCount, bool focused, std::optional<int> heldLines = std::nullopt);
  // How long the last command took ("1:02.3"), after the line count; empty while one runs.
  void ShowCommandTime(std::wstring time);
  // The long part of a hint ("short|long"), or the whole hint when it has no "|".
  void ShowHint(std::wstring_view hint);
  // Panels 0 and 1 reach to the middle of the splitter.
  void AlignCommandPanel();
  // Draws one panel for the bar's WM_DRAWITEM.
  void DrawPanel(const DRAWITEMSTRUCT& item) const;
  // The colours of a panel without the focus (at first the system's button text and face).
  void SetColours(COLORREF text, COLORREF back);

  // A panel's text, the focus mark included; and its width in pixels.
  const std::wstring& PanelText(int panel) const { return texts_.at(static_cast<size_t>(panel)); }
  int PanelWidth(int panel) const { return widths_.at(static_cast<size_t>(panel)); }

  // Appended to a caret position's text when its pane has the focus; never drawn.
  static constexpr wchar_t FocusMark = L'\x01';

private:
  void ShowCaretPos(int panel, tCaretPos caret, bool focused);
  // The line count, and the command's time after it.
  void ShowOutputText();
  void SetPanelText(int panel, std::wstring text);
  int TextWidth(std::wstring_view text) const;
  void ApplyWidths();

  HWND bar_;
  gui::cSplitter& splitter_;
  std::array<std::wstring, 4> texts_;
  std::array<int, 4> widths_{};
  // The panels' right edges as the bar has them last.
  std::array<int, 4> edges_{};
  COLORREF text_, back_;
  std::wstring lineCount_, commandTime_;
};
