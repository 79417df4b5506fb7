#include "gui/Clipboard.h"

#include <cwchar>

namespace gui {

bool SetClipboardText(HWND owner, std::size_t length, const std::function<std::size_t(wchar_t* out)>& write) {
  if (!::OpenClipboard(owner)) return false;
  bool copied = false;
  ::EmptyClipboard();
  if (HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, (length + 1) * sizeof(wchar_t))) {
    if (auto* out = static_cast<wchar_t*>(::GlobalLock(memory))) {
      out[write(out)] = L'\0';
      ::GlobalUnlock(memory);
      copied = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    }
    // The clipboard owns the memory once it took it.
    if (!copied) ::GlobalFree(memory);
  }
  ::CloseClipboard();
  return copied;
}

std::wstring ClipboardText(HWND owner) {
  std::wstring text;
  if (!::OpenClipboard(owner)) return text;
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* in = static_cast<const wchar_t*>(::GlobalLock(data))) {
      text.assign(in, ::wcsnlen(in, ::GlobalSize(data) / sizeof(wchar_t)));
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return text;
}

}  // namespace gui
