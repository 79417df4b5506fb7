#include "text/TextCodec.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <utility>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "gui/ResString.h"
#include "resources/resource.h"
#include "text/Utils.h"

namespace {

constexpr char16_t kReplacementCharacter = 0xFFFD;

// The platform's conversions count in int.
int CheckedLength(size_t size) {
  if (size > static_cast<size_t>(INT_MAX)) throw std::length_error("text too long to convert");
  return static_cast<int>(size);
}

constexpr bool IsHighSurrogate(char16_t unit) noexcept { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(char16_t unit) noexcept { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The UTF-8 sequence at the start of the bytes: its length and value. Length 0 when the first byte
// starts no well-formed sequence; Cut when the bytes end inside a sequence so far well formed.
struct tUtf8Sequence {
  size_t Length = 0;
  char32_t Value = 0;
  bool Cut = false;
};

tUtf8Sequence ReadUtf8Sequence(const unsigned char* p, size_t n) noexcept {
  const unsigned lead = p[0];
  if (lead < 0x80) return {1, lead};
  size_t length = 0;
  unsigned secondLow = 0x80;
  unsigned secondHigh = 0xBF;
  char32_t c = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    c = lead & 0x0F;
    if (lead == 0xE0) secondLow = 0xA0;   // shorter form exists
    if (lead == 0xED) secondHigh = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    c = lead & 0x07;
    if (lead == 0xF0) secondLow = 0x90;   // shorter form exists
    if (lead == 0xF4) secondHigh = 0x8F;  // beyond U+10FFFF
  } else {
    return {};
  }
  size_t k = 1;
  for (; k < length && k < n; ++k) {
    const unsigned next = p[k];
    const bool valid = k == 1 ? next >= secondLow && next <= secondHigh : (next & 0xC0) == 0x80;
    if (!valid) return {};
    c = (c << 6) | (next & 0x3F);
  }
  if (k < length) return {0, 0, true};
  return {length, c};
}

// Bytes 1 to 0x7F become the units of the same numbers, sixteen at a time where the processor
// can: most output is such bytes. False, the text undefined, where a byte is 0 or above 0x7F.
bool WidenAscii(std::string_view bytes, std::wstring& text) {
  const size_t n = bytes.size();
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  text.resize(n);
  wchar_t* out = text.data();
  size_t i = 0;
#if defined(__SSE2__) || defined(_M_X64)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    // A byte above 0x7F has its top bit set, and so has the comparison of a 0 byte with 0.
    if (_mm_movemask_epi8(_mm_or_si128(sixteen, _mm_cmpeq_epi8(sixteen, zero))) != 0) return false;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(sixteen, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(sixteen, zero));
  }
#endif
  for (; i < n; ++i) {
    if (in[i] == 0 || in[i] > 0x7F) return false;
    out[i] = static_cast<wchar_t>(in[i]);
  }
  return true;
}

// Whether the code page takes bytes 1 to 0x7F as ASCII, as nearly every one does (Windows reads
// 0x25 in 864 as the Arabic percent sign).
bool DecodesAsciiAsItIs(UINT codePage) {
  char bytes[0x7F];
  wchar_t units[0x7F];
  for (int b = 1; b <= 0x7F; ++b) bytes[b - 1] = static_cast<char>(b);
  if (::MultiByteToWideChar(codePage, 0, bytes, 0x7F, units, 0x7F) != 0x7F) return false;
  for (int b = 1; b <= 0x7F; ++b)
    if (units[b - 1] != static_cast<wchar_t>(b)) return false;
  return true;
}

// Decodes the UTF-8 bytes into text, NUL characters included, and returns the tail that may still
// become a character with the bytes that follow. Each decision looks only at the bytes of one
// sequence, so where a stream was cut does not matter.
std::string_view DecodeUtf8(std::string_view bytes, std::wstring& text) {
  if (WidenAscii(bytes, text)) return {};
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  // Every byte gives at most one unit: a four-byte sequence gives a surrogate pair.
  text.resize(n);
  wchar_t* out = text.data();
  size_t i = 0;
  while (i < n) {
    const tUtf8Sequence sequence = ReadUtf8Sequence(p + i, n - i);
    if (sequence.Cut) break;  // a sequence so far valid, cut by the end of the bytes
    if (sequence.Length == 0) {
      *out++ = static_cast<wchar_t>(kReplacementCharacter);
      ++i;
      continue;
    }
    const char32_t c = sequence.Value;
    if (c >= 0x10000) {
      *out++ = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      *out++ = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      *out++ = static_cast<wchar_t>(c);
    }
    i += sequence.Length;
  }
  text.resize(static_cast<size_t>(out - text.data()));
  return bytes.substr(i);
}

// Decodes whole UTF-16 units, NUL characters included. In a stream, an odd last byte and a high
// surrogate before it may still be completed by the bytes that follow: they are returned.
std::string_view DecodeUtf16(std::string_view bytes, bool bigEndian, bool stream, std::wstring& text) {
  size_t units = bytes.size() / 2;
  text.resize(units);
  std::memcpy(text.data(), bytes.data(), units * sizeof(wchar_t));
  if (bigEndian) cStringUtils::SwapByteOrder(text);
  if (stream && units > 0 && IsHighSurrogate(static_cast<char16_t>(text.back()))) {
    text.pop_back();
    --units;
  }
  return stream ? bytes.substr(2 * units) : std::string_view();
}

[[noreturn]] void ConversionFailed(UINT codePage) {
  const DWORD code = ::GetLastError();
  throw cConversionError(
      gui::FormatRes(IDS_CONVERSION_FAILED, {std::to_wstring(codePage), cSystemResources::SystemErrorTextW(code)}));
}

bool HasLoneSurrogate(std::wstring_view text) noexcept {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto unit = static_cast<char16_t>(text[i]);
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(static_cast<char16_t>(text[i + 1])))
      ++i;
    else if (IsHighSurrogate(unit) || IsLowSurrogate(unit))
      return true;
  }
  return false;
}

// The code page's bytes as text, NUL characters included.
void ConvertCodePage(UINT codePage, std::string_view bytes, std::wstring& text) {
  text.clear();
  if (bytes.empty()) return;
  const int count = CheckedLength(bytes.size());
  // One unit per byte is enough for single- and double-byte code pages; others are measured.
  text.resize(bytes.size());
  int length = ::MultiByteToWideChar(codePage, 0, bytes.data(), count, text.data(), count);
  if (length == 0 && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    length = ::MultiByteToWideChar(codePage, 0, bytes.data(), count, nullptr, 0);
    if (length <= 0) ConversionFailed(codePage);
    text.resize(static_cast<size_t>(length));
    if (::MultiByteToWideChar(codePage, 0, bytes.data(), count, text.data(), length) != length)
      ConversionFailed(codePage);
  }
  if (length <= 0) ConversionFailed(codePage);
  text.resize(static_cast<size_t>(length));
}

// The text in the code page without look-alikes; replaced tells whether a character had to become
// the default character.
std::string EncodeCodePage(UINT codePage, std::wstring_view text, bool& replaced) {
  replaced = false;
  if (text.empty()) return {};
  const int count = CheckedLength(text.size());
  BOOL usedDefault = FALSE;
  const int length =
      ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), count, nullptr, 0, nullptr, &usedDefault);
  if (length <= 0) ConversionFailed(codePage);
  std::string bytes(static_cast<size_t>(length), '\0');
  usedDefault = FALSE;
  if (::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), count, bytes.data(), length, nullptr,
                            &usedDefault) != length)
    ConversionFailed(codePage);
  replaced = usedDefault != FALSE;
  return bytes;
}

}  // namespace

void cTextCodec::AppendUtf8(std::wstring_view text, std::string& bytes) {
  const size_t start = bytes.size();
  // At most three bytes per unit (a pair takes four for two units).
  bytes.resize(start + 3 * text.size());
  auto* out = reinterpret_cast<unsigned char*>(bytes.data() + start);
  const auto* const begin = out;
  for (size_t i = 0; i < text.size(); ++i) {
#if defined(__SSE2__) || defined(_M_X64)
    // Runs of ASCII, the most of any log, eight units at a time.
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    for (; i + 8 <= text.size(); i += 8, out += 8) {
      const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
      if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(units, high), _mm_setzero_si128())) != 0xFFFF) break;
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
    }
    if (i >= text.size()) break;
#endif
    char32_t value = static_cast<char16_t>(text[i]);
    if (IsHighSurrogate(static_cast<char16_t>(value)) && i + 1 < text.size() &&
        IsLowSurrogate(static_cast<char16_t>(text[i + 1]))) {
      value = 0x10000 + ((value - 0xD800) << 10) + (static_cast<char16_t>(text[++i]) - 0xDC00);
    } else if (value >= 0xD800 && value <= 0xDFFF) {
      value = kReplacementCharacter;
    }
    if (value < 0x80) {
      *out++ = static_cast<unsigned char>(value);
    } else if (value < 0x800) {
      *out++ = static_cast<unsigned char>(0xC0 | (value >> 6));
      *out++ = static_cast<unsigned char>(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
      *out++ = static_cast<unsigned char>(0xE0 | (value >> 12));
      *out++ = static_cast<unsigned char>(0x80 | ((value >> 6) & 0x3F));
      *out++ = static_cast<unsigned char>(0x80 | (value & 0x3F));
    } else {
      *out++ = static_cast<unsigned char>(0xF0 | (value >> 18));
      *out++ = static_cast<unsigned char>(0x80 | ((value >> 12) & 0x3F));
      *out++ = static_cast<unsigned char>(0x80 | ((value >> 6) & 0x3F));
      *out++ = static_cast<unsigned char>(0x80 | (value & 0x3F));
    }
  }
  bytes.resize(start + static_cast<size_t>(out - begin));
}

std::wstring cTextCodec::FromUtf8(std::string_view bytes) {
  std::wstring text;
  const std::string_view cut = DecodeUtf8(bytes, text);
  // At the end of the bytes, a sequence cut short is malformed: one U+FFFD for each of its bytes.
  text.append(cut.size(), static_cast<wchar_t>(kReplacementCharacter));
  return text;
}

bool cTextCodec::IsUtf8(std::string_view bytes) noexcept {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  for (size_t i = 0; i < bytes.size();) {
    const size_t length = ReadUtf8Sequence(p + i, bytes.size() - i).Length;
    if (length == 0) return false;
    i += length;
  }
  return true;
}

void cTextCodec::AppendUtf16(std::wstring_view text, bool bigEndian, std::string& bytes) {
  std::wstring units(text);
  if (bigEndian) cStringUtils::SwapByteOrder(units);
  const size_t start = bytes.size();
  bytes.resize(start + units.size() * sizeof(wchar_t));
  std::memcpy(bytes.data() + start, units.data(), units.size() * sizeof(wchar_t));
}

std::wstring cTextCodec::FromUtf16(std::string_view bytes, bool bigEndian) {
  std::wstring text;
  DecodeUtf16(bytes, bigEndian, false, text);
  return text;
}

std::optional<std::string> cTextCodec::ToCodePageExact(UINT codePage, std::wstring_view text) {
  if (CodePageNumber(codePage) == CP_UTF8) {
    if (HasLoneSurrogate(text)) return std::nullopt;
    std::string bytes;
    AppendUtf8(text, bytes);
    return bytes;
  }
  bool replaced = false;
  std::string bytes = EncodeCodePage(codePage, text, replaced);
  if (replaced) return std::nullopt;
  // The way back must give the text again: a default character that is itself a character of the
  // text would hide a replacement.
  if (FromCodePage(codePage, bytes) != text) return std::nullopt;
  return bytes;
}

std::string cTextCodec::ToCodePage(UINT codePage, std::wstring_view text) {
  std::string bytes;
  if (CodePageNumber(codePage) == CP_UTF8) {
    AppendUtf8(text, bytes);
  } else {
    bool replaced = false;
    bytes = EncodeCodePage(codePage, text, replaced);
  }
  return bytes;
}

std::wstring cTextCodec::FromCodePage(UINT codePage, std::string_view bytes) {
  if (CodePageNumber(codePage) == CP_UTF8) return FromUtf8(bytes);
  std::wstring text;
  ConvertCodePage(codePage, bytes, text);
  return text;
}

UINT cTextCodec::CodePageNumber(UINT codePage) noexcept {
  switch (codePage) {
    case CP_ACP: return ::GetACP();
    case CP_OEMCP: return ::GetOEMCP();
    default: return codePage;
  }
}

// ---- cStreamDecoder

std::wstring cStreamDecoder::Decode(tPipeEncoding encoding, const void* data, size_t count) {
  if (encoding != encoding_) {
    carryCount_ = 0;
    encoding_ = encoding;
  }
  std::string_view bytes(static_cast<const char*>(data), count);
  if (carryCount_ > 0) {
    joined_.assign(carry_.data(), carryCount_);
    joined_.append(bytes);
    bytes = joined_;
  }
  std::wstring text;
  std::string_view rest;
  switch (encoding.Scheme) {
    case esUTF8: rest = DecodeUtf8(bytes, text); break;
    case esUTF16LE: rest = DecodeUtf16(bytes, false, true, text); break;
    case esUTF16BE: rest = DecodeUtf16(bytes, true, true, text); break;
    case esANSI:
      rest = DecodeCodePage(cTextCodec::CodePageNumber(encoding.Oem ? oemCodePage_ : ansiCodePage_), bytes, text);
      break;
  }
  carryCount_ = rest.copy(carry_.data(), carry_.size());
  if (cStringUtils::FindUnit(text, L'\0') != std::wstring_view::npos) std::erase(text, L'\0');
  return text;
}

std::wstring cStreamDecoder::Flush() {
  const std::string_view held(carry_.data(), std::exchange(carryCount_, 0));
  std::wstring text;
  if (encoding_.Scheme == esUTF16LE || encoding_.Scheme == esUTF16BE) {
    DecodeUtf16(held, encoding_.Scheme == esUTF16BE, false, text);
    if (held.size() % 2 != 0) text += static_cast<wchar_t>(kReplacementCharacter);
  } else {
    text.assign(held.size(), static_cast<wchar_t>(kReplacementCharacter));
  }
  return text;
}

std::string_view cStreamDecoder::DecodeCodePage(UINT codePage, std::string_view bytes, std::wstring& text) {
  if (codePage == CP_UTF8) return DecodeUtf8(bytes, text);
  if (codePage != codePage_.Number) {
    codePage_ = tCodePage{codePage};
    CPINFO info{};
    if (::GetCPInfo(codePage, &info)) codePage_.MaxCharSize = info.MaxCharSize;
    if (codePage_.MaxCharSize == 2) {
      for (unsigned b = 0; b < 256; ++b) {
        codePage_.LeadBytes[b] = ::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(b)) != FALSE;
      }
    }
    codePage_.AsciiAsItIs = DecodesAsciiAsItIs(codePage);
  }
  // Bytes below 0x80 are never lead bytes: a chunk of them alone is ASCII in such a code page.
  if (codePage_.AsciiAsItIs && WidenAscii(bytes, text)) return {};
  if (codePage_.MaxCharSize == 2) return DecodeDoubleByte(bytes, text);
  ConvertCodePage(codePage, bytes, text);
  return {};
}

// NUL bytes go first, so a lead byte pairs with the next byte that is not NUL wherever the
// stream was cut; a lead byte without its second byte waits for the next chunk.
std::string_view cStreamDecoder::DecodeDoubleByte(std::string_view bytes, std::wstring& text) {
  compact_.resize(bytes.size());
  compact_.resize(static_cast<size_t>(
      std::remove_copy(bytes.begin(), bytes.end(), compact_.begin(), '\0') - compact_.begin()));
  size_t i = 0;
  while (i + 1 < compact_.size()) {
    i += codePage_.LeadBytes[static_cast<unsigned char>(compact_[i])] ? 2 : 1;
  }
  const bool cut = i + 1 == compact_.size() && codePage_.LeadBytes[static_cast<unsigned char>(compact_[i])];
  const size_t whole = cut ? i : compact_.size();
  ConvertCodePage(codePage_.Number, std::string_view(compact_).substr(0, whole), text);
  return std::string_view(compact_).substr(whole);
}
