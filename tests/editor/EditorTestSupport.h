#pragma once
// What the editor tests share: acting on a dialog as the user would, and recording the message
// boxes a command shows.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "gui/DialogSeam.h"

// Clicks a button, check box or radio button of a dialog.
inline void Click(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Types the characters into a control, one WM_CHAR each.
inline void Type(HWND control, std::wstring_view text) {
  for (wchar_t c : text) ::SendMessageW(control, WM_CHAR, c, 1);
}

inline bool IsEnabled(HWND dialog, int id) { return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE; }

inline bool IsChecked(HWND dialog, int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

inline std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// Runs show(), which opens dialogs of the template, with the user's actions on each dialog.
inline void RunAsUser(int templateId, const std::function<void(HWND)>& user, const std::function<void()>& show) {
  gui::cDialogSeam::cDialogResponderScope scope([&](const gui::tDialogRequest& request) {
    EXPECT_EQ(request.TemplateId, templateId);
    user(request.Dialog);
  });
  show();
}

// What a message box showed, to be compared whole: its owner, text, caption and flags.
using tShownBox = std::tuple<HWND, std::wstring, std::wstring, UINT>;
inline tShownBox Shown(const gui::tMessageBoxRequest& box) { return {box.Owner, box.Text, box.Caption, box.Flags}; }

// Answers every message box with the button given (OK unless told) and keeps what it was asked.
class cMessageRecorder {
public:
  explicit cMessageRecorder(int answer = IDOK)
      : scope_([this, answer](const gui::tMessageBoxRequest& request) {
          boxes.push_back(request);
          if (onBox) onBox(request);
          return answer;
        }) {}

  std::vector<gui::tMessageBoxRequest> boxes;
  std::function<void(const gui::tMessageBoxRequest&)> onBox;

private:
  gui::cDialogSeam::cResponderScope scope_;
};
