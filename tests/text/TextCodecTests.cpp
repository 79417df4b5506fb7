#include "text/TextCodec.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/unicode/ControlTestSupport.h"
#include "text/Utils.h"

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

// With "Use Unicode UTF-8 for worldwide language support", Windows makes 65001 the ANSI and the
// OEM code page, and its WideCharToMultiByte then fails for WC_NO_BEST_FIT_CHARS or a used-default
// pointer. Wine 8 accepts both, so here the code page is passed as it would stand for ANSI.
TEST(TextCodec, CodePage65001IsUtf8) {
  struct tCase {
    std::wstring text;
    std::optional<std::string> exact;
    std::string lossy;
  };
  const tCase cases[] = {
      {L"dir \u00E9\u4E2D\U0001F600", "dir \xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80", "dir \xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80"},
      {L"", "", ""},
      {std::wstring{L'a', L'\xD800'}, std::nullopt, "a\xEF\xBF\xBD"},
      {std::wstring{L'\xDE00', L'b'}, std::nullopt, "\xEF\xBF\xBD" "b"},
  };
  for (const tCase& c : cases) {
    EXPECT_EQ(cTextCodec::ToCodePageExact(CP_UTF8, c.text), c.exact) << testing::PrintToString(c.text);
    EXPECT_EQ(cTextCodec::ToCodePage(CP_UTF8, c.text), c.lossy) << testing::PrintToString(c.text);
  }
  EXPECT_EQ(cTextCodec::FromCodePage(CP_UTF8, "\xC3\xA9\xE2\x82"), L"\u00E9\uFFFD\uFFFD");
}

// UTF-8 goes eight ASCII units at a time: a character of two, three and four bytes, and a lone
// surrogate, at every place against those steps in a longer text, as the system writes it (the
// lone surrogate as U+FFFD).
TEST(TextCodec, Utf8OfLongTextsAsTheSystemWritesIt) {
  for (const std::wstring odd : {L"\u00E9", L"\u20AC", L"\U0001F600", L"\xDC00"}) {
    for (size_t at = 0; at <= 24; ++at) {
      std::wstring text(24, L'x');
      text.insert(at, odd);
      std::string bytes = "<";
      cTextCodec::AppendUtf8(text, bytes);
      const std::wstring expected = odd == L"\xDC00" ? std::wstring(text).replace(at, 1, L"\uFFFD") : text;
      std::string system(4 * expected.size(), '\0');
      system.resize(static_cast<size_t>(::WideCharToMultiByte(CP_UTF8, 0, expected.data(), static_cast<int>(expected.size()),
                                                              system.data(), static_cast<int>(system.size()), nullptr, nullptr)));
      EXPECT_EQ(bytes, "<" + system) << at;
    }
  }
}

// A conversion the platform fails is an error that says why, never an empty text.
TEST(TextCodec, FailedConversionsThrow) {
  constexpr UINT kNoSuchCodePage = 12345;
  const std::wstring message = L"The text cannot be converted with code page 12345. " +
                               cSystemResources::SystemErrorTextW(ERROR_INVALID_PARAMETER);
  const std::function<void()> conversions[] = {
      [] { cTextCodec::ToCodePage(kNoSuchCodePage, L"abc"); },
      [] { cTextCodec::ToCodePageExact(kNoSuchCodePage, L"abc"); },
      [] { cTextCodec::FromCodePage(kNoSuchCodePage, "abc"); },
  };
  for (const auto& conversion : conversions) EXPECT_EQ(ErrorMessage<cConversionError>(conversion), message);
}
