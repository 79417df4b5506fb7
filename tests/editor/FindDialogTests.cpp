#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "editor/dfFind.h"
#include "resources/resource.h"
#include "tests/editor/EditorTestSupport.h"
#include "tests/unicode/ControlTestSupport.h"

namespace {

// The combo box's edit field, where the user types.
HWND FindEdit(HWND dialog) { return ::FindWindowExW(::GetDlgItem(dialog, IDC_FIND_TEXT), nullptr, L"Edit", nullptr); }

int HistoryShown(HWND dialog) {
  return static_cast<int>(::SendMessageW(::GetDlgItem(dialog, IDC_FIND_TEXT), CB_GETCOUNT, 0, 0));
}

// Runs Execute with the responder standing in for the user.
tSearchRequest RunDialog(TFormFind& form, bool selectedScope, const std::function<void(HWND)>& user,
                         HWND owner = nullptr) {
  int shown = 0;
  tSearchRequest request{srSelectedText, soBackward, L"left over"};
  RunAsUser(IDD_FIND, [&](HWND dialog) { ++shown; user(dialog); },
            [&] { form.Execute(owner, selectedScope, request); });
  EXPECT_EQ(shown, 1);
  return request;
}

}  // namespace

TEST(FindDialog, ControlsDescribeTheRequest) {
  TFormFind form;
  tSearchRequest request;
  form.Controls().Text = L"  ";
  form.CollectRequest(request);
  EXPECT_EQ(request.Text, L"  ");  // blanks are searched as they are
  EXPECT_EQ(request.Range, srFromCursor);
  EXPECT_EQ(request.Options, soIgnoreCase);

  auto& controls = form.Controls();
  controls.CaseSensitive = controls.WholeWord = controls.Backward = controls.EntireScope = true;
  form.CollectRequest(request);
  EXPECT_EQ(request.Range, srEntireScope);
  EXPECT_EQ(request.Options, soBackward | soWholeWord);
  controls.SelectedScope = true;
  for (bool entire : {false, true}) {
    controls.EntireScope = entire;
    form.CollectRequest(request);
    EXPECT_EQ(request.Range, srSelectedText);
  }
}

TEST(FindDialog, ASelectionPresetsTheScopeAndLocksTheOrigin) {
  TFormFind form;
  auto& controls = form.Controls();
  controls.EntireScope = true;
  form.PrepareControls(false);
  EXPECT_FALSE(controls.SelectedScope);
  EXPECT_TRUE(controls.EntireScope);  // the origin chosen last stays
  EXPECT_TRUE(controls.OriginEnabled);
  form.PrepareControls(true);
  EXPECT_TRUE(controls.SelectedScope);
  EXPECT_FALSE(controls.EntireScope);
  EXPECT_FALSE(controls.OriginEnabled);
  form.PrepareControls(false);
  EXPECT_FALSE(controls.SelectedScope);
  EXPECT_TRUE(controls.OriginEnabled);
}

TEST(FindDialog, HistoryKeepsFirstUseOrderAndIgnoresCase) {
  TFormFind form;
  const std::wstring foreign = L"\u041F\u043E\u0438\u0441\u043A \u691C\u7D22";
  form.AddToHistory(L"Foo");
  form.AddToHistory(L"foo");
  form.AddToHistory(L"");
  form.AddToHistory(foreign);
  form.AddToHistory(L"\u043F\u041E\u0418\u0421\u041A \u691C\u7D22");
  form.AddToHistory(L"bar");
  form.AddToHistory(L"FOO");
  EXPECT_EQ(form.Controls().History, (tWStringArray{L"Foo", foreign, L"bar"}));
}

TEST(FindDialog, TheLastRequestIsHandedOutThenSearchesFromTheCursor) {
  TFormFind form;
  tSearchRequest request{srSelectedText, soBackward, L"x"};
  form.TakeLastRequest(request);
  EXPECT_EQ(request.Text, L"");  // nothing accepted yet
  form.Controls().EntireScope = true;
  const tSearchRequest accepted = RunDialog(form, false, [](HWND dialog) {
    Type(FindEdit(dialog), L"abc");
    Click(dialog, IDOK);
  });
  EXPECT_EQ(accepted.Range, srEntireScope);
  form.TakeLastRequest(request);
  EXPECT_EQ(request.Range, srEntireScope);
  EXPECT_EQ(request.Text, L"abc");
  form.TakeLastRequest(request);
  EXPECT_EQ(request.Range, srFromCursor);
  EXPECT_EQ(request.Options, soIgnoreCase);
}

TEST(FindDialog, OKNeedsATextAndAcceptingRecordsIt) {
  cTestHost owner;
  TFormFind form;
  const std::wstring foreign = L"\u691C\u7D22 \U0001F600";
  const tSearchRequest request = RunDialog(
      form, false,
      [&](HWND dialog) {
        EXPECT_EQ(WindowText(dialog), L" Find");
        EXPECT_FALSE(IsEnabled(dialog, IDOK));
        Click(dialog, IDOK);  // a disabled OK, as Enter would press it, does nothing
        EXPECT_TRUE(::IsWindowVisible(dialog));
        Type(FindEdit(dialog), L"\u691C");
        EXPECT_TRUE(IsEnabled(dialog, IDOK));
        ::SendMessageW(FindEdit(dialog), WM_CHAR, VK_BACK, 1);
        EXPECT_FALSE(IsEnabled(dialog, IDOK));
        Type(FindEdit(dialog), foreign);
        Click(dialog, IDC_FIND_CASE);
        Click(dialog, IDC_FIND_BACKWARD);
        Click(dialog, IDOK);
      },
      owner.Handle());
  EXPECT_EQ(request.Text, foreign);
  EXPECT_EQ(request.Options, soBackward);
  EXPECT_EQ(request.Range, srFromCursor);
  EXPECT_EQ(form.LastRequest().Text, foreign);
  EXPECT_EQ(form.Controls().History, tWStringArray{foreign});

  // The next opening shows what the controls held and the history; picking an item from it
  // enables OK as typing does.
  RunDialog(form, false, [&](HWND dialog) {
    EXPECT_EQ(WindowText(FindEdit(dialog)), foreign);
    EXPECT_TRUE(IsChecked(dialog, IDC_FIND_CASE));
    EXPECT_TRUE(IsChecked(dialog, IDC_FIND_BACKWARD));
    EXPECT_EQ(HistoryShown(dialog), 1);
    ::SendMessageW(FindEdit(dialog), EM_SETSEL, 0, -1);
    ::SendMessageW(FindEdit(dialog), WM_CHAR, VK_BACK, 1);
    EXPECT_FALSE(IsEnabled(dialog, IDOK));
    HWND combo = ::GetDlgItem(dialog, IDC_FIND_TEXT);
    ::SendMessageW(combo, CB_SETCURSEL, 0, 0);
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_FIND_TEXT, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    EXPECT_TRUE(IsEnabled(dialog, IDOK));
    Click(dialog, IDCANCEL);
  });
}

TEST(FindDialog, CancelYieldsNoTextAndKeepsRequestAndHistory) {
  TFormFind form;
  RunDialog(form, false, [](HWND dialog) {
    Type(FindEdit(dialog), L"first");
    Click(dialog, IDOK);
  });
  for (auto user : {std::function<void(HWND)>([](HWND dialog) {
                      Type(FindEdit(dialog), L" typed");
                      Click(dialog, IDCANCEL);
                    }),
                    std::function<void(HWND)>([](HWND dialog) { ::SendMessageW(dialog, WM_CLOSE, 0, 0); }),
                    std::function<void(HWND)>([](HWND) {})}) {
    EXPECT_EQ(RunDialog(form, false, user).Text, L"");
    EXPECT_EQ(form.LastRequest().Text, L"first");
    EXPECT_EQ(form.Controls().History, tWStringArray{L"first"});
  }
  // What was typed stays in the box for the next time (the text shown is selected on opening,
  // so typing replaced it).
  EXPECT_EQ(form.Controls().Text, L" typed");
}

TEST(FindDialog, TheScopeButtonsLockAndFreeTheOrigin) {
  TFormFind form;
  form.Controls().EntireScope = true;
  RunDialog(form, true, [](HWND dialog) {
    EXPECT_TRUE(IsChecked(dialog, IDC_FIND_SELECTED));
    EXPECT_TRUE(IsChecked(dialog, IDC_FIND_FROM_CURSOR));
    EXPECT_FALSE(IsEnabled(dialog, IDC_FIND_FROM_CURSOR));
    EXPECT_FALSE(IsEnabled(dialog, IDC_FIND_ENTIRE_SCOPE));
    Click(dialog, IDC_FIND_GLOBAL);
    EXPECT_TRUE(IsEnabled(dialog, IDC_FIND_FROM_CURSOR));
    EXPECT_TRUE(IsEnabled(dialog, IDC_FIND_ENTIRE_SCOPE));
    Click(dialog, IDC_FIND_ENTIRE_SCOPE);
    Click(dialog, IDC_FIND_SELECTED);
    EXPECT_FALSE(IsEnabled(dialog, IDC_FIND_ENTIRE_SCOPE));
    EXPECT_TRUE(IsChecked(dialog, IDC_FIND_ENTIRE_SCOPE));  // disabled, not changed
    Click(dialog, IDC_FIND_GLOBAL);
    Type(FindEdit(dialog), L"x");
    Click(dialog, IDOK);
  });
  EXPECT_EQ(form.LastRequest().Range, srEntireScope);
  // Without a selection the scope goes back to global and the origin stays as chosen.
  RunDialog(form, false, [](HWND dialog) {
    EXPECT_TRUE(IsChecked(dialog, IDC_FIND_GLOBAL));
    EXPECT_TRUE(IsChecked(dialog, IDC_FIND_ENTIRE_SCOPE));
    EXPECT_TRUE(IsEnabled(dialog, IDC_FIND_ENTIRE_SCOPE));
    EXPECT_EQ(::GetFocus(), FindEdit(dialog));
    Click(dialog, IDCANCEL);
  });
}

TEST(FindDialog, TheFirstFindNextAsksAndLaterOnesDoNot) {
  int shown = 0;
  gui::cDialogSeam::cDialogResponderScope scope([&](const gui::tDialogRequest& request) {
    EXPECT_EQ(IsChecked(request.Dialog, IDC_FIND_SELECTED), ++shown == 1);
    Type(FindEdit(request.Dialog), L"next");
    Click(request.Dialog, IDOK);
  });
  tSearchRequest request;
  QueryFindNextRequest(nullptr, true, request);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(request.Text, L"next");
  EXPECT_EQ(request.Range, srSelectedText);
  // The request accepted last is handed out once as it was, then from the cursor.
  QueryFindNextRequest(nullptr, true, request);
  EXPECT_EQ(request.Range, srSelectedText);
  QueryFindNextRequest(nullptr, true, request);
  EXPECT_EQ(request.Range, srFromCursor);
  EXPECT_EQ(request.Text, L"next");
  EXPECT_EQ(shown, 1);
  QueryFindRequest(nullptr, false, request);
  EXPECT_EQ(shown, 2);
}
