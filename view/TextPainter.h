#pragma once
// How the output view draws and measures its text: the pane's font (and its bold, italic,
// underlined and struck-through variants), the widths that the layout asks of it, and the rows
// that show, each drawn in pieces of one look where the layout places their clusters, through
// Uniscribe as the edit control draws text. It holds no window: the window hands it a device
// context, the model and what shows.
#include <windows.h>

#include <array>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "gui/Handle.h"
#include "view/EditModel.h"
#include "view/TextLayout.h"
#include "view/TextLook.h"

namespace view {

// The colours that the parent gives the pane.
struct tPaneColours {
  COLORREF Text, Back;
};

// What a paint shows: the rows from TopRow on, scrolled XOffset pixels to the left, in the
// client rectangle Client, of which Area is to be drawn; the parent's brush for the pane (none:
// its background colour). With a Gutter the rows stand right of it, which holds the time of each
// line on its first row (XOffset then counts from the gutter's left, and so is less by it).
struct tPaintFrame {
  RECT Client;
  RECT Area;
  int TopRow;
  int XOffset;
  tPaneColours Pane;
  HBRUSH Brush;
  int Gutter;
};

class cTextPainter final : public iTextMeasure {
public:
  cTextPainter();

  // The pane's font, none for the system font.
  void SetFont(HFONT font);
  HFONT Font() const noexcept { return font_; }
  int RowHeight() const noexcept { return rowHeight_; }

  // iTextMeasure
  int ClusterWidth(std::wstring_view cluster) override;
  int AverageCharWidth() override { return averageWidth_; }

  void Draw(HDC dc, cEditModel& model, const tPaintFrame& frame);
  // The width of a gutter that holds a line's time.
  int GutterWidth() const noexcept { return gutterWidth_; }

private:
  void PaintGutter(HDC dc, const cEditModel& model, const tPaintFrame& frame, int first, int last);
  // Clusters of a row in a row of columns that are drawn alike: one look, selected or not, in the
  // hot span or not, one direction; a tab is a piece of its own.
  struct tPiece {
    int Column = 0, End = 0;
    int Left = 0, Right = 0;
    tTextAttribute Look = 0;
    bool Selected = false, Hot = false, Tab = false;
    // Drawn right to left, and holding more than characters of their own below U+0300, which the
    // pane's font draws without help.
    bool RightToLeft = false, Complex = false;
    bool SameDrawing(const tPiece& other) const noexcept {
      return Look == other.Look && Selected == other.Selected && Hot == other.Hot && RightToLeft == other.RightToLeft &&
             !Tab && !other.Tab;
    }
  };

  void PaintRow(HDC dc, cEditModel& model, int row, int y, const tPaintFrame& frame);
  // Draws the piece; with the row's band, only a plain piece, together with the band's background,
  // and answers whether it could.
  bool DrawPiece(HDC dc, const tPiece& piece, std::wstring_view line, int y, const tPaintFrame& frame,
                 const RECT* band);
  tDrawnColours ColoursOf(tTextAttribute attribute, const tTextLook& look, tPaneColours pane);
  // The pane's font with the styles of a look (lsBold, lsItalic, lsUnderline, lsStrike).
  HFONT FontFor(std::uint8_t styles);

  gui::cMemoryDC measureDc_;
  HFONT font_ = nullptr;
  // The pane's font made bold, italic, underlined or struck through, by FontFor's index.
  std::array<gui::cFont, 16> fontVariants_;
  int rowHeight_ = 16;
  int averageWidth_ = 8;
  int gutterWidth_ = 0;
  // What a paint reuses: attribute runs of the row (where each starts) and the advances of the
  // piece being drawn.
  std::vector<std::pair<tTextPos, tTextAttribute>> rowLooks_;
  std::vector<int> advances_;
  // The colours of the looks drawn lately, for the pane's colours of the time.
  struct {
    tPaneColours Pane{CLR_INVALID, CLR_INVALID};
    std::unordered_map<tTextAttribute, tDrawnColours> Looks;
  } colourCache_;
};

}  // namespace view
