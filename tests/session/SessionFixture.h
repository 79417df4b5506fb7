#pragma once
// The real main window with a child, for the session's tests: opened with a command line,
// answered boxes, and closed again after each test.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/Application.h"
#include "gui/DialogSeam.h"
#include "gui/Theme.h"
#include "tests/support/TestSupport.h"
#include "ui/dfMain.h"

inline bool RunUntil(const std::function<bool()>& done, DWORD timeoutMs = 15000) {
  return gui::cApplication::RunUntil(done, timeoutMs);
}

class cSessionTest : public ::testing::Test {
protected:
  // Opens the main window with the given arguments and waits until the session has started.
  void Open(const std::wstring& arguments) {
    commandLine_ = std::make_unique<cCommandLine>(L"Marvesk.exe " + arguments);
    form_ = std::make_unique<TFormMain>(*commandLine_);
    ::ShowWindow(form_->Handle(), SW_SHOW);
    ASSERT_TRUE(RunUntil([&] { return !form_->Handle() || (form_->OutputEditor() && Started()); }));
  }
  void OpenChild(std::initializer_list<std::wstring_view> verbs, const std::wstring& options = L"") {
    Open(options + L" -- " + TestChildCommandLine(verbs));
  }
  // The panes are read-only while the start-up looks for the child's console window.
  bool Started() const {
    return form_->ChildProcess() != nullptr && (!form_->InputEditor()->ReadOnly() || !form_->IsChildAlive());
  }
  void Close() {
    if (form_ && form_->Handle()) ::DestroyWindow(form_->Handle());
  }
  void TearDown() override {
    Close();
    form_.reset();
  }

  cConsoleEdit& Input() const { return *form_->InputEditor(); }
  cConsoleEdit& Output() const { return *form_->OutputEditor(); }
  std::wstring OutputText() const { return Output().WText(); }
  bool OutputBecomes(const std::wstring& text, DWORD timeoutMs = 15000) const {
    return RunUntil([&] { return OutputText() == text; }, timeoutMs);
  }
  bool OutputHas(const std::wstring& text) const {
    return RunUntil([&] { return OutputText().find(text) != std::wstring::npos; });
  }

  std::vector<gui::tMessageBoxRequest> boxes_;
  gui::cDialogSeam::cResponderScope responder_{[this](const gui::tMessageBoxRequest& box) {
    boxes_.push_back(box);
    return IDOK;
  }};
  // What Windows says of its theme, whatever the machine's: light unless a test says otherwise.
  gui::tSystemTheme system_;
  gui::cThemeSeam::cScope systemTheme_{[this] { return system_; }};
  std::unique_ptr<cCommandLine> commandLine_;
  std::unique_ptr<TFormMain> form_;
};
