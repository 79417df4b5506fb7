#pragma once
// Text to pipe bytes and back in the five pipe encodings. No byte order mark is ever written or
// recognised.
#include <windows.h>

#include <algorithm>
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
  // the encoding is a code page that cannot carry every character of the text exactly (with code
  // page 65001, a lone surrogate). Throws cConversionError when the platform fails to convert.
  static std::optional<std::string> EncodeText(tPipeEncoding encoding, std::wstring_view text);

  // What one chunk shows on its own, as a whole stream: a fresh stream decoder (text/TextCodec.h)
  // on the whole chunk, then flushed.
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
