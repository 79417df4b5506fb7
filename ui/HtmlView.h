#pragma once
// The program's own view of a small HTML page: the parser turns the page into blocks (headings,
// paragraphs, list items, table rows, preformatted text) made of styled runs, and the view lays
// them out and draws them in a read-only, scrolling window. Links to anchors of the page scroll
// to the anchor's block.
#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gui/Handle.h"
#include "gui/Window.h"

struct tHtmlRun {
  std::wstring Text;  // white space collapsed, except in preformatted blocks; "\n" breaks the line
  bool Bold = false;
  bool Italic = false;
  bool Code = false;
  std::wstring Link;  // the anchor that the run links to, without "#"; empty when it is no link
  friend bool operator==(const tHtmlRun&, const tHtmlRun&) = default;
};

enum tHtmlBlockKind : std::uint8_t { hbkHeading, hbkParagraph, hbkListItem, hbkTableRow, hbkPreformatted };

struct tHtmlBlock {
  tHtmlBlockKind Kind = hbkParagraph;
  int Level = 0;           // heading: 1 to 6; list item: its list's depth, from 1
  std::wstring Marker;     // list item: a bullet, or its number and a full stop
  int Table = -1;          // table row: which table of the page, from 0
  bool HeaderRow = false;  // table row whose first cell is a header cell
  std::vector<std::wstring> Anchors;
  std::vector<std::vector<tHtmlRun>> Cells;  // one cell, except in table rows

  // The plain text of the block, its cells separated by a tab.
  std::wstring Text() const;
};

struct tHtmlDocument {
  std::wstring Title;
  std::vector<tHtmlBlock> Blocks;

  // The block that holds the anchor; -1 when no block does.
  int FindAnchor(std::wstring_view name) const;
};

// Parses a UTF-8 page. Anchors are "name" and "id" attributes; an anchor standing between blocks
// belongs to the next block. Links are kept only when they lead to an anchor ("#name").
tHtmlDocument ParseHtml(std::string_view utf8);

class cHtmlView final : public gui::cWindow {
public:
  cHtmlView() = default;

  // Creates the view as a child window with the id.
  void Create(HWND parent, int id, const RECT& bounds);
  void SetDocument(tHtmlDocument document);
  const tHtmlDocument& Document() const noexcept { return document_; }

  // Scrolls the anchor's block to the top, as far as the page allows; false for an unknown anchor.
  bool ScrollToAnchor(std::wstring_view name);
  // The page's coordinate at the top of the view, from 0, in pixels.
  int ScrollPos() const noexcept { return scrollPos_; }
  int MaxScrollPos() const noexcept;
  // Where the block begins on the page, in pixels; its space above included.
  int BlockTop(int index) const;
  // Where the first link to the anchor is drawn now, in client coordinates.
  std::optional<RECT> LinkBounds(std::wstring_view anchor) const;

protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  struct tFragment {
    RECT Bounds;  // on the page
    int Ascent;
    int Font;
    std::wstring Text;
    std::wstring Link;
  };
  struct tDecoration {
    RECT Bounds;  // on the page
    COLORREF Color;
    bool Fill;  // else a frame
  };
  struct tRunArea {
    int Left;
    int Right;
    int SizeClass;  // 0 for the text's size, else the heading level, at most 3
    bool Wrap;      // else only line breaks of the text end lines (preformatted)
    bool Code;
  };
  enum : int { fsBold = 1, fsItalic = 2, fsCode = 4, fsUnderline = 8, fsSizeShift = 4 };

  HFONT Font(int key);
  const TEXTMETRICW& Metrics(HDC dc, int key);
  void Layout();
  int LayoutRuns(HDC dc, const std::vector<tHtmlRun>& runs, const tRunArea& area, int top, bool bold);
  int LayoutTable(HDC dc, size_t first, size_t last, int left, int right, int top);
  int NaturalWidth(HDC dc, const std::vector<tHtmlRun>& runs, bool bold);
  int Scaled(int pixels) const noexcept;
  void ScrollTo(int position);
  void UpdateScrollBar();
  void Paint(HDC dc, const RECT& area);
  const tFragment* LinkAt(POINT client) const;

  tHtmlDocument document_;
  std::vector<int> blockTops_;
  std::vector<tFragment> fragments_;
  std::vector<tDecoration> decorations_;
  std::map<int, gui::cFont> fonts_;  // by style bits and size class
  std::map<int, TEXTMETRICW> metrics_;
  UINT fontDpi_ = 0;
  int lineHeight_ = 16;
  int pageHeight_ = 0;
  int scrollPos_ = 0;
};
