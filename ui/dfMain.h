#pragma once
// The main window as the user sees it: command pane on the left, output pane on the right,
// a splitter between them, the status bar below and the menu above; the actions behind the menu
// items and the shortcut keys.
#include <array>
#include <memory>
#include <optional>

#include "gui/Handle.h"
#include "gui/Panel.h"
#include "gui/Splitter.h"
#include "session/Main.h"
#include "ui/Status.h"
#include "ui/Theme.h"

class TFormMain : public cFormMain {
public:
  explicit TFormMain(const cCommandLine& commandLine);
  ~TFormMain() override;

  HWND StatusBar() const noexcept { return statusBar_; }
  HMENU MainMenu() const noexcept { return mainMenu_.get(); }
  // The status bar's painter: none before the first activation, nor once the window is destroyed.
  cStatus* Status() const noexcept { return status_.get(); }
  const cWindowTheme& Theme() const noexcept { return *theme_; }

  // One entry of the action list: the command id that its menu item and its shortcut send and
  // that names its hint; the command behind it, called with doIt cleared by the update and set
  // by the execution; and where its check mark comes from.
  struct tAction {
    enum tCheck { ckNone, ckFromExecute, ckFromUpdate };
    UINT Id;
    cMenuForm::tCommand Command;
    tCheck Check;
  };
  static constexpr size_t ActionCount = 27;
  static const std::array<tAction, ActionCount> Actions;

  // The update handlers: each action's enabled and checked state, shown on its menu item.
  void UpdateActions();
  // The execute handler of the action with the id; false when there is none.
  bool ExecuteAction(UINT id);

protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  cSearchableEditor* EditorOf(HWND control) const override;
  void ShowCommandStatus(tCaretPos caret, std::wstring_view command, bool focused) override;
  void ShowOutputStatus(tCaretPos caret, int lineCount, bool focused, std::optional<int> heldLines) override;
  void ColourPane(cConsoleEdit& pane, bool locked) override { theme_->ColourPane(pane, locked); }
  void ShowCommandTime(std::optional<ULONGLONG> ms) override;
  void ShowPlaceTarget(std::wstring_view target) override;

private:
  void FormActivate();
  void LayoutControls();
  void ApplyFormFont();
  void ShowMenuHint(UINT id, UINT flags, HMENU menu);
  bool TranslateShortcut(MSG& msg);

  gui::cPanel pInput, pOutput;
  gui::cSplitter SplitterLeftRight;
  HWND statusBar_ = nullptr;
  std::unique_ptr<cStatus> status_;
  std::unique_ptr<cWindowTheme> theme_;
  gui::cMenu mainMenu_;
  gui::cAccelerators shortcuts_;
  cFileDialog LoadDialog{false}, SaveAsDialog{true};
  gui::cFont font_;
  std::array<bool, ActionCount> checked_{};  // the actions' check marks
  int inputWidth_;  // at 96 DPI
  bool destroying_ = false;
};
