// windowprobe: looks at a running program's window from outside, for scripts that drive the
// program in a session with no one at the screen.
//
//   windowprobe text TITLE        writes the text of each edit control (or superclass of one) in
//                                 the window, as UTF-8, each followed by a line "----"
//   windowprobe pane TITLE N      writes the text of the Nth of those edit controls (from 0, in
//                                 the order that "text" lists them)
//   windowprobe readonly TITLE N  writes "read-only" or "editable" for that edit control
//   windowprobe length TITLE N    writes the length of that edit control's text in characters
//   windowprobe selection TITLE N writes that edit control's selection as "START END" (character
//                                 positions; the control answers in 16 bits, so up to 65535)
//   windowprobe top TITLE N       writes the first row that edit control shows (EM_GETFIRSTVISIBLELINE)
//   windowprobe point TITLE N P   writes where character P of that edit control shows, as screen
//                                 coordinates "X Y" of a point inside it
//   windowprobe menu TITLE        writes "menu" when the window shows its menu bar, else "no menu"
//   windowprobe caption TITLE     writes the window's caption
//   windowprobe dialog TITLE      writes the caption of a visible dialog box of the window's
//                                 process (a message box, say) and a line "----", then the text of
//                                 each of its controls that has one, each followed by "----"
//   windowprobe foreground TITLE  writes the caption of the foreground window (the one that gets the
//                                 keys), when it belongs to the window's process
//   windowprobe answer TITLE      sends the window a message that does nothing and writes how many
//                                 milliseconds it took to answer (at most 30000, then exit code 1)
//   windowprobe close TITLE       asks the window to close (WM_CLOSE) and returns at once
//   windowprobe run HEX           starts the command line given as the hexadecimal digits of its
//                                 UTF-8 bytes, exactly as it stands, as a console program starts
//                                 another (which then shares its console), waits for its end and
//                                 exits with its exit code (3 when it could not start)
//
// The window is the first visible top-level window whose caption contains TITLE and which is not
// a dialog box: a program's message boxes carry its name too, and "dialog" reaches them. When
// there is none, "dialog" and "foreground" take a dialog box whose caption contains TITLE.
//
// Exit code 0 when the window (and the edit control, the dialog box) was found, 1 when there is
// none, 2 for a bad command line.
#include <windows.h>

#include <cwchar>

#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int Found = 0;
constexpr int NotFound = 1;
constexpr int BadArguments = 2;

bool HasClass(HWND window, std::wstring_view expected) {
  wchar_t name[64];
  int length = ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return length > 0 && std::wstring_view(name, static_cast<std::size_t>(length)) == expected;
}

// The class of dialog boxes, message boxes among them.
bool IsDialog(HWND window) { return HasClass(window, L"#32770"); }

std::wstring Caption(HWND window) {
  wchar_t caption[512];
  int length = ::GetWindowTextW(window, caption, static_cast<int>(std::size(caption)));
  return std::wstring(caption, static_cast<std::size_t>(length));
}

struct tSearch {
  std::wstring_view Title;
  bool Dialog = false;  // a dialog box, or a window that is none
  HWND Found = nullptr;
};

BOOL CALLBACK FindTitled(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<tSearch*>(context);
  if (!::IsWindowVisible(window) || IsDialog(window) != search->Dialog) return TRUE;
  if (Caption(window).find(search->Title) == std::wstring::npos) return TRUE;
  search->Found = window;
  return FALSE;
}

struct tDialogSearch {
  DWORD ProcessId = 0;
  HWND Found = nullptr;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<tDialogSearch*>(context);
  DWORD processId = 0;
  ::GetWindowThreadProcessId(window, &processId);
  if (processId != search->ProcessId || !::IsWindowVisible(window) || !IsDialog(window)) return TRUE;
  search->Found = window;
  return FALSE;
}

// The window's text through messages, which reach another process's edit controls too; a window
// that does not answer within ten seconds (a pane of many megabytes under load) counts as empty.
std::wstring WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 10000, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 10000, &copied))
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

constexpr std::wstring_view Separator = L"\r\n----\r\n";

bool NamesAnEdit(wchar_t* name, std::size_t length) {
  ::CharLowerBuffW(name, static_cast<DWORD>(length));
  return std::wstring_view(name, length).find(L"edit") != std::wstring_view::npos;
}

// An edit control, a superclass of one ("MarveskEdit") or the program's own view that answers
// the same messages ("MarveskEditView"): the real class answers for the first, the name for the
// others.
bool IsEdit(HWND window) {
  wchar_t name[64];
  UINT realLength = ::RealGetWindowClassW(window, name, static_cast<UINT>(std::size(name)));
  if (NamesAnEdit(name, realLength)) return true;
  int length = ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return length > 0 && NamesAnEdit(name, static_cast<std::size_t>(length));
}

BOOL CALLBACK CollectEdit(HWND window, LPARAM context) {
  if (IsEdit(window)) reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
  return TRUE;
}

std::vector<HWND> Edits(HWND window) {
  std::vector<HWND> edits;
  ::EnumChildWindows(window, CollectEdit, reinterpret_cast<LPARAM>(&edits));
  return edits;
}

BOOL CALLBACK WriteControlText(HWND window, LPARAM) {
  std::wstring text = WindowText(window);
  if (!text.empty()) {
    WriteUtf8(text);
    WriteUtf8(Separator);
  }
  return TRUE;
}

int WriteDialog(HWND window) {
  tDialogSearch search;
  ::GetWindowThreadProcessId(window, &search.ProcessId);
  ::EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
  if (search.Found == nullptr) return NotFound;
  WriteUtf8(Caption(search.Found));
  WriteUtf8(Separator);
  ::EnumChildWindows(search.Found, WriteControlText, 0);
  return Found;
}

// The edit control named by a decimal index, or nullptr.
HWND EditAt(HWND window, std::wstring_view index) {
  std::vector<HWND> edits = Edits(window);
  if (index.empty() || index.size() > 4 || index.find_first_not_of(L"0123456789") != std::wstring_view::npos)
    return nullptr;
  std::size_t at = std::stoul(std::wstring(index));
  return at < edits.size() ? edits[at] : nullptr;
}

// The command line whose UTF-8 bytes the hexadecimal digits give; empty for bad digits.
std::wstring CommandLineFromHex(std::wstring_view hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    const std::wstring pair(hex.substr(i, 2));
    if (pair.find_first_not_of(L"0123456789abcdefABCDEF") != std::wstring::npos) return {};
    bytes += static_cast<char>(std::stoul(pair, nullptr, 16));
  }
  if (bytes.empty() || hex.size() % 2 != 0) return {};
  std::wstring line(bytes.size(), L'\0');
  line.resize(static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                             line.data(), static_cast<int>(line.size()))));
  return line;
}

int Run(std::wstring_view hex) {
  std::wstring line = CommandLineFromHex(hex);
  if (line.empty()) return BadArguments;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 3;
  ::CloseHandle(pi.hThread);
  ::WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return BadArguments;
  std::wstring_view verb = argv[1];
  if (verb == L"run") return argc == 3 ? Run(argv[2]) : BadArguments;
  bool indexed =
      verb == L"pane" || verb == L"readonly" || verb == L"selection" || verb == L"length" || verb == L"top";
  bool plain = verb == L"text" || verb == L"caption" || verb == L"dialog" || verb == L"close" || verb == L"menu" ||
               verb == L"foreground" || verb == L"answer";
  bool located = verb == L"point";
  if (!(indexed && argc == 4) && !(plain && argc == 3) && !(located && argc == 5)) return BadArguments;

  tSearch search{argv[2]};
  ::EnumWindows(FindTitled, reinterpret_cast<LPARAM>(&search));
  // A box may show before the program's window has its caption: the box stands for its process.
  if (search.Found == nullptr && (verb == L"dialog" || verb == L"foreground")) {
    search.Dialog = true;
    ::EnumWindows(FindTitled, reinterpret_cast<LPARAM>(&search));
  }
  if (search.Found == nullptr) return NotFound;

  if (verb == L"close") {
    ::PostMessageW(search.Found, WM_CLOSE, 0, 0);
  } else if (verb == L"answer") {
    ULONGLONG start = ::GetTickCount64();
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(search.Found, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result)) return NotFound;
    WriteUtf8(std::to_wstring(::GetTickCount64() - start));
  } else if (verb == L"foreground") {
    HWND foreground = ::GetForegroundWindow();
    DWORD windowProcess = 0, foregroundProcess = 0;
    ::GetWindowThreadProcessId(search.Found, &windowProcess);
    if (foreground == nullptr) return NotFound;
    ::GetWindowThreadProcessId(foreground, &foregroundProcess);
    if (foregroundProcess != windowProcess) return NotFound;
    WriteUtf8(Caption(foreground));
  } else if (verb == L"menu") {
    WriteUtf8(::GetMenu(search.Found) != nullptr ? L"menu" : L"no menu");
  } else if (verb == L"caption") {
    WriteUtf8(Caption(search.Found));
  } else if (verb == L"dialog") {
    return WriteDialog(search.Found);
  } else if (verb == L"text") {
    for (HWND edit : Edits(search.Found)) {
      WriteUtf8(WindowText(edit));
      WriteUtf8(Separator);
    }
  } else {
    HWND edit = EditAt(search.Found, argv[3]);
    if (edit == nullptr) return NotFound;
    if (verb == L"pane") {
      WriteUtf8(WindowText(edit));
    } else if (verb == L"length") {
      DWORD_PTR length = 0;
      if (!::SendMessageTimeoutW(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 10000, &length)) return NotFound;
      WriteUtf8(std::to_wstring(length));
    } else if (verb == L"top") {
      DWORD_PTR row = 0;
      if (!::SendMessageTimeoutW(edit, EM_GETFIRSTVISIBLELINE, 0, 0, SMTO_ABORTIFHUNG, 2000, &row)) return NotFound;
      WriteUtf8(std::to_wstring(row));
    } else if (verb == L"point") {
      DWORD_PTR point = 0;
      const WPARAM position = std::wcstoul(argv[4], nullptr, 10);
      if (!::SendMessageTimeoutW(edit, EM_POSFROMCHAR, position, 0, SMTO_ABORTIFHUNG, 2000, &point) ||
          point == static_cast<DWORD_PTR>(-1))
        return NotFound;
      // A little inside the character's cell, which starts at the point.
      POINT screen{static_cast<short>(LOWORD(point)) + 2, static_cast<short>(HIWORD(point)) + 4};
      ::ClientToScreen(edit, &screen);
      WriteUtf8(std::to_wstring(screen.x) + L" " + std::to_wstring(screen.y));
    } else if (verb == L"selection") {
      DWORD_PTR selection = 0;
      if (!::SendMessageTimeoutW(edit, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &selection)) return NotFound;
      WriteUtf8(std::to_wstring(LOWORD(selection)) + L" " + std::to_wstring(HIWORD(selection)));
    } else {
      WriteUtf8((::GetWindowLongW(edit, GWL_STYLE) & ES_READONLY) != 0 ? L"read-only" : L"editable");
    }
  }
  return Found;
}
