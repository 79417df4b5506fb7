#pragma once
// What the control tests share: a hidden top-level parent window, a device context of a window
// and the message of an expected error.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "gui/Handle.h"
#include "gui/Window.h"
#include "unicode/UnicodeControls.h"

class cTestHost final : public gui::cWindow {
public:
  cTestHost() {
    CreateHandle(0, RegisterWindowClass(L"MarveskUnicodeTestHost"), L"", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                 nullptr, nullptr);
  }

  // Makes the control a child of this window, 400 by 300.
  template <class tControl>
  void Hold(tControl& control) const {
    control.SetBounds(0, 0, 400, 300);
    control.Create(Handle(), 1);
  }
};

// The message of the error of type tError that the action throws; a marker when it throws none.
template <class tError, class tAction>
std::wstring ErrorMessage(tAction action) {
  std::wstring message = L"(no error)";
  try {
    action();
  } catch (const tError& e) {
    message = e.Message();
  }
  return message;
}

// Tests of a memo run against both its windows, named by the window in the test's name.
inline std::string MemoWindowName(const ::testing::TestParamInfo<tMemoWindow>& info) {
  return info.param == mwTextView ? "TextView" : "SystemEdit";
}
