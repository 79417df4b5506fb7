#include "ui/Help.h"

#include <cstdint>
#include <vector>

#include "gui/Module.h"
#include "gui/ResString.h"
#include "resources/resource.h"
#include "ui/ExeResources.h"
#include "ui/dfResHTML.h"
#include "unicode/UnicodeStrings.h"

namespace {

bool StaysInUrl(unsigned char c) {
  return c == '-' || c == '.' || c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
         (c >= 'a' && c <= 'z');
}

}  // namespace

std::string EscapeUrlPart(std::string_view text) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string result;
  result.reserve(text.size());
  for (const char byte : text) {
    const auto c = static_cast<unsigned char>(byte);
    if (StaysInUrl(c)) {
      result += byte;
    } else {
      result += '%';
      result += Hex[c >> 4];
      result += Hex[c & 0x0F];
    }
  }
  return result;
}

std::string ResIdToString(const char* id) {
  const auto value = reinterpret_cast<std::uintptr_t>(id);
  if (value >> 16 != 0) return id;
  std::string number = "#";
  number += std::to_string(value & 0xFFFF);
  return number;
}

std::string BuildResUrl(std::wstring_view moduleName, std::wstring_view resourceName, int resourceType) {
  std::string url = "res://";
  url += EscapeUrlPart(NarrowText(moduleName));
  if (resourceType != 0) {
    url += '/';
    url += EscapeUrlPart(ResIdToString(MAKEINTRESOURCEA(resourceType)));
  }
  const std::string name = NarrowText(resourceName);
  url += '/';
  url += EscapeUrlPart(ResIdToString(name.c_str()));
  return url;
}

void ShowHelp(HWND mainWindow) {
  const std::wstring caption = gui::FormatRes(IDS_HELP_CAPTION, {ProductName()});
  TFormHTML::ShowResource(gui::ProgramFileName(), L"HELP_HTML", mainWindow, caption, HelpResourceType);
}
