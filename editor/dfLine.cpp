#include "editor/dfLine.h"

#include <limits>

#include "gui/DialogSeam.h"
#include "gui/ResString.h"
#include "resources/resource.h"
#include "text/Utils.h"
#include "ui/ExeResources.h"

namespace {

int DigitValue(wchar_t c, bool hexadecimal) noexcept {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (hexadecimal && c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (hexadecimal && c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

TFormGotoLine::TFormGotoLine() : cDialog(IDD_GOTO_LINE) {}

void TFormGotoLine::Execute(HWND owner, tGotoRequest& request) {
  if (ShowModal(owner) != IDOK) {
    request.Accepted = false;
    return;
  }
  request.Line = Coordinate(controls_.Line);
  request.Column = Coordinate(controls_.Column);
  request.Accepted = true;
}

std::optional<std::int32_t> TFormGotoLine::ConvertInteger(std::wstring_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == L' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  bool hexadecimal = false;
  if (i < text.size() && (text[i] == L'$' || text[i] == L'x' || text[i] == L'X')) {
    hexadecimal = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X')) {
    hexadecimal = true;
    i += 2;
  }
  if (i == text.size()) return std::nullopt;
  const std::int64_t limit = negative ? -std::int64_t{std::numeric_limits<std::int32_t>::min()}
                                      : std::int64_t{std::numeric_limits<std::int32_t>::max()};
  std::int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i], hexadecimal);
    if (digit < 0) return std::nullopt;
    magnitude = magnitude * (hexadecimal ? 16 : 10) + digit;
    if (magnitude > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::optional<std::wstring> TFormGotoLine::NumberError(std::wstring_view text) {
  if (cStringUtils::Trim(text).empty() || ConvertInteger(text)) return std::nullopt;
  return gui::FormatRes(IDS_NOT_VALID_INTEGER, {text});
}

std::int32_t TFormGotoLine::Coordinate(std::wstring_view text) {
  if (cStringUtils::Trim(text).empty()) return -1;
  const std::int32_t value = ConvertInteger(text).value_or(0);
  return value > 0 ? value - 1 : -1;
}

void TFormGotoLine::DigitKeyFilter(wchar_t& key) noexcept {
  if (key < L' ' || (key >= L'0' && key <= L'9')) return;
  key = 0;
}

bool TFormGotoLine::InitDialog() {
  SetItemText(IDC_GOTO_LINE, controls_.Line);
  SetItemText(IDC_GOTO_COLUMN, controls_.Column);
  HookKeyPress(IDC_GOTO_LINE);
  HookKeyPress(IDC_GOTO_COLUMN);
  ::SetFocus(Item(IDC_GOTO_LINE));
  ::SendMessageW(Item(IDC_GOTO_LINE), EM_SETSEL, 0, -1);
  return false;
}

void TFormGotoLine::KeyPress(int, wchar_t& key) { DigitKeyFilter(key); }

bool TFormGotoLine::CanClose() { return ValidateNumberEdit(IDC_GOTO_COLUMN) && ValidateNumberEdit(IDC_GOTO_LINE); }

void TFormGotoLine::CloseDialog(INT_PTR) {
  controls_.Line = ItemText(IDC_GOTO_LINE);
  controls_.Column = ItemText(IDC_GOTO_COLUMN);
}

bool TFormGotoLine::ValidateNumberEdit(int id) {
  const std::optional<std::wstring> error = NumberError(ItemText(id));
  if (!error) return true;
  ::SetFocus(Item(id));
  gui::cDialogSeam::ShowMessage(Handle(), *error, ProductName(), MB_OK | MB_ICONERROR);
  return false;
}

TFormGotoLine& FormGotoLine() {
  static TFormGotoLine form;
  return form;
}

void QueryGotoPosition(HWND owner, tGotoRequest& request) { FormGotoLine().Execute(owner, request); }
