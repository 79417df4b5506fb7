#include "gui/Window.h"

#include <deque>
#include <string>
#include <utility>

#include "gui/Application.h"
#include "gui/DialogSeam.h"
#include "gui/Error.h"
#include "text/TextCodec.h"

namespace gui {
namespace {

struct tClassRecord {
  ATOM atom;
  std::wstring name;
  WNDPROC defaultProc;  // DefWindowProcW for our own classes, the system procedure for superclasses
  bool wide;
};

// A deque, so that the names handed out stay where they are.
std::deque<tClassRecord>& Classes() {
  static std::deque<tClassRecord> classes;
  return classes;
}

const tClassRecord* FindClass(const wchar_t* name) {
  for (const auto& record : Classes())
    if (record.name == name) return &record;
  return nullptr;
}

const tClassRecord* FindClass(HWND hwnd) {
  ATOM atom = static_cast<ATOM>(::GetClassWord(hwnd, GCW_ATOM));
  for (const auto& record : Classes())
    if (record.atom == atom) return &record;
  return nullptr;
}

std::string Narrow(const wchar_t* text) { return text ? cTextCodec::ToCodePage(CP_ACP, text) : std::string(); }

}  // namespace

cWindow::~cWindow() {
  if (hwnd_) {
    // The derived part is gone: let the window die without reaching this object.
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(std::exchange(hwnd_, nullptr));
  }
}

const wchar_t* cWindow::RegisterWindowClass(const wchar_t* className, UINT style, HBRUSH background, HICON icon) {
  WNDCLASSEXW wc{};
  wc.style = style;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.hIcon = icon;
  return RegisterOwnClass(className, wc, &::DefWindowProcW);
}

const wchar_t* cWindow::RegisterClassWithDefault(const wchar_t* className, WNDPROC defaultProc, UINT style,
                                                 int windowExtra, HCURSOR cursor) {
  WNDCLASSEXW wc{};
  wc.style = style;
  wc.cbWndExtra = windowExtra;
  wc.hCursor = cursor;
  return RegisterOwnClass(className, wc, defaultProc);
}

const wchar_t* cWindow::RegisterOwnClass(const wchar_t* className, WNDCLASSEXW& wc, WNDPROC defaultProc) {
  if (const tClassRecord* known = FindClass(className)) return known->name.c_str();
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &cWindow::Trampoline;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = className;
  ATOM atom = ::RegisterClassExW(&wc);
  Classes().push_back({atom, className, defaultProc, true});
  return Classes().back().name.c_str();
}

WNDPROC cWindow::GetClassWndProc(const wchar_t* systemClass, bool wide) {
  if (wide) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    return ::GetClassInfoExW(nullptr, systemClass, &wc) ? wc.lpfnWndProc : nullptr;
  }
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  std::string name = Narrow(systemClass);
  return ::GetClassInfoExA(nullptr, name.c_str(), &wc) ? wc.lpfnWndProc : nullptr;
}

const wchar_t* cWindow::RegisterSuperclass(const wchar_t* className, const wchar_t* systemClass, bool wide) {
  if (const tClassRecord* known = FindClass(className)) return known->name.c_str();
  ATOM atom = 0;
  WNDPROC baseProc = nullptr;
  if (wide) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    ::GetClassInfoExW(nullptr, systemClass, &wc);
    baseProc = wc.lpfnWndProc;
    wc.lpfnWndProc = &cWindow::Trampoline;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    wc.style &= ~CS_GLOBALCLASS;
    atom = ::RegisterClassExW(&wc);
  } else {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    std::string system = Narrow(systemClass), name = Narrow(className);
    ::GetClassInfoExA(nullptr, system.c_str(), &wc);
    baseProc = wc.lpfnWndProc;
    wc.lpfnWndProc = &cWindow::Trampoline;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = name.c_str();
    wc.style &= ~CS_GLOBALCLASS;
    atom = ::RegisterClassExA(&wc);
  }
  Classes().push_back({atom, className, baseProc, wide});
  return Classes().back().name.c_str();
}

HWND cWindow::CreateHandle(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                           int width, int height, HWND parent, HMENU menuOrId) {
  const tClassRecord* record = FindClass(className);
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  if (record && !record->wide) {
    std::string name = Narrow(className), caption = Narrow(title);
    ::CreateWindowExA(exStyle, name.c_str(), caption.c_str(), style, x, y, width, height, parent, menuOrId, instance,
                      this);
  } else {
    ::CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, menuOrId, instance, this);
  }
  return hwnd_;
}

void cWindow::DestroyHandle() noexcept {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

LRESULT cWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(message, wParam, lParam);
}

LRESULT cWindow::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefaultFor(hwnd_, message, wParam, lParam);
}

LRESULT cWindow::DefaultFor(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= kReflectBase + WM_COMMAND && message <= kReflectBase + WM_CTLCOLORSTATIC)
    return ::DefWindowProcW(::GetParent(hwnd), message - kReflectBase, wParam, lParam);
  const tClassRecord* record = FindClass(hwnd);
  if (!record) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  if (record->wide) return ::CallWindowProcW(record->defaultProc, hwnd, message, wParam, lParam);
  return ::CallWindowProcA(record->defaultProc, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK cWindow::Trampoline(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  cWindow* self = nullptr;
  if (message == WM_NCCREATE) {
    // lpCreateParams sits at the same place in the narrow and the wide creation record.
    self = static_cast<cWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (self) {
      self->hwnd_ = hwnd;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  } else {
    self = reinterpret_cast<cWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefaultFor(hwnd, message, wParam, lParam);

  if ((message == WM_COMMAND && lParam != 0) || (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)) {
    HWND child = reinterpret_cast<HWND>(lParam);
    if (::GetWindowLongPtrW(child, GWLP_USERDATA) != 0 && FindClass(child))
      return ::SendMessageW(child, kReflectBase + message, wParam, lParam);
  }

  LRESULT result = 0;
  try {
    result = self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    ReportUnhandledError(hwnd);
  }
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    if (cApplication::IsMainForm(hwnd)) ::PostQuitMessage(0);
  }
  return result;
}

void ReportUnhandledError(HWND owner) noexcept {
  try {
    std::wstring text;
    try {
      throw;
    } catch (const cError& e) {
      text = e.Message();
    } catch (const std::exception& e) {
      std::string what = e.what();
      text.assign(what.begin(), what.end());
    } catch (...) {
      text = L"?";
    }
    HWND root = owner ? ::GetAncestor(owner, GA_ROOT) : nullptr;
    cDialogSeam::ShowMessage(root, text, cApplication::Title(), MB_OK | MB_ICONERROR);
  } catch (...) {
    // Nothing sensible is left to do when even the report fails.
  }
}

}  // namespace gui
