#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "gui/DialogSeam.h"
#include "resources/resource.h"
#include "tests/editor/EditorTestSupport.h"
#include "tests/support/TestSupport.h"
#include "text/Utils.h"
#include "ui/dfAbout.h"

namespace {

// An about box whose address field opens nothing: it records what it was asked to open and
// answers with the error text the test sets. The message boxes it shows are recorded too.
class cRecordingAbout : public cMessageRecorder {
public:
  cRecordingAbout()
      : form([this](std::wstring_view address) {
          opened.emplace_back(address);
          return error;
        }) {}

  // Shows the box with the user's actions.
  void Run(const std::function<void(HWND)>& user) { RunAsUser(IDD_ABOUT, user, [&] { form.Execute(nullptr); }); }

  std::vector<std::wstring> opened;
  std::wstring error;
  TFormAbout form;
};

HWND Url(HWND dialog) { return ::GetDlgItem(dialog, IDC_ABOUT_URL); }

void ClickAt(HWND control, int x, int y) {
  ::SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  ::SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

LOGFONTW FontOf(HWND control) {
  LOGFONTW description{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof description, &description);
  return description;
}

}  // namespace

TEST(AboutBox, TextsComeFromTheProductVersionAndTheCopyright) {
  tVersionInformation info;
  info.FileMajor = 9, info.FileMinor = 8, info.FileRelease = 7, info.FileBuild = 6;
  info.ProductMajor = 2, info.ProductMinor = 10, info.ProductRelease = 3, info.ProductBuild = 4;
  info.Strings[svmLegalCopyright] = L"\u00A9 2026 \u4E2D Somebody";
  info.Strings[svmProductName] = L"Not shown";
  const tAboutTexts texts = TFormAbout::ComposeTexts(info, L"Product \u00C5");
  EXPECT_EQ(texts.Caption, L" Product \u00C5");
  EXPECT_EQ(texts.Product, L"Product \u00C5");
  EXPECT_EQ(texts.Version, L"v. 2.10.3");
  EXPECT_EQ(texts.Copyright, L"\u00A9 2026 \u4E2D Somebody");
  EXPECT_EQ(texts.Url, L"https://marvesk.example/");
}

TEST(AboutBox, AProgramWithoutVersionInformationShowsZerosAndNoCopyright) {
  const tAboutTexts texts = TFormAbout::ComposeTexts(tVersionInformation{}, L"");
  EXPECT_EQ(texts.Caption, L" ");
  EXPECT_EQ(texts.Product, L"");
  EXPECT_EQ(texts.Version, L"v. 0.0.0");
  EXPECT_EQ(texts.Copyright, L"");
}

TEST(AboutBox, ShowsTheProgramsOwnVersionInformation) {
  cRecordingAbout about;
  about.Run([](HWND dialog) {
    EXPECT_EQ(WindowText(dialog), L" Marvesk");
    EXPECT_EQ(WindowText(::GetDlgItem(dialog, IDC_ABOUT_PRODUCT)), L"Marvesk");
    EXPECT_EQ(WindowText(::GetDlgItem(dialog, IDC_ABOUT_VERSION)), L"v. 1.0.0");
    EXPECT_EQ(WindowText(::GetDlgItem(dialog, IDC_ABOUT_COPYRIGHT)), L"Copyright (C) 2026 Marvesk Project");
    EXPECT_EQ(WindowText(Url(dialog)), L"https://marvesk.example/");
    EXPECT_NE(::SendMessageW(::GetDlgItem(dialog, IDC_ABOUT_ICON), STM_GETICON, 0, 0), 0);
    // The product name in its own bold font; the rest in the dialog's.
    const LOGFONTW product = FontOf(::GetDlgItem(dialog, IDC_ABOUT_PRODUCT));
    EXPECT_EQ(product.lfWeight, FW_BOLD);
    EXPECT_STREQ(product.lfFaceName, L"Tahoma");
    EXPECT_LT(FontOf(::GetDlgItem(dialog, IDC_ABOUT_VERSION)).lfWeight, FW_BOLD);
    // No title-bar buttons; OK has the focus, the address cannot be edited.
    EXPECT_EQ(::GetWindowLongW(dialog, GWL_STYLE) & WS_SYSMENU, 0);
    EXPECT_EQ(::GetFocus(), ::GetDlgItem(dialog, IDOK));
    EXPECT_NE(::GetWindowLongW(Url(dialog), GWL_STYLE) & ES_READONLY, 0);
    Click(dialog, IDOK);
  });
  EXPECT_TRUE(about.opened.empty());
}

TEST(AboutBox, SpaceBarAndClickOpenTheAddressWithoutPrefix) {
  cRecordingAbout about;
  about.Run([&](HWND dialog) {
    HWND url = Url(dialog);
    ::SetFocus(url);
    Type(url, L"x\r");
    EXPECT_TRUE(about.opened.empty());
    Type(url, L" ");
    ASSERT_EQ(about.opened.size(), 1u);
    EXPECT_EQ(about.opened[0], L"https://marvesk.example/");
    EXPECT_EQ(WindowText(url), L"https://marvesk.example/");

    RECT client;
    ::GetClientRect(url, &client);
    ClickAt(url, client.right / 2, client.bottom / 2);
    ASSERT_EQ(about.opened.size(), 2u);
    EXPECT_EQ(about.opened[1], L"https://marvesk.example/");
    // A press that ends away from the field, as after dragging over its text, is no click.
    ClickAt(url, client.right + 20, client.bottom + 20);
    EXPECT_EQ(about.opened.size(), 2u);
    EXPECT_TRUE(::IsWindowVisible(dialog));
    Click(dialog, IDOK);
  });
  EXPECT_TRUE(about.boxes.empty());
}

TEST(AboutBox, AFailureToOpenIsShownInAnErrorBoxAndTheBoxStaysOpen) {
  cRecordingAbout about;
  about.Run([&](HWND dialog) {
    about.error = L" \r\n";  // blanks only: nothing to tell
    Type(Url(dialog), L" ");
    EXPECT_TRUE(about.boxes.empty());

    about.error = L"No program is associated with this address.";
    Type(Url(dialog), L" ");
    ASSERT_EQ(about.boxes.size(), 1u);
    EXPECT_EQ(Shown(about.boxes[0]),
              (tShownBox{dialog, L"No program is associated with this address.", L"Marvesk", MB_OK | MB_ICONERROR}));
    EXPECT_TRUE(::IsWindowVisible(dialog));
    Click(dialog, IDOK);
  });
  EXPECT_EQ(about.opened.size(), 2u);
}

TEST(AboutBox, TheShellsErrorTextReachesTheErrorBox) {
  // The box as the program makes it, with the shell behind the address field; an address the
  // shell cannot open gives the system's own text.
  TFormAbout about;
  cMessageRecorder boxes;
  gui::cDialogSeam::cDialogResponderScope scope([&](const gui::tDialogRequest& request) {
    HWND url = Url(request.Dialog);
    ::SetWindowTextW(url, (TestExeDir() + L"\\no such file.marvesk").c_str());
    Type(url, L" ");
    Click(request.Dialog, IDOK);
  });
  about.Execute(nullptr);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].Text, cSystemResources::SystemErrorTextW(ERROR_FILE_NOT_FOUND));
  EXPECT_NE(boxes.boxes[0].Text, L"");
  EXPECT_EQ(boxes.boxes[0].Flags, UINT(MB_OK | MB_ICONERROR));
}
