// The wheel's and the drag's steps of scrolling, with no window.
#include "view/ViewScrolling.h"

#include <gtest/gtest.h>

#include <vector>

using namespace view;

// Turns in a row, and the steps each one scrolls: a notch of 3 lines is a line every 40.
TEST(ViewScrolling, TheWheelScrollsItsShareOfANotchAndKeepsTheRest) {
  const struct {
    int PerNotch;
    std::vector<int> Deltas;
    std::vector<int> Steps;
  } cases[] = {
      {3, {-40, -40, -40}, {-1, -1, -1}},
      {3, {-30, -30, -30, -30, -30, -30, -30, -30}, {0, -1, -1, -1, 0, -1, -1, -1}},
      // Turning back drops what was left.
      {3, {-60, 60, 60}, {-1, 1, 2}},
      {3, {240, -119}, {6, -2}},
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
      {{50, 80}, 0, 0},   {{0, 0}, 0, 0},     {{99, 159}, 0, 0},   {{50, -1}, -1, 0},  {{50, -16}, -1, 0},
      {{50, -17}, -2, 0}, {{50, 160}, 1, 0},  {{50, 175}, 1, 0},   {{50, 176}, 2, 0},  {{50, 400}, 16, 0},
      {{-1, 80}, 0, -1},  {{-9, 80}, 0, -2},  {{100, 80}, 0, 1},   {{-20, -40}, -3, -3},
  };
  for (const auto& c : cases) {
    const tDragSteps steps = DragSteps(c.Pointer, client, 16, 8);
    EXPECT_EQ(steps.Rows, c.Rows) << c.Pointer.x << "," << c.Pointer.y;
    EXPECT_EQ(steps.Chars, c.Chars) << c.Pointer.x << "," << c.Pointer.y;
    EXPECT_TRUE(::PtInRect(&client, steps.Inside));
  }
}
