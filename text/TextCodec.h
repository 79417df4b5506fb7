#pragma once
// The one place where text changes encoding: UTF-16 to and from UTF-8, UTF-16 in either byte
// order and the system's code pages. Whatever else converts text (pipes, files, resources, the
// window layer) calls this module.
#include <windows.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "gui/Error.h"
#include "text/PipeEncoding.h"

// The platform could not convert a text to or from a code page; the message names the code page
// and gives the system's reason.
class cConversionError : public gui::cError { using cError::cError; };

class cTextCodec {
public:
  cTextCodec() = delete;

  // UTF-8. A surrogate without its partner cannot be written and becomes U+FFFD.
  static void AppendUtf8(std::wstring_view text, std::string& bytes);
  // Every byte that does not belong to a well-formed sequence becomes one U+FFFD: overlong forms,
  // encoded surrogates and values above U+10FFFF are not well formed.
  static std::wstring FromUtf8(std::string_view bytes);
  // Whether every byte belongs to a well-formed sequence (ASCII included).
  static bool IsUtf8(std::string_view bytes) noexcept;

  // UTF-16 in the byte order given; an odd last byte is dropped.
  static void AppendUtf16(std::wstring_view text, bool bigEndian, std::string& bytes);
  static std::wstring FromUtf16(std::string_view bytes, bool bigEndian);

  // A code page (CP_ACP, CP_OEMCP or a number); no look-alike ("best fit") is ever put in place of
  // a character. Code page 65001 (which Windows makes the ANSI and the OEM code page when it uses
  // UTF-8 for worldwide language support) converts as UTF-8 above: it carries every character but
  // a lone surrogate. Each throws cConversionError when the platform fails the conversion.
  // Exact: nothing when a character has no exact counterpart in the code page.
  static std::optional<std::string> ToCodePageExact(UINT codePage, std::wstring_view text);
  // With loss: a character without an exact counterpart becomes the code page's default character
  // (U+FFFD in UTF-8).
  static std::string ToCodePage(UINT codePage, std::wstring_view text);
  static std::wstring FromCodePage(UINT codePage, std::string_view bytes);

  // The number behind CP_ACP and CP_OEMCP; any other code page as it is.
  static UINT CodePageNumber(UINT codePage) noexcept;
};

// Decodes a stream that arrives in chunks, as the child's output does. A character cut by the end
// of a chunk waits for the next chunk, so any cutting of a stream shows the same text as the
// stream in one piece. NUL characters are dropped; malformed UTF-8 shows U+FFFD per byte.
// Changing the encoding drops what waits.
class cStreamDecoder {
public:
  // The code pages that ANSI and OEM stand for (CP_ACP, CP_OEMCP or numbers).
  explicit cStreamDecoder(UINT ansiCodePage = CP_ACP, UINT oemCodePage = CP_OEMCP) noexcept
      : ansiCodePage_(ansiCodePage), oemCodePage_(oemCodePage) {}

  std::wstring Decode(tPipeEncoding encoding, const void* data, size_t count);
  // The end of the stream: what still waits for more is malformed and shows as a whole text
  // shows it. Each byte of a cut UTF-8 sequence, an odd UTF-16 byte and a lone lead byte of a
  // double-byte code page become U+FFFD; a high surrogate stays as it is.
  std::wstring Flush();

private:
  // The code page behind ANSI or OEM, with its lead bytes when it is a double-byte one.
  struct tCodePage {
    UINT Number = 0;
    UINT MaxCharSize = 1;
    std::array<bool, 256> LeadBytes{};
    bool AsciiAsItIs = false;
  };

  std::string_view DecodeCodePage(UINT codePage, std::string_view bytes, std::wstring& text);
  std::string_view DecodeDoubleByte(std::string_view bytes, std::wstring& text);

  UINT ansiCodePage_;
  UINT oemCodePage_;
  tPipeEncoding encoding_;
  std::array<char, 4> carry_{};
  size_t carryCount_ = 0;
  std::string joined_;   // the waiting bytes followed by the new chunk
  std::string compact_;  // double-byte text without its NUL bytes
  tCodePage codePage_;
};
