#include "view/TextPainter.h"

#include <usp10.h>

#include <algorithm>
#include <new>
#include <optional>

#include "view/LineTimes.h"
#include "view/TextClusters.h"

namespace view {
namespace {

void FreeAnalysis(SCRIPT_STRING_ANALYSIS analysis) noexcept { ::ScriptStringFree(&analysis); }
using cScriptString = gui::cHandle<gui::tNullHandleTraits<SCRIPT_STRING_ANALYSIS, &FreeAnalysis>>;

// Text laid out by Uniscribe in the device context's font as the edit control lays it out: shaped,
// ordered, and with the characters that the font lacks in fonts that have them. With advances,
// each character takes the advance given (a cluster's first character the cluster's, the others
// none). None when Uniscribe cannot.
cScriptString Analyse(HDC dc, std::wstring_view text, DWORD flags, const int* advances) {
  cScriptString analysis;
  const auto length = static_cast<int>(text.size());
  if (FAILED(::ScriptStringAnalyse(dc, text.data(), length, length * 3 / 2 + 16, -1,
                                   SSA_GLYPHS | SSA_FALLBACK | SSA_LINK | flags, 0, nullptr, nullptr, advances,
                                   nullptr, nullptr, analysis.put())))
    analysis.reset();
  return analysis;
}

}  // namespace

cTextPainter::cTextPainter() : measureDc_(::CreateCompatibleDC(nullptr)) { SetFont(nullptr); }

void cTextPainter::SetFont(HFONT font) {
  font_ = font;
  for (gui::cFont& variant : fontVariants_) variant.reset();
  ::SelectObject(measureDc_.get(), font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(SYSTEM_FONT));
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(measureDc_.get(), &metrics);
  rowHeight_ = std::max(1, static_cast<int>(metrics.tmHeight));
  // The average width as dialog base units take it: the letters' mean, rounded.
  static constexpr wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE size{};
  ::GetTextExtentPoint32W(measureDc_.get(), kLetters, 52, &size);
  averageWidth_ = std::max(1, static_cast<int>((size.cx / 26 + 1) / 2));
  // Half an average character on either side of the widest time.
  ::GetTextExtentPoint32W(measureDc_.get(), L"00:00:00.000", 12, &size);
  gutterWidth_ = static_cast<int>(size.cx) + averageWidth_;
}

int cTextPainter::ClusterWidth(std::wstring_view cluster) {
  if (const cScriptString analysis = Analyse(measureDc_.get(), cluster, 0, nullptr)) {
    if (const SIZE* size = ::ScriptString_pSize(analysis.get())) return size->cx;
  }
  SIZE size{};
  ::GetTextExtentPoint32W(measureDc_.get(), cluster.data(), static_cast<int>(cluster.size()), &size);
  return size.cx;
}

void cTextPainter::Draw(HDC dc, cEditModel& model, const tPaintFrame& frame) {
  const gui::cSelectedObject font(dc, FontFor(0));
  const int previousMode = ::SetBkMode(dc, TRANSPARENT);
  auto fill = [&](RECT area) {
    if (frame.Brush) {
      ::FillRect(dc, &area, frame.Brush);
    } else {
      ::SetBkColor(dc, frame.Pane.Back);
      ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    }
  };
  const int first = frame.TopRow + static_cast<int>(frame.Area.top) / rowHeight_;
  const int last =
      std::min(model.Layout().RowCount() - 1, frame.TopRow + static_cast<int>(frame.Area.bottom) / rowHeight_);
  // Text scrolled to the left stays out of the gutter; unscrolled, none reaches it, and what the
  // rows' backgrounds cover of it the gutter covers again (a clip costs every call of a paint).
  const int saved = frame.Gutter > 0 && frame.XOffset + frame.Gutter > 0 ? ::SaveDC(dc) : 0;
  if (saved) ::IntersectClipRect(dc, frame.Gutter, frame.Area.top, frame.Client.right, frame.Area.bottom);
  int y = (first - frame.TopRow) * rowHeight_;
  for (int row = first; row <= last; ++row, y += rowHeight_) {
    try {
      PaintRow(dc, model, row, y, frame);
    } catch (const std::bad_alloc&) {
      // A row that cannot get the memory to be drawn shows empty, and the paint goes on.
      fill({frame.Client.left, y, frame.Client.right, y + rowHeight_});
    }
  }
  if (y < static_cast<int>(frame.Area.bottom)) fill({frame.Client.left, y, frame.Client.right, frame.Area.bottom});
  if (saved) ::RestoreDC(dc, saved);
  if (frame.Gutter > 0) PaintGutter(dc, model, frame, first, last);
  ::SetBkMode(dc, previousMode);
}

// Each line's time on its first row, in the pane's colours with the text dimmed towards the
// background, so that it stands back from the output.
void cTextPainter::PaintGutter(HDC dc, const cEditModel& model, const tPaintFrame& frame, int first, int last) {
  const tPaneColours pane = frame.Pane;
  auto blend = [](COLORREF text, COLORREF back, int shift) {
    return static_cast<BYTE>(((text >> shift & 0xFF) * 3 + (back >> shift & 0xFF) * 2) / 5);
  };
  ::SetTextColor(dc, RGB(blend(pane.Text, pane.Back, 0), blend(pane.Text, pane.Back, 8), blend(pane.Text, pane.Back, 16)));
  ::SetBkColor(dc, pane.Back);
  const cTextLayout& layout = model.Layout();
  int y = (first - frame.TopRow) * rowHeight_;
  for (int row = first; row <= last; ++row, y += rowHeight_) {
    const tRowStart start = layout.RowStart(row);
    const std::wstring time = start.Column == 0 ? FormatStamp(model.Store().LineStamp(start.Line)) : std::wstring();
    const RECT cell{frame.Client.left, y, frame.Gutter, y + rowHeight_};
    ::ExtTextOutW(dc, averageWidth_ / 2, y, ETO_OPAQUE | ETO_CLIPPED, &cell, time.data(), static_cast<UINT>(time.size()),
                  nullptr);
  }
  const RECT below{frame.Client.left, y, frame.Gutter, frame.Area.bottom};
  if (y < static_cast<int>(frame.Area.bottom)) ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &below, nullptr, 0, nullptr);
}

// A row is drawn in pieces of one look, each where the layout puts its clusters, so that what is
// drawn is where the caret and the mouse find it. Only what shows is drawn: a long row without
// wrap stops at the window's right edge.
void cTextPainter::PaintRow(HDC dc, cEditModel& model, int row, int y, const tPaintFrame& frame) {
  cTextLayout& layout = model.Layout();
  const tRowStart start = layout.RowStart(row);
  const std::wstring_view line = model.Line(start.Line);
  const tTextPos lineStart = model.Store().LineStart(start.Line);
  const tTextPos rowStart = lineStart + start.Column, rowEnd = rowStart + layout.RowLength(row);
  const RECT band{frame.Client.left, y, frame.Client.right, y + rowHeight_};
  const tPaneColours pane = frame.Pane;
  // The row's background goes first, unless the row is one plain piece, which draws it with its
  // text in one call: most rows are, and a call costs 5 us under Wine.
  bool bandDrawn = false;
  auto drawBand = [&] {
    if (std::exchange(bandDrawn, true)) return;
    ::SetBkColor(dc, pane.Back);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &band, nullptr, 0, nullptr);
  };
  // The looks of the columns the walk comes to, a stretch of them at a time: a long row has more
  // runs than show.
  constexpr tTextPos kLookColumns = 4096;
  rowLooks_.clear();
  size_t look = 0;
  tTextPos looksEnd = rowStart;
  auto lookAt = [&](tTextPos at) -> tTextAttribute {
    if (at >= looksEnd) {
      rowLooks_.clear();
      look = 0;
      looksEnd = std::min(at + kLookColumns, rowEnd);
      model.Store().ForEachRun(at, looksEnd, [&](tTextPos runStart, tTextPos, tTextAttribute attribute) {
        rowLooks_.emplace_back(runStart, attribute);
      });
    }
    while (look + 1 < rowLooks_.size() && rowLooks_[look + 1].first <= at) ++look;
    return look < rowLooks_.size() ? rowLooks_[look].second : 0;
  };
  const tTextPos selStart = model.SelStart(), selEnd = model.SelEnd();
  const tTextSpan hot = model.HotSpan();
  tPiece piece;
  bool open = false;
  const int right = frame.XOffset + static_cast<int>(frame.Client.right);
  layout.ForEachCluster(row, frame.XOffset, right, [&](const tPlacedCluster& cluster) {
    // Right of the window: what follows shows no more, but for the rest of a right-to-left stretch.
    if (cluster.Left >= right) return cluster.RightToLeft;
    if (cluster.Left + cluster.Width <= frame.XOffset) return true;
    const tTextPos at = lineStart + cluster.Column;
    tPiece next{cluster.Column,
                cluster.End,
                cluster.Left,
                cluster.Left + cluster.Width,
                lookAt(at),
                at >= selStart && at < selEnd,
                at >= hot.Start && at < hot.End,
                line[static_cast<size_t>(cluster.Column)] == L'\t',
                cluster.RightToLeft,
                cluster.RightToLeft || cluster.End - cluster.Column > 1 ||
                    line[static_cast<size_t>(cluster.Column)] >= cTextClusters::FirstJoining};
    if (open && piece.SameDrawing(next) && piece.End == next.Column) {
      piece.End = next.End;
      // Within a right-to-left stretch the next cluster stands left of the piece.
      piece.Left = std::min(piece.Left, next.Left);
      piece.Right = std::max(piece.Right, next.Right);
      piece.Complex = piece.Complex || next.Complex;
    } else {
      if (open) {
        drawBand();
        DrawPiece(dc, piece, line, y, frame, nullptr);
      }
      piece = next;
      open = true;
      advances_.clear();
    }
    advances_.push_back(cluster.Width);
    // A cluster's later units add nothing to the advance.
    advances_.resize(advances_.size() + static_cast<size_t>(cluster.End - cluster.Column - 1), 0);
    return true;
  });
  if (open && (bandDrawn || !DrawPiece(dc, piece, line, y, frame, &band))) {
    drawBand();
    DrawPiece(dc, piece, line, y, frame, nullptr);
  }
  if (!open) drawBand();
}

// The selection is drawn in the system's highlight colours over any look, so it stays visible.
bool cTextPainter::DrawPiece(HDC dc, const tPiece& piece, std::wstring_view line, int y, const tPaintFrame& frame,
                             const RECT* band) {
  const tPaneColours pane = frame.Pane;
  const tTextLook look = UnpackLook(piece.Look);
  const tDrawnColours drawn = ColoursOf(piece.Look, look, pane);
  const COLORREF ink = piece.Selected ? ::GetSysColor(COLOR_HIGHLIGHTTEXT) : drawn.Text;
  const int left = piece.Left - frame.XOffset;
  const auto styles = static_cast<std::uint8_t>(look.Styles | (piece.Hot ? lsUnderline : 0));
  const std::wstring_view text =
      line.substr(static_cast<size_t>(piece.Column), static_cast<size_t>(piece.End - piece.Column));
  if (band) {
    // With the row's background, in the pane's own font and colours only.
    if (piece.Selected || !drawn.OwnBack || piece.Tab || piece.Complex || styles != 0) return false;
    ::SetBkColor(dc, pane.Back);
    ::SetTextColor(dc, ink);
    ::ExtTextOutW(dc, left, y, ETO_OPAQUE, band, text.data(), static_cast<UINT>(text.size()), nullptr);
    return true;
  }
  if (piece.Selected || !drawn.OwnBack) {
    RECT cells{left, y, piece.Right - frame.XOffset, y + rowHeight_};
    ::SetBkColor(dc, piece.Selected ? ::GetSysColor(COLOR_HIGHLIGHT) : drawn.Back);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &cells, nullptr, 0, nullptr);
  }
  if (piece.Tab) return true;
  // The pane's own font is selected already; another is for this piece only.
  std::optional<gui::cSelectedObject> font;
  if ((styles & (lsBold | lsItalic | lsUnderline | lsStrike)) != 0) font.emplace(dc, FontFor(styles));
  ::SetTextColor(dc, ink);
  if (piece.Complex) {
    // A right-to-left piece is all of one stretch (or part of one): drawn as a paragraph of its own.
    if (const cScriptString analysis = Analyse(dc, text, piece.RightToLeft ? SSA_RTL : 0, advances_.data())) {
      ::ScriptStringOut(analysis.get(), left, y, 0, nullptr, 0, 0, FALSE);
      return true;
    }
  }
  // Every cluster takes the width that the layout gave it in the pane's own font: a bold or
  // italic glyph may reach a pixel into the next cell, but nothing moves. The pane's font, and its
  // underlined or struck-through variants, advance by those widths by themselves.
  const bool ownAdvances = (styles & (lsBold | lsItalic)) == 0 && !piece.Complex;
  ::ExtTextOutW(dc, left, y, 0, nullptr, text.data(), static_cast<UINT>(text.size()),
                ownAdvances ? nullptr : advances_.data());
  return true;
}

// Making a colour read takes a search: each look's colours are found once for the pane's
// colours of the time.
tDrawnColours cTextPainter::ColoursOf(tTextAttribute attribute, const tTextLook& look, tPaneColours pane) {
  constexpr size_t kMostLooks = 1024;
  if (pane.Text != colourCache_.Pane.Text || pane.Back != colourCache_.Pane.Back ||
      colourCache_.Looks.size() >= kMostLooks) {
    colourCache_.Looks.clear();
    colourCache_.Pane = pane;
  }
  const auto known = colourCache_.Looks.find(attribute);
  if (known != colourCache_.Looks.end()) return known->second;
  return colourCache_.Looks.emplace(attribute, DrawnColours(look, pane.Text, pane.Back)).first->second;
}

HFONT cTextPainter::FontFor(std::uint8_t styles) {
  const auto base = font_ ? font_ : static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
  const int index = ((styles & lsBold) ? 1 : 0) | ((styles & lsItalic) ? 2 : 0) | ((styles & lsUnderline) ? 4 : 0) |
                    ((styles & lsStrike) ? 8 : 0);
  if (index == 0) return base;
  gui::cFont& variant = fontVariants_[static_cast<size_t>(index)];
  if (!variant) {
    LOGFONTW description{};
    if (!::GetObjectW(base, sizeof description, &description)) return base;
    if (index & 1) description.lfWeight = FW_BOLD;
    if (index & 2) description.lfItalic = TRUE;
    if (index & 4) description.lfUnderline = TRUE;
    if (index & 8) description.lfStrikeOut = TRUE;
    variant.reset(::CreateFontIndirectW(&description));
  }
  return variant ? variant.get() : base;
}

}  // namespace view
