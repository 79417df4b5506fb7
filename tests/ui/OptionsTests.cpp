#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstddef>
#include <functional>

#include "gui/DialogSeam.h"
#include "resources/resource.h"
#include "tests/editor/EditorTestSupport.h"
#include "ui/dfOptions.h"

namespace {

// The five encodings in the order of the button columns.
constexpr std::array<tPipeEncoding, EncodingButtonColumns> Encodings = {peUTF8, peUTF16LE, peUTF16BE, peANSI, peOEM};

constexpr std::array<int, EncodingButtonColumns> InputIds = {IDC_OPTIONS_INPUT_UTF8, IDC_OPTIONS_INPUT_UTF16LE,
                                                            IDC_OPTIONS_INPUT_UTF16BE, IDC_OPTIONS_INPUT_ANSI,
                                                            IDC_OPTIONS_INPUT_OEM};
constexpr std::array<int, EncodingButtonColumns> OutputIds = {IDC_OPTIONS_OUTPUT_UTF8, IDC_OPTIONS_OUTPUT_UTF16LE,
                                                             IDC_OPTIONS_OUTPUT_UTF16BE, IDC_OPTIONS_OUTPUT_ANSI,
                                                             IDC_OPTIONS_OUTPUT_OEM};

tEncodingButtonRow OnlyColumn(std::size_t column) {
  tEncodingButtonRow row{};
  row[column] = true;
  return row;
}

// One button checked in each direction.
tEncodingButtons OnlyColumns(std::size_t input, std::size_t output) { return {OnlyColumn(input), OnlyColumn(output)}; }

// Runs the options dialog on the settings with the user's actions; answers what Execute did.
bool RunOptions(tPipeEncodings& encodings, std::wstring& editorCommand, const std::function<void(HWND)>& user) {
  bool confirmed = false;
  RunAsUser(IDD_OPTIONS, user, [&] { confirmed = TFormOptions::Execute(encodings, editorCommand); });
  return confirmed;
}

bool RunOptions(tPipeEncodings& encodings, const std::function<void(HWND)>& user) {
  std::wstring editorCommand = L"ed %f";
  return RunOptions(encodings, editorCommand, user);
}

// The buttons the dialog shows checked, input then output.
tEncodingButtons CheckedColumns(HWND dialog) {
  tEncodingButtons checked{};
  for (std::size_t column = 0; column < EncodingButtonColumns; ++column) {
    checked[0][column] = IsChecked(dialog, InputIds[column]);
    checked[1][column] = IsChecked(dialog, OutputIds[column]);
  }
  return checked;
}

}  // namespace

TEST(OptionsDialog, EachEncodingChecksItsOwnColumnAndReadsBackTheSame) {
  for (std::size_t in = 0; in < Encodings.size(); ++in) {
    for (std::size_t out = 0; out < Encodings.size(); ++out) {
      SCOPED_TRACE(testing::Message() << "input column " << in << ", output column " << out);
      // A table left over from earlier checks loses them.
      tEncodingButtons buttons;
      buttons[0].fill(true);
      buttons[1].fill(true);
      TFormOptions::PresetButtons({Encodings[in], Encodings[out]}, buttons);
      EXPECT_EQ(buttons, OnlyColumns(in, out));

      tPipeEncodings collected{peUTF16BE, peUTF16BE};
      TFormOptions::CollectEncodings(buttons, collected);
      EXPECT_EQ(collected, (tPipeEncodings{Encodings[in], Encodings[out]}));
    }
  }
}

TEST(OptionsDialog, EachButtonStandsForItsEncodingInEitherDirection) {
  for (std::size_t column = 0; column < Encodings.size(); ++column) {
    SCOPED_TRACE(testing::Message() << "column " << column);
    tPipeEncodings encodings{peUTF16BE, peUTF16LE};
    TFormOptions::CollectEncodings({OnlyColumn(column), OnlyColumn(OemButtonColumn)}, encodings);
    EXPECT_EQ(encodings.Input, Encodings[column]);
    EXPECT_EQ(encodings.Output, peOEM);

    encodings = {peUTF16BE, peUTF16LE};
    TFormOptions::CollectEncodings({OnlyColumn(0), OnlyColumn(column)}, encodings);
    EXPECT_EQ(encodings.Input, peUTF8);
    EXPECT_EQ(encodings.Output, Encodings[column]);
  }
}

TEST(OptionsDialog, OemIsTheAnsiSchemeWithItsFlagAndAnsiClearsIt) {
  // The flag alone tells OEM from ANSI: presetting ANSI must not leave the OEM button checked.
  tEncodingButtons buttons{};
  TFormOptions::PresetButtons({peANSI, peOEM}, buttons);
  EXPECT_EQ(buttons, OnlyColumns(3, 4));
  tPipeEncodings encodings{peOEM, peANSI};
  TFormOptions::CollectEncodings(buttons, encodings);
  EXPECT_EQ(encodings.Input, (tPipeEncoding{esANSI, false}));
  EXPECT_EQ(encodings.Output, (tPipeEncoding{esANSI, true}));

  // Settings that never come from the dialog: a flag with another scheme still means OEM.
  TFormOptions::PresetButtons({{esUTF8, true}, {esUTF16BE, false}}, buttons);
  EXPECT_EQ(buttons, OnlyColumns(4, 2));
}

TEST(OptionsDialog, CheckedButtonsAreReadOemFirstThenTheFirstScheme) {
  tPipeEncodings encodings{peUTF8, peUTF8};
  TFormOptions::CollectEncodings({tEncodingButtonRow{false, true, true, true, true}, {false, false, true, true, false}},
                                 encodings);
  EXPECT_EQ(encodings.Input, peOEM);
  EXPECT_EQ(encodings.Output, peUTF16BE);
  // A direction without any checked button keeps its encoding.
  encodings = {peUTF16LE, peANSI};
  TFormOptions::CollectEncodings({tEncodingButtonRow{}, OnlyColumn(0)}, encodings);
  EXPECT_EQ(encodings.Input, peUTF16LE);
  EXPECT_EQ(encodings.Output, peUTF8);
}

TEST(OptionsDialog, TheDefaultsShowOemCheckedBothWays) {
  tPipeEncodings encodings;
  const bool confirmed = RunOptions(encodings, [](HWND dialog) {
    EXPECT_EQ(WindowText(dialog), L" Options");
    EXPECT_EQ(WindowText(::GetDlgItem(dialog, IDC_OPTIONS_INPUT_OEM)), L"&OEM");
    EXPECT_EQ(WindowText(::GetDlgItem(dialog, IDC_OPTIONS_OUTPUT_OEM)), L"OE&M");
    EXPECT_EQ(WindowText(::GetDlgItem(dialog, IDC_OPTIONS_OUTPUT_UTF16LE)), L"UTF16LE (\"U&nicode\")");
    EXPECT_EQ(CheckedColumns(dialog), OnlyColumns(4, 4));
    EXPECT_EQ(::GetFocus(), ::GetDlgItem(dialog, IDC_OPTIONS_INPUT_OEM));
    Click(dialog, IDOK);
  });
  EXPECT_TRUE(confirmed);
  EXPECT_EQ(encodings, (tPipeEncodings{peOEM, peOEM}));
}

TEST(OptionsDialog, OkHandsBackTheButtonsTheUserChecked) {
  // Every button of both directions, clicked in the real dialog, and every preset shown there.
  for (std::size_t column = 0; column < Encodings.size(); ++column) {
    SCOPED_TRACE(testing::Message() << "column " << column);
    const std::size_t inputChoice = (column + 1) % Encodings.size(), outputChoice = (column + 3) % Encodings.size();
    tPipeEncodings encodings{Encodings[column], Encodings[4 - column]};
    const bool confirmed = RunOptions(encodings, [&](HWND dialog) {
      EXPECT_EQ(CheckedColumns(dialog), OnlyColumns(column, 4 - column));
      Click(dialog, InputIds[inputChoice]);
      Click(dialog, OutputIds[outputChoice]);
      // The two directions are groups of their own.
      EXPECT_EQ(CheckedColumns(dialog), OnlyColumns(inputChoice, outputChoice));
      Click(dialog, IDOK);
    });
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(encodings, (tPipeEncodings{Encodings[inputChoice], Encodings[outputChoice]}));
  }
}

TEST(OptionsDialog, TheEditorCommandIsShownAndHandedBack) {
  struct tCase {
    const wchar_t* Typed;  // none: left as shown
    UINT Closing;
    const wchar_t* Expected;
  };
  const tCase cases[] = {
      {nullptr, IDOK, L"code -g %f:%l:%c"},
      {L"  \"C:\\My Editor\\ed.exe\" -n%l \"%f\" ", IDOK, L"\"C:\\My Editor\\ed.exe\" -n%l \"%f\""},
      // A blank command is the default one.
      {L"   ", IDOK, L"notepad.exe \"%f\""},
      {L"other %f", IDCANCEL, L"code -g %f:%l:%c"},
  };
  for (const tCase& c : cases) {
    tPipeEncodings encodings;
    std::wstring editorCommand = L"code -g %f:%l:%c";
    RunOptions(encodings, editorCommand, [&](HWND dialog) {
      HWND field = ::GetDlgItem(dialog, IDC_OPTIONS_EDITOR);
      EXPECT_EQ(WindowText(field), L"code -g %f:%l:%c");
      if (c.Typed) ::SetWindowTextW(field, c.Typed);
      Click(dialog, static_cast<int>(c.Closing));
    });
    EXPECT_EQ(editorCommand, c.Expected) << (c.Typed ? c.Typed : L"(as shown)");
    EXPECT_EQ(encodings, (tPipeEncodings{peOEM, peOEM}));
  }
}

TEST(OptionsDialog, OneDirectionChangesAlone) {
  tPipeEncodings encodings;
  EXPECT_TRUE(RunOptions(encodings, [](HWND dialog) {
    Click(dialog, IDC_OPTIONS_OUTPUT_UTF16LE);
    Click(dialog, IDOK);
  }));
  EXPECT_EQ(encodings.Output, (tPipeEncoding{esUTF16LE, false}));
  EXPECT_EQ(encodings.Input, peOEM);

  EXPECT_TRUE(RunOptions(encodings, [](HWND dialog) {
    Click(dialog, IDC_OPTIONS_INPUT_ANSI);
    Click(dialog, IDOK);
  }));
  EXPECT_EQ(encodings.Input, (tPipeEncoding{esANSI, false}));
  EXPECT_EQ(encodings.Output, peUTF16LE);
}

TEST(OptionsDialog, CancelAndClosingLeaveTheSettingsAsTheyWere) {
  const tPipeEncodings before{peUTF16BE, peANSI};
  for (const UINT closing : {UINT(IDCANCEL), UINT(WM_CLOSE)}) {
    SCOPED_TRACE(testing::Message() << "closing with " << closing);
    tPipeEncodings encodings = before;
    const bool confirmed = RunOptions(encodings, [&](HWND dialog) {
      Click(dialog, IDC_OPTIONS_INPUT_UTF8);
      Click(dialog, IDC_OPTIONS_OUTPUT_OEM);
      if (closing == IDCANCEL)
        Click(dialog, IDCANCEL);
      else
        ::SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_FALSE(confirmed);
    EXPECT_EQ(encodings, before);
  }
  // Nothing is remembered from a cancelled run: the next one shows the settings handed in.
  tPipeEncodings encodings = before;
  RunOptions(encodings, [](HWND dialog) {
    EXPECT_EQ(CheckedColumns(dialog), OnlyColumns(2, 3));
    Click(dialog, IDCANCEL);
  });
}

TEST(OptionsDialog, EscInARealModalRunCancels) {
  // No responder: the system's modal loop runs, and a timer plays the user inside it, with the
  // keyboard as far as it can.
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = ::FindWindowW(L"#32770", L" Options");
    if (!dialog || !::IsWindowVisible(dialog)) return;
    ::SendMessageW(::GetDlgItem(dialog, IDC_OPTIONS_OUTPUT_UTF8), BM_CLICK, 0, 0);
    ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
  });
  tPipeEncodings encodings{peUTF8, peUTF16LE};
  std::wstring editorCommand = L"ed %f";
  const bool confirmed = TFormOptions::Execute(encodings, editorCommand);
  ::KillTimer(nullptr, timer);
  EXPECT_FALSE(confirmed);
  EXPECT_EQ(encodings, (tPipeEncodings{peUTF8, peUTF16LE}));
}
