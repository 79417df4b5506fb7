#include "session/ConsoleEdit.h"

#include <windowsx.h>

#include <algorithm>
#include <climits>

#include "gui/Handle.h"
#include "gui/ResString.h"
#include "view/TextViewMessages.h"
#include "resources/resource.h"
#include "session/PlaceOpener.h"
#include "session/PlacesInPane.h"
#include "text/Utils.h"

namespace {

// While a place is underlined, this timer looks whether Ctrl is still held.
constexpr UINT_PTR kHotPlaceTimer = 0x504C;
constexpr UINT kHotPlaceMs = 100;

bool ControlHeld() { return ::GetKeyState(VK_CONTROL) < 0; }

// A number the pane gives in 16 bits (EM_CHARFROMPOS), made whole again from a full one at most
// 65535 below it.
int Widen(int low16, int below) { return below + ((low16 - below) & 0xFFFF); }

// The height of a row in the pane's font, where no other row tells it.
int FontRowHeight(HWND pane) {
  const gui::cWindowDC dc(::GetDC(pane));
  const gui::cSelectedObject font(dc.get(), reinterpret_cast<HGDIOBJ>(::SendMessageW(pane, WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics{};
  return ::GetTextMetricsW(dc.get(), &metrics) ? metrics.tmHeight : 0;
}

POINT PointOfCharacter(const cWMemo& pane, int position) {
  const auto point = static_cast<DWORD>(pane.WPerform(EM_POSFROMCHAR, static_cast<WPARAM>(position), 0));
  return {GET_X_LPARAM(point), GET_Y_LPARAM(point)};
}

// Whether the caret is at the end of the pane's text with nothing selected.
bool CaretAtEnd(const cWMemo& pane) {
  DWORD start = 0, end = 0;
  pane.WPerform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return start == end && static_cast<LRESULT>(end) == pane.WPerform(WM_GETTEXTLENGTH, 0, 0);
}

}  // namespace

std::wstring cConsoleEdit::CaretLineText() const {
  const std::wstring text = WText();
  const size_t caret = std::min(static_cast<size_t>(std::max(SelStart(), 0)), text.size());
  const size_t before = caret < 2 ? std::wstring::npos : text.rfind(L"\r\n", caret - 2);
  const size_t start = before == std::wstring::npos ? 0 : before + 2;
  const size_t end = std::min(text.find(L"\r\n", start), text.size());
  return text.substr(start, end - start);
}

void cConsoleEdit::ForwardControlKey(WORD key) {
  if (OnConsoleControl && ::GetKeyState(VK_CONTROL) < 0 && key != VK_CONTROL && (key == VK_CANCEL || key == 'C'))
    OnConsoleControl(key == VK_CANCEL ? CTRL_BREAK_EVENT : CTRL_C_EVENT);
}

LRESULT cConsoleEdit::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == gui::kReflectBase + WM_COMMAND && HIWORD(wParam) == EN_ERRSPACE && OnOutOfMemory) OnOutOfMemory();
  if (OpensPlaces) {
    bool handled = false;
    const LRESULT result = HandlePlaceMessage(message, wParam, lParam, handled);
    if (handled) return result;
  }
  if (message != WM_KEYDOWN) return cSearchableEditor::HandleMessage(message, wParam, lParam);
  // The pane's own handling first (the key-down event, then the control), then the child's
  // console gets Ctrl+C or Ctrl+Break, read-only panes included.
  LRESULT result = cSearchableEditor::HandleMessage(message, wParam, lParam);
  ForwardControlKey(static_cast<WORD>(wParam));
  if (OnAfterKeyDown) OnAfterKeyDown();
  return result;
}

// ---- places that open ----

LRESULT cConsoleEdit::HandlePlaceMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  switch (message) {
    case WM_MOUSEMOVE:
      if (!trackingLeave_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
        trackingLeave_ = ::TrackMouseEvent(&track) != FALSE;
      }
      if (wParam & MK_CONTROL) UpdateHotPlace();
      else SetHotPlace(std::nullopt);
      break;
    case WM_MOUSELEAVE:
      trackingLeave_ = false;
      SetHotPlace(std::nullopt);
      break;
    case WM_TIMER:
      if (wParam != kHotPlaceTimer) break;
      // Ctrl may have gone up in another window, the mouse gone away, the text changed.
      UpdateHotPlace();
      handled = true;
      return 0;
    case WM_SETCURSOR:
      if (!hotPlace_ || LOWORD(lParam) != HTCLIENT) break;
      ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
      handled = true;
      return TRUE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (!(wParam & MK_CONTROL)) break;
      const std::optional<tPlaceTarget> place = PlaceAtPoint({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      if (!place) break;
      // The click opens the place and leaves the caret and the selection where they were.
      handled = true;
      if (message == WM_LBUTTONDOWN) OpenPlace(*place);
      return 0;
    }
    case WM_KEYDOWN:
      // Once as Ctrl goes down, not at every repeat of the held key.
      if (wParam == VK_CONTROL && !(lParam & (1 << 30))) UpdateHotPlace();
      if (wParam != VK_F4 || ControlHeld()) break;
      OpenNextPlace(::GetKeyState(VK_SHIFT) >= 0);
      if (OnAfterKeyDown) OnAfterKeyDown();
      handled = true;
      return 0;
    case WM_KEYUP:
      if (wParam == VK_CONTROL) SetHotPlace(std::nullopt);
      break;
    default:
      break;
  }
  return 0;
}

std::optional<tPlaceTarget> cConsoleEdit::PlaceAtPoint(POINT point) const {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  if (!::PtInRect(&client, point)) return std::nullopt;
  const auto found = static_cast<DWORD>(WPerform(EM_CHARFROMPOS, 0, MAKELPARAM(point.x, point.y)));
  // The answer holds 16 bits of the row and of the position: the row is at most a screen below
  // the first one shown, the position less than 65536 behind its row's start.
  const int row = Widen(HIWORD(found), static_cast<int>(WPerform(EM_GETFIRSTVISIBLELINE, 0, 0)));
  const auto rowStart = static_cast<int>(WPerform(EM_LINEINDEX, static_cast<WPARAM>(row), 0));
  if (rowStart < 0) return std::nullopt;
  int position = Widen(LOWORD(found), rowStart);
  const auto rowEnd = rowStart + static_cast<int>(WPerform(EM_LINELENGTH, static_cast<WPARAM>(rowStart), 0));
  if (rowEnd == rowStart) return std::nullopt;
  // The answer is the nearest boundary between characters; the mouse is over the character
  // before it when that boundary lies right of the mouse.
  if (position > rowStart && (position >= rowEnd || PointOfCharacter(*this, position).x > point.x)) --position;
  // Beside the row's last character or below the last row the answer is that character too:
  // the mouse must be within the character's cell, as wide as the one before it and as high as
  // the row.
  const POINT cell = PointOfCharacter(*this, position);
  auto rowTop = [&](int r) {
    const auto start = static_cast<int>(WPerform(EM_LINEINDEX, static_cast<WPARAM>(r), 0));
    return start < 0 ? -1 : PointOfCharacter(*this, start).y;
  };
  const int below = rowTop(row + 1), above = row > 0 ? rowTop(row - 1) : -1;
  const int height = below > cell.y ? below - cell.y : above >= 0 ? cell.y - above : FontRowHeight(Handle());
  if (height > 0 && (point.y < cell.y || point.y >= cell.y + height)) return std::nullopt;
  if (position + 1 >= rowEnd && position > rowStart &&
      point.x >= cell.x + std::max<LONG>(cell.x - PointOfCharacter(*this, position - 1).x, 1))
    return std::nullopt;
  return cPanePlaces(Handle(), WorkingFolder).PlaceAt(position);
}

void cConsoleEdit::SetHotPlace(std::optional<tPlaceTarget> place) {
  if (place == hotPlace_) return;
  hotPlace_ = std::move(place);
  view::tTextSpan span;
  if (hotPlace_) span = {static_cast<std::int64_t>(hotPlace_->Start), static_cast<std::int64_t>(hotPlace_->End)};
  WPerform(view::kViewSetHotSpan, 0, reinterpret_cast<LPARAM>(&span));
  if (hotPlace_) ::SetTimer(Handle(), kHotPlaceTimer, kHotPlaceMs, nullptr);
  else ::KillTimer(Handle(), kHotPlaceTimer);
  // The cursor changes now, not only at the next move.
  POINT cursor{};
  if (::GetCursorPos(&cursor) && ::WindowFromPoint(cursor) == Handle())
    ::SetCursor(::LoadCursorW(nullptr, hotPlace_ ? IDC_HAND : IDC_IBEAM));
}

void cConsoleEdit::UpdateHotPlace() {
  POINT cursor{};
  if (!ControlHeld() || !::GetCursorPos(&cursor) || !::ScreenToClient(Handle(), &cursor)) {
    SetHotPlace(std::nullopt);
    return;
  }
  SetHotPlace(PlaceAtPoint(cursor));
}

void cConsoleEdit::OpenNextPlace(bool forward) {
  DWORD start = 0, end = 0;
  WPerform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const std::optional<tPlaceTarget> place =
      cPanePlaces(Handle(), WorkingFolder).NextPlace(static_cast<int>(forward ? end : start), forward);
  if (!place) {
    ::MessageBeep(MB_OK);
    return;
  }
  WPerform(EM_SETSEL, place->Start, static_cast<LPARAM>(place->End));
  WPerform(EM_SCROLLCARET, 0, 0);
  OpenPlace(*place);
}

void cConsoleEdit::OpenPlace(const tPlaceTarget& place) {
  SetHotPlace(std::nullopt);
  std::wstring failure;
  if (place.Kind == pkAddress) {
    if (!cPlaceOpener::OpenAddress(place.Target))
      failure = gui::FormatRes(IDS_PLACE_ADDRESS_FAILED, {cSystemResources::SystemErrorTextW(::GetLastError()), place.Target});
  } else if (const std::optional<tProgramLaunch> launch =
                 EditorLaunch(EditorCommand, place.Target, place.Line, place.Column, ProgramSearchPath())) {
    if (!cPlaceOpener::Launch(*launch))
      failure = gui::FormatRes(IDS_PLACE_EDITOR_FAILED, {cSystemResources::SystemErrorTextW(::GetLastError()), launch->CommandLine});
  } else {
    failure = gui::FormatRes(IDS_PLACE_EDITOR_UNUSABLE, {EditorCommand, place.Target});
  }
  if (!failure.empty() && OnOpenFailed) OnOpenFailed(failure);
}

// ---- the output pane as the output rules' text ----

void cConsoleEdit::AppendText(std::wstring_view text, view::tTextAttribute look) {
  // Gathered, and shown in one append at the next flush: a coloured line is several pieces, and the
  // pane's cost is per append.
  if (text.empty()) return;
  pending_ += text;
  if (!pendingRuns_.empty() && pendingRuns_.back().Attribute == look)
    pendingRuns_.back().Length += text.size();
  else
    pendingRuns_.push_back({text.size(), look});
}

void cConsoleEdit::Flush() {
  if (pending_.empty()) return;
  if (!CaretAtEnd(*this)) SetSelStart(INT_MAX);
  // A system edit control has no looks: it answers 0 and gets the plain text. The view takes the
  // text as it lies, without the copy that makes it a string of its own.
  const view::tLookedText looked{pending_.data(), pending_.size(), pendingRuns_.data(), pendingRuns_.size()};
  if (WPerform(view::kViewReplaceSelLook, 0, reinterpret_cast<LPARAM>(&looked)) == 0) SetWSelText(pending_);
  // Emptied, not given up: the next chunk needs as much room.
  pending_.clear();
  pendingRuns_.clear();
}

std::wstring cConsoleEdit::Tail(int count) const {
  Flushed();
  const auto end = static_cast<std::size_t>(WPerform(WM_GETTEXTLENGTH, 0, 0));
  const std::size_t start = end - std::min(end, static_cast<std::size_t>(std::max(count, 0)));
  std::wstring tail;
  // A system edit control hands out no ranges: its text is read whole.
  if (!WTextRange(start, end, tail)) tail = WText().substr(start);
  return tail;
}

void cConsoleEdit::DeleteTail(int count) {
  Flush();
  SetSelStart(INT_MAX);
  const int end = SelStart();
  SetSelStart(std::max(end - count, 0));
  SetSelLength(std::min(count, end));
  SetWSelText(L"");
}

void cConsoleEdit::ClearText() {
  // What was gathered before a form feed never shows.
  pending_.clear();
  pendingRuns_.clear();
  WLines().Clear();
}
