#pragma once
// Where one cluster of UTF-16 text ends: the units that are shown, measured, selected and broken
// as one. A cluster is a base character (one unit, or a surrogate pair) with the marks that follow
// it: characters of the Unicode categories Mn and Me (variation selectors such as U+FE0F among
// them), and a zero width joiner (U+200D) with the character it joins and that one's marks. This is
// deliberately less than the full rules for grapheme clusters: spacing marks (Mc), Hangul syllable
// sequences, emoji modifiers and regional indicator pairs are clusters of their own.
#include <optional>
#include <string_view>

namespace view {

// Which way a cluster is written, as far as the view orders a row (see view/TextLayout.h).
enum class tDirection : unsigned char { LeftToRight, RightToLeft, Neutral };

class cTextClusters {
public:
  // No unit below it is a surrogate or joins the cluster before it.
  static constexpr wchar_t FirstJoining = 0x0300;

  // The position after the cluster that starts at index (index < text.size()).
  static size_t End(std::wstring_view text, size_t index) noexcept;
  // The last place before index where a cluster begins, whatever came before the text: a code
  // point that is no mark and no joiner, and not joined by the unit before it (which the text must
  // show, so never 0). None when there is none. From there End finds the clusters up to index, so a
  // step back costs what the cluster before it holds.
  static std::optional<size_t> LastSureStart(std::wstring_view text, size_t index) noexcept;
  // Whether the code point is of the categories Mn or Me (Unicode 14).
  static bool IsMark(char32_t codePoint) noexcept;
  // The direction of the cluster's base character: right to left for the letters of Hebrew,
  // Arabic and the other scripts written that way; neutral for blanks and the punctuation of
  // ASCII, Latin-1 and General Punctuation; left to right for everything else, digits and tabs
  // among them (a digit or a tab ends a stretch of right-to-left text).
  static tDirection Direction(std::wstring_view cluster) noexcept;
};

}  // namespace view
