#include "text/TextCodec.h"

#include <gtest/gtest.h>

// Code page 1252 on the bench (see ui.Platform.CodePagesArePinned). A character the code page
// lacks is never written as a look-alike: U+FF06 would otherwise become "&".
TEST(TextCodec, CodePagesNeverGuess) {
  if (::GetACP() != 1252) GTEST_SKIP() << "needs ANSI code page 1252";
  EXPECT_EQ(cTextCodec::ToCodePage(CP_ACP, L"a\uFF06\u0416\u00E9"), "a??\xE9");
  EXPECT_EQ(cTextCodec::ToCodePageExact(CP_ACP, L"a\uFF06"), std::nullopt);
  EXPECT_EQ(cTextCodec::ToCodePageExact(CP_ACP, L"a?\u20AC"), "a?\x80");
  EXPECT_EQ(cTextCodec::FromCodePage(CP_ACP, std::string("a\0\x80", 3)), std::wstring(L"a\0\u20AC", 3));
}

// Whole texts: a sequence cut by the end is malformed, one U+FFFD a byte; NULs stay.
TEST(TextCodec, WholeTextsKeepEverything) {
  EXPECT_EQ(cTextCodec::FromUtf8(std::string("a\0\xE2\x82", 4)), std::wstring(L"a\0\uFFFD\uFFFD", 4));
  EXPECT_EQ(cTextCodec::FromUtf16(std::string("\xD8\x3D\x00", 3), true), L"\xD83D");
  std::string bytes;
  cTextCodec::AppendUtf16(L"A\U0001F600", true, bytes);
  EXPECT_EQ(bytes, std::string("\0A\xD8\x3D\xDE\x00", 6));
}
