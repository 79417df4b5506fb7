#pragma once
// The byte stream of the test child's "flood" verb, shared by the child and the tests that check
// what arrived: numbered lines of 80 bytes, "00000001 " then 69 letters then CR LF, cut after
// exactly the requested number of bytes.
#include <cstddef>
#include <string>

inline constexpr std::size_t FloodLineLength = 80;

// Writes the bytes [offset, offset + count) of the stream to out.
inline void FloodBytes(std::size_t offset, std::size_t count, char* out) {
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t position = offset + i;
    std::size_t number = position / FloodLineLength + 1;
    std::size_t column = position % FloodLineLength;
    char c;
    if (column < 8) {
      std::size_t divisor = 1;
      for (std::size_t d = column; d < 7; ++d) divisor *= 10;
      c = static_cast<char>('0' + number / divisor % 10);
    } else if (column == 8) {
      c = ' ';
    } else if (column == FloodLineLength - 2) {
      c = '\r';
    } else if (column == FloodLineLength - 1) {
      c = '\n';
    } else {
      c = static_cast<char>('a' + (number + column) % 26);
    }
    out[i] = c;
  }
}

inline std::string FloodText(std::size_t size) {
  std::string text(size, '\0');
  FloodBytes(0, size, text.data());
  return text;
}
