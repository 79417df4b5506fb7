#include "ui/Theme.h"

#include <commctrl.h>

#include <string_view>

#include "resources/resource.h"
#include "session/defs.h"

namespace {

// The dark look: light text on a near black, a grey of its own for panes that are locked, as
// silver marks them in the light look, and a bar between the two.
constexpr COLORREF kDarkText = RGB(230, 230, 230), kDarkBack = RGB(30, 30, 30), kDarkLocked = RGB(64, 64, 64),
                   kDarkBar = RGB(45, 45, 45);

}  // namespace

tThemeColours ThemeColours(gui::tThemeLook look) {
  switch (look) {
    case gui::tlDark:
      return {kDarkText, kDarkBack, kDarkText, kDarkLocked, kDarkText, kDarkBar};
    case gui::tlHighContrast: {
      const COLORREF faceText = ::GetSysColor(COLOR_BTNTEXT), face = ::GetSysColor(COLOR_BTNFACE);
      return {::GetSysColor(COLOR_WINDOWTEXT), ::GetSysColor(COLOR_WINDOW), faceText, face, faceText, face};
    }
    case gui::tlLight:
      break;
  }
  const COLORREF text = ::GetSysColor(COLOR_WINDOWTEXT);
  return {text, EditorColors[0], text, EditorColors[1], ::GetSysColor(COLOR_BTNTEXT), ::GetSysColor(COLOR_BTNFACE)};
}

cWindowTheme::cWindowTheme(HWND form, HWND statusBar, const std::unique_ptr<cStatus>& status,
                           gui::cSplitter& splitter, HMENU menu, gui::tThemeChoice choice)
    : form_(form),
      bar_(statusBar),
      status_(status),
      splitter_(splitter),
      menu_(menu),
      choice_(choice),
      system_(gui::cThemeSeam::System()) {
  Apply();
}

void cWindowTheme::ColourPane(cWMemo& pane, bool locked) {
  bool known = false;
  for (tPane& shown : panes_) {
    if (shown.Pane != &pane) continue;
    shown.Locked = locked;
    known = true;
  }
  if (!known) panes_.push_back({&pane, locked});
  Colour(pane, locked);
}

void cWindowTheme::Colour(cWMemo& pane, bool locked) const {
  pane.SetColor(locked ? colours_.LockedBack : colours_.PaneBack);
  pane.SetTextColor(locked ? colours_.LockedText : colours_.PaneText);
  pane.SetDarkScrollBars(look_ == gui::tlDark);
}

void cWindowTheme::ColourStatus() const {
  if (status_) status_->SetColours(colours_.BarText, colours_.BarBack);
}

bool cWindowTheme::Command(UINT id) {
  if (id < ID_VIEW_THEME_SYSTEM || id > ID_VIEW_THEME_DARK) return false;
  choice_ = static_cast<gui::tThemeChoice>(id - ID_VIEW_THEME_SYSTEM);
  Apply();
  return true;
}

void cWindowTheme::SystemChanged(UINT message, WPARAM wParam, LPARAM lParam) {
  // Windows names the setting: the apps' theme is in the immersive colour set; high contrast
  // comes with colours of its own, and the light look takes the system's colours.
  if (message == WM_SETTINGCHANGE && wParam != SPI_SETHIGHCONTRAST &&
      !(lParam && std::wstring_view(reinterpret_cast<const wchar_t*>(lParam)) == L"ImmersiveColorSet"))
    return;
  const gui::tSystemTheme system = gui::cThemeSeam::System();
  if (message == WM_SETTINGCHANGE && system == system_) return;
  system_ = system;
  Apply();
}

void cWindowTheme::Apply() {
  look_ = gui::LookFor(choice_, system_);
  colours_ = ThemeColours(look_);
  const bool dark = look_ == gui::tlDark;
  ::CheckMenuRadioItem(menu_, ID_VIEW_THEME_SYSTEM, ID_VIEW_THEME_DARK, ID_VIEW_THEME_SYSTEM + choice_, MF_BYCOMMAND);
  gui::SetDarkTitleBar(form_, dark);
  gui::SetDarkMenus(dark);
  // The bar's visual style draws its own background, light: the dark bar goes without it.
  gui::SetPlainStyle(bar_, dark);
  ::SendMessageW(bar_, SB_SETBKCOLOR, 0, dark ? colours_.BarBack : CLR_DEFAULT);
  ColourStatus();
  splitter_.SetColour(colours_.BarBack);
  for (const tPane& pane : panes_) Colour(*pane.Pane, pane.Locked);
  // All at once, each part erased in its new colours: nothing shows the old look for a moment.
  ::RedrawWindow(form_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}
