#pragma once
#include <cstdint>

// How a text is laid out in bytes: the encoding of text files and the scheme half of a pipe
// encoding. The Save As filter index minus 1 is the scheme.
enum tEncodingScheme : std::uint8_t { esUTF8 = 0, esUTF16LE = 1, esUTF16BE = 2, esANSI = 3 };
