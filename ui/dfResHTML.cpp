#include "ui/dfResHTML.h"

#include <algorithm>

#include "gui/Handle.h"
#include "gui/ResString.h"
#include "resources/resource.h"
#include "text/Utils.h"
#include "ui/BrowserHost.h"
#include "ui/Help.h"
#include "ui/HtmlView.h"

namespace {

// A page of one paragraph, for a page that cannot be read.
tHtmlDocument MessagePage(std::wstring text) {
  tHtmlDocument page;
  tHtmlBlock& block = page.Blocks.emplace_back();
  tHtmlRun run;
  run.Text = std::move(text);
  block.Cells.push_back({std::move(run)});
  return page;
}

}  // namespace

TFormHTML::TFormHTML(std::wstring moduleName, std::wstring resourceName, int resourceType)
    : cDialog(IDD_HELP),
      moduleName_(std::move(moduleName)),
      resourceName_(std::move(resourceName)),
      resourceType_(resourceType) {}

TFormHTML::~TFormHTML() = default;

INT_PTR TFormHTML::ShowResource(const std::wstring& moduleName, const std::wstring& resourceName, HWND owner,
                                std::wstring_view caption, int resourceType) {
  TFormHTML form(moduleName, resourceName, resourceType);
  if (!cStringUtils::Trim(caption).empty()) form.caption_ = caption;
  return form.ShowModal(owner);
}

bool TFormHTML::LoadPage(std::string& page) const {
  gui::cModule module(::LoadLibraryExW(moduleName_.c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!module) return false;
  HRSRC resource = ::FindResourceW(module.get(), resourceName_.c_str(), MAKEINTRESOURCEW(resourceType_));
  if (!resource) return false;
  HGLOBAL loaded = ::LoadResource(module.get(), resource);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data) return false;
  page.assign(static_cast<const char*>(data), ::SizeofResource(module.get(), resource));
  return true;
}

bool TFormHTML::InitDialog() {
  if (!caption_.empty()) ::SetWindowTextW(Handle(), caption_.c_str());

  const tPlaceholder placeholder = RemovePlaceholder(IDC_HELP_PAGE);
  RECT client{}, button{};
  ::GetClientRect(Handle(), &client);
  ::GetWindowRect(Item(IDOK), &button);
  ::MapWindowPoints(HWND_DESKTOP, Handle(), reinterpret_cast<POINT*>(&button), 2);
  buttonMarginRight_ = client.right - button.right;
  panelHeight_ = client.bottom - placeholder.Bounds.bottom;
  buttonTop_ = button.top - placeholder.Bounds.bottom;

  if (cBrowserHost::CanShowPages())
    browser_ = cBrowserHost::Create(Handle(), placeholder.Bounds, [this] {
      if (browser_) browser_->FocusBody();
    });
  if (browser_) {
    ::SetWindowLongPtrW(browser_->Window(), GWLP_ID, IDC_HELP_PAGE);
    TakePlace(browser_->Window(), placeholder);
    browser_->Navigate(BuildResUrl(moduleName_, resourceName_, resourceType_));
  } else {
    ShowInView(placeholder);
  }
  Arrange();
  ::SetFocus(PageWindow());
  return false;
}

void TFormHTML::ShowInView(const tPlaceholder& placeholder) {
  view_ = std::make_unique<cHtmlView>();
  view_->Create(Handle(), IDC_HELP_PAGE, placeholder.Bounds);
  TakePlace(view_->Handle(), placeholder);
  std::string page;
  if (LoadPage(page))
    view_->SetDocument(ParseHtml(page));
  else
    view_->SetDocument(MessagePage(
        gui::FormatRes(IDS_HELP_PAGE_MISSING, {BuildResUrl(moduleName_, resourceName_, resourceType_)})));
}

HWND TFormHTML::PageWindow() const { return browser_ ? browser_->Window() : view_->Handle(); }

bool TFormHTML::Command(int id, int notification) {
  if (notification == BN_CLICKED && (id == IDOK || id == IDCANCEL)) {
    EndModal(IDOK);
    return true;
  }
  return false;
}

INT_PTR TFormHTML::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SIZE && (browser_ || view_)) {
    Arrange();
    return TRUE;
  }
  // The control is closed while its window is still there.
  if (message == WM_DESTROY) browser_.reset();
  return cDialog::HandleMessage(message, wParam, lParam);
}

void TFormHTML::Arrange() {
  RECT client{}, button{};
  ::GetClientRect(Handle(), &client);
  HWND ok = Item(IDOK);
  ::GetWindowRect(ok, &button);
  const int panelTop = client.bottom - panelHeight_;
  const RECT page{0, 0, client.right, std::max<LONG>(0, panelTop)};
  if (browser_)
    browser_->Move(page);
  else
    ::SetWindowPos(view_->Handle(), nullptr, 0, 0, page.right, page.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
  ::SetWindowPos(ok, nullptr, client.right - buttonMarginRight_ - (button.right - button.left), panelTop + buttonTop_, 0,
                 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(Handle(), nullptr, TRUE);
}
