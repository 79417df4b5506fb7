// The theme: Windows' setting as the registry holds it, and the main window in each look, chosen
// by the option, the menu, Windows' changes and high contrast: the panes, the status bar and the
// splitter take the look's colours, painted at once, and the panes keep what they show.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "gui/Handle.h"
#include "gui/Theme.h"
#include "resources/resource.h"
#include "tests/session/SessionFixture.h"
#include "ui/Theme.h"

using namespace gui;

namespace {

// In a key of the test's own: only the number 0 makes apps dark.
TEST(Theme, AppsUseLightThemeIsTheNumberInTheKey) {
  constexpr wchar_t kScratch[] = L"Software\\MarveskTests";
  HKEY created = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr),
            ERROR_SUCCESS);
  const cRegistryKey key(created);
  const DWORD zero = 0, one = 1;
  const struct {
    DWORD Type;
    const void* Data;
    DWORD Size;
    bool Light;
  } cases[] = {
      {REG_NONE, nullptr, 0, true}, {REG_DWORD, &zero, 4, false}, {REG_DWORD, &one, 4, true}, {REG_SZ, L"0", 4, true}};
  for (const auto& c : cases) {
    ::RegDeleteValueW(key.get(), L"AppsUseLightTheme");
    if (c.Data) ::RegSetValueExW(key.get(), L"AppsUseLightTheme", 0, c.Type, static_cast<const BYTE*>(c.Data), c.Size);
    EXPECT_EQ(AppsUseLightTheme(key.get()), c.Light) << c.Type;
  }
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
}

class ThemeTest : public cSessionTest {
protected:
  void Command(UINT id) { ::SendMessageW(form_->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  bool Checked(UINT id) const { return (::GetMenuState(form_->MainMenu(), id, MF_BYCOMMAND) & MF_CHECKED) != 0; }
  // The look shows in the panes (editable or locked), the splitter and the status bar, painted.
  void ExpectLook(tThemeLook look, bool locked = false) {
    EXPECT_EQ(form_->Theme().Look(), look);
    const tThemeColours colours = ThemeColours(look);
    for (const cConsoleEdit* pane : {&Input(), &Output()}) {
      EXPECT_EQ(pane->Color(), locked ? colours.LockedBack : colours.PaneBack) << look;
      EXPECT_EQ(pane->TextColor(), locked ? colours.LockedText : colours.PaneText) << look;
    }
    EXPECT_EQ(Pixel(::FindWindowExW(form_->Handle(), nullptr, L"MarveskSplitter", nullptr), 0), colours.BarBack);
    // Clear of the last panel's text and of the size grip.
    EXPECT_EQ(Pixel(form_->StatusBar(), 40), colours.BarBack) << look;
  }
  // A pixel halfway down a window, this far left of its right edge (0: halfway across), as it shows.
  static COLORREF Pixel(HWND window, int fromRight) {
    RECT client;
    ::GetClientRect(window, &client);
    const cWindowDC dc(::GetDC(window));
    return ::GetPixel(dc.get(), fromRight ? client.right - fromRight : client.right / 2, client.bottom / 2);
  }
};

TEST_F(ThemeTest, FollowsWindowsUntilTheMenuChoosesAndHighContrastWins) {
  constexpr tSystemTheme kLight{true, false}, kDark{false, false}, kDarkHighContrast{false, true};
  system_ = kDark;
  OpenChild({L"sleep"});
  ExpectLook(tlDark);
  EXPECT_TRUE(Checked(ID_VIEW_THEME_SYSTEM));
  // A menu command, or Windows telling of a change in an area (none: high contrast).
  const struct {
    UINT Command;
    tSystemTheme System;
    const wchar_t* Area;
    tThemeLook Look;
  } steps[] = {
      {0, kLight, L"ImmersiveColorSet", tlLight},       {0, kDark, L"Environment", tlLight},
      {ID_VIEW_THEME_DARK, kDark, nullptr, tlDark},     {0, kLight, L"ImmersiveColorSet", tlDark},
      {ID_VIEW_THEME_LIGHT, kLight, nullptr, tlLight},  {0, kDark, L"ImmersiveColorSet", tlLight},
      {ID_VIEW_THEME_SYSTEM, kDark, nullptr, tlDark},   {0, kDarkHighContrast, nullptr, tlHighContrast},
      {ID_VIEW_THEME_DARK, kDarkHighContrast, nullptr, tlHighContrast}, {0, kLight, nullptr, tlDark},
  };
  for (const auto& step : steps) {
    system_ = step.System;
    if (step.Command) {
      Command(step.Command);
      EXPECT_TRUE(Checked(step.Command)) << step.Command;
    } else {
      ::SendMessageW(form_->Handle(), WM_SETTINGCHANGE, step.Area ? 0 : SPI_SETHIGHCONTRAST,
                     reinterpret_cast<LPARAM>(step.Area));
    }
    ExpectLook(step.Look);
  }
  EXPECT_FALSE(Checked(ID_VIEW_THEME_SYSTEM));
}

// The option chooses before the window shows; a session that ends locks its panes in the look's
// own grey, which a change of look keeps.
TEST_F(ThemeTest, TheOptionChoosesAndLockedPanesKeepTheirGrey) {
  OpenChild({L"exit:0"}, L"-theme:dark");
  EXPECT_TRUE(Checked(ID_VIEW_THEME_DARK));
  ASSERT_TRUE(RunUntil([&] { return Input().Color() == ThemeColours(tlDark).LockedBack; }));
  ExpectLook(tlDark, true);
  Command(ID_VIEW_THEME_LIGHT);
  ExpectLook(tlLight, true);
  EXPECT_EQ(Output().Color(), RGB(192, 192, 192));
}

// A change of look repaints everything before it returns, and every pane keeps its text, its
// selection and what it shows.
TEST_F(ThemeTest, ASwitchRepaintsAtOnceAndKeepsWhatThePanesShow) {
  OpenChild({L"flood:40000", L"sleep"});
  ASSERT_TRUE(RunUntil([&] { return Output().WLines().GetCount() > 400; }));
  ::SetWindowTextW(Input().Handle(), L"dir\r\necho one\r\necho two");
  const auto shown = [](cConsoleEdit& pane) {
    return std::make_tuple(pane.WText(), pane.WPerform(EM_GETSEL, 0, 0), pane.WPerform(EM_GETFIRSTVISIBLELINE, 0, 0));
  };
  Input().WPerform(EM_SETSEL, 5, 12);
  Output().WPerform(EM_SETSEL, 100, 300);
  Output().WPerform(EM_LINESCROLL, 0, 200);
  const auto input = shown(Input()), output = shown(Output());
  ASSERT_GT(std::get<2>(output), 0);
  for (UINT id : {ID_VIEW_THEME_DARK, ID_VIEW_THEME_LIGHT}) {
    Command(id);
    for (HWND window : {Input().Handle(), Output().Handle(), form_->StatusBar()})
      EXPECT_FALSE(::GetUpdateRect(window, nullptr, FALSE)) << id;
    EXPECT_TRUE(shown(Input()) == input) << id;
    EXPECT_TRUE(shown(Output()) == output) << id;
  }
}

}  // namespace
