#include "ui/dfMain.h"

#include <commctrl.h>

#include <algorithm>

#include "gui/Application.h"
#include "gui/ResString.h"
#include "resources/resource.h"
#include "session/SessionOptions.h"
#include "ui/ExeResources.h"

namespace {

constexpr UINT WM_FORM_ACTIVATED = WM_APP + 1;
// The designed layout, at 96 DPI.
constexpr int kFormWidth = 882, kFormHeight = 737;
constexpr int kInputWidth = 169, kInputMinWidth = 50;
constexpr int kSplitterWidth = 10;
constexpr int kOutputMinWidth = 290;
// The form's font: Tahoma, 8 points.
constexpr wchar_t kFontFace[] = L"Tahoma";
constexpr int kFontPoints = 8;

using tAction = TFormMain::tAction;

// Whether a Scroll Lock key-down is the user's press: not a held key's repeat, nor the press Wine
// makes of its own to set its lock state to the X server's, which comes right before the next
// key, with that key's time, so that the key is queued behind it.
bool IsScrollLockPress(const MSG& press) {
  MSG next{};
  const bool queued = ::PeekMessageW(&next, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE | PM_NOYIELD) != FALSE;
  return (press.lParam & (1 << 30)) == 0 && !(queued && next.time == press.time && next.wParam != VK_SCROLL);
}

}  // namespace

// In list order.
const std::array<tAction, TFormMain::ActionCount> TFormMain::Actions{{
    {ID_FILE_EXIT, &cMenuForm::FileExit, tAction::ckNone},
    {ID_VIEW_STATUS_BAR, &cMenuForm::ViewStatusBar, tAction::ckFromExecute},
    {ID_SEARCH_FIND, &cMenuForm::SearchFind, tAction::ckNone},
    {ID_SEARCH_FIND_NEXT, &cMenuForm::SearchFindNext, tAction::ckNone},
    {ID_SEARCH_GOTO_LINE, &cMenuForm::SearchGotoLine, tAction::ckNone},
    {ID_HELP_HELP, &cMenuForm::HelpHelp, tAction::ckNone},
    {ID_HELP_ABOUT, &cMenuForm::HelpAbout, tAction::ckNone},
    {ID_TOOLS_OPTIONS, &cMenuForm::ToolsOptions, tAction::ckNone},
    {ID_VIEW_MENU, &cMenuForm::ViewMenu, tAction::ckFromExecute},
    {ID_EDIT_CUT, &cMenuForm::EditCut, tAction::ckNone},
    {ID_EDIT_COPY, &cMenuForm::EditCopy, tAction::ckNone},
    {ID_EDIT_PASTE, &cMenuForm::EditPaste, tAction::ckNone},
    {ID_EDIT_SELECT_ALL, &cMenuForm::EditSelectAll, tAction::ckNone},
    {ID_EDIT_UNDO, &cMenuForm::EditUndo, tAction::ckNone},
    {ID_EDIT_DELETE, &cMenuForm::EditDelete, tAction::ckNone},
    {ID_STATUS_BTN_SHOW_MENU, &cMenuForm::StatusBtnShowMenu, tAction::ckNone},
    {ID_FILE_LOAD, &cMenuForm::FileLoad, tAction::ckNone},
    {ID_FILE_SAVE_AS, &cMenuForm::FileSaveAs, tAction::ckNone},
    {ID_VIEW_INC_FONT, &cMenuForm::ViewEnlargeFont, tAction::ckNone},
    {ID_VIEW_DEC_FONT, &cMenuForm::ViewReduceFont, tAction::ckNone},
    {ID_VIEW_WORD_WRAP, &cMenuForm::ViewWordWrap, tAction::ckFromUpdate},
    {ID_FILE_LOG, &cMenuForm::FileLogToFile, tAction::ckFromUpdate},
    {ID_VIEW_TIMESTAMPS, &cMenuForm::ViewTimestamps, tAction::ckFromUpdate},
    {ID_VIEW_FOLLOW_OUTPUT, &cMenuForm::ViewFollowOutput, tAction::ckFromUpdate},
    {ID_VIEW_FLASH_ON_END, &cMenuForm::ViewFlashOnEnd, tAction::ckFromUpdate},
    {ID_VIEW_CR_REWRITES, &cMenuForm::ViewCrRewrites, tAction::ckFromUpdate},
    {ID_VIEW_ARRIVAL_TIMES, &cMenuForm::ViewArrivalTimes, tAction::ckFromUpdate},
}};

TFormMain::TFormMain(const cCommandLine& commandLine)
    : cFormMain(commandLine, L"MarveskMain", ProductName(), kFormWidth, kFormHeight), inputWidth_(kInputWidth) {
  pInput.Create(Handle());
  SplitterLeftRight.Create(Handle());
  pOutput.Create(Handle());
  statusBar_ = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                 Handle(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
  SplitterLeftRight.OnDrag = [this](int x) {
    inputWidth_ = ::MulDiv(x, 96, static_cast<int>(::GetDpiForWindow(Handle())));
    LayoutControls();
  };
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  mainMenu_.reset(::LoadMenuW(instance, MAKEINTRESOURCEW(IDM_MAIN)));
  shortcuts_.reset(::LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDA_MAIN)));
  // The status bar and the menu start shown, and so their actions start checked.
  for (size_t i = 0; i < Actions.size(); ++i)
    checked_[i] = Actions[i].Id == ID_VIEW_STATUS_BAR || Actions[i].Id == ID_VIEW_MENU;
  ::SetMenu(Handle(), mainMenu_.get());
  theme_ = std::make_unique<cWindowTheme>(Handle(), statusBar_, status_, SplitterLeftRight, mainMenu_.get(),
                                          ThemeOption(commandLine));
  gui::cApplication::SetMessageFilter([this](MSG& msg) { return TranslateShortcut(msg); });
  ApplyFormFont();
  LayoutControls();
}

TFormMain::~TFormMain() {
  // The session ends while the window's parts are still there for it.
  Shutdown();
  gui::cApplication::ClearMessageFilter();
  // The menu is ours, not the window's: a window destroys the menu it holds.
  if (Handle()) ::SetMenu(Handle(), nullptr);
}

void TFormMain::ApplyFormFont() {
  LOGFONTW description{};
  description.lfHeight = -::MulDiv(kFontPoints, static_cast<int>(::GetDpiForWindow(Handle())), 72);
  description.lfWeight = FW_NORMAL;
  description.lfCharSet = ANSI_CHARSET;
  std::wstring_view(kFontFace).copy(description.lfFaceName, LF_FACESIZE - 1);
  gui::cFont font(::CreateFontIndirectW(&description));
  ::SendMessageW(statusBar_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  font_ = std::move(font);
}

void TFormMain::LayoutControls() {
  RECT rc;
  ::GetClientRect(Handle(), &rc);
  int barHeight = 0;
  if (::IsWindowVisible(statusBar_)) {
    ::SendMessageW(statusBar_, WM_SIZE, 0, 0);
    RECT bar;
    ::GetWindowRect(statusBar_, &bar);
    barHeight = bar.bottom - bar.top;
  }
  int height = std::max(0, static_cast<int>(rc.bottom) - barHeight);
  int splitter = gui::ScaleForWindow(Handle(), kSplitterWidth);
  int minInput = gui::ScaleForWindow(Handle(), kInputMinWidth);
  int minOutput = gui::ScaleForWindow(Handle(), kOutputMinWidth);
  int input = gui::ScaleForWindow(Handle(), inputWidth_);
  input = std::max(minInput, std::min(input, static_cast<int>(rc.right) - splitter - minOutput));
  input = std::max(input, minInput);
  pInput.SetBounds(0, 0, input, height);
  SplitterLeftRight.SetBounds(input, 0, splitter, height);
  pOutput.SetBounds(input + splitter, 0, std::max(0, static_cast<int>(rc.right) - input - splitter), height);
}

cSearchableEditor* TFormMain::EditorOf(HWND control) const {
  for (cConsoleEdit* pane : {InputEditor(), OutputEditor()})
    if (pane && pane->Handle() == control) return pane;
  return nullptr;
}

void TFormMain::ShowCommandStatus(tCaretPos caret, std::wstring_view command, bool focused) {
  if (status_) status_->ShowCommand(caret, command, focused);
}

void TFormMain::ShowOutputStatus(tCaretPos caret, int lineCount, bool focused, std::optional<int> heldLines) {
  if (status_) status_->ShowOutput(caret, lineCount, focused, heldLines);
}

void TFormMain::ShowCommandTime(std::optional<ULONGLONG> ms) {
  if (status_) status_->ShowCommandTime(ms ? CommandTimeText(*ms) : std::wstring());
}

void TFormMain::ShowPlaceTarget(std::wstring_view target) {
  if (status_) status_->ShowHint(gui::FormatRes(IDS_STATUS_PLACE_TARGET, {target}));
}

void TFormMain::FormActivate() {
  SetUpMenuForm(mainMenu_.get(), statusBar_, SaveAsDialog, LoadDialog);
  if (!status_ && !destroying_) {
    status_ = std::make_unique<cStatus>(statusBar_, SplitterLeftRight);
    theme_->ColourStatus();
  }
  StartSession(pInput, pOutput);
}

void TFormMain::UpdateActions() {
  for (size_t i = 0; i < Actions.size(); ++i) {
    const tAction& action = Actions[i];
    bool checked = action.Check == tAction::ckFromUpdate ? true : checked_[i];
    const bool enabled = (this->*action.Command)(false, checked);
    if (action.Check == tAction::ckFromUpdate) checked_[i] = checked;
    ::EnableMenuItem(mainMenu_.get(), action.Id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    ::CheckMenuItem(mainMenu_.get(), action.Id, MF_BYCOMMAND | (checked_[i] ? MF_CHECKED : MF_UNCHECKED));
  }
}

bool TFormMain::ExecuteAction(UINT id) {
  for (size_t i = 0; i < Actions.size(); ++i) {
    const tAction& action = Actions[i];
    if (action.Id != id) continue;
    bool checked = checked_[i];
    (this->*action.Command)(true, checked);
    if (action.Check == tAction::ckFromExecute) checked_[i] = checked;
    return true;
  }
  return false;
}

void TFormMain::ShowMenuHint(UINT id, UINT flags, HMENU menu) {
  if (!status_) return;
  // The menu closing, a menu of items, a separator: no hint.
  const bool item = menu && flags != 0xFFFF && !(flags & (MF_POPUP | MF_SEPARATOR));
  status_->ShowHint(item ? gui::LoadResString(id + IDS_HINT_OFFSET) : std::wstring());
}

bool TFormMain::TranslateShortcut(MSG& msg) {
  if (!Handle() || (msg.hwnd != Handle() && !::IsChild(Handle(), msg.hwnd))) return false;
  // Scroll Lock switches Follow Output from either pane.
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_SCROLL) {
    if (IsScrollLockPress(msg)) ExecuteAction(ID_VIEW_FOLLOW_OUTPUT);
    return true;
  }
  return ::TranslateAcceleratorW(Handle(), shortcuts_.get(), &msg) != 0;
}

LRESULT TFormMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      // Resizing a wrapping pane re-wraps all its text, which under Wine takes minutes for one
      // long line: a window on its way out (taking its menu away resizes it) is not laid out.
      if (!destroying_) LayoutControls();
      return 0;
    case WM_ACTIVATE:
      // The session starts after the activation has been handled, not inside it.
      if (LOWORD(wParam) != WA_INACTIVE) ::PostMessageW(Handle(), WM_FORM_ACTIVATED, 0, 0);
      if (HandleFocusMessage(message, wParam)) return 0;
      break;
    case WM_SETFOCUS:
      if (HandleFocusMessage(message, wParam)) return 0;
      break;
    case WM_FORM_ACTIVATED:
      FormActivate();
      return 0;
    case WM_INITMENUPOPUP:
      UpdateActions();
      return 0;
    case WM_MENUSELECT:
      ShowMenuHint(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
      return 0;
    case WM_COMMAND:
      // From the menu (0) or a shortcut (1); errors the command does not catch reach the
      // window's error box.
      if (lParam == 0 && HIWORD(wParam) <= 1 && (ExecuteAction(LOWORD(wParam)) || theme_->Command(LOWORD(wParam))))
        return 0;
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (status_ && item->hwndItem == statusBar_) {
        status_->DrawPanel(*item);
        return TRUE;
      }
      break;
    }
    case WM_DESTROY:
      destroying_ = true;
      // Nothing reaches the status bar's painter from here on.
      status_.reset();
      ::SetMenu(Handle(), nullptr);
      break;
    case WM_SETTINGCHANGE: {
      // Only top-level windows hear of a changed system setting: the panes take the caret's width.
      const MSG change{Handle(), message, wParam, lParam, 0, {}};
      ::EnumChildWindows(
          Handle(),
          [](HWND child, LPARAM context) {
            const auto* forwarded = reinterpret_cast<const MSG*>(context);
            ::SendMessageW(child, forwarded->message, forwarded->wParam, forwarded->lParam);
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&change));
      [[fallthrough]];
    }
    case WM_SYSCOLORCHANGE:
      // Windows may tell before the theme is there.
      if (theme_) theme_->SystemChanged(message, wParam, lParam);
      break;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      ApplyFormFont();
      ::SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    default:
      break;
  }
  return cFormMain::HandleMessage(message, wParam, lParam);
}
