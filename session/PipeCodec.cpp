#include "session/PipeCodec.h"

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace {

constexpr char16_t kReplacementCharacter = 0xFFFD;

int CheckedLength(size_t size) {
  if (size > static_cast<size_t>(INT_MAX)) throw std::length_error("text too long to convert");
  return static_cast<int>(size);
}

constexpr bool IsHighSurrogate(char16_t unit) noexcept { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(char16_t unit) noexcept { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendUtf8(std::string& bytes, char32_t c) {
  if (c < 0x80) {
    bytes += static_cast<char>(c);
  } else if (c < 0x800) {
    bytes += static_cast<char>(0xC0 | (c >> 6));
    bytes += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    bytes += static_cast<char>(0xE0 | (c >> 12));
    bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    bytes += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    bytes += static_cast<char>(0xF0 | (c >> 18));
    bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    bytes += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string EncodeUtf8(std::wstring_view text) {
  std::string bytes;
  bytes.reserve(text.size() + text.size() / 2);
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = static_cast<char16_t>(text[i]);
    if (unit < 0x80) {
      bytes += static_cast<char>(unit);
    } else if (IsHighSurrogate(unit) && i + 1 < text.size() &&
               IsLowSurrogate(static_cast<char16_t>(text[i + 1]))) {
      const char16_t low = static_cast<char16_t>(text[++i]);
      AppendUtf8(bytes, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(low) - 0xDC00));
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendUtf8(bytes, kReplacementCharacter);
    } else {
      AppendUtf8(bytes, unit);
    }
  }
  return bytes;
}

std::string EncodeUtf16(std::wstring_view text, bool bigEndian) {
  std::string bytes(2 * text.size(), '\0');
  char* out = bytes.data();
  for (wchar_t c : text) {
    const auto unit = static_cast<char16_t>(c);
    const auto low = static_cast<char>(unit & 0xFF);
    const auto high = static_cast<char>(unit >> 8);
    *out++ = bigEndian ? high : low;
    *out++ = bigEndian ? low : high;
  }
  return bytes;
}

// The text in the code page, or nothing when a character of it has no exact counterpart there: no
// look-alike (best fit) and no default character is ever put in its place.
std::optional<std::string> EncodeCodePage(UINT codePage, std::wstring_view text) {
  if (text.empty()) return std::string();
  const int count = CheckedLength(text.size());
  BOOL replaced = FALSE;
  const int length =
      ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), count, nullptr, 0, nullptr, &replaced);
  if (length <= 0 || replaced) return std::nullopt;
  std::string bytes(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), count, bytes.data(), length, nullptr, &replaced);
  // The way back must give the text again: a code page whose default character is itself a
  // character of the text would hide a replacement.
  std::wstring back(text.size(), L'\0');
  const int backLength = ::MultiByteToWideChar(codePage, 0, bytes.data(), length, back.data(), count);
  if (replaced || backLength != count || back != text) return std::nullopt;
  return bytes;
}

// Decodes the UTF-8 bytes into text and returns the tail that may still become a character with
// the next chunk. Each decision looks only at the bytes of one sequence, so where the stream was
// cut does not matter.
std::string_view DecodeUtf8(std::string_view bytes, std::wstring& text) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  // Every byte gives at most one unit: a four-byte sequence gives a surrogate pair.
  text.resize(n);
  wchar_t* out = text.data();
  size_t i = 0;
  while (i < n) {
    const unsigned lead = p[i];
    if (lead < 0x80) {
      if (lead != 0) *out++ = static_cast<wchar_t>(lead);
      ++i;
      continue;
    }
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
      *out++ = static_cast<wchar_t>(kReplacementCharacter);
      ++i;
      continue;
    }
    size_t k = 1;
    for (; k < length && i + k < n; ++k) {
      const unsigned next = p[i + k];
      const bool valid = k == 1 ? next >= secondLow && next <= secondHigh : (next & 0xC0) == 0x80;
      if (!valid) break;
      c = (c << 6) | (next & 0x3F);
    }
    if (k == length) {
      if (c >= 0x10000) {
        *out++ = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
        *out++ = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
      } else {
        *out++ = static_cast<wchar_t>(c);
      }
      i += length;
    } else if (i + k == n) {
      break;  // a sequence so far valid, cut by the end of the bytes
    } else {
      *out++ = static_cast<wchar_t>(kReplacementCharacter);
      ++i;
    }
  }
  text.resize(static_cast<size_t>(out - text.data()));
  return bytes.substr(i);
}

// Decodes whole UTF-16 units and returns an odd last byte, preceded by a high surrogate that
// may still be paired by the next chunk.
std::string_view DecodeUtf16(std::string_view bytes, bool bigEndian, std::wstring& text) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  auto unitAt = [&](size_t index) {
    const unsigned first = p[2 * index];
    const unsigned second = p[2 * index + 1];
    return static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
  };
  size_t units = bytes.size() / 2;
  if (units > 0 && IsHighSurrogate(unitAt(units - 1))) --units;
  text.resize(units);
  wchar_t* out = text.data();
  for (size_t index = 0; index < units; ++index) {
    const char16_t unit = unitAt(index);
    if (unit != 0) *out++ = static_cast<wchar_t>(unit);
  }
  text.resize(static_cast<size_t>(out - text.data()));
  return bytes.substr(2 * units);
}

// The code page's bytes as text, without NUL characters.
void ConvertCodePage(UINT codePage, std::string_view bytes, std::wstring& text) {
  if (bytes.empty()) return;
  const int count = CheckedLength(bytes.size());
  // One unit per byte is enough for single- and double-byte code pages; others are measured.
  text.resize(bytes.size());
  int length = ::MultiByteToWideChar(codePage, 0, bytes.data(), count, text.data(), count);
  if (length == 0 && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    length = ::MultiByteToWideChar(codePage, 0, bytes.data(), count, nullptr, 0);
    text.resize(static_cast<size_t>(length > 0 ? length : 0));
    length = ::MultiByteToWideChar(codePage, 0, bytes.data(), count, text.data(), length);
  }
  text.resize(static_cast<size_t>(length > 0 ? length : 0));
  std::erase(text, L'\0');
}

}  // namespace

std::optional<std::string> cPipeCodec::EncodeText(tPipeEncoding encoding, std::wstring_view text) {
  switch (encoding.Scheme) {
    case esUTF8: return EncodeUtf8(text);
    case esUTF16LE: return EncodeUtf16(text, false);
    case esUTF16BE: return EncodeUtf16(text, true);
    case esANSI: break;
  }
  return EncodeCodePage(encoding.Oem ? CP_OEMCP : CP_ACP, text);
}

std::wstring cPipeCodec::DecodeText(tPipeEncoding encoding, const void* data, size_t count) {
  return cPipeDecoder().Decode(encoding, data, count);
}

std::wstring cPipeDecoder::Decode(tPipeEncoding encoding, const void* data, size_t count) {
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
    case esUTF16LE: rest = DecodeUtf16(bytes, false, text); break;
    case esUTF16BE: rest = DecodeUtf16(bytes, true, text); break;
    case esANSI: rest = DecodeCodePage(encoding.Oem ? ::GetOEMCP() : ::GetACP(), bytes, text); break;
  }
  carryCount_ = rest.copy(carry_.data(), carry_.size());
  return text;
}

std::string_view cPipeDecoder::DecodeCodePage(UINT codePage, std::string_view bytes, std::wstring& text) {
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
  }
  if (codePage_.MaxCharSize == 2) return DecodeDoubleByte(bytes, text);
  ConvertCodePage(codePage, bytes, text);
  return {};
}

// NUL bytes go first, so a lead byte pairs with the next byte that is not NUL wherever the
// stream was cut; a lead byte without its second byte waits for the next chunk.
std::string_view cPipeDecoder::DecodeDoubleByte(std::string_view bytes, std::wstring& text) {
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
