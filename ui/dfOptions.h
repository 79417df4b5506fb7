#pragma once
// The options dialog: the encodings of the two pipe directions, one radio button for each
// encoding and direction. A new dialog serves each use and changes nothing but the settings it is
// handed, and those only when the user confirms.
//
// The buttons form a table of two rows (input, output) by five columns: columns 0 to 3 are the
// encoding schemes by their ordinal, column 4 is OEM. The dialog copies the checks of
// tEncodingButtons into its buttons when it opens and back when it closes; the mapping between
// settings and checks works on that table alone.
#include <windows.h>

#include <array>
#include <cstddef>
#include <string>

#include "gui/Dialog.h"
#include "text/PipeEncoding.h"

inline constexpr std::size_t EncodingButtonColumns = 5;
inline constexpr std::size_t OemButtonColumn = 4;

// Which buttons are checked: [0] the input row, [1] the output row.
using tEncodingButtonRow = std::array<bool, EncodingButtonColumns>;
using tEncodingButtons = std::array<tEncodingButtonRow, 2>;

class TFormOptions : public gui::cDialog {
public:
  // Shows the dialog over the active window, preset with the settings. Confirmed, the settings
  // become the user's choice; otherwise they stay as they were. Answers whether it was confirmed.
  // An editor command left blank is the default one.
  static bool Execute(tPipeEncodings& encodings, std::wstring& editorCommand);

  // Checks the one button of each direction's encoding: OEM when its flag is set, else the
  // column of its scheme.
  static void PresetButtons(const tPipeEncodings& encodings, tEncodingButtons& buttons);
  // The settings the checked buttons stand for: OEM is the ANSI scheme with the flag set, every
  // other column its scheme with the flag cleared. A direction without a checked button keeps
  // its encoding.
  static void CollectEncodings(const tEncodingButtons& buttons, tPipeEncodings& encodings);

protected:
  bool InitDialog() override;
  void CloseDialog(INT_PTR result) override;

private:
  TFormOptions();

  tEncodingButtons buttons_{};
  std::wstring editorCommand_;
};
