#pragma once
// How a stretch of the output view's text looks: colours and styles that the child asked for with
// escape sequences, packed into the store's attribute, and the colours they are drawn in. No
// window: the output rules make looks, the view draws them.
//
// An attribute of 0 is the pane's own look (typed text and plain output). A colour is either the
// pane's default or one given in 24 bits; the 16 basic and 256 indexed colours are turned into 24
// bits when the sequence is read.
#include <windows.h>

#include <cstdint>

#include "view/TextStore.h"

namespace view {

enum tLookStyle : std::uint8_t {
  lsBold = 1 << 0,
  lsFaint = 1 << 1,
  lsItalic = 1 << 2,
  lsUnderline = 1 << 3,
  lsInverse = 1 << 4,
  lsStrike = 1 << 5,
};

struct tTextLook {
  bool HasForeground = false;
  COLORREF Foreground = 0;
  bool HasBackground = false;
  COLORREF Background = 0;
  std::uint8_t Styles = 0;

  friend bool operator==(const tTextLook&, const tTextLook&) = default;
};

tTextAttribute PackLook(const tTextLook& look) noexcept;
tTextLook UnpackLook(tTextAttribute attribute) noexcept;

// The colours of the Windows console's default scheme, in the order of the escape sequences:
// black, red, green, yellow, blue, magenta, cyan, white, then the bright ones.
COLORREF BasicColour(int index) noexcept;
// One of the 256 indexed colours: the 16 basic ones, a 6×6×6 cube, then 24 greys.
COLORREF IndexedColour(int index) noexcept;

// WCAG's contrast ratio between two colours, from 1 to 21.
double ContrastRatio(COLORREF a, COLORREF b) noexcept;
// The colour darkened on a light background, or lightened on a dark one, keeping its hue, until
// it reaches the least contrast that the pane asks for on the background; a colour that has it
// already is kept.
COLORREF ReadableOn(COLORREF colour, COLORREF background) noexcept;
inline constexpr double kLeastContrast = 4.5;

// The colours a look is drawn in on a pane whose own colours are text and back.
struct tDrawnColours {
  COLORREF Text;
  COLORREF Back;
  // Whether the background is the pane's own (nothing to fill beyond it).
  bool OwnBack;
};
tDrawnColours DrawnColours(const tTextLook& look, COLORREF text, COLORREF back) noexcept;

}  // namespace view
