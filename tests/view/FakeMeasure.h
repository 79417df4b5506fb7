#pragma once
// A fake font of fixed pitch for the view's parts that need no window: ASCII 8 pixels, East Asian
// wide characters and emoji 16, marks 0; the average width 8, so the default tab stops are 64
// apart.
#include <string_view>

#include "view/TextLayout.h"

class cFakeMeasure : public view::iTextMeasure {
public:
  int ClusterWidth(std::wstring_view cluster) override {
    ++Asked;
    const char32_t c = cluster.size() > 1 && cluster[0] >= 0xD800 && cluster[0] <= 0xDBFF
                           ? 0x10000 + ((char32_t(cluster[0]) - 0xD800) << 10) + (char32_t(cluster[1]) - 0xDC00)
                           : char32_t(cluster[0]);
    if (c >= 0x0300 && c <= 0x036F) return 0;
    const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
                      (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFF60) || c >= 0x1F300;
    return wide ? 16 : 8;
  }
  int AverageCharWidth() override { return 8; }
  int Asked = 0;
};
