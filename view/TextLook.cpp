#include "view/TextLook.h"

#include <cmath>
#include <utility>

namespace view {

namespace {

// The attribute's bits: the foreground's 24 bits and whether it is set, the styles, then the
// background's 24 bits and whether it is set.
constexpr int kForegroundSet = 24, kStyles = 25, kBackground = 32, kBackgroundSet = 56;
constexpr std::uint64_t kRgb = 0xFFFFFF;

double Linear(int channel) noexcept {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(COLORREF colour) noexcept {
  return 0.2126 * Linear(GetRValue(colour)) + 0.7152 * Linear(GetGValue(colour)) + 0.0722 * Linear(GetBValue(colour));
}

COLORREF Scaled(COLORREF colour, double factor) noexcept {
  const auto scale = [factor](int channel) { return static_cast<BYTE>(std::lround(channel * factor)); };
  return RGB(scale(GetRValue(colour)), scale(GetGValue(colour)), scale(GetBValue(colour)));
}

// Mixed with white: the channels' differences, and so the hue, stay as they were.
COLORREF Lightened(COLORREF colour, double amount) noexcept {
  const auto lift = [amount](int channel) { return static_cast<BYTE>(std::lround(channel + (255 - channel) * amount)); };
  return RGB(lift(GetRValue(colour)), lift(GetGValue(colour)), lift(GetBValue(colour)));
}

// Two parts of a and one of b.
COLORREF Faded(COLORREF a, COLORREF b) noexcept {
  const auto mix = [](int x, int y) { return static_cast<BYTE>((2 * x + y) / 3); };
  return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

}  // namespace

tTextAttribute PackLook(const tTextLook& look) noexcept {
  tTextAttribute packed = static_cast<tTextAttribute>(look.Styles) << kStyles;
  if (look.HasForeground) packed |= (look.Foreground & kRgb) | (tTextAttribute{1} << kForegroundSet);
  if (look.HasBackground)
    packed |= (static_cast<tTextAttribute>(look.Background & kRgb) << kBackground) | (tTextAttribute{1} << kBackgroundSet);
  return packed;
}

tTextLook UnpackLook(tTextAttribute attribute) noexcept {
  tTextLook look;
  look.Styles = static_cast<std::uint8_t>((attribute >> kStyles) & 0x7F);
  look.HasForeground = ((attribute >> kForegroundSet) & 1) != 0;
  if (look.HasForeground) look.Foreground = static_cast<COLORREF>(attribute & kRgb);
  look.HasBackground = ((attribute >> kBackgroundSet) & 1) != 0;
  if (look.HasBackground) look.Background = static_cast<COLORREF>((attribute >> kBackground) & kRgb);
  return look;
}

COLORREF BasicColour(int index) noexcept {
  static constexpr COLORREF kScheme[16] = {
      RGB(12, 12, 12),    RGB(197, 15, 31),  RGB(19, 161, 14),  RGB(193, 156, 0),
      RGB(0, 55, 218),    RGB(136, 23, 152), RGB(58, 150, 221), RGB(204, 204, 204),
      RGB(118, 118, 118), RGB(231, 72, 86),  RGB(22, 198, 12),  RGB(249, 241, 165),
      RGB(59, 120, 255),  RGB(180, 0, 158),  RGB(97, 214, 214), RGB(242, 242, 242),
  };
  return kScheme[index & 15];
}

COLORREF IndexedColour(int index) noexcept {
  index &= 255;
  if (index < 16) return BasicColour(index);
  if (index >= 232) {
    const auto grey = static_cast<BYTE>(8 + 10 * (index - 232));
    return RGB(grey, grey, grey);
  }
  const int cube = index - 16;
  const auto level = [](int step) { return static_cast<BYTE>(step == 0 ? 0 : 55 + 40 * step); };
  return RGB(level(cube / 36), level(cube / 6 % 6), level(cube % 6));
}

double ContrastRatio(COLORREF a, COLORREF b) noexcept {
  double x = Luminance(a) + 0.05, y = Luminance(b) + 0.05;
  if (x < y) std::swap(x, y);
  return x / y;
}

COLORREF ReadableOn(COLORREF colour, COLORREF background) noexcept {
  if (ContrastRatio(colour, background) >= kLeastContrast) return colour;
  // Towards whichever of black and white stands out more on the background: the least change
  // that reads. Black always does on the pane's light backgrounds, white on its dark ones.
  const bool lighten = ContrastRatio(RGB(255, 255, 255), background) > ContrastRatio(RGB(0, 0, 0), background);
  const auto changed = [&](double amount) { return lighten ? Lightened(colour, amount) : Scaled(colour, 1 - amount); };
  double low = 0, high = 1;
  for (int i = 0; i < 16; ++i) {
    const double middle = (low + high) / 2;
    (ContrastRatio(changed(middle), background) >= kLeastContrast ? high : low) = middle;
  }
  return changed(high);
}

tDrawnColours DrawnColours(const tTextLook& look, COLORREF text, COLORREF back) noexcept {
  // Only on the pane's own background is a colour made to read: one that the child set is drawn
  // as set.
  COLORREF fore = !look.HasForeground ? text : look.HasBackground ? look.Foreground : ReadableOn(look.Foreground, back);
  const COLORREF ground = look.HasBackground ? look.Background : back;
  if ((look.Styles & lsFaint) != 0) fore = Faded(fore, ground);
  if ((look.Styles & lsInverse) != 0) return {ground, fore, false};
  return {fore, ground, !look.HasBackground};
}

}  // namespace view
