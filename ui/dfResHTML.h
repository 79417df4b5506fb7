#pragma once
// The help window: an HTML page of a program file's resources, shown modally with an OK button.
// Where the system's WebBrowser control can be had, it shows the page through its "res://"
// address; where it cannot (no browser engine), the page is read from the resources and drawn by
// the program's own HTML view. No file on disk is needed either way.
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "gui/Dialog.h"

class cBrowserHost;
class cHtmlView;

// The resource type of the help page.
inline constexpr int HelpResourceType = 100;

class TFormHTML : public gui::cDialog {
public:
  TFormHTML(std::wstring moduleName, std::wstring resourceName, int resourceType);
  ~TFormHTML() override;

  // Shows the page modally over the owner (none: no owner) and returns the code the window
  // closed with. A caption that is blank leaves the designed one.
  static INT_PTR ShowResource(const std::wstring& moduleName, const std::wstring& resourceName, HWND owner,
                              std::wstring_view caption, int resourceType);

  // The program's view that shows the page while the window is open; none when the browser
  // control shows it.
  cHtmlView* View() const noexcept { return view_.get(); }

protected:
  bool InitDialog() override;
  // OK, Enter and Esc all close the window with OK.
  bool Command(int id, int notification) override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  // The page's UTF-8 text from the module's resources; none when it is not there.
  bool LoadPage(std::string& page) const;
  void ShowInView(const tPlaceholder& placeholder);
  // The window that shows the page: the browser control's or the view's.
  HWND PageWindow() const;
  void Arrange();

  std::wstring moduleName_;
  std::wstring resourceName_;
  int resourceType_;
  std::wstring caption_;
  std::unique_ptr<cBrowserHost> browser_;
  std::unique_ptr<cHtmlView> view_;
  int buttonMarginRight_ = 0;
  int buttonTop_ = 0;
  int panelHeight_ = 0;
};
