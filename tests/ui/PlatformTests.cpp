#include <gtest/gtest.h>

#include <windows.h>

// The tests' expected texts assume these code pages. On the Wine bench, tools/wine-env.sh pins
// them through the locale (LC_ALL=C.UTF-8 gives ANSI 1252 and OEM 437); a machine set up with
// other code pages fails here first, instead of somewhere in the encodings.
TEST(Platform, CodePagesArePinned) {
  EXPECT_EQ(::GetACP(), 1252u);
  EXPECT_EQ(::GetOEMCP(), 437u);
}
