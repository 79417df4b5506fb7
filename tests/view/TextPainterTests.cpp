// How the output view draws: the painter draws a model of the test's own into a bitmap whose
// pixels are read back. Seen under Wine 8.0 with Liberation Mono in place of Courier New.
#include "view/TextPainter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gui/Handle.h"
#include "tests/unicode/ControlTestSupport.h"
#include "ui/Theme.h"
#include "view/EditModel.h"
#include "view/TextLook.h"

using namespace gui;
using namespace view;

namespace {

constexpr int kWidth = 400, kHeight = 100;
const COLORREF kPaneText = ::GetSysColor(COLOR_WINDOWTEXT), kPaneBack = ::GetSysColor(COLOR_WINDOW);

// Rows wrap at the bitmap's width, as in a pane of that width.
class cDrawnView {
public:
  cDrawnView()
      : font_(::CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, FIXED_PITCH,
                            L"Courier New")) {
    model_.Layout().SetWidth(kWidth);
    model_.Layout().SetWordWrap(true);
    SetFont(font_.get());
  }

  HWND Host() const { return host_.Handle(); }
  HFONT Font() const { return font_.get(); }
  void SetFont(HFONT font) {
    painter_.SetFont(font);
    model_.Layout().FontChanged();
    while (model_.Layout().ContinueRelayout(1 << 20)) {
    }
  }
  void Append(std::wstring_view text, const tTextLook& look = {}) {
    const tAttributeRun run{text.size(), PackLook(look)};
    model_.Select(model_.Store().Length(), model_.Store().Length());
    model_.ReplaceSelection(text, false, std::span<const tAttributeRun>(&run, 1));
  }
  cEditModel& Model() { return model_; }
  // The columns where something is drawn in the pane's text colour.
  std::vector<bool> Inked() const {
    std::vector<bool> inked(kWidth, false);
    for (int x = 0; x < kWidth; ++x) inked[static_cast<size_t>(x)] = Count({x, 0, x + 1, kHeight}, kPaneText) > 0;
    return inked;
  }

  // The cells of the characters [start, end) of the first row, with room below for an underline.
  RECT Cells(int start, int end) { return {X(start), 0, X(end), 24}; }
  int X(int position) { return model_.XOfPosition(position); }

  // Draws the view, or has a window of the same size draw itself, and keeps the pixels.
  void Draw(tPaneColours pane = {kPaneText, kPaneBack}) {
    Draw([&](HDC dc) {
      const RECT all{0, 0, kWidth, kHeight};
      painter_.Draw(dc, model_, {all, all, 0, 0, pane, nullptr, 0});
    });
  }
  void Draw(HWND window) {
    Draw([&](HDC dc) { ::SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT); });
  }
  COLORREF At(int x, int y) const {
    const DWORD bgr = pixels_[static_cast<size_t>(y * kWidth + x)];
    return RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
  }
  int Count(const RECT& area, COLORREF colour) const {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) count += At(x, y) == colour;
    return count;
  }
  // Whether some pixel row of the area is the colour all across: an underline.
  bool HasLine(const RECT& area, COLORREF colour) const {
    for (int y = area.top; y < area.bottom; ++y)
      if (Count({area.left, y, area.right, y + 1}, colour) == area.right - area.left) return true;
    return false;
  }

private:
  template <class tDraw>
  void Draw(tDraw draw) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const cMemoryDC dc(::CreateCompatibleDC(nullptr));
    const cBitmap bitmap(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(bitmap && bits);
    {
      const cSelectedObject selected(dc.get(), bitmap.get());
      draw(dc.get());
      ::GdiFlush();
    }
    const auto* pixels = static_cast<const DWORD*>(bits);
    pixels_.assign(pixels, pixels + kWidth * kHeight);
  }

  cTestHost host_;
  cFont font_;
  cTextPainter painter_;
  cEditModel model_{painter_};
  std::vector<DWORD> pixels_;
};

}  // namespace

// "plain " then "abcd" in a look; the look's cells show its colours, and the selection's win.
TEST(TextPainter, DrawsLooksAndTheSelectionOverThem) {
  const tTextLook red{true, BasicColour(1), false, 0, 0};
  const tTextLook yellowOnBlue{true, BasicColour(11), true, BasicColour(4), 0};
  const tTextLook inverse{false, 0, false, 0, lsInverse};
  struct tCase {
    const char* Name;
    tTextLook Look;
    bool Selected;
    COLORREF Ink, Ground;
  };
  const tCase cases[] = {
      {"darkened on the pane's white", red, false, ReadableOn(BasicColour(1), kPaneBack), kPaneBack},
      {"a background as set", yellowOnBlue, false, BasicColour(11), BasicColour(4)},
      {"inverse", inverse, false, kPaneBack, kPaneText},
      {"selected", yellowOnBlue, true, ::GetSysColor(COLOR_HIGHLIGHTTEXT), ::GetSysColor(COLOR_HIGHLIGHT)},
  };
  for (const tCase& c : cases) {
    cDrawnView view;
    view.Append(L"plain ");
    view.Append(L"abcd", c.Look);
    if (c.Selected) view.Model().Select(5, 10);
    view.Draw();
    const RECT cells = view.Cells(6, 10);
    EXPECT_EQ(view.At(cells.left, cells.top), c.Ground) << c.Name;
    EXPECT_GT(view.Count(cells, c.Ink), 10) << c.Name;
    EXPECT_EQ(view.At(view.Cells(0, 1).left, cells.top), kPaneBack) << c.Name;
    if (c.Selected) {
      EXPECT_EQ(view.Count(cells, BasicColour(4)), 0) << c.Name;
    }
  }
}

// Both looks of the theme, on an editable and a read-only pane: plain text in the pane's own
// colours, the selection in the system's, and the console's black, red, blue and bright black
// made to read on the pane's background.
TEST(TextPainter, EveryLookReadsInBothThemes) {
  const auto coloured = [](int index) { return tTextLook{true, BasicColour(index), false, 0, 0}; };
  const struct {
    const char* Name;
    tTextLook Look;
    bool Locked, Selected;
  } cases[] = {
      {"plain", {}, false, false},           {"read-only", {}, true, false},
      {"selected", {}, false, true},         {"SGR 30", coloured(0), false, false},
      {"SGR 31", coloured(1), false, false}, {"SGR 34 read-only", coloured(4), true, false},
      {"SGR 90", coloured(8), false, false},
  };
  for (const gui::tThemeLook theme : {gui::tlLight, gui::tlDark}) {
    const tThemeColours colours = ThemeColours(theme);
    for (const auto& c : cases) {
      const tPaneColours pane = c.Locked ? tPaneColours{colours.LockedText, colours.LockedBack}
                                         : tPaneColours{colours.PaneText, colours.PaneBack};
      cDrawnView view;
      view.Append(L"plain ");
      view.Append(L"abcd", c.Look);
      if (c.Selected) view.Model().Select(6, 10);
      view.Draw(pane);
      const COLORREF ground = c.Selected ? ::GetSysColor(COLOR_HIGHLIGHT) : pane.Back;
      const COLORREF ink = c.Selected               ? ::GetSysColor(COLOR_HIGHLIGHTTEXT)
                           : c.Look.HasForeground ? ReadableOn(c.Look.Foreground, pane.Back)
                                                  : pane.Text;
      const RECT cells = view.Cells(6, 10);
      EXPECT_EQ(view.At(cells.left, cells.top), ground) << theme << c.Name;
      EXPECT_GT(view.Count(cells, ink), 10) << theme << c.Name;
      EXPECT_EQ(view.At(view.Cells(0, 1).left, cells.top), pane.Back) << theme << c.Name;
      if (!c.Selected) {
        EXPECT_GE(ContrastRatio(ink, ground), kLeastContrast) << theme << c.Name;
      }
    }
    // Each look marks read-only panes with a background of its own.
    EXPECT_NE(colours.LockedBack, colours.PaneBack);
  }
}

TEST(TextPainter, UnderlinesTheHotSpanUntilCleared) {
  cDrawnView view;
  view.Append(L"see abcd here");
  const RECT cells = view.Cells(4, 8);
  view.Model().SetHotSpan({4, 8});
  view.Draw();
  EXPECT_TRUE(view.HasLine(cells, kPaneText));
  EXPECT_FALSE(view.HasLine(view.Cells(9, 13), kPaneText));
  view.Append(L" and more");
  view.Draw();
  EXPECT_TRUE(view.HasLine(cells, kPaneText));
  view.Model().SetHotSpan({});
  view.Draw();
  EXPECT_FALSE(view.HasLine(cells, kPaneText));
  // Text changed before its end takes it away: it named other text.
  view.Model().SetHotSpan({4, 8});
  view.Model().SetText(L"see abcd here");
  view.Draw();
  EXPECT_FALSE(view.HasLine(cells, kPaneText));
}

// The styled fonts follow the pane's font.
TEST(TextPainter, StylesFollowANewFont) {
  cDrawnView view;
  view.Append(L"WWWW", {false, 0, false, 0, lsBold | lsItalic});
  const RECT below{0, 20, kWidth, kHeight};
  view.Draw();
  EXPECT_EQ(view.Count(below, kPaneText), 0);
  const cFont large(::CreateFontW(-40, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, FIXED_PITCH,
                                  L"Courier New"));
  view.SetFont(large.get());
  view.Draw();
  EXPECT_GT(view.Count(below, kPaneText), 50);
}

// A row of text beyond the font (East Asian, an emoji as a surrogate pair, a combining mark) is
// measured and drawn as the system edit control does it: the same caret positions, the same
// columns inked. Seen under Wine 8.0: the fallback fonts are Droid Sans Fallback (East Asian) and
// DejaVu Sans; there is no emoji font, so the emoji is the fallback's empty box in both windows.
TEST(TextPainter, DrawsAsTheEditControl) {
  const std::wstring text = L"a\x6F22" L"b\xD83D\xDE00" L"ce\x0301 z";
  cDrawnView view;
  view.Append(text);
  const HWND edit = ::CreateWindowExW(0, L"EDIT", text.c_str(), WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOHSCROLL,
                                      0, 0, kWidth, kHeight, view.Host(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(edit);
  ::SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(view.Font()), 0);
  ::SendMessageW(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
  // Inside the pair and before the mark the edit control answers for the units themselves.
  for (WPARAM position : {0, 1, 2, 3, 5, 6, 8, 9}) {
    EXPECT_EQ(view.X(static_cast<int>(position)), LOWORD(::SendMessageW(edit, EM_POSFROMCHAR, position, 0))) << position;
  }
  view.Draw(edit);
  const std::vector<bool> expected = view.Inked();
  view.Draw();
  EXPECT_EQ(view.Inked(), expected);
  ::DestroyWindow(edit);
}

// Right-to-left text is drawn in its reading order, each letter where the caret and the mouse find
// it: Hebrew letters as each is drawn alone, mirrored; Arabic letters join, so only their stretch
// keeps to the cells measured alone, and the text around it stays in place. (Wine's edit control
// orders and measures the blanks inside right-to-left text in ways of its own: no reference here.)
TEST(TextPainter, DrawsRightToLeftInItsCells) {
  struct tDrawn {
    std::vector<bool> Ink;
    int Right;  // where the caret before the first letter stands: its right edge
  };
  const auto draw = [](std::wstring_view text, int first = 0) {
    cDrawnView view;
    view.Append(text);
    view.Draw();
    return tDrawn{view.Inked(), view.X(first)};
  };
  const auto cut = [](const tDrawn& drawn, int from, int to) {
    return std::vector<bool>(drawn.Ink.begin() + from, drawn.Ink.begin() + to);
  };
  const tDrawn alef = draw(L"\x05D0"), bet = draw(L"\x05D1"), both = draw(L"\x05D0\x05D1");
  ASSERT_GT(bet.Right, 0);
  ASSERT_EQ(both.Right, alef.Right + bet.Right);
  std::vector<bool> mirrored = cut(bet, 0, bet.Right), unmirrored = cut(alef, 0, alef.Right);
  mirrored.insert(mirrored.end(), alef.Ink.begin(), alef.Ink.begin() + alef.Right);
  unmirrored.insert(unmirrored.end(), bet.Ink.begin(), bet.Ink.begin() + bet.Right);
  EXPECT_EQ(cut(both, 0, both.Right), mirrored);
  EXPECT_NE(cut(both, 0, both.Right), unmirrored);

  const tDrawn arabic = draw(L"\x0639\x0631\x0628\x064A"), around = draw(L"ab\x0639\x0631\x0628\x064A" L"cd", 2);
  const tDrawn latin = draw(L"abcd", 2);
  const int left = around.Right - arabic.Right;
  EXPECT_EQ(left, latin.Right);
  EXPECT_EQ(cut(around, 0, left), cut(latin, 0, left));
  EXPECT_EQ(cut(around, around.Right, kWidth), cut(latin, left, kWidth - arabic.Right));
  const std::vector<bool> stretch = cut(around, left, around.Right);
  EXPECT_GT(std::count(stretch.begin(), stretch.end(), true), arabic.Right / 4);
}
