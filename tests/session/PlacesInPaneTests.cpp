// Places in the output pane: F4 and Shift+F4, Ctrl+click and the hand over a place, with the
// opener's seam answering instead of a browser or an editor.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <optional>
#include <vector>

#include "gui/ResString.h"
#include "resources/resource.h"
#include "session/PlaceOpener.h"
#include "tests/session/SessionFixture.h"

namespace {

class PlacesInPane : public cSessionTest {
protected:
  void SetUp() override {
    std::filesystem::create_directory(dir_.Path() / L"sub");
    source_ = dir_.WriteFile(L"a b.cpp", "").wstring();
    note_ = dir_.WriteFile(L"sub\\b.c", "").wstring();
    OpenChild({L"sleep"});
    Output().EditorCommand = L"\"" + TestChildPath() + L"\" %f %l %c";
    Output().ProbePath = [this](const std::wstring& path) {
      probed_.push_back(path);
      return PathAttributes(path);
    };
    ::SendMessageW(form_->Handle(), WM_SIZE, 0, 0);
  }

  // The command line the editor would get for the file.
  std::wstring EditorLine(const std::wstring& path, int line, int column) const {
    return L"\"" + TestChildPath() + L"\" \"" + path + L"\" " + std::to_wstring(line) + L" " + std::to_wstring(column);
  }

  // A key goes down in the output pane while Shift is held or not.
  void Press(WORD key, bool shift = false) {
    BYTE saved[256], state[256];
    ::GetKeyboardState(saved);
    std::memcpy(state, saved, sizeof state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    ::SetKeyboardState(state);
    ::SendMessageW(Output().Handle(), WM_KEYDOWN, key, 1);
    ::SetKeyboardState(saved);
  }

  // Where a character of the output pane shows, in the pane's client area.
  POINT PointOf(int position) const {
    const auto point = static_cast<DWORD>(::SendMessageW(Output().Handle(), EM_POSFROMCHAR, position, 0));
    return {static_cast<short>(LOWORD(point)) + 1, static_cast<short>(HIWORD(point)) + 2};
  }

  // The mouse moves over the character at the position while Ctrl is held.
  void CtrlMoveTo(int position) {
    POINT screen = PointOf(position);
    ::ClientToScreen(Output().Handle(), &screen);
    ::SetCursorPos(screen.x, screen.y);
    const POINT client = PointOf(position);
    BYTE saved[256], state[256];
    ::GetKeyboardState(saved);
    std::memcpy(state, saved, sizeof state);
    state[VK_CONTROL] = 0x80;
    ::SetKeyboardState(state);
    ::SendMessageW(Output().Handle(), WM_MOUSEMOVE, MK_CONTROL, MAKELPARAM(client.x, client.y));
    ::SetKeyboardState(saved);
  }

  // A Ctrl+click on the character at the position.
  void CtrlClick(int position) {
    const POINT point = PointOf(position);
    ::SendMessageW(Output().Handle(), WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(point.x, point.y));
    ::SendMessageW(Output().Handle(), WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(point.x, point.y));
  }

  std::vector<std::wstring> probed_;
  std::vector<tOpenRequest> opened_;
  cPlaceOpener::cResponderScope opener_{[this](const tOpenRequest& request) {
    opened_.push_back(request);
    return true;
  }};
  cTempDir dir_;
  std::wstring source_, note_;
};

tOpenRequest Address(const wchar_t* address) { return {address, {}}; }

}  // namespace

TEST_F(PlacesInPane, F4OpensTheNextPlaceDownAndShiftF4UpSkippingFilesThatDoNotExist) {
  const std::wstring folder = dir_.Path().wstring();
  Output().SetWText(folder + L">make\r\nmissing.c:1:1: error\r\n" + source_ +
                    L"(12,5): error C2065\r\nsee https://example.com/x.\r\nsub\\b.c:3: note");
  Output().SetSelStart(0);
  const tOpenRequest source{L"", {TestChildPath(), EditorLine(source_, 12, 5)}};
  const tOpenRequest note{L"", {TestChildPath(), EditorLine(note_, 3, 1)}};

  for (int i = 0; i < 4; ++i) Press(VK_F4);
  EXPECT_EQ(opened_, (std::vector<tOpenRequest>{source, Address(L"https://example.com/x"), note}));
  // The place opened last is selected.
  EXPECT_EQ(Output().WSelText(), L"sub\\b.c:3");
  Press(VK_F4, true);
  Press(VK_F4, true);
  EXPECT_EQ(Output().WSelText(), source_ + L"(12,5)");
  EXPECT_EQ(opened_.size(), 5u);
  EXPECT_EQ(opened_.back(), source);
}

TEST_F(PlacesInPane, APathThatWordWrapSplitsIsOneLocation) {
  std::wstring folder = L"wrapped";
  for (int i = 0; i < 30; ++i) folder += L" w" + std::to_wstring(i);
  std::filesystem::create_directory(dir_.Path() / folder);
  const std::wstring path = dir_.WriteFile(folder + L"\\c.cpp", "").wstring();
  Output().SetWText(L"x\r\n" + path + L"(7): warning");
  ASSERT_GT(::SendMessageW(Output().Handle(), EM_GETLINECOUNT, 0, 0), 2) << "the line wraps";
  Press(VK_F4);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0].Launch.CommandLine, EditorLine(path, 7, 1));
}

TEST_F(PlacesInPane, CtrlClickOpensThePlaceAndLeavesTheSelection) {
  Output().SetWText(L"at " + source_ + L"(4)");
  // Beside the line's end and below it the mouse is over no place.
  const POINT last = PointOf(static_cast<int>(Output().WText().size()) - 1);
  for (const POINT away : {POINT{last.x + 60, last.y}, POINT{last.x, last.y + 60}})
    ::SendMessageW(Output().Handle(), WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(away.x, away.y));
  ::SendMessageW(Output().Handle(), WM_LBUTTONUP, MK_CONTROL, 0);
  EXPECT_TRUE(opened_.empty());
  Output().SetSelStart(1);
  const POINT point = PointOf(6);
  const LPARAM at = MAKELPARAM(point.x, point.y);
  ::SendMessageW(Output().Handle(), WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, at);
  ::SendMessageW(Output().Handle(), WM_LBUTTONUP, MK_CONTROL, at);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0].Launch.CommandLine, EditorLine(source_, 4, 1));
  EXPECT_EQ(Output().SelStart(), 1);
  EXPECT_EQ(Output().SelLength(), 0);
  // Without Ctrl a click is a click.
  ::SendMessageW(Output().Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::SendMessageW(Output().Handle(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ(opened_.size(), 1u);
  EXPECT_EQ(Output().SelStart(), 6);
}

TEST_F(PlacesInPane, WithCtrlHeldThePlaceUnderTheMouseGetsTheHand) {
  Output().SetWText(L"see https://example.com/ now");
  HWND pane = Output().Handle();
  CtrlMoveTo(10);
  EXPECT_EQ(::SendMessageW(pane, WM_SETCURSOR, reinterpret_cast<WPARAM>(pane), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
            TRUE);
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
  ::SendMessageW(pane, WM_KEYUP, VK_CONTROL, 0);
  ::SendMessageW(pane, WM_SETCURSOR, reinterpret_cast<WPARAM>(pane), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_NE(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
  EXPECT_TRUE(opened_.empty());
}

TEST_F(PlacesInPane, NetworkAndDevicePlacesAreNeverProbedAndOnlyANetworkOneOpensOnceTheUserSaysYes) {
  struct tCase {
    std::wstring Text;
    const wchar_t* Place;  // clicked
    const wchar_t* Host;   // asked about; none for a device
  };
  const tCase cases[] = {
      {L"\\\\evil\\s\\x.c:12: error", L"x.c:12", L"evil"},
      {L"//evil/s/x.c(3)", L"x.c", L"evil"},
      {L"\\\\?\\UNC\\evil\\s\\x.c:4", L"UNC", L"evil"},
      {L"  File \"\\\\evil\\s\\x.py\", line 3", L"x.py", L"evil"},
      {L"\\\\evil\\s\\d>cl x.c\r\nx.c(4): error", L"x.c(4)", L"evil"},
      {L"\\\\.\\COM1:1", L"COM1", nullptr},
      {L"\\\\.\\pipe\\x:2", L"pipe", nullptr},
      {L"\\\\?\\GLOBALROOT\\x.c:1", L"GLOBAL", nullptr},
      {L"aux.c:3", L"aux", nullptr},
  };
  for (const tCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Text));
    // Below it, a local place that exists: F4 asks for it alone, and opens it.
    Output().SetWText(c.Text + L"\r\n" + note_ + L":7");
    Output().SetSelStart(0);
    probed_.clear();
    opened_.clear();
    boxes_.clear();
    Press(VK_F4);
    EXPECT_EQ(probed_, std::vector{note_});
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0].Launch.CommandLine, EditorLine(note_, 7, 1));
    // Ctrl+click: the fixture's boxes answer OK, which is no Yes; then Yes opens, still unasked.
    const int at = static_cast<int>(c.Text.find(c.Place)) + 1;
    CtrlClick(at);
    gui::cDialogSeam::cResponderScope yes([this](const gui::tMessageBoxRequest& box) {
      boxes_.push_back(box);
      return IDYES;
    });
    CtrlClick(at);
    EXPECT_EQ(probed_.size(), 1u);
    ASSERT_EQ(boxes_.size(), c.Host ? 2u : 0u);
    ASSERT_EQ(opened_.size(), c.Host ? 2u : 1u);
    if (!c.Host) continue;
    EXPECT_NE(boxes_[0].Text.find(L"\"" + std::wstring(c.Host) + L"\""), std::wstring::npos) << boxes_[0].Text;
    EXPECT_EQ(boxes_[0].Flags & (MB_TYPEMASK | MB_DEFMASK), UINT{MB_YESNO | MB_DEFBUTTON2});
    EXPECT_NE(opened_[1].Launch.CommandLine.find(L"evil\\s\\"), std::wstring::npos);
  }
}

TEST_F(PlacesInPane, F4StopsLookingOnceItsTimeIsUpAndSaysWhere) {
  std::wstring text;
  for (int i = 0; i < 100000; ++i) text += L"m" + std::to_wstring(i) + L".c:1: error\r\n";
  Output().SetWText(text + note_ + L":7");
  Output().SetSelStart(0);
  // A disk that takes a millisecond to answer.
  const tPathProbe counting = Output().ProbePath;
  Output().ProbePath = [&](const std::wstring& path) {
    ::Sleep(1);
    return counting(path);
  };
  int line = 1;
  for (const bool forward : {true, true, false}) {
    probed_.clear();
    Press(VK_F4, !forward);
    const int stopped = Output().WCaretPos().Line + 1;
    EXPECT_EQ(forward ? stopped > line : stopped < line, true) << stopped << " after " << line;
    line = stopped;
    ASSERT_FALSE(boxes_.empty());
    EXPECT_EQ(boxes_.back().Text, gui::FormatRes(forward ? IDS_PLACE_SEARCH_STOPPED_DOWN : IDS_PLACE_SEARCH_STOPPED_UP,
                                                 {std::to_wstring(stopped)}));
    EXPECT_LT(probed_.size(), 200u);
  }
  EXPECT_TRUE(opened_.empty());
}

TEST_F(PlacesInPane, F4AsksForAFileOrAMissingFolderOnceHoweverOftenTheOutputNamesIt) {
  const std::wstring folder = dir_.Path().wstring() + L"\\";
  std::wstring text = folder + L">make\r\n";
  for (int i = 1; i <= 1000; ++i)
    text += L"gone.c:" + std::to_wstring(i) + L": error\r\nnowhere\\f" + std::to_wstring(i) + L".c:1: error\r\n";
  Output().SetWText(text + note_ + L":7");
  Output().SetSelStart(0);
  Press(VK_F4);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(probed_, (std::vector<std::wstring>{folder + L"gone.c", folder, folder + L"nowhere\\f1.c",
                                                folder + L"nowhere\\", note_}));
}

// A link that the output marks opens its target, whatever its text holds; Ctrl over it shows the
// target. Its text here says something else than the target.
TEST_F(PlacesInPane, MarkedLinksOpenTheirTargetsByScheme) {
  const auto fileUri = [](const std::wstring& path) {
    std::wstring uri;
    for (const wchar_t c : path)
      uri += c == L'\\' ? std::wstring(L"/") : c == L' ' ? std::wstring(L"%20") : std::wstring(1, c);
    return uri;
  };
  struct tCase {
    std::wstring Uri;
    std::wstring Text;
    std::optional<tOpenRequest> Opened;
    bool Asked;
  };
  const tCase cases[] = {
      {L"https://example.com/doc", source_ + L"(4)", Address(L"https://example.com/doc"), false},
      {L"HTTP://example.com/a", L"a", Address(L"HTTP://example.com/a"), false},
      {L"file:///" + fileUri(source_), L"b", tOpenRequest{L"", {TestChildPath(), EditorLine(source_, 1, 1)}},
       false},
      {L"file://LocalHost/" + fileUri(note_), L"c", tOpenRequest{L"", {TestChildPath(), EditorLine(note_, 1, 1)}},
       false},
      // Another computer is asked about first (the fixture's boxes answer OK, no Yes).
      {L"file://evil/s/x.c", L"d", std::nullopt, true},
      {L"file://./COM1", L"e", std::nullopt, false},
      {L"file:///C:/x%zz.c", L"f", std::nullopt, false},
      {L"ftp://example.com/x", L"g", std::nullopt, false},
      {L"javascript://x", L"h", std::nullopt, false},
  };
  for (const tCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Uri));
    Output().SetWText(L"");
    // Unended, the link ends with its line.
    form_->RenderOutput(L"> \x1b]8;;" + c.Uri + L"\x1b\\" + c.Text + L"\r\nplain");
    opened_.clear();
    boxes_.clear();
    CtrlClick(2);
    CtrlClick(static_cast<int>(Output().WText().size()) - 1);
    EXPECT_EQ(opened_, c.Opened ? std::vector{*c.Opened} : std::vector<tOpenRequest>{});
    EXPECT_EQ(boxes_.size(), c.Asked ? 1u : 0u);
  }

  std::vector<std::wstring> shown;
  Output().OnShowTarget = [&](const std::wstring& target) { shown.push_back(target); };
  Output().SetWText(L"");
  form_->RenderOutput(L"\x1b]8;;https://example.com/doc\x07see the docs\x1b]8;;\x07");
  CtrlMoveTo(4);
  ::SendMessageW(Output().Handle(), WM_KEYUP, VK_CONTROL, 0);
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"https://example.com/doc", L""}));
}
