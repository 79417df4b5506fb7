#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <string>
#include <vector>

#include "gui/Application.h"
#include "resources/resource.h"
#include "session/SessionOptions.h"
#include "tests/editor/EditorTestSupport.h"
#include "tests/unicode/ControlTestSupport.h"
#include "ui/BrowserHost.h"
#include "ui/Help.h"
#include "ui/HtmlView.h"
#include "ui/dfResHTML.h"

namespace {

std::string HelpPage() {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC resource = ::FindResourceW(module, L"HELP_HTML", MAKEINTRESOURCEW(100));
  if (!resource) return {};
  const char* data = static_cast<const char*>(::LockResource(::LoadResource(module, resource)));
  return std::string(data, ::SizeofResource(module, resource));
}

std::wstring OwnFileName() {
  wchar_t path[MAX_PATH];
  return std::wstring(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
}

std::vector<std::wstring> TableCells(const tHtmlDocument& page, size_t column) {
  std::vector<std::wstring> cells;
  for (const auto& block : page.Blocks)
    if (block.Kind == hbkTableRow && !block.HeaderRow) {
      std::wstring text;
      if (column < block.Cells.size())
        for (const auto& run : block.Cells[column]) text += run.Text;
      cells.push_back(text);
    }
  return cells;
}

// The lines of the preformatted block under the heading with the anchor.
std::vector<std::wstring> PreformattedLines(const tHtmlDocument& page, const wchar_t* anchor) {
  const int heading = page.FindAnchor(anchor);
  for (size_t i = static_cast<size_t>(std::max(heading, 0)); i < page.Blocks.size(); ++i) {
    if (page.Blocks[i].Kind != hbkPreformatted) continue;
    std::vector<std::wstring> lines;
    std::wstring text = page.Blocks[i].Text();
    for (size_t start = 0;;) {
      const size_t end = text.find(L'\n', start);
      lines.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
      if (end == std::wstring::npos) break;
      start = end + 1;
    }
    return lines;
  }
  return {};
}

tSessionOptions OptionsOf(const std::wstring& commandLine) { return ProcessOptions(cCommandLine(commandLine)); }

constexpr tPipeEncoding Utf16Le{esUTF16LE, false};

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = L"";
  return std::wstring(name, static_cast<size_t>(::GetClassNameW(window, name, 64)));
}

// Left, top, right and bottom of the window in its parent's client area.
std::array<LONG, 4> BoundsInParent(HWND window) {
  RECT bounds{};
  ::GetWindowRect(window, &bounds);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(window), reinterpret_cast<POINT*>(&bounds), 2);
  return {bounds.left, bounds.top, bounds.right, bounds.bottom};
}

SCROLLINFO VerticalScroll(HWND window) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  ::GetScrollInfo(window, SB_VERT, &info);
  return info;
}

}  // namespace

TEST(HelpUrl, EscapingKeepsUnreservedAndNonAsciiCharacters) {
  EXPECT_EQ(EscapeUrlPart(L""), L"");
  EXPECT_EQ(EscapeUrlPart(L"AZaz09-._"), L"AZaz09-._");
  EXPECT_EQ(EscapeUrlPart(L"C:\\Program Files\\x.exe"), L"C%3A%5CProgram%20Files%5Cx.exe");
  EXPECT_EQ(EscapeUrlPart(L"#%/~+"), L"%23%25%2F%7E%2B");
  EXPECT_EQ(EscapeUrlPart(std::wstring(L"\x00\x7F\u00E9\u00FF\u0416\U0001F600", 7)),
            L"%00%7F\u00E9\u00FF\u0416\U0001F600");
}

TEST(HelpUrl, ResourceIdsAreNumbersOrNames) {
  EXPECT_EQ(ResIdToString(MAKEINTRESOURCEW(100)), L"#100");
  EXPECT_EQ(ResIdToString(MAKEINTRESOURCEW(0xFFFF)), L"#65535");
  EXPECT_EQ(ResIdToString(MAKEINTRESOURCEW(0)), L"#0");
  EXPECT_EQ(ResIdToString(L"HELP_HTML"), L"HELP_HTML");
  EXPECT_EQ(ResIdToString(L""), L"");
}

TEST(HelpUrl, AddressEscapesPathTypeAndName) {
  EXPECT_EQ(BuildResUrl(L"C:\\Program Files\\M\u00E4rvesk 1\\Marvesk.exe", L"HELP_HTML", 100),
            L"res://C%3A%5CProgram%20Files%5CM\u00E4rvesk%201%5CMarvesk.exe/%23100/HELP_HTML");
  // A folder whose name the ANSI code page cannot carry keeps it.
  EXPECT_EQ(BuildResUrl(L"D:\\\u041C\u0430\u0440 \u4E2D\\\u0416.exe", L"my page", 23),
            L"res://D%3A%5C\u041C\u0430\u0440%20\u4E2D%5C\u0416.exe/%2323/my%20page");
  EXPECT_EQ(BuildResUrl(L"a.dll", L"PAGE", 0), L"res://a.dll/PAGE");
}

TEST(HelpPage, ResourceHoldsItsAnchorsAndEveryOption) {
  const std::string html = HelpPage();
  ASSERT_FALSE(html.empty()) << "no resource HELP_HTML of type 100";
  for (const char* anchor :
       {"keyboard", "cmdline", "options", "reading", "log", "environment", "places", "theme", "commandend", "examples"})
    EXPECT_NE(html.find(std::string("name=\"") + anchor + "\""), std::string::npos) << anchor;

  const tHtmlDocument page = ParseHtml(html);
  std::wstring text;
  for (const auto& block : page.Blocks) text += block.Text() + L"\n";
  for (const wchar_t* word :
       {L"-input:", L"-output:", L"UTF8", L"UTF16LE", L"UTF16BE", L"ANSI", L"OEM", L"-Unicode", L"-Unicode2",
        L"-U2", L"-dump", L"-D", L"-echo", L"-E", L"-help", L"-h", L"-?", L"--", L"Alt+Enter", L"Ctrl+Enter",
        L"Shift+Enter", L"Ctrl+C", L"Ctrl+Break", L"Shift+Del", L"Ctrl+Ins", L"Shift+Ins", L"Tools/Options",
        L"CMD.EXE /U", L"[Options] [ -- [Cmdline] ]", L"File/Log to File...", L"View/Timestamps in Log",
        L"PYTHONUNBUFFERED=1", L"-env:PYTHONUNBUFFERED= -env:PYTHONIOENCODING=", L"F4", L"Shift+F4",
        L"Ctrl+click", L"notepad.exe \"%f\"", L"Scroll Lock", L"View/Follow Output",
        L"View/Carriage Return Rewrites Line", L"View/Show Arrival Times"})
    EXPECT_NE(text.find(word), std::wstring::npos) << word;
}

// What the page says of the options is what the program does with them.
TEST(HelpPage, OptionsTableDescribesTheProgram) {
  const tHtmlDocument page = ParseHtml(HelpPage());
  EXPECT_EQ(TableCells(page, 0),
            (std::vector<std::wstring>{L"-input:encoding", L"-output:encoding", L"-Unicode, -U", L"-Unicode2, -U2",
                                       L"-dump, -D", L"-cr", L"-echo, -E", L"-help, -h, -?", L"-log:file",
                                       L"-timestamps", L"-times",
                                       L"-env:name=value, -env:name=", L"-editor:command",
                                       L"-theme:system, -theme:light, -theme:dark"}));
  for (const wchar_t* option : {L"x -Unicode", L"x -U", L"x /u"}) {
    const tSessionOptions options = OptionsOf(option);
    EXPECT_EQ(options.Encodings.Output, Utf16Le) << option;
    EXPECT_EQ(options.Encodings.Input, peOEM) << option;
  }
  for (const wchar_t* option : {L"x -Unicode2", L"x -U2"}) {
    EXPECT_EQ(OptionsOf(option).Encodings.Output, Utf16Le) << option;
    EXPECT_EQ(OptionsOf(option).Encodings.Input, Utf16Le) << option;
  }
  for (const wchar_t* option : {L"x -dump", L"x -D"}) EXPECT_FALSE(OptionsOf(option).InterpretControls) << option;
  EXPECT_TRUE(OptionsOf(L"x -cr").RewritesLines);
  for (const wchar_t* option : {L"x -echo", L"x -E"}) EXPECT_TRUE(OptionsOf(option).Echo) << option;
  EXPECT_FALSE(OptionsOf(L"x -echo-").Echo);
  EXPECT_EQ(OptionsOf(L"x -log:file").LogFile, L"file");
  EXPECT_TRUE(OptionsOf(L"x -timestamps").Timestamps);
  EXPECT_TRUE(OptionsOf(L"x -times").Times);
  EXPECT_FALSE(OptionsOf(L"x -timestamps").Times);
  EXPECT_EQ(OptionsOf(L"x -editor:command").EditorCommand, L"command");
  EXPECT_EQ(OptionsOf(L"x -env:name=value -env:name=").Environment,
            (std::vector<tEnvironmentChange>{{L"name", L"value"}, {L"name", std::nullopt}}));
  for (const wchar_t* option : {L"x -help", L"x -h", L"x -?", L"x /HELP"})
    EXPECT_TRUE(OptionsOf(option).HelpAtStart) << option;
  for (const wchar_t* encoding : {L"UTF8", L"UTF16LE", L"UTF16BE", L"ANSI", L"OEM"}) {
    const tSessionOptions options = OptionsOf(std::wstring(L"x -input:") + encoding + L" -output:" + encoding);
    EXPECT_TRUE(options.OptionMessage.empty()) << encoding;
  }
}

TEST(HelpPage, ExamplesDoWhatThePageSays) {
  const tHtmlDocument page = ParseHtml(HelpPage());
  const std::vector<std::wstring> lines = PreformattedLines(page, L"examples");
  ASSERT_EQ(lines, (std::vector<std::wstring>{L"Marvesk", L"Marvesk -U -D", L"Marvesk -echo -- xcopy /?",
                                              L"Marvesk -log:build.log -timestamps -- nmake",
                                              L"Marvesk -editor:\"code -g %f:%l:%c\" -- nmake",
                                              L"Marvesk -editor:\"notepad++ -n%l %f\"", L"Marvesk -theme:dark"}));

  const cCommandLine plain(lines[0]);
  const tSessionOptions plainOptions = ProcessOptions(plain);
  EXPECT_EQ(plainOptions.Encodings.Input, peOEM);
  EXPECT_EQ(plainOptions.Encodings.Output, peOEM);
  EXPECT_EQ(ChildCommandLineFor(plain, plainOptions.Encodings.Output), L"CMD.EXE");

  const cCommandLine unicode(lines[1]);
  const tSessionOptions unicodeOptions = ProcessOptions(unicode);
  EXPECT_EQ(unicodeOptions.Encodings.Output, Utf16Le);
  EXPECT_FALSE(unicodeOptions.InterpretControls);
  EXPECT_EQ(ChildCommandLineFor(unicode, unicodeOptions.Encodings.Output), L"CMD.EXE /U");

  const cCommandLine child(lines[2]);
  EXPECT_TRUE(ProcessOptions(child).Echo);
  EXPECT_EQ(child.ChildCommandLine(), L"xcopy /?");
  EXPECT_FALSE(ProcessOptions(child).HelpAtStart);

  const cCommandLine logged(lines[3]);
  EXPECT_EQ(ProcessOptions(logged).LogFile, L"build.log");
  EXPECT_TRUE(ProcessOptions(logged).Timestamps);
  EXPECT_EQ(logged.ChildCommandLine(), L"nmake");

  const cCommandLine code(lines[4]);
  EXPECT_EQ(ProcessOptions(code).EditorCommand, L"code -g %f:%l:%c");
  EXPECT_EQ(code.ChildCommandLine(), L"nmake");
  EXPECT_EQ(ExpandEditorCommand(ProcessOptions(code).EditorCommand, L"C:\\a b.c", 3, 7), L"code -g \"C:\\a b.c\":3:7");
  const cCommandLine notepad(lines[5]);
  EXPECT_EQ(ExpandEditorCommand(ProcessOptions(notepad).EditorCommand, L"C:\\a b.c", 3, 1),
            L"notepad++ -n3 \"C:\\a b.c\"");
  EXPECT_EQ(ThemeOption(cCommandLine(lines[6])), gui::tcDark);

  EXPECT_EQ(PreformattedLines(page, L"cmdline"), (std::vector<std::wstring>{L"Marvesk [Options] [ -- [Cmdline] ]"}));
}

TEST(HtmlParser, BlocksRunsAndAnchors) {
  const tHtmlDocument page = ParseHtml(
      "\xEF\xBB\xBF<html><head><title> The\n title </title><style>p { x: 1 }</style></head><body>\n"
      "<!-- <p>not shown</p> -->\n"
      "<h1>Caf\xC3\xA9 &amp; more</h1>\n"
      "<a name=\"first\"></a>\n"
      "<p>One   <b>bold</b>\n <code>code</code>, <a href=\"#first\">link</a>, "
      "<a href=\"http://x\">away</a>&#160;&#x41;&unknown;<br>next</p>\n"
      "<h2 id=\"second\"><a name=\"alias\">Second</a></h2>\n"
      "<ol><li>a</li><li>b<ul><li>c</li></ul></li></ol>\n"
      "<table><tr><th>Option</th><th>Effect</th></tr>\n"
      "<tr><td><code>-x</code> <i>y</i></td><td> does  it </td></tr></table>\n"
      "<pre>\n  two\n    spaces</pre>loose text 1 < 2</body></html>");
  EXPECT_EQ(page.Title, L"The title");
  std::vector<std::wstring> texts;
  for (const auto& block : page.Blocks) texts.push_back(block.Text());
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"Caf\u00E9 & more", L"One bold code, link, away\u00A0A&unknown;\nnext",
                                              L"Second", L"a", L"b", L"c", L"Option\tEffect", L"-x y\tdoes it",
                                              L"  two\n    spaces", L"loose text 1 < 2"}));
  ASSERT_EQ(page.Blocks.size(), texts.size());
  EXPECT_EQ(page.Blocks[0].Kind, hbkHeading);
  EXPECT_EQ(page.Blocks[0].Level, 1);
  EXPECT_EQ(page.Blocks[1].Kind, hbkParagraph);
  EXPECT_EQ(page.Blocks[2].Level, 2);
  EXPECT_EQ(page.FindAnchor(L"first"), 1);
  EXPECT_EQ(page.FindAnchor(L"second"), 2);
  EXPECT_EQ(page.FindAnchor(L"alias"), 2);
  EXPECT_EQ(page.FindAnchor(L"none"), -1);

  const auto& runs = page.Blocks[1].Cells.front();
  ASSERT_GE(runs.size(), 6u);
  EXPECT_EQ(runs[1].Text, L"bold");
  EXPECT_TRUE(runs[1].Bold);
  EXPECT_TRUE(runs[3].Code);
  EXPECT_EQ(runs[5].Text, L"link");
  EXPECT_EQ(runs[5].Link, L"first");
  // The link that leaves the page is plain text.
  EXPECT_EQ(std::count_if(runs.begin(), runs.end(), [](const tHtmlRun& run) { return !run.Link.empty(); }), 1);

  EXPECT_EQ(page.Blocks[3].Marker, L"1.");
  EXPECT_EQ(page.Blocks[4].Marker, L"2.");
  EXPECT_EQ(page.Blocks[5].Marker, L"\u2022");
  EXPECT_EQ(page.Blocks[5].Level, 2);
  EXPECT_TRUE(page.Blocks[6].HeaderRow);
  EXPECT_FALSE(page.Blocks[7].HeaderRow);
  EXPECT_EQ(page.Blocks[7].Table, page.Blocks[6].Table);
  EXPECT_EQ(page.Blocks[7].Kind, hbkTableRow);
  EXPECT_EQ(page.Blocks[8].Kind, hbkPreformatted);
}

class HtmlViewTest : public ::testing::Test {
protected:
  void SetUp() override {
    view.Create(host.Handle(), 1, {0, 0, 420, 300});
    view.SetDocument(ParseHtml(HelpPage()));
  }

  cTestHost host;
  cHtmlView view;
};

TEST_F(HtmlViewTest, ClickingALinkScrollsToItsAnchor) {
  ASSERT_EQ(view.ScrollPos(), 0);
  const int target = view.Document().FindAnchor(L"options");
  ASSERT_GT(target, 0);
  ASSERT_LT(view.BlockTop(target), view.MaxScrollPos()) << "the page is long enough to scroll the anchor up";

  const auto link = view.LinkBounds(L"options");
  ASSERT_TRUE(link);
  const LPARAM point = MAKELPARAM((link->left + link->right) / 2, (link->top + link->bottom) / 2);
  ::SendMessageW(view.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, point);
  ::SendMessageW(view.Handle(), WM_LBUTTONUP, 0, point);
  EXPECT_EQ(view.ScrollPos(), view.BlockTop(target));
  EXPECT_GT(view.ScrollPos(), 0);

  EXPECT_EQ(VerticalScroll(view.Handle()).nPos, view.ScrollPos());

  // The anchor's block is drawn at the top now: the link to it from the contents is above.
  EXPECT_LT(view.LinkBounds(L"options")->bottom, 0);
}

TEST_F(HtmlViewTest, AnchorsNearTheEndScrollAsFarAsThePageGoes) {
  EXPECT_TRUE(view.ScrollToAnchor(L"examples"));
  EXPECT_EQ(view.ScrollPos(), std::min(view.BlockTop(view.Document().FindAnchor(L"examples")), view.MaxScrollPos()));
  const int before = view.ScrollPos();
  EXPECT_FALSE(view.ScrollToAnchor(L"nowhere"));
  EXPECT_EQ(view.ScrollPos(), before);
}

TEST_F(HtmlViewTest, KeysAndScrollBarMoveThePage) {
  ::SendMessageW(view.Handle(), WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(view.ScrollPos(), view.MaxScrollPos());
  ::SendMessageW(view.Handle(), WM_KEYDOWN, VK_HOME, 0);
  EXPECT_EQ(view.ScrollPos(), 0);
  ::SendMessageW(view.Handle(), WM_KEYDOWN, VK_DOWN, 0);
  const int line = view.ScrollPos();
  EXPECT_GT(line, 0);
  ::SendMessageW(view.Handle(), WM_KEYDOWN, VK_NEXT, 0);
  EXPECT_GT(view.ScrollPos(), line * 5);
  ::SendMessageW(view.Handle(), WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(view.ScrollPos(), 0);
  ::SendMessageW(view.Handle(), WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(view.ScrollPos(), 0);
  EXPECT_EQ(::SendMessageW(view.Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTARROWS, DLGC_WANTARROWS);
}

TEST_F(HtmlViewTest, TableRowsFollowEachOtherAndWrapInNarrowViews) {
  const auto& blocks = view.Document().Blocks;
  std::vector<int> rows;
  for (size_t i = 0; i < blocks.size(); ++i)
    if (blocks[i].Kind == hbkTableRow) rows.push_back(view.BlockTop(static_cast<int>(i)));
  // The options table and its heading at least.
  ASSERT_GE(rows.size(), 12u);
  EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
  EXPECT_EQ(std::adjacent_find(rows.begin(), rows.end()), rows.end());

  const int wide = view.MaxScrollPos();
  ::MoveWindow(view.Handle(), 0, 0, 250, 300, FALSE);
  EXPECT_GT(view.MaxScrollPos(), wide);
}

TEST(HelpWindow, ShowsThePageWithCaptionAndClosesWithOk) {
  int dialogs = 0;
  gui::cDialogSeam::cDialogResponderScope scope([&](const gui::tDialogRequest& request) {
    ++dialogs;
    EXPECT_EQ(request.TemplateId, IDD_HELP);
    EXPECT_EQ(WindowText(request.Dialog), L" Marvesk Help");
    HWND page = ::GetDlgItem(request.Dialog, IDC_HELP_PAGE);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(::GetFocus(), page);
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(request.Dialog, IDOK)));

    // The page fills the window above the button strip, the button sits at its right.
    RECT client{}, pageBounds{}, button{};
    ::GetClientRect(request.Dialog, &client);
    ::GetWindowRect(page, &pageBounds);
    ::GetWindowRect(::GetDlgItem(request.Dialog, IDOK), &button);
    ::MapWindowPoints(HWND_DESKTOP, request.Dialog, reinterpret_cast<POINT*>(&pageBounds), 2);
    ::MapWindowPoints(HWND_DESKTOP, request.Dialog, reinterpret_cast<POINT*>(&button), 2);
    EXPECT_EQ(pageBounds.right, client.right);
    EXPECT_LE(pageBounds.bottom, button.top);
    EXPECT_GT(button.left, client.right * 3 / 4);

    // The page scrolls: it is the help page, not a short message.
    ::SendMessageW(page, WM_KEYDOWN, VK_END, 0);
    EXPECT_GT(VerticalScroll(page).nPos, 0);

    Click(request.Dialog, IDOK);
  });
  EXPECT_EQ(TFormHTML::ShowResource(OwnFileName(), L"HELP_HTML", nullptr, L" Marvesk Help", HelpResourceType), IDOK);
  // Each time in a new window.
  EXPECT_EQ(TFormHTML::ShowResource(OwnFileName(), L"HELP_HTML", nullptr, L" Marvesk Help", HelpResourceType), IDOK);
  EXPECT_EQ(dialogs, 2);
}

TEST(HelpWindow, EscapeAndTheCloseBoxCloseWithOkToo) {
  for (const int command : {IDCANCEL, IDOK}) {
    gui::cDialogSeam::cDialogResponderScope scope([&](const gui::tDialogRequest& request) {
      ::SendMessageW(request.Dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
    });
    EXPECT_EQ(TFormHTML::ShowResource(OwnFileName(), L"HELP_HTML", nullptr, L"x", HelpResourceType), IDOK);
  }
  gui::cDialogSeam::cDialogResponderScope scope([&](const gui::tDialogRequest& request) {
    // The dialog manager posts the close box's command.
    ::SendMessageW(request.Dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    gui::cApplication::ProcessMessages();
  });
  EXPECT_EQ(TFormHTML::ShowResource(OwnFileName(), L"HELP_HTML", nullptr, L"x", HelpResourceType), IDOK);
}

TEST(HelpWindow, HelpCommandUsesTheProductCaption) {
  std::wstring caption;
  gui::cDialogSeam::cDialogResponderScope scope([&](const gui::tDialogRequest& request) {
    caption = WindowText(request.Dialog);
    Click(request.Dialog, IDOK);
  });
  ShowHelp(nullptr);
  EXPECT_EQ(caption, L" Marvesk Help");
}

TEST(HelpWindow, BlankCaptionKeepsTheDesignedOne) {
  std::wstring caption;
  gui::cDialogSeam::cDialogResponderScope scope([&](const gui::tDialogRequest& request) {
    caption = WindowText(request.Dialog);
  });
  TFormHTML::ShowResource(OwnFileName(), L"HELP_HTML", nullptr, L" \t ", HelpResourceType);
  EXPECT_EQ(caption, L" Help");
}

TEST(HelpWindow, MissingPageSaysWhichAddressFailed) {
  gui::cDialogSeam::cDialogResponderScope scope([&](const gui::tDialogRequest& request) {
    HWND page = ::GetDlgItem(request.Dialog, IDC_HELP_PAGE);
    ASSERT_NE(page, nullptr);
    const SCROLLINFO info = VerticalScroll(page);
    EXPECT_LT(info.nMax, static_cast<int>(info.nPage)) << "one short paragraph, nothing to scroll";
    Click(request.Dialog, IDOK);
  });
  EXPECT_EQ(TFormHTML::ShowResource(OwnFileName(), L"NO_SUCH_PAGE", nullptr, L"x", HelpResourceType), IDOK);
}

// Every Windows has the HTML engine; the bench's Wine runs without its own (the DLL override
// leaves it out). Either way the answer comes at once, with no prompt to install an engine.
TEST(HelpBrowser, EngineIsThereExceptInWineWithoutIt) {
  const bool wine = ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(cBrowserHost::CanShowPages(), !wine);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// The control itself is there even where its engine is not: the container activates it in place,
// keeps it in its bounds and closes it without leaving anything behind.
TEST(HelpBrowser, ContainerActivatesTheControlInPlace) {
  cTestHost host;
  int completed = 0;
  auto browser = cBrowserHost::Create(host.Handle(), {10, 20, 310, 220}, [&] { ++completed; });
  ASSERT_NE(browser, nullptr);
  HWND control = browser->Window();
  ASSERT_TRUE(::IsWindow(control));
  EXPECT_EQ(::GetParent(control), host.Handle());
  EXPECT_EQ(BoundsInParent(control), (std::array<LONG, 4>{10, 20, 310, 220}));

  browser->Move({0, 0, 200, 100});
  EXPECT_EQ(BoundsInParent(control), (std::array<LONG, 4>{0, 0, 200, 100}));

  // No page, no body: nothing to focus, and nothing goes wrong.
  browser->FocusBody();
  gui::cApplication::ProcessMessages();
  EXPECT_EQ(completed, 0);

  browser.reset();
  EXPECT_FALSE(::IsWindow(control));
  EXPECT_EQ(::GetWindow(host.Handle(), GW_CHILD), nullptr);
}

TEST(HelpBrowser, WindowFallsBackToItsOwnViewWithoutWaiting) {
  HWND shown = nullptr;
  std::wstring shownClass;
  gui::cDialogSeam::cDialogResponderScope scope([&](const gui::tDialogRequest& request) {
    shown = ::GetDlgItem(request.Dialog, IDC_HELP_PAGE);
    shownClass = ClassOf(shown);
    // The only page window is the view, and it has the focus.
    EXPECT_EQ(::GetWindow(shown, GW_HWNDNEXT), ::GetDlgItem(request.Dialog, IDOK));
    EXPECT_EQ(::GetWindow(shown, GW_HWNDPREV), nullptr);
    EXPECT_EQ(::GetFocus(), shown);
    Click(request.Dialog, IDOK);
  });
  const auto start = std::chrono::steady_clock::now();
  ShowHelp(nullptr);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_NE(shown, nullptr);
  EXPECT_EQ(shownClass, L"MarveskHtmlView");
}
