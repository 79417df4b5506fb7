#include "ui/Help.h"

#include <cstdint>

#include "gui/Module.h"
#include "gui/ResString.h"
#include "resources/resource.h"
#include "ui/ExeResources.h"
#include "ui/dfResHTML.h"

namespace {

bool StaysInUrl(wchar_t c) {
  return c == L'-' || c == L'.' || c == L'_' || (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') ||
         (c >= L'a' && c <= L'z') || c > 0x7F;
}

}  // namespace

std::wstring EscapeUrlPart(std::wstring_view text) {
  static constexpr wchar_t Hex[] = L"0123456789ABCDEF";
  std::wstring result;
  result.reserve(text.size());
  for (const wchar_t c : text) {
    if (StaysInUrl(c)) {
      result += c;
    } else {
      result += L'%';
      result += Hex[c >> 4];
      result += Hex[c & 0x0F];
    }
  }
  return result;
}

std::wstring ResIdToString(const wchar_t* id) {
  const auto value = reinterpret_cast<std::uintptr_t>(id);
  if (value >> 16 != 0) return id;
  return L"#" + std::to_wstring(value & 0xFFFF);
}

std::wstring BuildResUrl(std::wstring_view moduleName, std::wstring_view resourceName, int resourceType) {
  std::wstring url = L"res://";
  url += EscapeUrlPart(moduleName);
  if (resourceType != 0) {
    url += L'/';
    url += EscapeUrlPart(ResIdToString(MAKEINTRESOURCEW(resourceType)));
  }
  const std::wstring name(resourceName);
  url += L'/';
  url += EscapeUrlPart(ResIdToString(name.c_str()));
  return url;
}

void ShowHelp(HWND mainWindow) {
  const std::wstring caption = gui::FormatRes(IDS_HELP_CAPTION, {ProductName()});
  TFormHTML::ShowResource(gui::ProgramFileName(), L"HELP_HTML", mainWindow, caption, HelpResourceType);
}
