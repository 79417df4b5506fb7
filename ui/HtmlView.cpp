#include "ui/HtmlView.h"

#include <windowsx.h>

#include <algorithm>
#include <cwctype>
#include <utility>

#include "gui/ResString.h"
#include "resources/resource.h"
#include "text/TextCodec.h"

// ---------------------------------------------------------------------------------------------
// Parser

namespace {

bool IsHtmlSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\f'; }

std::wstring Lower(std::wstring_view text) {
  std::wstring result(text);
  for (wchar_t& c : result)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return result;
}

std::wstring WidenUtf8(std::string_view text) {
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  return cTextCodec::FromUtf8(text);
}

// The character of an entity's name ("amp", "#160", "#xA0"); none for a name not known.
std::optional<wchar_t> EntityValue(std::wstring_view name) {
  static const std::pair<std::wstring_view, wchar_t> Named[] = {
      {L"amp", L'&'},         {L"lt", L'<'},          {L"gt", L'>'},          {L"quot", L'"'},
      {L"apos", L'\''},       {L"nbsp", L'\u00A0'},   {L"mdash", L'\u2014'},  {L"ndash", L'\u2013'},
      {L"copy", L'\u00A9'},   {L"hellip", L'\u2026'}, {L"bull", L'\u2022'},   {L"rarr", L'\u2192'}};
  for (const auto& [key, value] : Named)
    if (key == name) return value;
  if (name.size() < 2 || name[0] != L'#') return std::nullopt;
  const bool hex = name[1] == L'x' || name[1] == L'X';
  std::wstring_view digits = name.substr(hex ? 2 : 1);
  if (digits.empty() || digits.size() > 6) return std::nullopt;
  unsigned long value = 0;
  for (wchar_t c : digits) {
    int digit = -1;
    if (c >= L'0' && c <= L'9') digit = c - L'0';
    else if (hex && c >= L'a' && c <= L'f') digit = c - L'a' + 10;
    else if (hex && c >= L'A' && c <= L'F') digit = c - L'A' + 10;
    if (digit < 0) return std::nullopt;
    value = value * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
  }
  if (value == 0 || value > 0xFFFF) return std::nullopt;
  return static_cast<wchar_t>(value);
}

std::wstring DecodeEntities(std::wstring_view text) {
  std::wstring result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&') {
      const size_t end = text.find(L';', i + 1);
      if (end != std::wstring_view::npos && end - i <= 10) {
        if (const auto value = EntityValue(text.substr(i + 1, end - i - 1))) {
          result += *value;
          i = end;
          continue;
        }
      }
    }
    result += text[i];
  }
  return result;
}

struct tTag {
  std::wstring Name;  // lower case
  bool End = false;
  std::map<std::wstring, std::wstring> Attributes;  // names in lower case, values decoded

  std::wstring Attribute(const wchar_t* name) const {
    const auto found = Attributes.find(name);
    return found == Attributes.end() ? std::wstring() : found->second;
  }
};

class cHtmlParser {
public:
  explicit cHtmlParser(std::wstring source) : source_(std::move(source)) {}

  tHtmlDocument Parse() {
    while (pos_ < source_.size()) {
      const size_t open = source_.find(L'<', pos_);
      Text(std::wstring_view(source_).substr(pos_, open == std::wstring::npos ? std::wstring::npos : open - pos_));
      if (open == std::wstring::npos) break;
      pos_ = open;
      Markup();
    }
    CloseBlock();
    if (!pendingAnchors_.empty() && !document_.Blocks.empty()) {
      auto& anchors = document_.Blocks.back().Anchors;
      anchors.insert(anchors.end(), pendingAnchors_.begin(), pendingAnchors_.end());
    }
    return std::move(document_);
  }

private:
  struct tList {
    bool Ordered;
    int Next;
  };

  void Markup() {
    std::wstring_view rest = std::wstring_view(source_).substr(pos_);
    if (rest.starts_with(L"<!--")) {
      const size_t end = source_.find(L"-->", pos_ + 4);
      pos_ = end == std::wstring::npos ? source_.size() : end + 3;
      return;
    }
    if (rest.size() < 2 || !(std::iswalpha(rest[1]) || rest[1] == L'/' || rest[1] == L'!' || rest[1] == L'?')) {
      // A "<" that starts no tag is text.
      Text(L"<");
      ++pos_;
      return;
    }
    if (rest[1] == L'!' || rest[1] == L'?') {
      const size_t end = source_.find(L'>', pos_);
      pos_ = end == std::wstring::npos ? source_.size() : end + 1;
      return;
    }
    Tag(ReadTag());
  }

  tTag ReadTag() {
    tTag tag;
    ++pos_;  // "<"
    if (pos_ < source_.size() && source_[pos_] == L'/') {
      tag.End = true;
      ++pos_;
    }
    const size_t nameStart = pos_;
    while (pos_ < source_.size() && !IsHtmlSpace(source_[pos_]) && source_[pos_] != L'>' && source_[pos_] != L'/')
      ++pos_;
    tag.Name = Lower(std::wstring_view(source_).substr(nameStart, pos_ - nameStart));
    for (;;) {
      while (pos_ < source_.size() && (IsHtmlSpace(source_[pos_]) || source_[pos_] == L'/')) ++pos_;
      if (pos_ >= source_.size()) break;
      if (source_[pos_] == L'>') {
        ++pos_;
        break;
      }
      const size_t attributeStart = pos_;
      while (pos_ < source_.size() && !IsHtmlSpace(source_[pos_]) && source_[pos_] != L'=' &&
             source_[pos_] != L'>' && source_[pos_] != L'/')
        ++pos_;
      std::wstring name = Lower(std::wstring_view(source_).substr(attributeStart, pos_ - attributeStart));
      std::wstring value;
      while (pos_ < source_.size() && IsHtmlSpace(source_[pos_])) ++pos_;
      if (pos_ < source_.size() && source_[pos_] == L'=') {
        ++pos_;
        while (pos_ < source_.size() && IsHtmlSpace(source_[pos_])) ++pos_;
        size_t valueStart = pos_, valueEnd;
        if (pos_ < source_.size() && (source_[pos_] == L'"' || source_[pos_] == L'\'')) {
          const size_t close = source_.find(source_[pos_], pos_ + 1);
          valueStart = pos_ + 1;
          valueEnd = close == std::wstring::npos ? source_.size() : close;
          pos_ = close == std::wstring::npos ? source_.size() : close + 1;
        } else {
          while (pos_ < source_.size() && !IsHtmlSpace(source_[pos_]) && source_[pos_] != L'>') ++pos_;
          valueEnd = pos_;
        }
        value = DecodeEntities(std::wstring_view(source_).substr(valueStart, valueEnd - valueStart));
      }
      if (!name.empty()) tag.Attributes.emplace(std::move(name), std::move(value));
    }
    return tag;
  }

  // The text of an element whose content is not markup ends at its end tag.
  std::wstring RawTextUntilEnd(const std::wstring& name) {
    const std::wstring lower = Lower(source_);
    const size_t end = lower.find(L"</" + name, pos_);
    std::wstring text = source_.substr(pos_, end == std::wstring::npos ? std::wstring::npos : end - pos_);
    pos_ = end == std::wstring::npos ? source_.size() : end;
    return text;
  }

  static int HeadingLevel(const std::wstring& name) {
    if (name.size() == 2 && name[0] == L'h' && name[1] >= L'1' && name[1] <= L'6') return name[1] - L'0';
    return 0;
  }

  void Tag(const tTag& tag) {
    const std::wstring& name = tag.Name;
    if (!tag.End && (name == L"title" || name == L"style" || name == L"script")) {
      std::wstring raw = RawTextUntilEnd(name);
      if (name == L"title") {
        std::wstring title;
        for (wchar_t c : DecodeEntities(raw))
          if (!IsHtmlSpace(c)) title += c;
          else if (!title.empty() && title.back() != L' ') title += L' ';
        while (!title.empty() && title.back() == L' ') title.pop_back();
        document_.Title = std::move(title);
      }
      return;
    }
    if (const int level = HeadingLevel(name)) {
      CloseBlock();
      if (!tag.End) OpenBlock(hbkHeading).Level = level;
    } else if (name == L"p" || name == L"div" || name == L"blockquote" || name == L"hr") {
      CloseBlock();
      if (!tag.End && name == L"p") OpenBlock(hbkParagraph);
    } else if (name == L"ul" || name == L"ol") {
      CloseBlock();
      if (!tag.End) lists_.push_back({name == L"ol", 1});
      else if (!lists_.empty()) lists_.pop_back();
    } else if (name == L"li") {
      CloseBlock();
      if (!tag.End) {
        tHtmlBlock& item = OpenBlock(hbkListItem);
        item.Level = std::max<int>(1, static_cast<int>(lists_.size()));
        item.Marker = !lists_.empty() && lists_.back().Ordered ? std::to_wstring(lists_.back().Next++) + L"."
                                                              : std::wstring(1, L'\u2022');
      }
    } else if (name == L"table") {
      CloseBlock();
      table_ = tag.End ? -1 : tables_++;
    } else if (name == L"tr") {
      CloseBlock();
      if (!tag.End) OpenBlock(hbkTableRow).Table = table_;
    } else if ((name == L"td" || name == L"th") && !tag.End) {
      if (!Current() || Current()->Kind != hbkTableRow) {
        CloseBlock();
        OpenBlock(hbkTableRow).Table = table_;
      }
      tHtmlBlock& row = *Current();
      row.Cells.emplace_back();
      if (row.Cells.size() == 1) row.HeaderRow = name == L"th";
      lastWasSpace_ = true;
    } else if (name == L"pre") {
      CloseBlock();
      if (!tag.End) {
        OpenBlock(hbkPreformatted);
        // A line break right after the start tag is not part of the text.
        if (pos_ < source_.size() && source_[pos_] == L'\r') ++pos_;
        if (pos_ < source_.size() && source_[pos_] == L'\n') ++pos_;
      }
    } else if (name == L"br" && !tag.End) {
      if (Current()) {
        Append(L"\n");
        lastWasSpace_ = true;
      }
    } else if (name == L"b" || name == L"strong") {
      bold_ += tag.End ? -1 : 1;
    } else if (name == L"i" || name == L"em" || name == L"var") {
      italic_ += tag.End ? -1 : 1;
    } else if (name == L"code" || name == L"tt" || name == L"kbd" || name == L"samp") {
      code_ += tag.End ? -1 : 1;
    } else if (name == L"a") {
      if (tag.End) {
        if (!links_.empty()) links_.pop_back();
      } else {
        const std::wstring href = tag.Attribute(L"href");
        links_.push_back(href.starts_with(L"#") ? href.substr(1) : std::wstring());
        if (const std::wstring anchor = tag.Attribute(L"name"); !anchor.empty()) AddAnchor(anchor);
      }
    }
    if (!tag.End)
      if (const std::wstring id = tag.Attribute(L"id"); !id.empty()) AddAnchor(id);
  }

  tHtmlBlock* Current() { return current_ < 0 ? nullptr : &document_.Blocks[static_cast<size_t>(current_)]; }

  tHtmlBlock& OpenBlock(tHtmlBlockKind kind) {
    CloseBlock();
    tHtmlBlock& block = document_.Blocks.emplace_back();
    block.Kind = kind;
    block.Anchors = std::exchange(pendingAnchors_, {});
    if (kind != hbkTableRow) block.Cells.emplace_back();
    current_ = static_cast<int>(document_.Blocks.size()) - 1;
    lastWasSpace_ = true;
    return block;
  }

  void CloseBlock() {
    tHtmlBlock* block = Current();
    if (!block) return;
    current_ = -1;
    bool empty = true;
    for (auto& cell : block->Cells) {
      if (block->Kind != hbkPreformatted) {
        while (!cell.empty()) {
          std::wstring& text = cell.back().Text;
          while (!text.empty() && (text.back() == L' ' || text.back() == L'\n')) text.pop_back();
          if (!text.empty()) break;
          cell.pop_back();
        }
      } else if (!cell.empty() && cell.back().Text.ends_with(L'\n')) {
        cell.back().Text.pop_back();
      }
      if (!cell.empty()) empty = false;
    }
    if (empty && block->Kind != hbkTableRow) {
      // Nothing to show: its anchors go to the next block.
      pendingAnchors_.insert(pendingAnchors_.begin(), block->Anchors.begin(), block->Anchors.end());
      document_.Blocks.pop_back();
    }
  }

  void AddAnchor(const std::wstring& name) {
    if (tHtmlBlock* block = Current()) block->Anchors.push_back(name);
    else pendingAnchors_.push_back(name);
  }

  void Text(std::wstring_view raw) {
    if (raw.empty()) return;
    std::wstring text = DecodeEntities(raw);
    tHtmlBlock* block = Current();
    if (block && block->Kind == hbkPreformatted) {
      std::erase(text, L'\r');
      Append(text);
      return;
    }
    if (!block) {
      if (std::all_of(text.begin(), text.end(), IsHtmlSpace)) return;
      OpenBlock(hbkParagraph);
    } else if (block->Kind == hbkTableRow && block->Cells.empty()) {
      if (std::all_of(text.begin(), text.end(), IsHtmlSpace)) return;
      block->Cells.emplace_back();
    }
    std::wstring collapsed;
    for (wchar_t c : text) {
      if (IsHtmlSpace(c)) {
        if (!lastWasSpace_) collapsed += L' ';
        lastWasSpace_ = true;
      } else {
        collapsed += c;
        lastWasSpace_ = false;
      }
    }
    Append(collapsed);
  }

  void Append(std::wstring_view text) {
    if (text.empty()) return;
    auto& cell = Current()->Cells.back();
    tHtmlRun run;
    run.Bold = bold_ > 0;
    run.Italic = italic_ > 0;
    run.Code = code_ > 0;
    if (!links_.empty()) run.Link = links_.back();
    if (!cell.empty() && cell.back().Bold == run.Bold && cell.back().Italic == run.Italic &&
        cell.back().Code == run.Code && cell.back().Link == run.Link) {
      cell.back().Text += text;
      return;
    }
    run.Text = text;
    cell.push_back(std::move(run));
  }

  std::wstring source_;
  size_t pos_ = 0;
  tHtmlDocument document_;
  int current_ = -1;
  std::vector<std::wstring> pendingAnchors_;
  std::vector<tList> lists_;
  std::vector<std::wstring> links_;
  int bold_ = 0, italic_ = 0, code_ = 0;
  int table_ = -1, tables_ = 0;
  bool lastWasSpace_ = true;
};

}  // namespace

std::wstring tHtmlBlock::Text() const {
  std::wstring text;
  for (size_t i = 0; i < Cells.size(); ++i) {
    if (i > 0) text += L'\t';
    for (const auto& run : Cells[i]) text += run.Text;
  }
  return text;
}

int tHtmlDocument::FindAnchor(std::wstring_view name) const {
  for (size_t i = 0; i < Blocks.size(); ++i)
    for (const auto& anchor : Blocks[i].Anchors)
      if (anchor == name) return static_cast<int>(i);
  return -1;
}

tHtmlDocument ParseHtml(std::string_view utf8) { return cHtmlParser(WidenUtf8(utf8)).Parse(); }

// ---------------------------------------------------------------------------------------------
// View

namespace {

// Distances at 96 dots per inch.
constexpr int PageMargin = 14;
constexpr int ParagraphGap = 8;
constexpr int ListItemGap = 3;
constexpr int ListIndent = 22;
constexpr int MarkerGap = 6;
constexpr int CellPadding = 5;
constexpr int BoxPadding = 6;
constexpr int TextPoints = 9;

constexpr COLORREF HeadingColor = RGB(0x1F, 0x3F, 0x7F);
constexpr COLORREF LinkColor = RGB(0x00, 0x4C, 0xB0);
constexpr COLORREF BoxColor = RGB(0xF3, 0xF3, 0xF3);

int HeadingSpaceBefore(int level) { return level <= 1 ? 4 : level == 2 ? 18 : 12; }

// The pieces that lines are made of: words, single blanks and line breaks; in preformatted text
// whole lines and line breaks.
std::vector<std::wstring> Tokens(std::wstring_view text, bool wrap) {
  std::vector<std::wstring> tokens;
  std::wstring piece;
  auto flush = [&] {
    if (!piece.empty()) tokens.push_back(std::exchange(piece, {}));
  };
  for (wchar_t c : text) {
    if (c == L'\n' || (wrap && c == L' ')) {
      flush();
      tokens.emplace_back(1, c);
    } else if (c == L'\t') {
      piece += L"    ";
    } else {
      piece += c;
    }
  }
  flush();
  return tokens;
}

int ClientHeight(HWND window) {
  RECT client{};
  ::GetClientRect(window, &client);
  return client.bottom - client.top;
}

}  // namespace

void cHtmlView::Create(HWND parent, int id, const RECT& bounds) {
  CreateHandle(WS_EX_CLIENTEDGE, RegisterWindowClass(L"MarveskHtmlView"), L"",
               WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP, bounds.left, bounds.top, bounds.right - bounds.left,
               bounds.bottom - bounds.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
  Layout();
}

void cHtmlView::SetDocument(tHtmlDocument document) {
  document_ = std::move(document);
  scrollPos_ = 0;
  Layout();
}

bool cHtmlView::ScrollToAnchor(std::wstring_view name) {
  const int block = document_.FindAnchor(name);
  if (block < 0) return false;
  ScrollTo(BlockTop(block));
  return true;
}

int cHtmlView::MaxScrollPos() const noexcept {
  return Handle() ? std::max(0, pageHeight_ - ClientHeight(Handle())) : 0;
}

int cHtmlView::BlockTop(int index) const {
  return index >= 0 && static_cast<size_t>(index) < blockTops_.size() ? blockTops_[static_cast<size_t>(index)] : 0;
}

std::optional<RECT> cHtmlView::LinkBounds(std::wstring_view anchor) const {
  for (const auto& fragment : fragments_) {
    if (fragment.Link != anchor) continue;
    RECT bounds = fragment.Bounds;
    ::OffsetRect(&bounds, 0, -scrollPos_);
    return bounds;
  }
  return std::nullopt;
}

int cHtmlView::Scaled(int pixels) const noexcept { return ::MulDiv(pixels, static_cast<int>(fontDpi_), 96); }

HFONT cHtmlView::Font(int key) {
  auto& font = fonts_[key];
  if (!font) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    ::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, fontDpi_);
    LOGFONTW face = metrics.lfMessageFont;
    static constexpr int SizePercent[] = {100, 170, 135, 115};
    const int sizeClass = std::min(key >> fsSizeShift, 3);
    face.lfHeight = -::MulDiv(TextPoints * SizePercent[sizeClass], static_cast<int>(fontDpi_), 72 * 100);
    face.lfWidth = 0;
    face.lfWeight = key & fsBold ? FW_BOLD : FW_NORMAL;
    face.lfItalic = key & fsItalic ? TRUE : FALSE;
    face.lfUnderline = key & fsUnderline ? TRUE : FALSE;
    if (key & fsCode) {
      const std::wstring code = gui::LoadResString(IDS_EDITOR_FONT);
      face.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
      std::fill(std::begin(face.lfFaceName), std::end(face.lfFaceName), L'\0');
      code.copy(face.lfFaceName, LF_FACESIZE - 1);
    }
    font.reset(::CreateFontIndirectW(&face));
  }
  return font.get();
}

const TEXTMETRICW& cHtmlView::Metrics(HDC dc, int key) {
  auto found = metrics_.find(key);
  if (found != metrics_.end()) return found->second;
  TEXTMETRICW metrics{};
  gui::cSelectedObject selected(dc, Font(key));
  ::GetTextMetricsW(dc, &metrics);
  return metrics_.emplace(key, metrics).first->second;
}

void cHtmlView::Layout() {
  HWND window = Handle();
  if (!window) return;
  const UINT dpi = ::GetDpiForWindow(window);
  if (dpi != fontDpi_) {
    fontDpi_ = dpi ? dpi : 96;
    fonts_.clear();
    metrics_.clear();
  }
  fragments_.clear();
  decorations_.clear();
  blockTops_.assign(document_.Blocks.size(), 0);

  // Text is measured where it is drawn: in a memory device context (the view draws off screen).
  const gui::cMemoryDC dc(::CreateCompatibleDC(nullptr));
  RECT client{};
  ::GetClientRect(window, &client);
  const int left = Scaled(PageMargin);
  const int right = std::max<int>(left + Scaled(100), client.right - Scaled(PageMargin));
  lineHeight_ = Metrics(dc.get(), 0).tmHeight;

  int y = Scaled(PageMargin) / 2;
  const auto& blocks = document_.Blocks;
  for (size_t i = 0; i < blocks.size(); ++i) {
    const tHtmlBlock& block = blocks[i];
    blockTops_[i] = y;
    switch (block.Kind) {
      case hbkHeading: {
        y += Scaled(HeadingSpaceBefore(block.Level));
        y = LayoutRuns(dc.get(), block.Cells.front(), {left, right, std::min(block.Level, 3), true, false}, y, true);
        if (block.Level <= 2) {
          y += Scaled(2);
          decorations_.push_back({{left, y, right, y + std::max(1, Scaled(1))}, ::GetSysColor(COLOR_3DSHADOW), true});
        }
        y += Scaled(ParagraphGap);
        break;
      }
      case hbkParagraph:
        y = LayoutRuns(dc.get(), block.Cells.front(), {left, right, 0, true, false}, y, false) + Scaled(ParagraphGap);
        break;
      case hbkListItem: {
        const int indent = left + Scaled(ListIndent) * block.Level;
        const size_t first = fragments_.size();
        y = LayoutRuns(dc.get(), block.Cells.front(), {indent, right, 0, true, false}, y, false);
        if (first < fragments_.size()) {
          const tFragment& start = fragments_[first];
          const TEXTMETRICW& metrics = Metrics(dc.get(), 0);
          SIZE size{};
          {
            gui::cSelectedObject selected(dc.get(), Font(0));
            ::GetTextExtentPoint32W(dc.get(), block.Marker.c_str(), static_cast<int>(block.Marker.size()), &size);
          }
          const int x = indent - Scaled(MarkerGap) - size.cx;
          const int top = start.Bounds.top + start.Ascent - metrics.tmAscent;
          fragments_.push_back({{x, top, x + size.cx, top + metrics.tmHeight}, metrics.tmAscent, 0, block.Marker, {}});
        }
        const bool listGoesOn = i + 1 < blocks.size() && blocks[i + 1].Kind == hbkListItem;
        y += Scaled(listGoesOn ? ListItemGap : ParagraphGap);
        break;
      }
      case hbkPreformatted: {
        const int padding = Scaled(BoxPadding);
        const int top = y;
        y = LayoutRuns(dc.get(), block.Cells.front(), {left + padding, right - padding, 0, false, true}, y + padding,
                       false) + padding;
        decorations_.push_back({{left, top, right, y}, BoxColor, true});
        decorations_.push_back({{left, top, right, y}, ::GetSysColor(COLOR_3DLIGHT), false});
        y += Scaled(ParagraphGap);
        break;
      }
      case hbkTableRow: {
        size_t last = i;
        while (last + 1 < blocks.size() && blocks[last + 1].Kind == hbkTableRow && blocks[last + 1].Table == block.Table)
          ++last;
        y = LayoutTable(dc.get(), i, last, left, right, y) + Scaled(ParagraphGap);
        i = last;
        break;
      }
    }
  }
  pageHeight_ = y;
  scrollPos_ = std::clamp(scrollPos_, 0, MaxScrollPos());
  UpdateScrollBar();
  ::InvalidateRect(window, nullptr, FALSE);
}

int cHtmlView::LayoutRuns(HDC dc, const std::vector<tHtmlRun>& runs, const tRunArea& area, int top, bool bold) {
  const size_t lineStart = fragments_.size();
  size_t first = lineStart;
  int x = area.Left;
  int lastKey = area.SizeClass << fsSizeShift;
  bool spaced = false;
  auto finishLine = [&] {
    int ascent = 0, descent = 0;
    if (first == fragments_.size()) {
      const TEXTMETRICW& metrics = Metrics(dc, lastKey);
      ascent = metrics.tmAscent;
      descent = metrics.tmDescent;
    }
    for (size_t f = first; f < fragments_.size(); ++f) {
      const tFragment& fragment = fragments_[f];
      ascent = std::max(ascent, fragment.Ascent);
      descent = std::max<int>(descent, fragment.Bounds.bottom - fragment.Ascent);
    }
    for (size_t f = first; f < fragments_.size(); ++f) {
      tFragment& fragment = fragments_[f];
      const int height = fragment.Bounds.bottom;
      fragment.Bounds.top = top + ascent - fragment.Ascent;
      fragment.Bounds.bottom = fragment.Bounds.top + height;
    }
    top += ascent + descent;
    first = fragments_.size();
    x = area.Left;
  };
  // Until its line is finished, a fragment's bounds hold its height in bottom.
  for (const tHtmlRun& run : runs) {
    int key = area.SizeClass << fsSizeShift;
    if (bold || run.Bold) key |= fsBold;
    if (run.Italic) key |= fsItalic;
    if (run.Code || area.Code) key |= fsCode;
    if (!run.Link.empty()) key |= fsUnderline;
    lastKey = key;
    const TEXTMETRICW& metrics = Metrics(dc, key);
    gui::cSelectedObject selected(dc, Font(key));
    for (const std::wstring& token : Tokens(run.Text, area.Wrap)) {
      if (token == L"\n") {
        finishLine();
        continue;
      }
      SIZE size{};
      ::GetTextExtentPoint32W(dc, token.c_str(), static_cast<int>(token.size()), &size);
      if (token == L" ") {
        if (x > area.Left) {
          x += size.cx;
          spaced = true;
        }
        continue;
      }
      if (area.Wrap && x > area.Left && x + size.cx > area.Right) {
        finishLine();
        spaced = false;
      }
      // Words of one style on one line are drawn as one piece, so the font spaces them.
      if (first < fragments_.size() && fragments_.back().Font == key && fragments_.back().Link == run.Link) {
        tFragment& previous = fragments_.back();
        if (spaced) previous.Text += L' ';
        previous.Text += token;
        SIZE piece{};
        ::GetTextExtentPoint32W(dc, previous.Text.c_str(), static_cast<int>(previous.Text.size()), &piece);
        previous.Bounds.right = previous.Bounds.left + piece.cx;
        x = previous.Bounds.right;
      } else {
        fragments_.push_back({{x, 0, x + size.cx, metrics.tmHeight}, metrics.tmAscent, key, token, run.Link});
        x += size.cx;
      }
      spaced = false;
    }
  }
  if (first < fragments_.size() || x > area.Left) finishLine();
  return top;
}

int cHtmlView::NaturalWidth(HDC dc, const std::vector<tHtmlRun>& runs, bool bold) {
  int width = 0;
  for (const tHtmlRun& run : runs) {
    int key = 0;
    if (bold || run.Bold) key |= fsBold;
    if (run.Italic) key |= fsItalic;
    if (run.Code) key |= fsCode;
    gui::cSelectedObject selected(dc, Font(key));
    SIZE size{};
    ::GetTextExtentPoint32W(dc, run.Text.c_str(), static_cast<int>(run.Text.size()), &size);
    width += size.cx;
  }
  return width;
}

int cHtmlView::LayoutTable(HDC dc, size_t first, size_t last, int left, int right, int top) {
  const auto& blocks = document_.Blocks;
  size_t columns = 1;
  for (size_t r = first; r <= last; ++r) columns = std::max(columns, blocks[r].Cells.size());
  const int padding = Scaled(CellPadding);
  const int available = right - left;
  // Every column but the last is as wide as its widest cell, up to a share of the page; the last
  // takes the rest and wraps.
  std::vector<int> widths(columns, 0);
  int used = 0;
  for (size_t c = 0; c + 1 < columns; ++c) {
    for (size_t r = first; r <= last; ++r)
      if (c < blocks[r].Cells.size())
        widths[c] = std::max(widths[c], NaturalWidth(dc, blocks[r].Cells[c], blocks[r].HeaderRow) + 2 * padding);
    widths[c] = std::min(widths[c], available * 45 / 100 / static_cast<int>(columns - 1));
    used += widths[c];
  }
  widths.back() = std::max(available - used, 4 * padding);

  const COLORREF grid = ::GetSysColor(COLOR_3DSHADOW);
  int y = top;
  for (size_t r = first; r <= last; ++r) {
    const tHtmlBlock& row = blocks[r];
    blockTops_[r] = y;
    int bottom = y + 2 * padding + lineHeight_;
    int x = left;
    for (size_t c = 0; c < columns; ++c) {
      if (c < row.Cells.size())
        bottom = std::max(bottom, LayoutRuns(dc, row.Cells[c], {x + padding, x + widths[c] - padding, 0, true, false},
                                             y + padding, row.HeaderRow) + padding);
      x += widths[c];
    }
    if (row.HeaderRow) decorations_.push_back({{left, y, left + available, bottom}, ::GetSysColor(COLOR_3DFACE), true});
    x = left;
    for (size_t c = 0; c < columns; ++c) {
      decorations_.push_back({{x, y, x + widths[c] + 1, bottom + 1}, grid, false});
      x += widths[c];
    }
    y = bottom;
  }
  return y + 1;
}

void cHtmlView::ScrollTo(int position) {
  position = std::clamp(position, 0, MaxScrollPos());
  if (position == scrollPos_) return;
  scrollPos_ = position;
  UpdateScrollBar();
  ::InvalidateRect(Handle(), nullptr, FALSE);
}

void cHtmlView::UpdateScrollBar() {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMin = 0;
  info.nMax = std::max(0, pageHeight_ - 1);
  info.nPage = static_cast<UINT>(ClientHeight(Handle()));
  info.nPos = scrollPos_;
  ::SetScrollInfo(Handle(), SB_VERT, &info, TRUE);
}

void cHtmlView::Paint(HDC dc, const RECT& area) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return;
  // Drawn off screen first, so that scrolling does not flicker.
  const gui::cMemoryDC memoryDC(::CreateCompatibleDC(dc));
  HDC memory = memoryDC.get();
  gui::cBitmap bitmap(::CreateCompatibleBitmap(dc, width, height));
  gui::cSelectedObject selectedBitmap(memory, bitmap.get());
  ::SetWindowOrgEx(memory, area.left, area.top + scrollPos_, nullptr);

  RECT visible = area;
  ::OffsetRect(&visible, 0, scrollPos_);
  ::SetDCBrushColor(memory, ::GetSysColor(COLOR_WINDOW));
  ::FillRect(memory, &visible, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
  RECT overlap{};
  for (const tDecoration& decoration : decorations_) {
    if (!::IntersectRect(&overlap, &decoration.Bounds, &visible)) continue;
    ::SetDCBrushColor(memory, decoration.Color);
    if (decoration.Fill) ::FillRect(memory, &decoration.Bounds, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    else ::FrameRect(memory, &decoration.Bounds, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
  }
  ::SetBkMode(memory, TRANSPARENT);
  for (const tFragment& fragment : fragments_) {
    if (!::IntersectRect(&overlap, &fragment.Bounds, &visible)) continue;
    COLORREF color = ::GetSysColor(COLOR_WINDOWTEXT);
    if (!fragment.Link.empty()) color = LinkColor;
    else if (fragment.Font >> fsSizeShift) color = HeadingColor;
    ::SetTextColor(memory, color);
    gui::cSelectedObject selected(memory, Font(fragment.Font));
    // Each character advances by its measured width, so the text ends where the layout put the
    // next piece.
    const int length = static_cast<int>(fragment.Text.size());
    std::vector<int> ends(fragment.Text.size()), advances(fragment.Text.size());
    SIZE size{};
    ::GetTextExtentExPointW(memory, fragment.Text.c_str(), length, 0, nullptr, ends.data(), &size);
    for (size_t c = 0; c < ends.size(); ++c) advances[c] = ends[c] - (c ? ends[c - 1] : 0);
    ::ExtTextOutW(memory, fragment.Bounds.left, fragment.Bounds.top, 0, nullptr, fragment.Text.c_str(),
                  static_cast<UINT>(length), advances.data());
  }
  ::SetWindowOrgEx(memory, 0, 0, nullptr);
  ::BitBlt(dc, area.left, area.top, width, height, memory, 0, 0, SRCCOPY);
}

const cHtmlView::tFragment* cHtmlView::LinkAt(POINT client) const {
  const POINT page{client.x, client.y + scrollPos_};
  for (const auto& fragment : fragments_)
    if (!fragment.Link.empty() && ::PtInRect(&fragment.Bounds, page)) return &fragment;
  return nullptr;
}

LRESULT cHtmlView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
    case WM_DPICHANGED_AFTERPARENT:
      Layout();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(Handle(), &paint);
      Paint(dc, paint.rcPaint);
      ::EndPaint(Handle(), &paint);
      return 0;
    }
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_VSCROLL: {
      const int page = std::max(lineHeight_, ClientHeight(Handle()) - lineHeight_);
      switch (LOWORD(wParam)) {
        case SB_LINEUP: ScrollTo(scrollPos_ - lineHeight_); break;
        case SB_LINEDOWN: ScrollTo(scrollPos_ + lineHeight_); break;
        case SB_PAGEUP: ScrollTo(scrollPos_ - page); break;
        case SB_PAGEDOWN: ScrollTo(scrollPos_ + page); break;
        case SB_TOP: ScrollTo(0); break;
        case SB_BOTTOM: ScrollTo(MaxScrollPos()); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
          SCROLLINFO info{};
          info.cbSize = sizeof info;
          info.fMask = SIF_TRACKPOS;
          ::GetScrollInfo(Handle(), SB_VERT, &info);
          ScrollTo(info.nTrackPos);
          break;
        }
        default: break;
      }
      return 0;
    }
    case WM_MOUSEWHEEL: {
      UINT lines = 3;
      ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
      const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
      ScrollTo(scrollPos_ - ::MulDiv(delta, static_cast<int>(std::min(lines, 20u)) * lineHeight_, WHEEL_DELTA));
      return 0;
    }
    case WM_KEYDOWN:
      switch (wParam) {
        case VK_UP: ScrollTo(scrollPos_ - lineHeight_); return 0;
        case VK_DOWN: ScrollTo(scrollPos_ + lineHeight_); return 0;
        case VK_PRIOR: ScrollTo(scrollPos_ - std::max(lineHeight_, ClientHeight(Handle()) - lineHeight_)); return 0;
        case VK_NEXT: ScrollTo(scrollPos_ + std::max(lineHeight_, ClientHeight(Handle()) - lineHeight_)); return 0;
        case VK_HOME: ScrollTo(0); return 0;
        case VK_END: ScrollTo(MaxScrollPos()); return 0;
        default: break;
      }
      break;
    case WM_LBUTTONDOWN:
      ::SetFocus(Handle());
      return 0;
    case WM_LBUTTONUP:
      if (const tFragment* link = LinkAt({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) {
        const std::wstring target = link->Link;
        ScrollToAnchor(target);
      }
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        POINT cursor{};
        ::GetCursorPos(&cursor);
        ::ScreenToClient(Handle(), &cursor);
        if (LinkAt(cursor)) {
          ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
          return TRUE;
        }
      }
      break;
    default:
      break;
  }
  return cWindow::HandleMessage(message, wParam, lParam);
}
