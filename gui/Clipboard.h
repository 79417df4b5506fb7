#pragma once
// The clipboard's Unicode text, as the text controls copy and paste it.
#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

namespace gui {

// Puts length characters on the clipboard, which write fills in (it answers how many it wrote);
// the window owns the clipboard's contents. Answers whether the clipboard took them.
bool SetClipboardText(HWND owner, std::size_t length, const std::function<std::size_t(wchar_t* out)>& write);
// The clipboard's text, up to its first null; empty when it holds none or cannot be opened.
std::wstring ClipboardText(HWND owner);

}  // namespace gui
