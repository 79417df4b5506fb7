// windowprobe: looks at a running program's window from outside, for scripts that drive the
// program in a session with no one at the screen.
//
//   windowprobe text TITLE    writes the text of each edit control (or superclass of one) in
//                             the first visible top-level window whose caption contains
//                             TITLE, as UTF-8, each followed by a line "----"
//   windowprobe close TITLE   asks that window to close (WM_CLOSE) and returns at once
//
// Exit code 0 when the window was found, 1 when there is none, 2 for a bad command line.
#include <windows.h>

#include <string>
#include <string_view>

namespace {

struct tSearch {
  std::wstring_view Title;
  HWND Found = nullptr;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<tSearch*>(context);
  if (!::IsWindowVisible(window)) return TRUE;
  wchar_t caption[512];
  int length = ::GetWindowTextW(window, caption, static_cast<int>(std::size(caption)));
  if (std::wstring_view(caption, static_cast<std::size_t>(length)).find(search->Title) == std::wstring_view::npos)
    return TRUE;
  search->Found = window;
  return FALSE;
}

// The window's text through messages, which reach another process's edit controls too; a window
// that does not answer within two seconds counts as empty.
std::wstring WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 2000, &copied))
    return {};
  text.resize(copied);
  return text;
}

void WriteUtf8(std::wstring_view text) {
  if (text.empty()) return;
  int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool NamesAnEdit(wchar_t* name, std::size_t length) {
  ::CharLowerBuffW(name, static_cast<DWORD>(length));
  return std::wstring_view(name, length).find(L"edit") != std::wstring_view::npos;
}

// An edit control, or a superclass of one ("MarveskEdit"): the real class answers for the
// first, the name for the second.
bool IsEdit(HWND window) {
  wchar_t name[64];
  UINT realLength = ::RealGetWindowClassW(window, name, static_cast<UINT>(std::size(name)));
  if (NamesAnEdit(name, realLength)) return true;
  int length = ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return length > 0 && NamesAnEdit(name, static_cast<std::size_t>(length));
}

BOOL CALLBACK WriteEditText(HWND window, LPARAM) {
  if (IsEdit(window)) {
    WriteUtf8(WindowText(window));
    WriteUtf8(L"\r\n----\r\n");
  }
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  std::wstring_view verb = argv[1];
  if (verb != L"text" && verb != L"close") return 2;

  tSearch search{argv[2]};
  ::EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
  if (search.Found == nullptr) return 1;

  if (verb == L"close")
    ::PostMessageW(search.Found, WM_CLOSE, 0, 0);
  else
    ::EnumChildWindows(search.Found, WriteEditText, 0);
  return 0;
}
