#include "text/Utils.h"

#include <gtest/gtest.h>

namespace {

tWStringArray SplitOf(std::wstring_view text, std::wstring_view delimiters, tSplitOptions options) {
  tWStringArray items{L"kept"};
  cStringParser::Split(text, delimiters, options, items);
  items.erase(items.begin());
  return items;
}

}  // namespace

TEST(StringParser, SplitDropsEmptyItemsUnlessKept) {
  EXPECT_EQ(SplitOf(L"", L"\b\f", 0), tWStringArray{});
  EXPECT_EQ(SplitOf(L"", L"\b\f", spKeepEmpty), tWStringArray{L""});
  EXPECT_EQ(SplitOf(L",a;,b,", L";,", 0), (tWStringArray{L"a", L"b"}));
  EXPECT_EQ(SplitOf(L",a,,b,", L",", spKeepEmpty), (tWStringArray{L"", L"a", L"", L"b", L""}));
  EXPECT_EQ(SplitOf(L" a , ", L",", spTrimItems | spKeepEmpty), (tWStringArray{L"a", L""}));
  EXPECT_EQ(SplitOf(L" a , ", L",", spTrimItems), tWStringArray{L"a"});
}

TEST(StringParser, DelimiterItemsStayAsTheyAre) {
  EXPECT_EQ(SplitOf(L"a\b\bb", L"\b\f", spIncludeDelimiters), (tWStringArray{L"a", L"\b", L"\b", L"b"}));
  EXPECT_EQ(SplitOf(L"\f", L"\b\f", spIncludeDelimiters), tWStringArray{L"\f"});
  // Backspace and form feed are blanks, yet delimiter items are never trimmed away.
  EXPECT_EQ(SplitOf(L" x \f\b", L"\b\f", spIncludeDelimiters | spTrimItems),
            (tWStringArray{L"x", L"\f", L"\b"}));
  EXPECT_EQ(cStringParser::FirstDelimiter(L"ab\fc\bd", L"\b\f"), (tDelimiterHit{2, L'\f'}));
  EXPECT_FALSE(cStringParser::FirstDelimiter(L"abc", L"\b\f"));
}

TEST(StringUtils, ReplaceText) {
  EXPECT_EQ(cStringUtils::ReplaceText(L"a\nb\n", L"\n", L" ", roReplaceAll), L"a b ");
  EXPECT_EQ(cStringUtils::ReplaceText(L"a\nb\n", L"\n", L" ", 0), L"a b\n");
  EXPECT_EQ(cStringUtils::ReplaceText(L"abc", L"", L"y", roReplaceAll), L"abc");
  // One pass: occurrences do not overlap and replacements are not searched again.
  EXPECT_EQ(cStringUtils::ReplaceText(L"   ", L"  ", L" ", roReplaceAll), L"  ");
  EXPECT_EQ(cStringUtils::ReplaceText(L"aa", L"a", L"aa", roReplaceAll), L"aaaa");
  // Case folding covers the ASCII letters only.
  EXPECT_EQ(cStringUtils::ReplaceText(L"Hello hELLO", L"hello", L"x", roReplaceAll | roIgnoreCase), L"x x");
  EXPECT_EQ(cStringUtils::ReplaceText(L"Hello", L"hello", L"x", roReplaceAll), L"Hello");
  EXPECT_EQ(cStringUtils::ReplaceText(L"\u00E4", L"\u00C4", L"x", roIgnoreCase), L"\u00E4");
}

TEST(StringUtils, LineBreaksByteOrderAndBlanks) {
  EXPECT_EQ(cStringUtils::NormalizeLineBreaks(L"a\rb\nc\r\n"), L"ab\r\nc\r\n");
  EXPECT_EQ(cStringUtils::NormalizeLineBreaks(L"\n\r\n\r"), L"\r\n\r\n");

  std::wstring text = L"A\u1234";
  cStringUtils::SwapByteOrder(text);
  EXPECT_EQ(text, L"\u4100\u3412");
  cStringUtils::SwapByteOrder(text);
  EXPECT_EQ(text, L"A\u1234");

  EXPECT_EQ(cStringUtils::Trim(L" \t\x01" L"a b\r\n "), L"a b");
  EXPECT_EQ(cStringUtils::Trim(L"\u00A0a\u00A0"), L"\u00A0a\u00A0");
  EXPECT_EQ(cStringUtils::UpperCaseAscii(L"az{`@\u00E4"), L"AZ{`@\u00E4");
}

TEST(SystemResources, ErrorTexts) {
  const std::wstring wide = cSystemResources::SystemErrorTextW(ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(wide.empty());
  EXPECT_EQ(wide, cStringUtils::Trim(wide));
  const std::string narrow = cSystemResources::SystemErrorText(ERROR_FILE_NOT_FOUND);
  ASSERT_FALSE(narrow.empty());
  EXPECT_GT(static_cast<unsigned char>(narrow.back()), ' ');
  // Customer error codes have no system message.
  EXPECT_EQ(cSystemResources::SystemErrorTextW(0x2000ABCD), L"");
  EXPECT_NE(cSystemResources::ShellOpen(nullptr, L"C:\\no such folder\\no such file.txt", L""), L"");
}

// The scan goes eight units at a time and then one by one: every place a hit can have against
// those steps, a start past a hit, and units above 0x7FFF (negative as 16-bit numbers).
TEST(StringUtils, FindEitherAgreesWithAPlainSearch) {
  for (size_t size : {0u, 1u, 7u, 8u, 9u, 16u, 17u, 40u}) {
    for (size_t hit = 0; hit <= size; ++hit) {
      std::wstring text(size, L'a');
      if (hit < size) text[hit] = hit % 2 ? L'\uFFFE' : L'\n';
      for (size_t from : {size_t{0}, hit, hit + 1, size + 3}) {
        const std::wstring_view view(text);
        EXPECT_EQ(cStringUtils::FindEither(view, L'\n', L'\uFFFE', from), view.find_first_of(L"\n\uFFFE", from))
            << size << " " << hit << " " << from;
        EXPECT_EQ(cStringUtils::FindUnit(view, L'\uFFFE', from), view.find(L'\uFFFE', from)) << size << " " << hit;
      }
    }
  }
}
