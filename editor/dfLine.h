#pragma once
// The go-to dialog: a line and a column, each of which may be left empty, checked before the
// dialog closes. One dialog serves the whole run; its two boxes keep their texts between uses.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "gui/Dialog.h"

// Where to go, both counted from 0; -1 (or less) where the user gave nothing usable.
struct tGotoRequest {
  std::int32_t Column = -1;
  std::int32_t Line = -1;
  bool Accepted = false;  // the dialog was closed with OK
};

// The texts of the two boxes.
struct tGotoControls {
  std::wstring Line = L"1";
  std::wstring Column = L"1";
};

class TFormGotoLine : public gui::cDialog {
public:
  TFormGotoLine();

  // Shows the dialog over the owner and fills the request; only Accepted when cancelled.
  void Execute(HWND owner, tGotoRequest& request);

  // The integer in a box's text: leading spaces, an optional sign, then decimal digits, or
  // hexadecimal ones after "$", "x" or "0x"; nothing else, and within 32 bits.
  static std::optional<std::int32_t> ConvertInteger(std::wstring_view text);
  // The message for a box's text that is neither blank nor an integer; none for a valid one.
  static std::optional<std::wstring> NumberError(std::wstring_view text);
  // The coordinate a valid box's text gives, from 0: -1 for a blank box, 0 or less.
  static std::int32_t Coordinate(std::wstring_view text);
  // Typed into a box, only digits and backspace pass; other characters become 0. Control
  // characters such as Ctrl+V pass too: they are commands, not typed text.
  static void DigitKeyFilter(wchar_t& key) noexcept;

  tGotoControls& Controls() noexcept { return controls_; }
  const tGotoControls& Controls() const noexcept { return controls_; }

protected:
  bool InitDialog() override;
  void KeyPress(int id, wchar_t& key) override;
  // The column box is checked first; the line box only when the column is valid.
  bool CanClose() override;
  void CloseDialog(INT_PTR result) override;

private:
  // A box that is neither blank nor an integer gets the focus and an error box.
  bool ValidateNumberEdit(int id);

  tGotoControls controls_;
};

// The program's one go-to dialog.
TFormGotoLine& FormGotoLine();
// For the go-to command.
void QueryGotoPosition(HWND owner, tGotoRequest& request);
