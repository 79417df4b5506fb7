#pragma once
// The main window's theme: the look that the user's choice (the -theme: option, View > Theme)
// and Windows' settings make, the colours that follow from it for the panes, the status bar and
// the splitter, and the frame's parts that Windows draws.
#include <windows.h>

#include <memory>
#include <vector>

#include "gui/Splitter.h"
#include "gui/Theme.h"
#include "ui/Status.h"
#include "unicode/UnicodeControls.h"

// The colours of one look.
struct tThemeColours {
  COLORREF PaneText, PaneBack;      // an editable pane
  COLORREF LockedText, LockedBack;  // a read-only pane, or one whose session has ended
  COLORREF BarText, BarBack;        // the status bar and the splitter
};
tThemeColours ThemeColours(gui::tThemeLook look);

class cWindowTheme {
public:
  // Takes the window's parts that it colours: the status bar, its painter (which comes and goes)
  // and the splitter; and the menu that shows the choice.
  cWindowTheme(HWND form, HWND statusBar, const std::unique_ptr<cStatus>& status, gui::cSplitter& splitter,
               HMENU menu, gui::tThemeChoice choice);

  gui::tThemeChoice Choice() const noexcept { return choice_; }
  gui::tThemeLook Look() const noexcept { return look_; }

  // Colours a pane as editable or locked, now and whenever the look changes.
  void ColourPane(cWMemo& pane, bool locked);
  // Gives the status bar's painter, if there is one, the bar's colours.
  void ColourStatus() const;
  // A command of View > Theme makes its choice; false for another command.
  bool Command(UINT id);
  // WM_SETTINGCHANGE and WM_SYSCOLORCHANGE: the window follows what Windows says.
  void SystemChanged(UINT message, WPARAM wParam, LPARAM lParam);

private:
  // Gives every part its colours and repaints the whole window at once.
  void Apply();
  void Colour(cWMemo& pane, bool locked) const;

  HWND form_, bar_;
  const std::unique_ptr<cStatus>& status_;
  gui::cSplitter& splitter_;
  HMENU menu_;
  gui::tThemeChoice choice_;
  gui::tSystemTheme system_;
  gui::tThemeLook look_ = gui::tlLight;
  tThemeColours colours_{};
  struct tPane {
    cWMemo* Pane;
    bool Locked;
  };
  std::vector<tPane> panes_;
};
