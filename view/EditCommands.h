#pragma once
// What the keys do in the output view: each key, with the modifiers held, names a command in a
// table, as the edit control's keys do. The window carries the commands out: the moves and edits
// on the editing model (view/EditModel.h), the clipboard itself.
#include <windows.h>

#include <cstdint>

#include "gui/Keyboard.h"

namespace view {

enum tEditCommand : std::uint8_t {
  ecNone,
  // Moves of the caret; with Shift held they stretch the selection to where the caret goes.
  ecClusterLeft,
  ecClusterRight,
  ecWordLeft,
  ecWordRight,
  ecRowUp,
  ecRowDown,
  ecPageUp,
  ecPageDown,
  ecRowStart,
  ecRowEnd,
  ecTextStart,
  ecTextEnd,
  // Edits, undo and the clipboard.
  ecDeleteBack,
  ecDeleteForward,
  ecNewLine,
  ecUndo,
  ecCut,
  ecCopy,
  ecPaste,
};

bool IsMove(tEditCommand command) noexcept;
// The command of a key pressed with the modifiers (Alt plays no part); ecNone for a key that has
// none. Shift is part of what names an edit, and stretches the selection of a move.
tEditCommand CommandOfKey(WORD key, gui::tShiftState shift) noexcept;
// The command of a control character that WM_CHAR brings; ecNone for a character to type.
tEditCommand CommandOfChar(wchar_t character) noexcept;

}  // namespace view
