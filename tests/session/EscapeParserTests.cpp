// The escape parser: what each kind of sequence does to the text, its looks and its links, whole
// or cut between chunks anywhere, and what is shown as text because it is broken or too long.
#include "session/EscapeParser.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using view::tTextAttribute;
struct tPiece {
  tPiece(std::wstring text, tTextAttribute look = 0, std::wstring link = {})
      : Text(std::move(text)), Look(look), Link(std::move(link)) {}
  std::wstring Text;
  tTextAttribute Look;
  std::wstring Link;
  friend bool operator==(const tPiece&, const tPiece&) = default;
  friend void PrintTo(const tPiece& piece, std::ostream* out) {
    *out << testing::PrintToString(piece.Text) << "/" << piece.Look << "/" << testing::PrintToString(piece.Link);
  }
};
using tPieces = std::vector<tPiece>;

tTextAttribute Look(std::uint8_t styles, std::optional<COLORREF> foreground = {},
                    std::optional<COLORREF> background = {}) {
  return view::PackLook(
      {foreground.has_value(), foreground.value_or(0), background.has_value(), background.value_or(0), styles});
}
tTextAttribute Fore(COLORREF colour) { return Look(0, colour); }
tTextAttribute Back(COLORREF colour) { return Look(0, {}, colour); }

// The text the parser hands on, pieces of one look and link joined, with the output ended after
// the chunks.
tPieces Parse(const std::vector<std::wstring_view>& chunks) {
  cEscapeParser parser;
  tPieces pieces;
  const cEscapeParser::tVisit visit = [&](std::wstring_view text, tTextAttribute look, std::wstring_view link) {
    EXPECT_FALSE(text.empty());
    if (!pieces.empty() && pieces.back().Look == look && pieces.back().Link == link)
      pieces.back().Text += text;
    else
      pieces.push_back({std::wstring(text), look, std::wstring(link)});
  };
  for (std::wstring_view chunk : chunks) parser.Feed(chunk, visit);
  parser.Finish(visit);
  return pieces;
}

struct tCase {
  std::wstring Output;
  tPieces Shown;
};

const COLORREF kRed = view::BasicColour(1), kBrightBlue = view::BasicColour(12);

std::vector<tCase> Cases() {
  const size_t longest = cEscapeParser::kLongestSequence;
  const std::wstring longestCsi = L"\x1b[" + std::wstring(longest - 3, L'1') + L"m";
  const std::wstring overlongTitle = L"\x1b]0;" + std::wstring(longest, L't') + L"\x07";
  const std::wstring overlongLink = L"\x1b]8;;http://" + std::wstring(longest, L'u') + L"\x07";
  return {
      {L"plain", {{L"plain", 0}}},
      // SGR.
      {L"\x1b[31mred\x1b[0m plain", {{L"red", Fore(kRed)}, {L" plain", 0}}},
      {L"\x1b[94;101mx\x1b[39my\x1b[49mz",
       {{L"x", Look(0, kBrightBlue, view::BasicColour(9))}, {L"y", Back(view::BasicColour(9))}, {L"z", 0}}},
      {L"\x1b[1;2;3;4;7;9mx\x1b[22;23mx\x1b[24;27;29mx",
       {{L"x", Look(view::lsBold | view::lsFaint | view::lsItalic | view::lsUnderline | view::lsInverse | view::lsStrike)},
        {L"x", Look(view::lsUnderline | view::lsInverse | view::lsStrike)},
        {L"x", 0}}},
      {L"\x1b[1;3m\x1b[21mx", {{L"x", Look(view::lsItalic)}}},
      // Empty parameters are 0.
      {L"\x1b[1m\x1b[mx\x1b[1m\x1b[;3mx", {{L"x", 0}, {L"x", Look(view::lsItalic)}}},
      {L"\x1b[4:3mx\x1b[4:0mx", {{L"x", Look(view::lsUnderline)}, {L"x", 0}}},
      // 256 and 24-bit colours, with semicolons and with colons.
      {L"\x1b[38;5;196mx\x1b[48;5;21mx",
       {{L"x", Fore(view::IndexedColour(196))}, {L"x", Look(0, view::IndexedColour(196), view::IndexedColour(21))}}},
      {L"\x1b[38;2;1;2;3mx\x1b[38:2:4:5:6mx\x1b[38:2::7:8:9mx\x1b[38:5:9mx",
       {{L"x", Fore(RGB(1, 2, 3))}, {L"x", Fore(RGB(4, 5, 6))}, {L"x", Fore(RGB(7, 8, 9))}, {L"x", Fore(view::IndexedColour(9))}}},
      {L"\x1b[48:2:0:10:20:30;1mx", {{L"x", Look(view::lsBold, {}, RGB(10, 20, 30))}}},
      // A colour out of range is left out; the numbers of a colour are never codes.
      {L"\x1b[38;5;300mx\x1b[38;2;1;2;999mx", {{L"xx", 0}}},
      {L"\x1b[58;2;1;2;3mx\x1b[58:5:1mx", {{L"xx", 0}}},
      {L"\x1b[99999999999999999999;31mx", {{L"x", Fore(kRed)}}},
      // Other CSI sequences do nothing.
      {L"a\x1b[2Jb\x1b[10;5Hc\x1b[?25ld\x1b[?1049he\x1b[?9001hf\x1b[Kg", {{L"abcdefg", 0}}},
      {L"\x1b[>4;2mx\x1b[1 qx\x1b[31$mx", {{L"xxx", 0}}},
      // Strings ended by BEL or ST, and escapes of two or three characters.
      {L"a\x1b]0;title\x07" L"b\x1b]2;t\x1b\\c\x1bPq#0\x1b\\d", {{L"abcd", 0}}},
      // Links, ended by BEL or ST, inside colour and around it; params are not looked at.
      {L"a\x1b]8;;http://x\x07" L"b\x1b]8;;\x07" L"c", {{L"a"}, {L"b", 0, L"http://x"}, {L"c"}}},
      {L"\x1b]8;id=7:k=v;file:///C:/a%20b\x1b\\b\x1b]8;;\x1b\\c", {{L"b", 0, L"file:///C:/a%20b"}, {L"c"}}},
      {L"\x1b[31ma\x1b]8;;http://x\x07" L"b\x1b[0mc\x1b]8;;\x07" L"d",
       {{L"a", Fore(kRed)}, {L"b", Fore(kRed), L"http://x"}, {L"c", 0, L"http://x"}, {L"d"}}},
      {L"\x1b]8;;http://x\x07" L"a\x1b]8;;http://y\x07" L"b", {{L"a", 0, L"http://x"}, {L"b", 0, L"http://y"}}},
      // A link that no sequence ends ends with its line; a link sequence without its URI part does
      // nothing.
      {L"\x1b]8;;http://x\x07" L"ab\r\ncd\x1b]8;;http://y\x07" L"e\nf",
       {{L"ab\r", 0, L"http://x"}, {L"\ncd"}, {L"e", 0, L"http://y"}, {L"\nf"}}},
      {L"\x1b]8;http://x\x07y", {{L"y"}}},
      {L"a\x1b" L"7b\x1b" L"8c\x1b=d\x1bMe\x1b(Bf\x1b#8g", {{L"abcdefg", 0}}},
      // Broken sequences are shown as text, and what broke them is read again.
      {L"\x1b[31\r\nx", {{L"\x1b[31\r\nx", 0}}},
      {L"\x1b\x1b[1mx", {{L"\x1b", 0}, {L"x", Look(view::lsBold)}}},
      {L"\x1b(\x01x\x1b[1 2m", {{L"\x1b(\x01x\x1b[1 2m", 0}}},
      {L"\x1b]0;t\nx", {{L"\x1b]0;t\nx", 0}}},
      {L"\x1b]0;t\x1b[1mx", {{L"\x1b]0;t", 0}, {L"x", Look(view::lsBold)}}},
      // What waits when the output ends is shown.
      {L"x\x1b[3", {{L"x\x1b[3", 0}}},
      {L"\x1b[31mx\x1b]0;", {{L"x\x1b]0;", Fore(kRed)}}},
      // The longest sequence is still read; one character more and it is text.
      {longestCsi + L"x", {{L"x", 0}}},
      {L"\x1b[1" + longestCsi.substr(2) + L"x", {{L"\x1b[1" + longestCsi.substr(2) + L"x", 0}}},
      {overlongTitle + L"\x1b[1mx", {{overlongTitle, 0}, {L"x", Look(view::lsBold)}}},
      {overlongLink + L"x", {{overlongLink + L"x"}}},
  };
}

TEST(EscapeParser, Sequences) {
  for (const tCase& c : Cases()) EXPECT_EQ(Parse({c.Output}), c.Shown) << testing::PrintToString(c.Output);
}

// A cut anywhere changes nothing: what came of a sequence waits for the next chunk, however long
// it is.
TEST(EscapeParser, CutAnywhere) {
  for (const tCase& c : Cases()) {
    const std::wstring_view output = c.Output;
    for (size_t cut = 1; cut < output.size(); ++cut)
      EXPECT_EQ(Parse({output.substr(0, cut), output.substr(cut)}), c.Shown)
          << testing::PrintToString(c.Output) << " cut at " << cut;
    std::vector<std::wstring_view> characters;
    for (size_t i = 0; i < output.size(); ++i) characters.push_back(output.substr(i, 1));
    EXPECT_EQ(Parse(characters), c.Shown) << testing::PrintToString(c.Output) << " one by one";
  }
}

// A chunk with no escape character is handed on as it is.
TEST(EscapeParser, PlainChunksAreNotCopied) {
  const std::wstring chunk = L"one\r\ntwo";
  cEscapeParser parser;
  std::vector<const wchar_t*> seen;
  parser.Feed(chunk, [&](std::wstring_view text, tTextAttribute, std::wstring_view) { seen.push_back(text.data()); });
  EXPECT_EQ(seen, std::vector<const wchar_t*>{chunk.data()});
}

}  // namespace
