#pragma once
#include <cstdint>

#include "text/EncodingScheme.h"

// The encoding of one pipe direction. Oem counts only with esANSI: it selects the console (OEM)
// code page instead of the ANSI one.
struct tPipeEncoding {
  tEncodingScheme Scheme = esANSI;
  bool Oem = true;
  friend bool operator==(const tPipeEncoding&, const tPipeEncoding&) = default;
};

// The five encodings the user can choose.
inline constexpr tPipeEncoding peUTF8{esUTF8, false};
inline constexpr tPipeEncoding peUTF16LE{esUTF16LE, false};
inline constexpr tPipeEncoding peUTF16BE{esUTF16BE, false};
inline constexpr tPipeEncoding peANSI{esANSI, false};
inline constexpr tPipeEncoding peOEM{esANSI, true};

// Input goes to the child, Output comes from it; the pair is small enough to copy as a whole.
struct tPipeEncodings {
  tPipeEncoding Input = peOEM;
  tPipeEncoding Output = peOEM;
  friend bool operator==(const tPipeEncodings&, const tPipeEncodings&) = default;
};
static_assert(sizeof(tPipeEncoding) == 2 && sizeof(tPipeEncodings) == 4);
