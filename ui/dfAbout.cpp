#include "ui/dfAbout.h"

#include <commctrl.h>
#include <windowsx.h>

#include <string>
#include <utility>

#include "gui/DialogSeam.h"
#include "gui/Form.h"
#include "gui/ResString.h"
#include "gui/Window.h"
#include "resources/resource.h"
#include "text/Utils.h"

namespace {

constexpr COLORREF LinkColor = RGB(0x00, 0x00, 0x80);
constexpr int ProductFontHeight = 12;  // pixels at 96 DPI

}  // namespace

TFormAbout::TFormAbout(tLinkOpener opener) : cDialog(IDD_ABOUT), opener_(std::move(opener)) {
  tVersionInformation info;
  // An incomplete read leaves the missing parts empty or 0, which is what the box then shows.
  cVersionInformation::GetVersionInformation(info);
  texts_ = ComposeTexts(info, ProductName());
}

void TFormAbout::Execute(HWND owner) { ShowModal(owner); }

tAboutTexts TFormAbout::ComposeTexts(const tVersionInformation& info, std::wstring_view productName) {
  tAboutTexts texts;
  texts.Caption = gui::FormatRes(IDS_PRODUCT_CAPTION, {productName});
  texts.Product = productName;
  texts.Version = gui::FormatRes(IDS_ABOUT_VERSION, {std::to_wstring(info.ProductMajor),
                                                     std::to_wstring(info.ProductMinor),
                                                     std::to_wstring(info.ProductRelease)});
  texts.Copyright = info.Strings[svmLegalCopyright];
  texts.Url = gui::LoadResString(IDS_ABOUT_URL);
  return texts;
}

std::wstring TFormAbout::OpenWithShell(std::wstring_view address) {
  return cSystemResources::ShellOpen(nullptr, address, {});
}

bool TFormAbout::InitDialog() {
  ::SetWindowTextW(Handle(), texts_.Caption.c_str());
  SetItemText(IDC_ABOUT_PRODUCT, texts_.Product);
  SetItemText(IDC_ABOUT_VERSION, texts_.Version);
  SetItemText(IDC_ABOUT_COPYRIGHT, texts_.Copyright);
  SetItemText(IDC_ABOUT_URL, texts_.Url);

  // The product name stands out in a bold font of its own, made for the box's DPI.
  LOGFONTW description{};
  description.lfHeight = -gui::ScaleForWindow(Handle(), ProductFontHeight);
  description.lfWeight = FW_BOLD;
  description.lfCharSet = DEFAULT_CHARSET;
  description.lfQuality = DEFAULT_QUALITY;
  lstrcpynW(description.lfFaceName, L"Tahoma", LF_FACESIZE);
  productFont_.reset(::CreateFontIndirectW(&description));
  ::SendMessageW(Item(IDC_ABOUT_PRODUCT), WM_SETFONT, reinterpret_cast<WPARAM>(productFont_.get()), FALSE);

  // The address lines up with the labels above it.
  ::SendMessageW(Item(IDC_ABOUT_URL), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
  HookKeyPress(IDC_ABOUT_URL);
  ::SetWindowSubclass(Item(IDC_ABOUT_URL), &TFormAbout::LinkHook, IDC_ABOUT_URL, reinterpret_cast<DWORD_PTR>(this));
  ::SetFocus(Item(IDOK));
  return false;
}

void TFormAbout::KeyPress(int id, wchar_t& key) {
  if (key != L' ') return;
  key = 0;
  OpenLink(id);
}

INT_PTR TFormAbout::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // A read-only edit asks for the colours of a static control.
  if (message == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lParam) == Item(IDC_ABOUT_URL)) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    ::SetTextColor(dc, LinkColor);
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
  }
  return cDialog::HandleMessage(message, wParam, lParam);
}

void TFormAbout::OpenLink(int id) {
  const std::wstring error = opener_(ItemText(id));
  if (cStringUtils::Trim(error).empty()) return;
  gui::cDialogSeam::ShowMessage(Handle(), error, ProductName(), MB_OK | MB_ICONERROR);
}

LRESULT CALLBACK TFormAbout::LinkHook(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self) {
  if (message == WM_NCDESTROY) {
    ::RemoveWindowSubclass(hwnd, &TFormAbout::LinkHook, id);
  } else if (message == WM_SETCURSOR && reinterpret_cast<HWND>(wParam) == hwnd) {
    ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
    return TRUE;
  } else if (message == WM_LBUTTONUP) {
    // A click: the button goes up over the field, after the field has let the mouse go.
    const LRESULT result = ::DefSubclassProc(hwnd, message, wParam, lParam);
    RECT client;
    ::GetClientRect(hwnd, &client);
    const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (::PtInRect(&client, at)) {
      try {
        reinterpret_cast<TFormAbout*>(self)->OpenLink(static_cast<int>(id));
      } catch (...) {
        gui::ReportUnhandledError(hwnd);
      }
    }
    return result;
  }
  return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

TFormAbout& FormAbout() {
  static TFormAbout form;
  return form;
}
