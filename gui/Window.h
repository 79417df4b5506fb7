#pragma once
// The window base of the program's own small GUI layer. Every window, whether of a class of ours
// or a superclass of a system control, is driven by one trampoline: it takes the object from the
// creation parameters at WM_NCCREATE, dispatches to the virtual handler and forgets the object
// when the window is destroyed.
#include <windows.h>

namespace gui {

// Notifications and colour requests of a child window of ours are handed back to the child as
// kReflectBase + the message, so a control handles its own EN_CHANGE or WM_CTLCOLOREDIT.
inline constexpr UINT kReflectBase = WM_USER + 0x1C00;

class cWindow {
public:
  cWindow(const cWindow&) = delete;
  cWindow& operator=(const cWindow&) = delete;
  virtual ~cWindow();

  HWND Handle() const noexcept { return hwnd_; }

  // Registers, once per process, a window class of ours driven by the trampoline.
  static const wchar_t* RegisterWindowClass(const wchar_t* className, UINT style = 0, HBRUSH background = nullptr,
                                            HICON icon = nullptr);
  // Registers, once per process, a superclass of a system class ("EDIT", "COMBOBOX"), wide or
  // narrow. The system class's procedure becomes the default handler of its windows.
  static const wchar_t* RegisterSuperclass(const wchar_t* className, const wchar_t* systemClass, bool wide = true);
  // Registers, once per process, a window class of ours driven by the trampoline whose default
  // handler is the given procedure, as a superclass's is the system's: for a control of the
  // program that keeps its state in its window's extra bytes (the text view).
  static const wchar_t* RegisterClassWithDefault(const wchar_t* className, WNDPROC defaultProc, UINT style,
                                                 int windowExtra, HCURSOR cursor);
  // The window procedure of a system class, as its class record gives it.
  static WNDPROC GetClassWndProc(const wchar_t* systemClass, bool wide = true);

protected:
  cWindow() = default;

  // Creates the window of this object; a narrow superclass gets a narrow window.
  HWND CreateHandle(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menuOrId);
  // Destroys the window now; the object stays usable without one.
  void DestroyHandle() noexcept;

  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // What a message not handled by the object gets: the class's default procedure.
  LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);

private:
  // Registers the class described, with the trampoline as its procedure, unless it is known.
  static const wchar_t* RegisterOwnClass(const wchar_t* className, WNDCLASSEXW& wc, WNDPROC defaultProc);
  static LRESULT CALLBACK Trampoline(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT DefaultFor(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
};

// Errors that reach a window procedure end here: shown in one error box, the window stays as it was.
void ReportUnhandledError(HWND owner) noexcept;

}  // namespace gui
