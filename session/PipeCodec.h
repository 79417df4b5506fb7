#pragma once
// Text to pipe bytes and back in the five pipe encodings. No byte order mark is ever written or
// recognised.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "text/PipeEncoding.h"

class cPipeCodec {
public:
  cPipeCodec() = delete;

  // Writes to a pipe go in pieces of at most this many bytes.
  static constexpr size_t WritePieceSize = 65536;

  // The bytes of the text in the encoding; a lone surrogate becomes U+FFFD in UTF-8. Nothing when
  // the encoding is a code page that cannot carry every character of the text exactly.
  static std::optional<std::string> EncodeText(tPipeEncoding encoding, std::wstring_view text);

  // What one chunk shows on its own: a fresh decoder on the whole chunk.
  static std::wstring DecodeText(tPipeEncoding encoding, const void* data, size_t count);

  // Hands the bytes to write in order: full pieces of WritePieceSize bytes, then the remainder
  // if there is one. Nothing is handed for no bytes.
  template <class Write>
  static void ForEachWritePiece(std::string_view bytes, Write&& write) {
    while (!bytes.empty()) {
      const size_t size = std::min(bytes.size(), WritePieceSize);
      write(bytes.substr(0, size));
      bytes.remove_prefix(size);
    }
  }
};

// Decodes a stream of chunks as they arrive from the output pipe. A character cut by the end of
// a chunk waits for the next chunk, so any cutting of a stream shows the same text as the stream
// in one piece. NUL characters are dropped; malformed UTF-8 shows U+FFFD per byte. Changing the
// encoding drops what waits.
class cPipeDecoder {
public:
  std::wstring Decode(tPipeEncoding encoding, const void* data, size_t count);

private:
  // The code page behind ANSI or OEM, with its lead bytes when it is a double-byte one.
  struct tCodePage {
    UINT Number = 0;
    UINT MaxCharSize = 1;
    std::array<bool, 256> LeadBytes{};
  };

  std::string_view DecodeCodePage(UINT codePage, std::string_view bytes, std::wstring& text);
  std::string_view DecodeDoubleByte(std::string_view bytes, std::wstring& text);

  tPipeEncoding encoding_;
  std::array<char, 4> carry_{};
  size_t carryCount_ = 0;
  std::string joined_;   // the waiting bytes followed by the new chunk
  std::string compact_;  // double-byte text without its NUL bytes
  tCodePage codePage_;
};
