#include "gui/Theme.h"

#include <utility>

#include "gui/Handle.h"

namespace gui {
namespace {

constexpr wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// Builds of Windows 10 from which each part can be dark: scroll bars, the title bar (attribute 19)
// and popup menus (uxtheme's ordinal 135 allows dark menus); from 18362 that ordinal takes a mode
// and ordinal 136 redraws the menus' theme; from 18985 the title bar's attribute is 20.
constexpr DWORD kFirstDarkBuild = 17763, kAppModeBuild = 18362, kTitleBar20Build = 18985;
constexpr DWORD kOldDarkTitleBar = 19, kDarkTitleBar = 20;
// The modes ordinal 135 takes from build 18362.
constexpr int kForceDark = 2, kForceLight = 3;

// The functions that make a window's parts dark, looked up once in the system's DLLs, and the
// build of Windows, which says what the undocumented ones are. Each is null where it is missing.
class cDarkModeApi {
public:
  static const cDarkModeApi& Get() {
    static const cDarkModeApi api;
    return api;
  }

  HRESULT(WINAPI* SetWindowTheme)(HWND, LPCWSTR, LPCWSTR) = nullptr;
  HRESULT(WINAPI* DwmSetWindowAttribute)(HWND, DWORD, LPCVOID, DWORD) = nullptr;
  // AllowDarkModeForApp(BOOL) before build 18362, SetPreferredAppMode(mode) from it.
  int(WINAPI* SetAppMode)(int) = nullptr;
  void(WINAPI* FlushMenuThemes)() = nullptr;
  DWORD Build = 0;

private:
  cDarkModeApi()
      : uxtheme_(::LoadLibraryExW(L"uxtheme.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)),
        dwmapi_(::LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    // GetVersionEx answers what the manifest allows; the kernel's own call tells the build.
    using tGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (const auto getVersion = Find<tGetVersion>(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
        getVersion && getVersion(&version) == 0)
      Build = version.dwMajorVersion >= 10 ? version.dwBuildNumber : 0;
    SetWindowTheme = Find<decltype(SetWindowTheme)>(uxtheme_.get(), "SetWindowTheme");
    DwmSetWindowAttribute = Find<decltype(DwmSetWindowAttribute)>(dwmapi_.get(), "DwmSetWindowAttribute");
    if (Build < kFirstDarkBuild) return;
    SetAppMode = Find<decltype(SetAppMode)>(uxtheme_.get(), MAKEINTRESOURCEA(135));
    if (Build >= kAppModeBuild)
      FlushMenuThemes = Find<decltype(FlushMenuThemes)>(uxtheme_.get(), MAKEINTRESOURCEA(136));
  }
  template <class tFunction>
  static tFunction Find(HMODULE module, const char* name) noexcept {
    return module ? reinterpret_cast<tFunction>(::GetProcAddress(module, name)) : nullptr;
  }

  cModule uxtheme_, dwmapi_;
};

tSystemTheme ReadSystemTheme() {
  tSystemTheme system;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kPersonalizeKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    const cRegistryKey personalize(key);
    system.AppsUseLightTheme = AppsUseLightTheme(personalize.get());
  }
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  system.HighContrast = ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
                        (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
  return system;
}

}  // namespace

tThemeLook LookFor(tThemeChoice choice, const tSystemTheme& system) noexcept {
  if (system.HighContrast) return tlHighContrast;
  if (choice == tcSystem) return system.AppsUseLightTheme ? tlLight : tlDark;
  return choice == tcDark ? tlDark : tlLight;
}

std::optional<tThemeChoice> ThemeChoiceNamed(std::wstring_view word) {
  static constexpr std::pair<std::wstring_view, tThemeChoice> kNames[] = {
      {L"system", tcSystem}, {L"light", tcLight}, {L"dark", tcDark}};
  for (const auto& [name, choice] : kNames) {
    if (name.size() != word.size()) continue;
    if (::CompareStringOrdinal(name.data(), static_cast<int>(name.size()), word.data(), static_cast<int>(word.size()),
                               TRUE) == CSTR_EQUAL)
      return choice;
  }
  return std::nullopt;
}

bool AppsUseLightTheme(HKEY personalize) {
  DWORD value = 1, size = sizeof value;
  if (::RegGetValueW(personalize, nullptr, L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS)
    return true;
  return value != 0;
}

tSystemTheme cThemeSeam::System() {
  if (const auto& responder = Responder()) return responder();
  return ReadSystemTheme();
}

std::function<tSystemTheme()>& cThemeSeam::Responder() {
  static std::function<tSystemTheme()> responder;
  return responder;
}

void SetDarkTitleBar(HWND window, bool dark) {
  const cDarkModeApi& api = cDarkModeApi::Get();
  if (!api.DwmSetWindowAttribute || api.Build < kFirstDarkBuild) return;
  const BOOL value = dark;
  api.DwmSetWindowAttribute(window, api.Build >= kTitleBar20Build ? kDarkTitleBar : kOldDarkTitleBar, &value,
                            sizeof value);
  // A title bar that shows is drawn anew only once its frame has changed.
  if (::IsWindowVisible(window))
    ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetDarkScrollBars(HWND window, bool dark) {
  const cDarkModeApi& api = cDarkModeApi::Get();
  // Without names the window goes back to the theme of its class.
  if (api.SetWindowTheme && api.Build >= kFirstDarkBuild)
    api.SetWindowTheme(window, dark ? L"DarkMode_Explorer" : nullptr, nullptr);
}

void SetDarkMenus(bool dark) {
  const cDarkModeApi& api = cDarkModeApi::Get();
  if (!api.SetAppMode) return;
  api.SetAppMode(api.Build >= kAppModeBuild ? (dark ? kForceDark : kForceLight) : dark);
  if (api.FlushMenuThemes) api.FlushMenuThemes();
}

void SetPlainStyle(HWND control, bool plain) {
  if (const auto setTheme = cDarkModeApi::Get().SetWindowTheme)
    setTheme(control, plain ? L"" : nullptr, plain ? L"" : nullptr);
}

}  // namespace gui
