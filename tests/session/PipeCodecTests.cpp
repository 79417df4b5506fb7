#include "session/PipeCodec.h"
#include "text/TextCodec.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes += static_cast<char>(value);
  return bytes;
}

std::wstring DecodeText(tPipeEncoding encoding, std::string_view bytes) {
  return cPipeCodec::DecodeText(encoding, bytes.data(), bytes.size());
}

std::wstring Decode(cStreamDecoder& decoder, tPipeEncoding encoding, std::string_view bytes) {
  return decoder.Decode(encoding, bytes.data(), bytes.size());
}

// The code page cases are written for ANSI 1252 and OEM 437.
#define REQUIRE_WESTERN_CODE_PAGES() \
  if (::GetACP() != 1252 || ::GetOEMCP() != 437) GTEST_SKIP() << "needs code pages 1252 and 437"

const tPipeEncoding kEncodings[] = {peUTF8, peUTF16LE, peUTF16BE, peANSI, peOEM};
const std::wstring kFFFD = L"\uFFFD";

}  // namespace

TEST(PipeCodec, EncodeUnicodeSchemes) {
  EXPECT_EQ(cPipeCodec::EncodeText(peUTF16BE, L"AB"), Bytes({0x00, 0x41, 0x00, 0x42}));
  EXPECT_EQ(cPipeCodec::EncodeText(peUTF16LE, L"A\u20AC"), Bytes({0x41, 0x00, 0xAC, 0x20}));
  EXPECT_EQ(cPipeCodec::EncodeText(peUTF8, L"a\u00E9\u20AC\U0001F600"),
            Bytes({'a', 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80}));
  // Lone surrogates, in either order, become U+FFFD.
  EXPECT_EQ(cPipeCodec::EncodeText(peUTF8, std::wstring{L'\xDC00', L'\xD800', L'x'}),
            Bytes({0xEF, 0xBF, 0xBD, 0xEF, 0xBF, 0xBD, 'x'}));
  for (tPipeEncoding encoding : kEncodings) EXPECT_EQ(cPipeCodec::EncodeText(encoding, L""), "");
}

// A code page carries a text exactly or not at all: no look-alike, no default character. Under
// Wine 8 the best-fit table turns U+FF06 into "&", U+FF02 into '"' and U+FF3C into "\".
TEST(PipeCodec, CodePagesRefuseWhatTheyCannotCarry) {
  REQUIRE_WESTERN_CODE_PAGES();
  for (tPipeEncoding encoding : {peANSI, peOEM}) {
    const std::wstring refused[] = {L"echo a\uFF06echo INJECTED", L"dir \uFF02x\uFF02", L"cd \uFF3C",
                                    L"del \u65E5\u672C.txt", L"\U0001F600", L"a?\u4E00", std::wstring{L'x', L'\xD800'}};
    for (const std::wstring& text : refused)
      EXPECT_EQ(cPipeCodec::EncodeText(encoding, text), std::nullopt) << testing::PrintToString(text);
  }
  // What the code page has goes through, a question mark included.
  EXPECT_EQ(cPipeCodec::EncodeText(peANSI, L"\u20AC\u00E9?"), Bytes({0x80, 0xE9, '?'}));
}

TEST(PipeCodec, CodePagesBothWays) {
  REQUIRE_WESTERN_CODE_PAGES();
  // Box drawing exists in the OEM code page only; it must not pass through the ANSI one.
  EXPECT_EQ(cPipeCodec::EncodeText(peOEM, L"\u2500\u00E9"), Bytes({0xC4, 0x82}));
  EXPECT_EQ(DecodeText(peOEM, Bytes({0xC4, 0x82})), L"\u2500\u00E9");
  EXPECT_EQ(DecodeText(peOEM, Bytes({0x41, 0x00, 0x42})), L"AB");
  EXPECT_EQ(DecodeText(peANSI, Bytes({0x80, 0x00, 0xE9})), L"\u20AC\u00E9");
  for (tPipeEncoding encoding : kEncodings) {
    const std::wstring text = L"dir C:\\ /B \u00E9\u00FC\r\n";
    EXPECT_EQ(DecodeText(encoding, cPipeCodec::EncodeText(encoding, text).value()), text);
  }
}

TEST(PipeCodec, DoubleByteLeadWaitsForItsPartner) {
  if (::GetACP() != 932) GTEST_SKIP() << "needs ANSI code page 932";
  cStreamDecoder decoder;
  EXPECT_EQ(Decode(decoder, peANSI, Bytes({'a', 0x82})), L"a");
  EXPECT_EQ(Decode(decoder, peANSI, Bytes({0x00, 0xA0, 0x82, 0xA0})), L"\u3042\u3042");
}

TEST(PipeCodec, Utf16CarriesCutUnits) {
  EXPECT_EQ(DecodeText(peUTF16LE, Bytes({0x41, 0x00, 0x00, 0x00, 0x42, 0x00})), L"AB");
  EXPECT_EQ(DecodeText(peUTF16LE, Bytes({0x00, 0xDC, 0x00, 0xD8, 0x41, 0x00})),
            (std::wstring{L'\xDC00', L'\xD800', L'A'}));
  cStreamDecoder decoder;
  EXPECT_EQ(Decode(decoder, peUTF16LE, Bytes({0x41, 0x00, 0x42})), L"A");
  EXPECT_EQ(Decode(decoder, peUTF16LE, Bytes({0x00})), L"B");
  // A high surrogate waits for its partner, an odd byte with it; another encoding drops both.
  EXPECT_EQ(Decode(decoder, peUTF16BE, Bytes({0x00, 0x41, 0xD8, 0x3D, 0xDE})), L"A");
  EXPECT_EQ(Decode(decoder, peUTF16BE, Bytes({0x00, 0xD8, 0x3D})), L"\U0001F600");
  EXPECT_EQ(Decode(decoder, peUTF16LE, Bytes({0x00, 0x42, 0x00})), L"\u4200");
}

TEST(PipeCodec, Utf8CarriesCutSequences) {
  cStreamDecoder decoder;
  EXPECT_EQ(Decode(decoder, peUTF8, Bytes({'a', 0xE2})), L"a");
  EXPECT_EQ(Decode(decoder, peUTF8, Bytes({0x82})), L"");
  EXPECT_EQ(Decode(decoder, peUTF8, Bytes({0xAC, 'b', 0xF0, 0x9F})), L"\u20ACb");
  EXPECT_EQ(Decode(decoder, peUTF8, Bytes({0x98, 0x80, 0x00, 'c', 0xE2, 0x82})), L"\U0001F600c");
  EXPECT_EQ(Decode(decoder, peANSI, Bytes({'x'})), L"x");
  EXPECT_EQ(Decode(decoder, peUTF8, Bytes({0xAC})), kFFFD);
}

TEST(PipeCodec, MalformedUtf8ShowsReplacementPerByte) {
  const std::pair<std::string, std::wstring> cases[] = {
      {Bytes({0xC0, 0xAF, 0xE0, 0x9F, 0xBF}), std::wstring(5, L'\uFFFD')},  // overlong
      {Bytes({0xED, 0xA0, 0x80}), std::wstring(3, L'\uFFFD')},              // surrogate
      {Bytes({0xF0, 0x8F, 0xBF, 0xBF}), std::wstring(4, L'\uFFFD')},        // overlong
      {Bytes({0xF4, 0x90, 0x80, 0x80}), std::wstring(4, L'\uFFFD')},        // beyond U+10FFFF
      {Bytes({0xF5, 'a', 0xFF, 0x80}), kFFFD + L"a" + kFFFD + kFFFD},
      {Bytes({0xE2, 0x28, 0xA1, 'z'}), kFFFD + L"(" + kFFFD + L"z"},
      {Bytes({0xE2, 0x82, 0x00, 0xAC}), std::wstring(3, L'\uFFFD')},
      {Bytes({0xED, 0x9F, 0xBF, 0xF4, 0x8F, 0xBF, 0xBF}), L"\uD7FF\U0010FFFF"},  // edges that pass
  };
  for (const auto& [bytes, text] : cases) {
    EXPECT_EQ(DecodeText(peUTF8, bytes), text) << testing::PrintToString(bytes);
  }
}

TEST(PipeCodec, WritesInPiecesOf64KiB) {
  auto pieces = [](size_t size) {
    const std::string bytes(size, 'x');
    std::vector<size_t> sizes;
    const char* next = bytes.data();
    cPipeCodec::ForEachWritePiece(bytes, [&](std::string_view piece) {
      EXPECT_EQ(piece.data(), next);
      next += piece.size();
      sizes.push_back(piece.size());
    });
    return sizes;
  };
  EXPECT_EQ(pieces(0), std::vector<size_t>{});
  EXPECT_EQ(pieces(65536), std::vector<size_t>{65536});
  EXPECT_EQ(pieces(65537), (std::vector<size_t>{65536, 1}));
  EXPECT_EQ(pieces(2 * 65536 + 5), (std::vector<size_t>{65536, 65536, 5}));
}

// At the end of the stream, what waited for more shows as a whole text shows it. Code page 932
// stands for ANSI here, as Wine 8 converts it whatever the system's code page.
TEST(PipeCodec, TheEndShowsWhatWaited) {
  struct tCase {
    tPipeEncoding encoding;
    std::string bytes;
    std::wstring text;
  };
  const tCase cases[] = {
      {peUTF8, "a\xE2\x82", L"a\uFFFD\uFFFD"},
      {peUTF8, "a\xF0\x9F\x98", L"a\uFFFD\uFFFD\uFFFD"},
      {peUTF16LE, Bytes({0x41, 0x00, 0x42}), L"A\uFFFD"},
      {peUTF16BE, Bytes({0x00, 0x41, 0xD8, 0x3D}), L"A\xD83D"},
      {peUTF16BE, Bytes({0xD8, 0x3D, 0xDE}), L"\xD83D\uFFFD"},
      {peANSI, Bytes({'a', 0x82}), L"a\uFFFD"},
      {peANSI, Bytes({'a', 0x82, 0x00}), L"a\uFFFD"},
      {peOEM, Bytes({'a', 0xC3}), L"a\uFFFD"},
      {peOEM, "a", L"a"},
  };
  for (const tCase& c : cases) {
    cStreamDecoder decoder(932, CP_UTF8);
    std::wstring text = Decode(decoder, c.encoding, c.bytes);
    text += decoder.Flush();
    EXPECT_EQ(text, c.text) << testing::PrintToString(c.bytes);
    EXPECT_EQ(decoder.Flush(), L"");
  }
}

// Whatever the cutting of a stream into chunks, the chunks and the end show the text of the whole
// stream, ended alike. Code page 932 stands for ANSI and 65001 for OEM as well as the system's.
TEST(PipeCodec, CuttingTheStreamChangesNothing) {
  const std::wstring samples[] = {L"\u00E9", L"\u20AC", L"\u2500", L"\u3042", L"\U0001F600",
                                  L"\xD83D", L"\xDE00"};
  const std::pair<UINT, UINT> codePages[] = {{CP_ACP, CP_OEMCP}, {932, CP_UTF8}};
  for (const auto& [ansi, oem] : codePages) {
    for (tPipeEncoding encoding : kEncodings) {
      if (encoding.Scheme != esANSI && ansi != CP_ACP) continue;
      for (unsigned seed = 1; seed <= 400; ++seed) {
        std::mt19937 random(seed);
        auto below = [&](size_t limit) { return static_cast<size_t>(random() % limit); };
        // Characters in every encoding, whole or cut, among NULs, ASCII and stray bytes.
        std::string stream;
        for (size_t tokens = below(120); tokens > 0; --tokens) {
          switch (below(4)) {
            case 0: stream += static_cast<char>(below(256)); break;
            case 1: stream += below(2) ? '\0' : static_cast<char>('a' + below(26)); break;
            default: {
              // A sample a code page lacks stands for stray bytes of its own.
              const std::string bytes =
                  cPipeCodec::EncodeText(kEncodings[below(5)], samples[below(7)]).value_or("\x81\xFE");
              const size_t cut = below(bytes.size());
              stream += below(3) ? bytes : below(2) ? bytes.substr(cut) : bytes.substr(0, cut);
            }
          }
        }
        cStreamDecoder decoder(ansi, oem);
        std::wstring chunked;
        for (size_t done = 0, size = 0; done < stream.size(); done += size) {
          size = std::min(below(9), stream.size() - done);
          chunked += Decode(decoder, encoding, std::string_view(stream).substr(done, size));
        }
        chunked += decoder.Flush();
        cStreamDecoder whole(ansi, oem);
        std::wstring reference = Decode(whole, encoding, stream);
        reference += whole.Flush();
        ASSERT_EQ(chunked, reference)
            << "encoding " << int(encoding.Scheme) << "/" << encoding.Oem << ", code pages " << ansi << "/" << oem
            << ", seed " << seed;
      }
    }
  }
}

// A chunk of ASCII alone is widened sixteen bytes at a time; one byte above 0x7F or a NUL
// anywhere, or a code page that reads ASCII bytes otherwise (Windows reads 0x25 in 864 as
// U+066A), takes the whole conversion, which the system's own gives.
TEST(PipeCodec, AsciiDecodesAsTheCodePageDoes) {
  std::string ascii;
  for (int i = 0; i < 40; ++i) ascii += static_cast<char>(0x20 + (i * 7) % 0x60);
  ascii += "%\x01\x7F";
  for (const UINT codePage : {1252u, 437u, 864u, 932u, 65001u}) {
    for (const int at : {-1, 0, 15, 16, 17, 41}) {
      for (const char odd : {'\x82', '\0'}) {
        std::string bytes = ascii;
        if (at >= 0) bytes[static_cast<size_t>(at)] = odd;
        cStreamDecoder decoder(codePage, codePage);
        std::wstring text = Decode(decoder, peANSI, bytes);
        text += decoder.Flush();
        std::erase(bytes, '\0');
        std::wstring expected(bytes.size(), L'\0');
        expected.resize(static_cast<size_t>(::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                                  expected.data(), static_cast<int>(expected.size()))));
        EXPECT_EQ(text, expected) << codePage << " " << at << " " << int(odd);
      }
    }
  }
}
