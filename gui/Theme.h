#pragma once
// Light and dark: which look the program shows (the user's choice, the setting Windows has for
// apps, high contrast), and the parts of a window's frame that only Windows can make dark (the
// title bar, scroll bars, popup menus). Every call into those parts does nothing where the
// system lacks it.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "gui/Scope.h"

namespace gui {

// What the user chose: Windows' setting for apps, or a look of their own.
enum tThemeChoice : std::uint8_t { tcSystem, tcLight, tcDark };
// What shows. With high contrast on, the system's colours win whatever the choice.
enum tThemeLook : std::uint8_t { tlLight, tlDark, tlHighContrast };

// What Windows says: whether apps are to be light (the default where it says nothing), and
// whether high contrast is on.
struct tSystemTheme {
  bool AppsUseLightTheme = true;
  bool HighContrast = false;
  friend bool operator==(const tSystemTheme&, const tSystemTheme&) = default;
};

tThemeLook LookFor(tThemeChoice choice, const tSystemTheme& system) noexcept;

// The choice a word names: "system", "light" or "dark", in any letter case.
std::optional<tThemeChoice> ThemeChoiceNamed(std::wstring_view word);

// The value AppsUseLightTheme of an open registry key; true when it is missing or no number.
bool AppsUseLightTheme(HKEY personalize);

class cThemeSeam {
public:
  // What Windows says now, or what the installed responder says.
  static tSystemTheme System();

  // The responder that answers instead of Windows, when one is installed.
  static std::function<tSystemTheme()>& Responder();
  // Answers for Windows for as long as the guard lives.
  using cScope = cSlotScope<std::function<tSystemTheme()>, &Responder>;
};

// A top-level window's title bar (through the desktop window manager), a window's scroll bars,
// and the popup menus of the whole program, dark or as the system draws them.
void SetDarkTitleBar(HWND window, bool dark);
void SetDarkScrollBars(HWND window, bool dark);
void SetDarkMenus(bool dark);
// A common control without the system's visual style, so that it draws in the colours it is
// given; or with it again.
void SetPlainStyle(HWND control, bool plain);

}  // namespace gui
