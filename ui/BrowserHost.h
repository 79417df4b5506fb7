#pragma once
// The system's WebBrowser control, hosted in a window of ours: a small OLE container that
// activates the control in place, hears when a page is complete and hands the control the keys
// it translates while it has the focus.
#include <windows.h>

#include <functional>
#include <memory>
#include <string_view>

class cBrowserHost {
public:
  ~cBrowserHost();
  cBrowserHost(const cBrowserHost&) = delete;
  cBrowserHost& operator=(const cBrowserHost&) = delete;

  // Whether the HTML engine that draws the control's pages is there; answers at once. The control
  // itself may exist without it, as in Wine without its browser engine, and then shows nothing.
  static bool CanShowPages();
  // Creates the control in the bounds of the parent's client area and activates it there; none
  // when the system cannot. The handler is called each time a page is complete.
  static std::unique_ptr<cBrowserHost> Create(HWND parent, const RECT& bounds, std::function<void()> pageComplete);

  // The control's window.
  HWND Window() const noexcept;
  // Asks the control to show the address; the page arrives later, through the message loop. An
  // address it cannot show gets the control's own error page.
  void Navigate(std::wstring_view url);
  // Gives the keyboard focus to the body of the page shown; does nothing when there is none.
  void FocusBody();
  void Move(const RECT& bounds);

private:
  struct tState;
  explicit cBrowserHost(std::unique_ptr<tState> state) noexcept;

  std::unique_ptr<tState> state_;
};
