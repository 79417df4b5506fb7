#pragma once
// The byte stream of the test child's "flood" verb, shared by the child and the tests that check
// what arrived: numbered lines of 80 bytes, "00000001 " then 69 letters then CR LF, cut after
// exactly the requested number of bytes.
#include <algorithm>
#include <cstddef>
#include <iterator>
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

// The stream of the "colourflood" verb: lines of 80 bytes as well, each the flood's line with its
// number coloured ("ESC[31m00000001ESC[0m abc...", one of six colours), its letters fewer by the
// bytes of the two escape sequences. A line shows ColourFloodShownLength characters.
inline constexpr std::size_t ColourFloodEscapeBytes = 9;
inline constexpr std::size_t ColourFloodShownLength = FloodLineLength - ColourFloodEscapeBytes;

// Made in place, as fast as the flood's own line: the child must write colour as fast as it
// writes the plain flood, or the benchmark that compares the two measures the child.
inline void ColourFloodLine(std::size_t number, char (&line)[FloodLineLength]) {
  char plain[FloodLineLength];
  FloodBytes((number - 1) * FloodLineLength, FloodLineLength, plain);
  const char colour[] = {'\x1b', '[', '3', static_cast<char>('1' + number % 6), 'm'};
  const char reset[] = {'\x1b', '[', '0', 'm'};
  static_assert(sizeof colour + 8 + sizeof reset + (ColourFloodShownLength - 10) + 2 == FloodLineLength);
  char* at = std::copy(std::begin(colour), std::end(colour), line);
  at = std::copy(plain, plain + 8, at);
  at = std::copy(std::begin(reset), std::end(reset), at);
  at = std::copy(plain + 8, plain + 8 + (ColourFloodShownLength - 10), at);
  at[0] = '\r';
  at[1] = '\n';
}

inline void ColourFloodBytes(std::size_t offset, std::size_t count, char* out) {
  char line[FloodLineLength];
  while (count > 0) {
    const std::size_t column = offset % FloodLineLength;
    const std::size_t taken = std::min(count, FloodLineLength - column);
    ColourFloodLine(offset / FloodLineLength + 1, line);
    std::copy(line + column, line + column + taken, out);
    out += taken;
    offset += taken;
    count -= taken;
  }
}

// The stream of the "progress" verb: a progress display of records of 4 bytes, "\r00%" to
// "\r99%" over and over, each meant to replace the one before.
inline constexpr std::size_t ProgressRecordLength = 4;

inline void ProgressBytes(std::size_t offset, std::size_t count, char* out) {
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t position = offset + i, number = position / ProgressRecordLength % 100;
    const char record[] = {'\r', static_cast<char>('0' + number / 10), static_cast<char>('0' + number % 10), '%'};
    out[i] = record[position % ProgressRecordLength];
  }
}
