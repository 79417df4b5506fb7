#include "ui/dfOptions.h"

#include <algorithm>

#include "resources/resource.h"
#include "session/EditorCommand.h"
#include "text/Utils.h"

namespace {

// The button table: the id of each button, by direction and column.
constexpr std::array<std::array<int, EncodingButtonColumns>, 2> ButtonIds = {{
    {IDC_OPTIONS_INPUT_UTF8, IDC_OPTIONS_INPUT_UTF16LE, IDC_OPTIONS_INPUT_UTF16BE, IDC_OPTIONS_INPUT_ANSI,
     IDC_OPTIONS_INPUT_OEM},
    {IDC_OPTIONS_OUTPUT_UTF8, IDC_OPTIONS_OUTPUT_UTF16LE, IDC_OPTIONS_OUTPUT_UTF16BE, IDC_OPTIONS_OUTPUT_ANSI,
     IDC_OPTIONS_OUTPUT_OEM},
}};

void PresetRow(const tPipeEncoding& encoding, tEncodingButtonRow& row) {
  row.fill(false);
  row[encoding.Oem ? OemButtonColumn : static_cast<std::size_t>(encoding.Scheme)] = true;
}

void CollectRow(const tEncodingButtonRow& row, tPipeEncoding& encoding) {
  if (row[OemButtonColumn]) {
    encoding = peOEM;
    return;
  }
  const auto checked = std::find(row.begin(), row.end(), true);
  if (checked == row.end()) return;
  encoding = {static_cast<tEncodingScheme>(checked - row.begin()), false};
}

}  // namespace

TFormOptions::TFormOptions() : cDialog(IDD_OPTIONS) {}

bool TFormOptions::Execute(tPipeEncodings& encodings, std::wstring& editorCommand) {
  TFormOptions form;
  PresetButtons(encodings, form.buttons_);
  form.editorCommand_ = editorCommand;
  // Like every modal box of the program, it belongs to the window the user is working in.
  if (form.ShowModal(::GetActiveWindow()) != IDOK) return false;
  CollectEncodings(form.buttons_, encodings);
  editorCommand = cStringUtils::Trim(form.editorCommand_);
  if (editorCommand.empty()) editorCommand = kDefaultEditorCommand;
  return true;
}

void TFormOptions::PresetButtons(const tPipeEncodings& encodings, tEncodingButtons& buttons) {
  PresetRow(encodings.Input, buttons[0]);
  PresetRow(encodings.Output, buttons[1]);
}

void TFormOptions::CollectEncodings(const tEncodingButtons& buttons, tPipeEncodings& encodings) {
  CollectRow(buttons[0], encodings.Input);
  CollectRow(buttons[1], encodings.Output);
}

bool TFormOptions::InitDialog() {
  SetItemText(IDC_OPTIONS_EDITOR, editorCommand_);
  for (std::size_t direction = 0; direction < ButtonIds.size(); ++direction)
    for (std::size_t column = 0; column < EncodingButtonColumns; ++column)
      SetChecked(ButtonIds[direction][column], buttons_[direction][column]);
  // The focus goes to the input encoding the user has, not to the first button of the group.
  const auto& input = buttons_[0];
  const auto checked = std::find(input.begin(), input.end(), true);
  if (checked == input.end()) return true;
  ::SetFocus(Item(ButtonIds[0][static_cast<std::size_t>(checked - input.begin())]));
  return false;
}

void TFormOptions::CloseDialog(INT_PTR) {
  for (std::size_t direction = 0; direction < ButtonIds.size(); ++direction)
    for (std::size_t column = 0; column < EncodingButtonColumns; ++column)
      buttons_[direction][column] = Checked(ButtonIds[direction][column]);
  editorCommand_ = ItemText(IDC_OPTIONS_EDITOR);
}
