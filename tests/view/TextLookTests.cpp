// Looks packed into the store's attributes, the console's colours, and the contrast that keeps
// the child's colours readable on the pane's backgrounds, light and dark.
#include "view/TextLook.h"

#include <gtest/gtest.h>

#include <cmath>

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

// The hue of a colour in degrees; 0 for a grey.
double Hue(COLORREF c) {
  const double r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
  return std::atan2(std::sqrt(3.0) * (g - b), 2 * r - g - b) * 180 / 3.14159265358979;
}

// On the dark theme's backgrounds (editable and read-only) a colour too dark to read is lightened,
// keeping its hue, just to the least contrast; one that reads is kept.
TEST(TextLook, ColoursThatWouldNotReadAreLightenedOnDarkBackgrounds) {
  constexpr COLORREF kDark = RGB(30, 30, 30), kDarkGrey = RGB(64, 64, 64);
  const struct {
    int Index;  // of the 256 colours: SGR 30, 31, 34 and 90 are 0, 1, 4 and 8
    COLORREF Back;
    bool Kept;
  } cases[] = {{0, kDark, false},      {1, kDark, false},  {4, kDark, false}, {8, kDark, false},
               {4, kDarkGrey, false},  {16, kDarkGrey, false}, {17, kDark, false}, {3, kDark, true},
               {7, kDarkGrey, true},   {14, kDark, true}};
  for (const auto& c : cases) {
    const COLORREF colour = view::IndexedColour(c.Index), drawn = view::ReadableOn(colour, c.Back);
    const double contrast = view::ContrastRatio(drawn, c.Back);
    EXPECT_GE(contrast, view::kLeastContrast) << c.Index;
    EXPECT_EQ(drawn == colour, c.Kept) << c.Index;
    if (c.Kept) continue;
    EXPECT_LT(contrast, view::kLeastContrast + 0.2) << c.Index;
    EXPECT_GE(GetRValue(drawn), GetRValue(colour)) << c.Index;
    EXPECT_GE(GetGValue(drawn), GetGValue(colour)) << c.Index;
    EXPECT_GE(GetBValue(drawn), GetBValue(colour)) << c.Index;
    EXPECT_NEAR(Hue(drawn), Hue(colour), 2.0) << c.Index;
  }
}
}  // namespace
