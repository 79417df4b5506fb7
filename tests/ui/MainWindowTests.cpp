// The main window's menus, shortcuts and commands, driven through the window's own messages:
// menu commands, shortcut keys through the message loop, menus opening, and the dialog seam.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <string>
#include <vector>

#include "gui/DialogSeam.h"
#include "gui/Error.h"
#include "resources/resource.h"
#include "tests/editor/EditorTestSupport.h"
#include "tests/session/SessionFixture.h"
#include "ui/MenuForm.h"

namespace {

struct tItemState {
  bool Enabled;
  bool Checked;
};

// Answers the file dialogs with a name and a filter index, and keeps what they were asked.
class cFileAnswer {
public:
  cFileAnswer(std::wstring fileName, DWORD filterIndex, bool confirm = true)
      : scope_([this, fileName, filterIndex, confirm](gui::tFileDialogRequest& request) {
          requests.push_back(request);
          if (!confirm) return false;
          request.FileName = fileName;
          request.FilterIndex = filterIndex;
          return true;
        }) {}

  std::vector<gui::tFileDialogRequest> requests;

private:
  gui::cDialogSeam::cFileDialogResponderScope scope_;
};

class MainWindow : public cSessionTest {
protected:
  void OpenWindow() { OpenChild({L"sleep"}); }

  HWND Form() const { return form_->Handle(); }
  HMENU Menu() const { return form_->MainMenu(); }

  void Command(UINT id) { ::SendMessageW(Form(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  // Runs a file command whose dialog is answered with the file and the filter index.
  void FileCommand(UINT id, const std::wstring& file, DWORD filterIndex) {
    cFileAnswer answer(file, filterIndex);
    Command(id);
  }

  // Opens the menu that holds the item, as the user would, and reads the item's state.
  tItemState Item(UINT id) {
    const int count = ::GetMenuItemCount(Menu());
    for (int i = 0; i < count; ++i) {
      HMENU popup = ::GetSubMenu(Menu(), i);
      if (::GetMenuState(popup, id, MF_BYCOMMAND) == static_cast<UINT>(-1)) continue;
      ::SendMessageW(Form(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), i);
      const UINT state = ::GetMenuState(popup, id, MF_BYCOMMAND);
      return {(state & (MF_GRAYED | MF_DISABLED)) == 0, (state & MF_CHECKED) != 0};
    }
    ADD_FAILURE() << "no menu item " << id;
    return {};
  }

  // A key goes down in the focused control while the modifiers are held; the message loop takes
  // it as the user's key would be taken.
  void Press(WORD key, std::initializer_list<WORD> modifiers = {}) {
    BYTE saved[256], state[256];
    ::GetKeyboardState(saved);
    std::memcpy(state, saved, sizeof state);
    for (WORD modifier : modifiers) state[modifier] |= 0x80;
    ::SetKeyboardState(state);
    ::PostMessageW(focused_ ? focused_ : ::GetFocus(), WM_KEYDOWN, key, 1);
    gui::cApplication::ProcessMessages();
    ::SetKeyboardState(saved);
  }

  void Focus(cConsoleEdit& pane) {
    ::SetFocus(pane.Handle());
    ASSERT_EQ(::GetFocus(), pane.Handle());
    focused_ = pane.Handle();
  }

  // Opens the window with the text in one of the panes, which gets the focus.
  enum tPane { InputPane, OutputPane };
  void OpenWithText(tPane pane, const std::wstring& text) {
    OpenWindow();
    cConsoleEdit& edit = pane == InputPane ? Input() : Output();
    edit.SetWText(text);
    Focus(edit);
  }

  std::wstring File(const wchar_t* name) const { return (dir_.Path() / name).wstring(); }

  HWND focused_ = nullptr;  // where keys go: the pane last focused
  cTempDir dir_;
};

// ---- without panes ----

TEST_F(MainWindow, WithoutAnActiveEditorTheEditorCommandsAreDisabled) {
  // Not shown, so never activated: the session has made no panes.
  commandLine_ = std::make_unique<cCommandLine>(L"Marvesk.exe -- " + TestChildCommandLine({L"sleep"}));
  form_ = std::make_unique<TFormMain>(*commandLine_);
  ASSERT_EQ(form_->InputEditor(), nullptr);
  for (UINT id : {ID_FILE_LOAD, ID_FILE_SAVE_AS, ID_SEARCH_FIND, ID_SEARCH_FIND_NEXT, ID_SEARCH_GOTO_LINE,
                  ID_VIEW_INC_FONT, ID_VIEW_DEC_FONT, ID_VIEW_WORD_WRAP, ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY,
                  ID_EDIT_PASTE, ID_EDIT_DELETE, ID_EDIT_SELECT_ALL, ID_VIEW_FOLLOW_OUTPUT})
    EXPECT_FALSE(Item(id).Enabled) << id;
  EXPECT_TRUE(Item(ID_VIEW_WORD_WRAP).Checked);
  EXPECT_TRUE(Item(ID_VIEW_FOLLOW_OUTPUT).Checked);
  EXPECT_FALSE(Item(ID_VIEW_CR_REWRITES).Checked);
  for (UINT id : {ID_FILE_EXIT, ID_VIEW_STATUS_BAR, ID_VIEW_MENU, ID_TOOLS_OPTIONS, ID_HELP_HELP, ID_HELP_ABOUT,
                  ID_VIEW_CR_REWRITES})
    EXPECT_TRUE(Item(id).Enabled) << id;
  EXPECT_TRUE(Item(ID_VIEW_STATUS_BAR).Checked);
  EXPECT_TRUE(Item(ID_VIEW_MENU).Checked);

  // A disabled command does nothing when it comes anyway.
  cFileAnswer answer(File(L"none.txt"), 1);
  Command(ID_FILE_LOAD);
  Command(ID_FILE_SAVE_AS);
  EXPECT_TRUE(answer.requests.empty());
}

// ---- the menu ----

TEST_F(MainWindow, MenusHoldTheActionsInOrderAndShowTheirHints) {
  OpenWindow();
  auto items = [&](int index) {
    std::vector<std::pair<std::wstring, UINT>> result;
    HMENU popup = ::GetSubMenu(Menu(), index);
    for (int i = 0; i < ::GetMenuItemCount(popup); ++i) {
      wchar_t text[100] = {};
      ::GetMenuStringW(popup, i, text, 100, MF_BYPOSITION);
      result.emplace_back(text, ::GetMenuItemID(popup, i));
    }
    return result;
  };
  using tItems = std::vector<std::pair<std::wstring, UINT>>;
  ASSERT_EQ(::GetMenuItemCount(Menu()), 6);
  EXPECT_EQ(items(0), (tItems{{L"Save &As...", ID_FILE_SAVE_AS}, {L"&Load...", ID_FILE_LOAD},
                              {L"Log to &File...", ID_FILE_LOG}, {L"", 0}, {L"E&xit", ID_FILE_EXIT}}));
  EXPECT_EQ(items(1), (tItems{{L"&Undo\tCtrl+Z", ID_EDIT_UNDO}, {L"", 0}, {L"Cu&t\tShift+Del", ID_EDIT_CUT},
                              {L"&Copy\tCtrl+Ins", ID_EDIT_COPY}, {L"&Paste\tShift+Ins", ID_EDIT_PASTE},
                              {L"&Delete", ID_EDIT_DELETE}, {L"Select &All\tCtrl+A", ID_EDIT_SELECT_ALL}}));
  EXPECT_EQ(items(2), (tItems{{L"&Status Bar\tCtrl+Shift+S", ID_VIEW_STATUS_BAR},
                              {L"&Menu\tCtrl+Shift+M", ID_VIEW_MENU},
                              {L"", 0},
                              {L"&Word Wrap", ID_VIEW_WORD_WRAP},
                              {L"&Carriage Return Rewrites Line", ID_VIEW_CR_REWRITES},
                              {L"Follow &Output\tScroll Lock", ID_VIEW_FOLLOW_OUTPUT},
                              {L"&Enlarge Font\tCtrl+Num +", ID_VIEW_INC_FONT},
                              {L"&Reduce Font\tCtrl+Num -", ID_VIEW_DEC_FONT},
                              {L"T&heme", static_cast<UINT>(-1)},
                              {L"Show &Arrival Times", ID_VIEW_ARRIVAL_TIMES},
                              {L"", 0},
                              {L"&Timestamps in Log", ID_VIEW_TIMESTAMPS},
                              {L"", 0},
                              {L"F&lash When a Command Ends", ID_VIEW_FLASH_ON_END}}));
  EXPECT_EQ(items(3), (tItems{{L"&Find...\tCtrl+F", ID_SEARCH_FIND}, {L"Find Next\tF3", ID_SEARCH_FIND_NEXT},
                              {L"", 0}, {L"Go to...\tCtrl+G", ID_SEARCH_GOTO_LINE}}));
  EXPECT_EQ(items(4), (tItems{{L"&Options...", ID_TOOLS_OPTIONS}}));
  EXPECT_EQ(items(5), (tItems{{L"&Help Topics\tF1", ID_HELP_HELP}, {L"", 0}, {L"&About...", ID_HELP_ABOUT}}));

  // The item under the mouse puts its hint into the last panel; a closing menu takes it away.
  HMENU search = ::GetSubMenu(Menu(), 3);
  ::SendMessageW(Form(), WM_MENUSELECT, MAKEWPARAM(ID_SEARCH_FIND_NEXT, MF_HILITE), reinterpret_cast<LPARAM>(search));
  EXPECT_EQ(form_->Status()->PanelText(3), L"Finds next occurrence of the substring in the active edit control");
  ::SendMessageW(Form(), WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  EXPECT_EQ(form_->Status()->PanelText(3), L"");
}

TEST_F(MainWindow, CtrlShiftMHidesAndShowsTheMenu) {
  OpenWindow();
  Focus(Input());
  bool unused = false;
  EXPECT_FALSE(form_->StatusBtnShowMenu(false, unused));
  Press('M', {VK_CONTROL, VK_SHIFT});
  EXPECT_EQ(::GetMenu(Form()), nullptr);
  EXPECT_FALSE(Item(ID_VIEW_MENU).Checked);
  EXPECT_TRUE(form_->StatusBtnShowMenu(false, unused));
  // Without the menu its shortcuts still work, this one included.
  Press('M', {VK_CONTROL, VK_SHIFT});
  EXPECT_EQ(::GetMenu(Form()), Menu());
  EXPECT_TRUE(Item(ID_VIEW_MENU).Checked);

  // The status bar's show-menu command only brings the menu back.
  Command(ID_VIEW_MENU);
  ASSERT_EQ(::GetMenu(Form()), nullptr);
  Command(ID_STATUS_BTN_SHOW_MENU);
  EXPECT_EQ(::GetMenu(Form()), Menu());
  Command(ID_STATUS_BTN_SHOW_MENU);
  EXPECT_EQ(::GetMenu(Form()), Menu());
}

TEST_F(MainWindow, StatusBarToggleKeepsItsPanels) {
  OpenWindow();
  Focus(Input());
  std::vector<std::wstring> before;
  for (int i = 0; i < 4; ++i) before.push_back(form_->Status()->PanelText(i));
  RECT pane;
  ::GetWindowRect(Output().Handle(), &pane);
  const LONG height = pane.bottom - pane.top;

  Press('S', {VK_CONTROL, VK_SHIFT});
  EXPECT_FALSE(::IsWindowVisible(form_->StatusBar()));
  EXPECT_FALSE(Item(ID_VIEW_STATUS_BAR).Checked);
  ::GetWindowRect(Output().Handle(), &pane);
  EXPECT_GT(pane.bottom - pane.top, height);

  Press('S', {VK_CONTROL, VK_SHIFT});
  EXPECT_TRUE(::IsWindowVisible(form_->StatusBar()));
  EXPECT_TRUE(Item(ID_VIEW_STATUS_BAR).Checked);
  ::GetWindowRect(Output().Handle(), &pane);
  EXPECT_EQ(pane.bottom - pane.top, height);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(form_->Status()->PanelText(i), before[static_cast<size_t>(i)]) << i;
}

// ---- view commands ----

// Scroll Lock switches Follow Output from either pane, once a press, not at a held key's repeats.
// While output is held the last panel says so.
TEST_F(MainWindow, ScrollLockHoldsTheOutputAndTheStatusSaysSo) {
  OpenWindow();
  form_->RenderOutput(L"a\nb\n");
  Focus(Output());
  Press(VK_SCROLL);
  ::PostMessageW(Output().Handle(), WM_KEYDOWN, VK_SCROLL, 1 | (1 << 30));
  gui::cApplication::ProcessMessages();
  EXPECT_FALSE(Item(ID_VIEW_FOLLOW_OUTPUT).Checked);
  form_->RenderOutput(L"c\nd\ne\n");
  form_->UpdateOutputStatus();
  EXPECT_EQ(form_->Status()->PanelText(3), L"5 lines; output held, 3 lines since");
  Focus(Input());
  Press(VK_SCROLL);
  EXPECT_TRUE(Item(ID_VIEW_FOLLOW_OUTPUT).Checked);
  EXPECT_EQ(form_->Status()->PanelText(3), L"5 lines");
}

TEST_F(MainWindow, FontStepsStopAtTheirLimitsAndStayEnabled) {
  OpenWindow();
  Focus(Output());
  const int inputPoints = Input().FontPoints();
  Output().SetFont(Output().FontFace(), 1);
  Command(ID_VIEW_DEC_FONT);
  EXPECT_EQ(Output().FontPoints(), 1);
  EXPECT_TRUE(Item(ID_VIEW_DEC_FONT).Enabled);
  Press(VK_ADD, {VK_CONTROL});
  EXPECT_EQ(Output().FontPoints(), 2);
  Press(VK_SUBTRACT, {VK_CONTROL});
  EXPECT_EQ(Output().FontPoints(), 1);

  const int half = ::GetSystemMetrics(SM_CYSCREEN) / 2;
  Output().SetFont(Output().FontFace(), half);
  Command(ID_VIEW_INC_FONT);
  EXPECT_EQ(Output().FontPoints(), half + 1);
  Command(ID_VIEW_INC_FONT);
  EXPECT_EQ(Output().FontPoints(), half + 1);
  EXPECT_TRUE(Item(ID_VIEW_INC_FONT).Enabled);
  // Only the active editor's font changes.
  EXPECT_EQ(Input().FontPoints(), inputPoints);
}

TEST_F(MainWindow, WordWrapTwiceKeepsTheTextAndSetsTheScrollBars) {
  const std::wstring text = L"first \u00e9\u20ac\U0001F600 " + std::wstring(300, L'x') + L"\r\nsecond\r\n";
  OpenWithText(InputPane, text);
  ASSERT_FALSE(Input().WordWrap());
  EXPECT_FALSE(Item(ID_VIEW_WORD_WRAP).Checked);

  Command(ID_VIEW_WORD_WRAP);
  EXPECT_TRUE(Input().WordWrap());
  EXPECT_EQ(Input().WText(), text);
  EXPECT_TRUE(Item(ID_VIEW_WORD_WRAP).Checked);
  LONG_PTR style = ::GetWindowLongPtrW(Input().Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_VSCROLL);
  EXPECT_FALSE(style & WS_HSCROLL);
  // The re-created pane keeps the focus, so it stays the active editor.
  EXPECT_EQ(::GetFocus(), Input().Handle());

  Command(ID_VIEW_WORD_WRAP);
  EXPECT_FALSE(Input().WordWrap());
  EXPECT_EQ(Input().WText(), text);
  EXPECT_FALSE(Item(ID_VIEW_WORD_WRAP).Checked);
  style = ::GetWindowLongPtrW(Input().Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_VSCROLL);
  EXPECT_TRUE(style & WS_HSCROLL);
}

// ---- edit commands ----

TEST_F(MainWindow, EditCommandsWorkOnTheFocusedPaneWithUnicodeText) {
  const std::wstring text = L"h\u00e9llo \U0001F600 \u4e16\u754c";
  OpenWithText(InputPane, text);
  Input().WPerform(EM_EMPTYUNDOBUFFER, 0, 0);
  Input().SetSelStart(0);
  if (::OpenClipboard(Form())) {
    ::EmptyClipboard();
    ::CloseClipboard();
  }
  EXPECT_FALSE(Item(ID_EDIT_CUT).Enabled);
  EXPECT_FALSE(Item(ID_EDIT_COPY).Enabled);
  EXPECT_FALSE(Item(ID_EDIT_DELETE).Enabled);
  EXPECT_FALSE(Item(ID_EDIT_PASTE).Enabled);
  EXPECT_FALSE(Item(ID_EDIT_UNDO).Enabled);
  EXPECT_TRUE(Item(ID_EDIT_SELECT_ALL).Enabled);

  Command(ID_EDIT_SELECT_ALL);
  EXPECT_EQ(Input().WSelText(), text);
  Command(ID_EDIT_COPY);
  EXPECT_TRUE(Item(ID_EDIT_PASTE).Enabled);
  EXPECT_TRUE(Item(ID_EDIT_CUT).Enabled);
  Command(ID_EDIT_DELETE);
  EXPECT_EQ(Input().WText(), L"");
  EXPECT_FALSE(Item(ID_EDIT_SELECT_ALL).Enabled);
  EXPECT_TRUE(Item(ID_EDIT_UNDO).Enabled);
  Command(ID_EDIT_UNDO);
  EXPECT_EQ(Input().WText(), text);

  // Cut in one pane, paste in the other; the keys reach the same commands.
  Press('A', {VK_CONTROL});
  Press(VK_DELETE, {VK_SHIFT});
  EXPECT_EQ(Input().WText(), L"");
  Output().SetWText(L"");
  Focus(Output());
  Command(ID_EDIT_PASTE);
  EXPECT_EQ(Output().WText(), text);
  Press(VK_INSERT, {VK_SHIFT});
  EXPECT_EQ(Output().WText(), text + text);
}

TEST_F(MainWindow, TheActivePaneOutlivesAnotherWindowsActivation) {
  OpenWindow();
  Focus(Output());
  HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
  ::SetActiveWindow(other);
  ASSERT_NE(::GetFocus(), Output().Handle());
  // The commands still know their pane while the window is inactive.
  EXPECT_TRUE(Item(ID_FILE_LOAD).Enabled);
  ::SetActiveWindow(Form());
  EXPECT_EQ(::GetFocus(), Output().Handle());
  ::DestroyWindow(other);
}

// ---- file commands ----

TEST_F(MainWindow, SaveAsWritesEachEncoding) {
  OpenWithText(InputPane, L"\u00e9\u20ac\r\n");
  const std::wstring path = File(L"save-as.txt");
  struct tCase {
    DWORD FilterIndex;
    std::string Bytes;
  };
  const tCase cases[] = {
      {1, "\xEF\xBB\xBF\xC3\xA9\xE2\x82\xAC\r\n"},
      {2, std::string("\xFF\xFE\xE9\x00\xAC\x20\r\x00\n\x00", 10)},
      {3, std::string("\xFE\xFF\x00\xE9\x20\xAC\x00\r\x00\n", 10)},
      {4, "\xE9\x80\r\n"},
  };
  DWORD shown = 1;  // the dialog starts at UTF-8 and then remembers the last choice
  for (const tCase& c : cases) {
    cFileAnswer answer(path, c.FilterIndex);
    Command(ID_FILE_SAVE_AS);
    ASSERT_EQ(answer.requests.size(), 1u);
    const gui::tFileDialogRequest& request = answer.requests[0];
    EXPECT_TRUE(request.Save);
    EXPECT_EQ(request.Title, L" Save As");
    EXPECT_EQ(request.Filter, L"UTF-8 files (*.*)|*.*|Unicode files (*.*)|*.*|Unicode big endian files (*.*)|*.*|"
                              L"ANSI files (*.*)|*.*");
    EXPECT_EQ(request.Options, static_cast<DWORD>(OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_ENABLESIZING));
    EXPECT_EQ(request.FilterIndex, shown);
    EXPECT_EQ(ReadBytes(path), c.Bytes) << c.FilterIndex;
    shown = c.FilterIndex;
  }
  // The text fits the ANSI code page: nothing was asked.
  EXPECT_TRUE(boxes_.empty());
}

// After a load, the pane's Save As starts with the scheme of the file, so accepting the dialog
// writes the file as it was; another pane, and the next Save As, start with the filter chosen last.
TEST_F(MainWindow, SaveAsAfterLoadStartsWithTheFilesScheme) {
  OpenWindow();
  const std::wstring loaded = File(L"loaded.txt"), saved = File(L"saved.txt");
  std::vector<DWORD> shown;
  DWORD chosen = 0;  // the filter the user picks; 0 keeps the one shown
  const gui::cDialogSeam::cFileDialogResponderScope accept([&](gui::tFileDialogRequest& request) {
    if (request.Save) shown.push_back(request.FilterIndex);
    if (request.Save && chosen) request.FilterIndex = chosen;
    request.FileName = request.Save ? saved : loaded;
    return true;
  });
  struct tCase {
    std::string bytes;
    DWORD filterIndex;
  };
  const tCase cases[] = {{"caf\xE9\r\n", 4},
                         {"\xEF\xBB\xBF" "caf\xC3\xA9", 1},
                         {std::string("\xFF\xFE" "a\0", 4), 2},
                         {std::string("\xFE\xFF\0a", 4), 3}};
  for (const tCase& c : cases) {
    dir_.WriteFile(L"loaded.txt", c.bytes);
    Focus(Input());
    Command(ID_FILE_LOAD);
    Command(ID_FILE_SAVE_AS);
    EXPECT_EQ(ReadBytes(saved), c.bytes) << c.filterIndex;
  }
  Focus(Output());
  chosen = 2;
  Command(ID_FILE_SAVE_AS);
  chosen = 0;
  Focus(Input());
  Command(ID_FILE_SAVE_AS);
  EXPECT_EQ(shown, (std::vector<DWORD>{4, 1, 2, 3, 3, 2}));
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(MainWindow, AnsiSaveOfUnicodeTextAsksAndCancelKeepsTheFile) {
  OpenWithText(InputPane, L"smile \U0001F600");
  const std::wstring path = dir_.WriteFile(L"ansi.txt", "old content").wstring();
  {
    cMessageRecorder cancel(IDCANCEL);
    FileCommand(ID_FILE_SAVE_AS, path, 4);
    ASSERT_EQ(cancel.boxes.size(), 1u);
    EXPECT_EQ(cancel.boxes[0].Flags & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(cancel.boxes[0].Caption, L" Marvesk");
    EXPECT_NE(cancel.boxes[0].Text.find(path), std::wstring::npos);
  }
  EXPECT_EQ(ReadBytes(path), "old content");

  // OK writes it, the characters lost; UTF-8 asks nothing.
  FileCommand(ID_FILE_SAVE_AS, path, 4);
  EXPECT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(ReadBytes(path).substr(0, 6), "smile ");
  EXPECT_NE(ReadBytes(path), "old content");
  FileCommand(ID_FILE_SAVE_AS, path, 1);
  EXPECT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(ReadBytes(path), "\xEF\xBB\xBFsmile \xF0\x9F\x98\x80");
}

TEST_F(MainWindow, LoadReplacesTheActivePanesText) {
  const std::wstring path =
      dir_.WriteFile(L"load.txt", std::string("\xFF\xFE\x3D\xD8\x00\xDE\r\x00\n\x00z\x00", 12)).wstring();
  OpenWithText(OutputPane, L"before");
  {
    cFileAnswer cancel(path, 1, false);
    Command(ID_FILE_LOAD);
    ASSERT_EQ(cancel.requests.size(), 1u);
    EXPECT_FALSE(cancel.requests[0].Save);
    EXPECT_EQ(cancel.requests[0].Title, L" Load");
    EXPECT_EQ(cancel.requests[0].Filter, L"All files (*.*)|*.*");
    EXPECT_EQ(cancel.requests[0].Options,
              static_cast<DWORD>(OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_ENABLESIZING));
  }
  EXPECT_EQ(Output().WText(), L"before");
  FileCommand(ID_FILE_LOAD, path, 1);
  EXPECT_EQ(Output().WText(), L"\U0001F600\r\nz");
  EXPECT_EQ(Input().WText(), L"");
  EXPECT_TRUE(boxes_.empty());

  // NULs show as their stand-in, and a box says how many there were.
  dir_.WriteFile(L"load.txt", std::string("a\0b\0\0", 5));
  FileCommand(ID_FILE_LOAD, path, 1);
  EXPECT_EQ(Output().WText(), L"a\u2400b\u2400\u2400");
  ASSERT_EQ(boxes_.size(), 1u);
  const std::wstring said = L"NUL characters in the file\r\n\"" + path +
                           L"\": 3\r\nEach one is shown as \u2400, and saving writes \u2400 in its place.";
  EXPECT_EQ(Shown(boxes_[0]), (tShownBox{Form(), said, L" Marvesk", MB_OK | MB_ICONINFORMATION}));
}

TEST_F(MainWindow, AnErrorOfACommandReachesTheErrorBoxAndTheWindowStays) {
  OpenWithText(OutputPane, L"kept");
  const std::wstring missing = File(L"no such folder\\none.txt");
  FileCommand(ID_FILE_LOAD, missing, 1);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].Flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(boxes_[0].Text.rfind(L"Cannot open file \"" + missing + L"\". ", 0), 0u) << boxes_[0].Text;
  EXPECT_EQ(Output().WText(), L"kept");

  // An error from a shortcut's command ends up in the same box.
  {
    gui::cDialogSeam::cDialogResponderScope failing(
        [](const gui::tDialogRequest&) { throw gui::cError(L"the dialog failed"); });
    Press('G', {VK_CONTROL});
  }
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[1].Text, L"the dialog failed");
  EXPECT_TRUE(::IsWindow(Form()));
  EXPECT_EQ(Output().WText(), L"kept");
  EXPECT_EQ(::GetMenu(Form()), Menu());
}

// ---- search commands ----

TEST_F(MainWindow, FindAndFindNextFindOverlappingMatches) {
  OpenWithText(InputPane, L"aaaa");
  Input().SetSelStart(0);
  {
    gui::cDialogSeam::cDialogResponderScope user([](const gui::tDialogRequest& request) {
      ASSERT_EQ(request.TemplateId, IDD_FIND);
      Type(::FindWindowExW(::GetDlgItem(request.Dialog, IDC_FIND_TEXT), nullptr, L"Edit", nullptr), L"aa");
      Click(request.Dialog, IDOK);
    });
    Press('F', {VK_CONTROL});
  }
  EXPECT_EQ(Input().SelStart(), 0);
  EXPECT_EQ(Input().SelLength(), 2);
  // Find Next asks nothing: a dialog would fail the test.
  gui::cDialogSeam::cDialogResponderScope none([](const gui::tDialogRequest&) { FAIL() << "a dialog"; });
  Press(VK_F3);
  EXPECT_EQ(Input().SelStart(), 1);
  Command(ID_SEARCH_FIND_NEXT);
  EXPECT_EQ(Input().SelStart(), 2);
  EXPECT_TRUE(boxes_.empty());
  Press(VK_F3);
  EXPECT_EQ(Input().SelStart(), 2);
  EXPECT_EQ(Input().SelLength(), 2);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].Text, L"Search string 'aa' not found");
  EXPECT_EQ(boxes_[0].Flags & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
}

TEST_F(MainWindow, FindCancelledShowsNothing) {
  OpenWithText(InputPane, L"abc");
  Input().SetSelStart(1);
  {
    gui::cDialogSeam::cDialogResponderScope user(
        [](const gui::tDialogRequest& request) { Click(request.Dialog, IDCANCEL); });
    Command(ID_SEARCH_FIND);
  }
  EXPECT_EQ(Input().SelStart(), 1);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(MainWindow, GotoMovesTheCaretByLineAndColumn) {
  OpenWithText(OutputPane, L"one\r\ntwo two\r\nthree");
  Output().SetSelStart(0);
  const struct {
    bool Shortcut;  // or the menu command
    const wchar_t *Line, *Column;
    int CaretLine, CaretColumn;
  } steps[] = {{true, L"2", L"5", 1, 4}, {false, L"", L"", 1, 4}, {false, L"", L"2", 1, 1}};
  for (const auto& step : steps) {
    {
      gui::cDialogSeam::cDialogResponderScope user([&](const gui::tDialogRequest& request) {
        ASSERT_EQ(request.TemplateId, IDD_GOTO_LINE);
        ::SetDlgItemTextW(request.Dialog, IDC_GOTO_LINE, step.Line);
        ::SetDlgItemTextW(request.Dialog, IDC_GOTO_COLUMN, step.Column);
        Click(request.Dialog, IDOK);
      });
      if (step.Shortcut)
        Press('G', {VK_CONTROL});
      else
        Command(ID_SEARCH_GOTO_LINE);
    }
    EXPECT_EQ(Output().CaretLine(), step.CaretLine) << step.Line << "/" << step.Column;
    EXPECT_EQ(Output().CaretColumn(), step.CaretColumn) << step.Line << "/" << step.Column;
  }
}

// ---- window commands ----

TEST_F(MainWindow, OptionsHandsTheEncodingsToTheSessionOnlyOnOk) {
  OpenWindow();
  const tPipeEncodings before = form_->Encodings();
  {
    gui::cDialogSeam::cDialogResponderScope user([](const gui::tDialogRequest& request) {
      ASSERT_EQ(request.TemplateId, IDD_OPTIONS);
      Click(request.Dialog, IDC_OPTIONS_INPUT_UTF8);
      Click(request.Dialog, IDCANCEL);
    });
    Command(ID_TOOLS_OPTIONS);
  }
  EXPECT_EQ(form_->Encodings(), before);
  EXPECT_EQ(Output().EditorCommand, L"notepad.exe \"%f\"");
  {
    gui::cDialogSeam::cDialogResponderScope user([](const gui::tDialogRequest& request) {
      Click(request.Dialog, IDC_OPTIONS_INPUT_UTF8);
      ::SetDlgItemTextW(request.Dialog, IDC_OPTIONS_EDITOR, L"code -g %f:%l:%c");
      Click(request.Dialog, IDOK);
    });
    Command(ID_TOOLS_OPTIONS);
  }
  EXPECT_EQ(form_->Encodings().Input.Scheme, esUTF8);
  EXPECT_EQ(form_->Encodings().Output, before.Output);
  EXPECT_EQ(Output().EditorCommand, L"code -g %f:%l:%c");
}

TEST_F(MainWindow, HelpAndAboutOpenTheirDialogsOverTheWindow) {
  OpenWindow();
  Focus(Input());
  std::vector<gui::tDialogRequest> opened;
  gui::cDialogSeam::cDialogResponderScope user([&](const gui::tDialogRequest& request) {
    opened.push_back(request);
    Click(request.Dialog, IDOK);
  });
  Press(VK_F1);
  Command(ID_HELP_ABOUT);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(::GetAncestor(opened[0].Owner, GA_ROOT), Form());
  EXPECT_EQ(opened[1].TemplateId, IDD_ABOUT);
  EXPECT_EQ(opened[1].Owner, Form());
}

TEST_F(MainWindow, ExitClosesTheWindow) {
  OpenWindow();
  Command(ID_FILE_EXIT);
  EXPECT_TRUE(RunUntil([&] { return !form_->Handle(); }, 5000));
}

}  // namespace
