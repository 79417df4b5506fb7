#include "ui/Status.h"

#include <algorithm>

#include <commctrl.h>

#include "gui/Handle.h"
#include "gui/ResString.h"
#include "resources/resource.h"

namespace {

constexpr int kCommandPanel = 1, kOutputCaretPanel = 2, kLastPanel = 3;
constexpr COLORREF kFocusText = RGB(255, 255, 255), kFocusBackground = RGB(0, 0, 128);

// The bar's font; a bar that was never given one draws with the GUI's default font.
HGDIOBJ BarFont(HWND bar) {
  if (auto font = reinterpret_cast<HGDIOBJ>(::SendMessageW(bar, WM_GETFONT, 0, 0))) return font;
  return ::GetStockObject(DEFAULT_GUI_FONT);
}

std::wstring LinesText(int count) {
  return gui::FormatRes(count == 1 ? IDS_STATUS_ONE_LINE : IDS_STATUS_LINES, {std::to_wstring(count)});
}

SIZE Extent(HDC dc, std::wstring_view text) {
  SIZE size{};
  ::GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
  return size;
}

}  // namespace

cStatus::cStatus(HWND statusBar, gui::cSplitter& splitter)
    : bar_(statusBar), splitter_(splitter), text_(::GetSysColor(COLOR_BTNTEXT)), back_(::GetSysColor(COLOR_BTNFACE)) {
  splitter_.OnMoved = [this] { AlignCommandPanel(); };
  ApplyWidths();
  for (int panel = 0; panel < 4; ++panel)
    ::SendMessageW(bar_, SB_SETTEXTW, static_cast<WPARAM>(panel) | SBT_OWNERDRAW, panel);
}

cStatus::~cStatus() { splitter_.OnMoved = nullptr; }

void cStatus::ShowCommand(tCaretPos caret, std::wstring_view command, bool focused) {
  ShowCaretPos(0, caret, focused);
  AlignCommandPanel();
  SetPanelText(kCommandPanel, std::wstring(command));
}

void cStatus::ShowOutput(tCaretPos caret, int lineCount, bool focused, std::optional<int> heldLines) {
  ShowCaretPos(kOutputCaretPanel, caret, focused);
  AlignCommandPanel();
  lineCount_.clear();
  if (heldLines)
    lineCount_ = gui::FormatRes(IDS_STATUS_HELD, {LinesText(lineCount), LinesText(*heldLines)});
  else if (lineCount > 0)
    lineCount_ = LinesText(lineCount);
  ShowOutputText();
}

void cStatus::ShowCommandTime(std::wstring time) {
  commandTime_ = std::move(time);
  ShowOutputText();
}

void cStatus::ShowOutputText() {
  SetPanelText(kLastPanel, commandTime_.empty() ? lineCount_
                                                : gui::FormatRes(IDS_STATUS_COMMAND_TOOK, {lineCount_, commandTime_}));
}

void cStatus::ShowHint(std::wstring_view hint) {
  size_t bar = hint.find(L'|');
  SetPanelText(kLastPanel, std::wstring(bar == std::wstring_view::npos ? hint : hint.substr(bar + 1)));
}

void cStatus::ShowCaretPos(int panel, tCaretPos caret, bool focused) {
  std::wstring text =
      gui::FormatRes(IDS_STATUS_CARET_POS, {std::to_wstring(caret.Line + 1), std::to_wstring(caret.Column + 1)});
  widths_[static_cast<size_t>(panel)] = TextWidth(text);
  if (focused) text += FocusMark;
  SetPanelText(panel, std::move(text));
}

void cStatus::AlignCommandPanel() {
  RECT splitter;
  ::GetWindowRect(splitter_.Handle(), &splitter);
  ::MapWindowPoints(HWND_DESKTOP, bar_, reinterpret_cast<POINT*>(&splitter), 2);
  widths_[kCommandPanel] = splitter.left + (splitter.right - splitter.left) / 2 - widths_[0];
  ApplyWidths();
}

void cStatus::SetPanelText(int panel, std::wstring text) {
  // Output that floods in reports its pane at every chunk: a panel that stays as it was is not
  // painted again.
  if (texts_[static_cast<size_t>(panel)] == text) return;
  texts_[static_cast<size_t>(panel)] = std::move(text);
  // Owner-drawn: the bar keeps only the panel number, so the panel is painted anew with the bar's
  // next paint. Setting its text again would paint it at once (Wine's bar does, 1-2 ms each),
  // while a keystroke waits to send its command and the child's answer waits to be shown.
  RECT bounds{};
  if (::SendMessageW(bar_, SB_GETRECT, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(&bounds)))
    ::InvalidateRect(bar_, &bounds, FALSE);
}

int cStatus::TextWidth(std::wstring_view text) const {
  // Measured with the bar's font.
  const gui::cWindowDC dc(::GetDC(bar_));
  const gui::cSelectedObject font(dc.get(), BarFont(bar_));
  return Extent(dc.get(), text).cx;
}

void cStatus::ApplyWidths() {
  int edges[4];
  int right = 0;
  for (int panel = 0; panel < kLastPanel; ++panel) {
    right += widths_[static_cast<size_t>(panel)];
    edges[panel] = right;
  }
  edges[kLastPanel] = -1;
  if (std::equal(std::begin(edges), std::end(edges), std::begin(edges_))) return;
  std::copy(std::begin(edges), std::end(edges), std::begin(edges_));
  ::SendMessageW(bar_, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(edges));
}

void cStatus::DrawPanel(const DRAWITEMSTRUCT& item) const {
  const size_t panel = item.itemID;
  if (panel >= texts_.size()) return;
  std::wstring text = texts_[panel];
  const bool focused = !text.empty() && text.back() == FocusMark;
  if (focused) text.pop_back();

  HDC dc = item.hDC;
  ::SetTextColor(dc, focused ? kFocusText : text_);
  ::SetBkColor(dc, focused ? kFocusBackground : back_);
  HGDIOBJ oldFont = ::SelectObject(dc, BarFont(bar_));
  const RECT& rc = item.rcItem;
  SIZE textSize = Extent(dc, text);
  SIZE line = Extent(dc, L"Wj");
  const bool leftAligned = panel == kCommandPanel || panel == kLastPanel;
  int x = leftAligned ? Extent(dc, L"  ").cx : (rc.right - rc.left - textSize.cx) / 2;
  int y = (rc.bottom - rc.top - line.cy) / 2;
  ::ExtTextOutW(dc, rc.left + x, rc.top + y, ETO_CLIPPED | ETO_OPAQUE, &rc, text.c_str(), static_cast<UINT>(text.size()),
                nullptr);
  ::SelectObject(dc, oldFont);
}

void cStatus::SetColours(COLORREF text, COLORREF back) {
  text_ = text;
  back_ = back;
  ::InvalidateRect(bar_, nullptr, TRUE);
}
