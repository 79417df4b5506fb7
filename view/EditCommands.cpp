#include "view/EditCommands.h"

#include <algorithm>
#include <iterator>

namespace view {
namespace {

struct tKeyCommand {
  WORD Key;
  gui::tShiftState Shift;
  tEditCommand Command;
};

// Control is part of every key's name; for a move Shift is not (it stretches the selection).
constexpr tKeyCommand kKeys[] = {
    {VK_LEFT, 0, ecClusterLeft},           {VK_LEFT, gui::ssCtrl, ecWordLeft},
    {VK_RIGHT, 0, ecClusterRight},         {VK_RIGHT, gui::ssCtrl, ecWordRight},
    {VK_UP, 0, ecRowUp},                   {VK_UP, gui::ssCtrl, ecRowUp},
    {VK_DOWN, 0, ecRowDown},               {VK_DOWN, gui::ssCtrl, ecRowDown},
    {VK_PRIOR, 0, ecPageUp},               {VK_PRIOR, gui::ssCtrl, ecPageUp},
    {VK_NEXT, 0, ecPageDown},              {VK_NEXT, gui::ssCtrl, ecPageDown},
    {VK_HOME, 0, ecRowStart},              {VK_HOME, gui::ssCtrl, ecTextStart},
    {VK_END, 0, ecRowEnd},                 {VK_END, gui::ssCtrl, ecTextEnd},
    {VK_DELETE, 0, ecDeleteForward},       {VK_DELETE, gui::ssCtrl, ecDeleteForward},
    {VK_DELETE, gui::ssShift, ecCut},      {VK_INSERT, gui::ssCtrl, ecCopy},
    {VK_INSERT, gui::ssShift, ecPaste},    {VK_INSERT, gui::ssCtrl | gui::ssShift, ecPaste},
};

struct tCharCommand {
  wchar_t Character;
  tEditCommand Command;
};

constexpr tCharCommand kChars[] = {
    {L'\x03', ecCopy},      // Ctrl+C
    {L'\x16', ecPaste},     // Ctrl+V
    {L'\x18', ecCut},       // Ctrl+X
    {L'\x1A', ecUndo},      // Ctrl+Z
    {L'\b', ecDeleteBack},  // Backspace
    {L'\r', ecNewLine},     // Enter
};

}  // namespace

bool IsMove(tEditCommand command) noexcept { return command >= ecClusterLeft && command <= ecTextEnd; }

tEditCommand CommandOfKey(WORD key, gui::tShiftState shift) noexcept {
  const gui::tShiftState held = shift & (gui::ssCtrl | gui::ssShift), control = held & gui::ssCtrl;
  const auto found = std::find_if(std::begin(kKeys), std::end(kKeys), [&](const tKeyCommand& entry) {
    return entry.Key == key && (entry.Shift == held || (IsMove(entry.Command) && entry.Shift == control));
  });
  return found == std::end(kKeys) ? ecNone : found->Command;
}

tEditCommand CommandOfChar(wchar_t character) noexcept {
  const auto found = std::find_if(std::begin(kChars), std::end(kChars),
                                  [&](const tCharCommand& entry) { return entry.Character == character; });
  return found == std::end(kChars) ? ecNone : found->Command;
}

}  // namespace view
