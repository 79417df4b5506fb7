// How the output view draws: a view of the test's own, drawn with WM_PRINTCLIENT into a bitmap
// whose pixels are read back. Seen under Wine 8.0 with Liberation Mono in place of Courier New.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/Handle.h"
#include "gui/TextLook.h"
#include "gui/TextView.h"
#include "gui/TextViewMessages.h"
#include "tests/unicode/ControlTestSupport.h"

using namespace gui;

namespace {

constexpr int kWidth = 400, kHeight = 100;

class cDrawnView {
public:
  cDrawnView()
      : view_(::CreateWindowExW(0, cTextView::Register(), L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_NOHIDESEL, 0,
                                0, kWidth, kHeight, host_.Handle(), nullptr, ::GetModuleHandleW(nullptr), nullptr)),
        font_(::CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, FIXED_PITCH,
                            L"Courier New")) {
    ::SendMessageW(view_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), 0);
  }
  ~cDrawnView() { ::DestroyWindow(view_); }

  void Append(std::wstring_view text, const tTextLook& look = {}) const {
    const tLookedText looked{text.data(), text.size(), PackLook(look)};
    ::SendMessageW(view_, kViewReplaceSelLook, 0, reinterpret_cast<LPARAM>(&looked));
  }
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const { return ::SendMessageW(view_, message, wParam, lParam); }

  // The cells of the characters [start, end) of the first row.
  RECT Cells(int start, int end) const {
    const auto left = static_cast<DWORD>(Send(EM_POSFROMCHAR, static_cast<WPARAM>(start), 0));
    const auto right = static_cast<DWORD>(Send(EM_POSFROMCHAR, static_cast<WPARAM>(end), 0));
    TEXTMETRICW metrics{};
    const cMemoryDC dc(::CreateCompatibleDC(nullptr));
    const cSelectedObject font(dc.get(), font_.get());
    ::GetTextMetricsW(dc.get(), &metrics);
    return {LOWORD(left), HIWORD(left), LOWORD(right), static_cast<LONG>(HIWORD(left) + metrics.tmHeight)};
  }

  // Draws the view and keeps its pixels.
  void Draw() {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const cMemoryDC dc(::CreateCompatibleDC(nullptr));
    const cBitmap bitmap(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(bitmap && bits);
    {
      const cSelectedObject selected(dc.get(), bitmap.get());
      Send(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
      ::GdiFlush();
    }
    const auto* pixels = static_cast<const DWORD*>(bits);
    pixels_.assign(pixels, pixels + kWidth * kHeight);
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
  cTestHost host_;
  HWND view_;
  cFont font_;
  std::vector<DWORD> pixels_;
};

const COLORREF kPaneText = ::GetSysColor(COLOR_WINDOWTEXT), kPaneBack = ::GetSysColor(COLOR_WINDOW);

}  // namespace

// "plain " then "abcd" in a look; the look's cells show its colours, and the selection's win.
TEST(TextViewDraw, DrawsLooksAndTheSelectionOverThem) {
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
    if (c.Selected) view.Send(EM_SETSEL, 5, 10);
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

TEST(TextViewDraw, UnderlinesTheHotSpanUntilCleared) {
  cDrawnView view;
  view.Append(L"see abcd here");
  const RECT cells = view.Cells(4, 8);
  const tTextSpan hot{4, 8};
  EXPECT_EQ(view.Send(kViewSetHotSpan, 0, reinterpret_cast<LPARAM>(&hot)), 1);
  view.Draw();
  EXPECT_TRUE(view.HasLine(cells, kPaneText));
  EXPECT_FALSE(view.HasLine(view.Cells(9, 13), kPaneText));
  EXPECT_EQ(view.Send(kViewSetHotSpan, 0, 0), 1);
  view.Draw();
  EXPECT_FALSE(view.HasLine(cells, kPaneText));
}

// The styled fonts follow the pane's font.
TEST(TextViewDraw, StylesFollowANewFont) {
  cDrawnView view;
  view.Append(L"WWWW", {false, 0, false, 0, lsBold | lsItalic});
  const RECT below{0, 20, kWidth, kHeight};
  view.Draw();
  EXPECT_EQ(view.Count(below, kPaneText), 0);
  const cFont large(::CreateFontW(-40, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, FIXED_PITCH,
                                  L"Courier New"));
  view.Send(WM_SETFONT, reinterpret_cast<WPARAM>(large.get()), 0);
  view.Draw();
  EXPECT_GT(view.Count(below, kPaneText), 50);
}
