// Looks packed into the store's attributes, the console's colours, and the contrast that keeps
// the child's colours readable on the pane's white and silver.
#include "view/TextLook.h"

#include <gtest/gtest.h>

namespace {

using view::tTextLook;

constexpr COLORREF kWhite = RGB(255, 255, 255), kSilver = RGB(192, 192, 192);

TEST(TextLook, PackedLooksComeBackWhole) {
  const tTextLook looks[] = {
      {},
      {true, RGB(0, 0, 0), false, 0, 0},
      {true, RGB(255, 255, 255), true, RGB(0, 0, 0), view::lsBold | view::lsStrike},
      {false, 0, true, RGB(1, 2, 3), view::lsInverse},
      {false, 0, false, 0, 0x3F},
  };
  for (const tTextLook& look : looks) EXPECT_EQ(view::UnpackLook(view::PackLook(look)), look);
  EXPECT_EQ(view::PackLook({}), 0u) << "the pane's own look is attribute 0";
  // A black foreground is a colour, not the default.
  EXPECT_NE(view::PackLook({true, RGB(0, 0, 0), false, 0, 0}), 0u);
}

TEST(TextLook, IndexedColours) {
  struct tCase {
    int Index;
    COLORREF Colour;
  };
  const tCase cases[] = {
      {0, RGB(12, 12, 12)},     {1, RGB(197, 15, 31)}, {11, RGB(249, 241, 165)}, {15, RGB(242, 242, 242)},
      {16, RGB(0, 0, 0)},       {21, RGB(0, 0, 255)},  {196, RGB(255, 0, 0)},    {231, RGB(255, 255, 255)},
      {232, RGB(8, 8, 8)},      {255, RGB(238, 238, 238)},
  };
  for (const tCase& c : cases) EXPECT_EQ(view::IndexedColour(c.Index), c.Colour) << c.Index;
}

TEST(TextLook, ColoursThatWouldNotReadAreDarkenedOnThePanesBackgrounds) {
  for (const COLORREF back : {kWhite, kSilver}) {
    for (int index = 0; index < 16; ++index) {
      const COLORREF colour = view::BasicColour(index);
      const COLORREF drawn = view::ReadableOn(colour, back);
      EXPECT_GE(view::ContrastRatio(drawn, back), view::kLeastContrast) << index;
      if (view::ContrastRatio(colour, back) >= view::kLeastContrast) {
        EXPECT_EQ(drawn, colour) << index;
      }
      // Darkened, not recoloured: no channel grows.
      EXPECT_LE(GetRValue(drawn), GetRValue(colour));
      EXPECT_LE(GetGValue(drawn), GetGValue(colour));
      EXPECT_LE(GetBValue(drawn), GetBValue(colour));
    }
  }
  // Bright yellow keeps its hue: red and green stay above blue.
  const COLORREF yellow = view::ReadableOn(view::BasicColour(11), kWhite);
  EXPECT_GT(GetRValue(yellow), GetBValue(yellow));
  EXPECT_GT(GetGValue(yellow), GetBValue(yellow));
}

TEST(TextLook, DrawnColours) {
  struct tCase {
    const char* Name;
    tTextLook Look;
    COLORREF Text, Back;
    bool OwnBack;
  };
  const COLORREF red = view::BasicColour(1), white = view::BasicColour(15);
  const tCase cases[] = {
      {"default", {}, RGB(0, 0, 0), kWhite, true},
      {"red", {true, red, false, 0, 0}, red, kWhite, true},
      {"white on white, darkened", {true, white, false, 0, 0}, view::ReadableOn(white, kWhite), kWhite, true},
      {"white on a set black, as set", {true, white, true, RGB(0, 0, 0), 0}, white, RGB(0, 0, 0), false},
      {"a set background", {false, 0, true, red, 0}, RGB(0, 0, 0), red, false},
      {"inverse of the default", {false, 0, false, 0, view::lsInverse}, kWhite, RGB(0, 0, 0), false},
  };
  for (const tCase& c : cases) {
    const view::tDrawnColours drawn = view::DrawnColours(c.Look, RGB(0, 0, 0), kWhite);
    EXPECT_EQ(drawn.Text, c.Text) << c.Name;
    EXPECT_EQ(drawn.Back, c.Back) << c.Name;
    EXPECT_EQ(drawn.OwnBack, c.OwnBack) << c.Name;
  }
}

}  // namespace
