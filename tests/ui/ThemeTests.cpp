// The theme: which look shows (the choice, Windows' setting for apps, high contrast), the setting
// as the registry holds it, and the main window in each look: its panes, status bar and splitter
// take the look's colours, from the option, the menu and Windows' changes, and keep what they show.
#include <gtest/gtest.h>

#include <string>

#include "gui/Handle.h"
#include "gui/Theme.h"
#include "resources/resource.h"
#include "tests/session/SessionFixture.h"
#include "ui/Theme.h"

using namespace gui;

namespace {

TEST(Theme, TheChoiceThenWindowsSayWhichLookShowsUnlessHighContrastIsOn) {
  const struct {
    tThemeChoice Choice;
    tSystemTheme System;
    tThemeLook Look;
  } cases[] = {
      {tcSystem, {true, false}, tlLight},       {tcSystem, {false, false}, tlDark},
      {tcLight, {false, false}, tlLight},       {tcDark, {true, false}, tlDark},
      {tcSystem, {false, true}, tlHighContrast}, {tcDark, {true, true}, tlHighContrast},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LookFor(c.Choice, c.System), c.Look) << c.Choice << c.System.AppsUseLightTheme << c.System.HighContrast;
  }
}

// In a key of the test's own: only a number 0 makes apps dark.
TEST(Theme, AppsUseLightThemeIsTheNumberInTheKey) {
  constexpr wchar_t kScratch[] = L"Software\\MarveskTests";
  HKEY created = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr),
            ERROR_SUCCESS);
  const cRegistryKey key(created);
  const DWORD zero = 0, one = 1;
  const struct {
    const char* Name;
    DWORD Type;
    const void* Data;
    DWORD Size;
    bool Light;
  } cases[] = {
      {"missing", REG_NONE, nullptr, 0, true},
      {"0", REG_DWORD, &zero, sizeof zero, false},
      {"1", REG_DWORD, &one, sizeof one, true},
      {"text 0", REG_SZ, L"0", 4, true},
  };
  for (const auto& c : cases) {
    ::RegDeleteValueW(key.get(), L"AppsUseLightTheme");
    if (c.Data)
      ::RegSetValueExW(key.get(), L"AppsUseLightTheme", 0, c.Type, static_cast<const BYTE*>(c.Data), c.Size);
    EXPECT_EQ(AppsUseLightTheme(key.get()), c.Light) << c.Name;
  }
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
}

class ThemeTest : public cSessionTest {
protected:
  void Command(UINT id) { ::SendMessageW(form_->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  bool Checked(UINT id) const { return (::GetMenuState(form_->MainMenu(), id, MF_BYCOMMAND) & MF_CHECKED) != 0; }
  // Windows changes its setting for apps and tells every window.
  void WindowsSays(tSystemTheme system, WPARAM setting = 0, const wchar_t* area = L"ImmersiveColorSet") {
    system_ = system;
    ::SendMessageW(form_->Handle(), WM_SETTINGCHANGE, setting, reinterpret_cast<LPARAM>(area));
  }
  // The look shows in the panes (editable or locked), the splitter and the status bar, painted.
  void ExpectLook(tThemeLook look, bool locked = false) {
    EXPECT_EQ(form_->Theme().Look(), look);
    const tThemeColours colours = ThemeColours(look);
    for (const cConsoleEdit* pane : {&Input(), &Output()}) {
      EXPECT_EQ(pane->Color(), locked ? colours.LockedBack : colours.PaneBack) << look;
      EXPECT_EQ(pane->TextColor(), locked ? colours.LockedText : colours.PaneText) << look;
    }
    const HWND splitter = ::FindWindowExW(form_->Handle(), nullptr, L"MarveskSplitter", nullptr);
    EXPECT_EQ(Pixel(splitter, 0), colours.BarBack) << look;
    // Clear of the last panel's text and of the size grip.
    EXPECT_EQ(Pixel(form_->StatusBar(), 40), colours.BarBack) << look;
  }
  // A pixel halfway down a window, this far left of its right edge, as it shows.
  static COLORREF Pixel(HWND window, int fromRight) {
    RECT client;
    ::GetClientRect(window, &client);
    const cWindowDC dc(::GetDC(window));
    return ::GetPixel(dc.get(), client.right / (fromRight ? 1 : 2) - fromRight, client.bottom / 2);
  }
};

TEST_F(ThemeTest, FollowsWindowsUntilTheMenuChoosesAndHighContrastWins) {
  system_ = {false, false};
  OpenChild({L"sleep"});
  ExpectLook(tlDark);
  EXPECT_TRUE(Checked(ID_VIEW_THEME_SYSTEM));
  WindowsSays({true, false});
  ExpectLook(tlLight);
  // A setting of another area is not the theme's.
  system_ = {false, false};
  ::SendMessageW(form_->Handle(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"));
  ExpectLook(tlLight);

  Command(ID_VIEW_THEME_DARK);
  ExpectLook(tlDark);
  EXPECT_TRUE(Checked(ID_VIEW_THEME_DARK));
  EXPECT_FALSE(Checked(ID_VIEW_THEME_SYSTEM));
  WindowsSays({true, false});
  ExpectLook(tlDark);
  Command(ID_VIEW_THEME_LIGHT);
  WindowsSays({false, false});
  ExpectLook(tlLight);
  Command(ID_VIEW_THEME_SYSTEM);
  ExpectLook(tlDark);

  WindowsSays({false, true}, SPI_SETHIGHCONTRAST, nullptr);
  ExpectLook(tlHighContrast);
  Command(ID_VIEW_THEME_DARK);
  ExpectLook(tlHighContrast);
  WindowsSays({true, false}, SPI_SETHIGHCONTRAST, nullptr);
  ExpectLook(tlDark);
}

// The option chooses before the window shows; a session that ends locks its panes in the look's
// own grey, which a change of look keeps locked.
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
  struct tShown {
    std::wstring Text;
    LRESULT Selection, FirstLine;
    bool operator==(const tShown&) const = default;
  };
  const auto shown = [](cConsoleEdit& pane) {
    return tShown{pane.WText(), pane.WPerform(EM_GETSEL, 0, 0), pane.WPerform(EM_GETFIRSTVISIBLELINE, 0, 0)};
  };
  Input().WPerform(EM_SETSEL, 5, 12);
  Output().WPerform(EM_SETSEL, 100, 300);
  Output().WPerform(EM_LINESCROLL, 0, 200);
  const tShown input = shown(Input()), output = shown(Output());
  ASSERT_GT(output.FirstLine, 0);
  for (UINT id : {ID_VIEW_THEME_DARK, ID_VIEW_THEME_LIGHT}) {
    Command(id);
    for (HWND window : {Input().Handle(), Output().Handle(), form_->StatusBar()})
      EXPECT_FALSE(::GetUpdateRect(window, nullptr, FALSE)) << id;
    EXPECT_TRUE(shown(Input()) == input) << id;
    EXPECT_TRUE(shown(Output()) == output) << id;
  }
}

}  // namespace
