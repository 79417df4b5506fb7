// The wheel's and the drag's steps of scrolling, with no window.
#include "view/ViewScrolling.h"

#include <gtest/gtest.h>

#include <vector>

using namespace view;

// Turns in a row, and the steps each one scrolls (the table of tests/unicode/MemoTests.cpp turns
// the wheel of both windows by notches of 3 rows).
TEST(ViewScrolling, TheWheelScrollsItsShareOfANotchAndKeepsTheRest) {
  const struct {
    int PerNotch;
    std::vector<int> Deltas;
    std::vector<int> Steps;
  } cases[] = {
      // Turning back drops what was left.
      {3, {240, -30, 40, -30, -30}, {6, 0, 1, 0, -1}},
      {1, {30, 30, 30, 30, 30}, {0, 0, 0, 1, 0}},
      // A page a notch.
      {20, {120, 60}, {20, 10}},
      {0, {120, 120}, {0, 0}},
  };
  for (const auto& c : cases) {
    cWheel wheel;
    std::vector<int> steps;
    for (const int delta : c.Deltas) steps.push_back(wheel.Turn(delta, c.PerNotch));
    EXPECT_EQ(steps, c.Steps) << c.PerNotch << " a notch, first turn " << c.Deltas.front();
  }
}

TEST(ViewScrolling, ADragScrollsFasterTheFurtherOutThePointerIs) {
  const RECT client{0, 0, 100, 160};
  const struct {
    POINT Pointer;
    int Rows, Chars;
  } cases[] = {
      {{0, 0}, 0, 0},     {{99, 159}, 0, 0},  {{50, -16}, -1, 0}, {{50, -17}, -2, 0},
      {{50, 175}, 1, 0},  {{50, 176}, 2, 0},  {{-9, 80}, 0, -2},  {{100, 80}, 0, 1},  {{-20, -40}, -3, -3},
  };
  for (const auto& c : cases) {
    const tDragSteps steps = DragSteps(c.Pointer, client, 16, 8);
    EXPECT_EQ(steps.Rows, c.Rows) << c.Pointer.x << "," << c.Pointer.y;
    EXPECT_EQ(steps.Chars, c.Chars) << c.Pointer.x << "," << c.Pointer.y;
    EXPECT_TRUE(::PtInRect(&client, steps.Inside));
  }
}
