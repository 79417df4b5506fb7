#include "session/ConsoleEdit.h"

#include <windowsx.h>

#include <algorithm>
#include <climits>

#include "gui/DialogSeam.h"
#include "gui/Handle.h"
#include "gui/ResString.h"
#include "view/TextViewMessages.h"
#include "resources/resource.h"
#include "session/PlaceOpener.h"
#include "session/PlacesInPane.h"
#include "text/Utils.h"
#include "ui/ExeResources.h"

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
  // A link wins over a place its text holds.
  if (std::optional<tPlaceTarget> link = LinkPlaceAt(position)) return link;
  return cPanePlaces(Handle(), WorkingFolder, ProbePath).PlaceAt(position);
}

std::optional<tPlaceTarget> cConsoleEdit::LinkPlaceAt(int position) const {
  view::tTextLink link;
  WPerform(view::kViewLinkAt, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&link));
  if (link.Id == 0 || link.Id > linkTargets_.size()) return std::nullopt;
  std::optional<tPlaceTarget> place = LinkPlace(*linkTargets_[link.Id - 1]);
  if (place) {
    place->Start = static_cast<std::size_t>(link.Span.Start);
    place->End = static_cast<std::size_t>(link.Span.End);
  }
  return place;
}

void cConsoleEdit::SetHotPlace(std::optional<tPlaceTarget> place) {
  if (place == hotPlace_) return;
  hotPlace_ = std::move(place);
  view::tTextSpan span;
  if (hotPlace_) span = {static_cast<std::int64_t>(hotPlace_->Start), static_cast<std::int64_t>(hotPlace_->End)};
  WPerform(view::kViewSetHotSpan, 0, reinterpret_cast<LPARAM>(&span));
  if (hotPlace_) ::SetTimer(Handle(), kHotPlaceTimer, kHotPlaceMs, nullptr);
  else ::KillTimer(Handle(), kHotPlaceTimer);
  if (OnShowTarget) OnShowTarget(hotPlace_ ? hotPlace_->Target : std::wstring());
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
  const cPanePlaces places(Handle(), WorkingFolder, ProbePath);
  const tPlaceSearch search = places.NextPlace(static_cast<int>(forward ? end : start), forward);
  if (search.StoppedAt >= 0) {
    // The caret goes where the search stopped, so that the key goes on from there.
    WPerform(EM_SETSEL, static_cast<WPARAM>(search.StoppedAt), search.StoppedAt);
    WPerform(EM_SCROLLCARET, 0, 0);
    ShowPlaceMessage(gui::FormatRes(forward ? IDS_PLACE_SEARCH_STOPPED_DOWN : IDS_PLACE_SEARCH_STOPPED_UP,
                                    {std::to_wstring(WCaretPos().Line + 1)}),
                     MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (!search.Place) {
    ::MessageBeep(MB_OK);
    return;
  }
  WPerform(EM_SETSEL, search.Place->Start, static_cast<LPARAM>(search.Place->End));
  WPerform(EM_SCROLLCARET, 0, 0);
  OpenPlace(*search.Place);
}

int cConsoleEdit::ShowPlaceMessage(const std::wstring& text, UINT flags) const {
  return gui::cDialogSeam::ShowMessage(::GetAncestor(Handle(), GA_ROOT), text,
                                       gui::FormatRes(IDS_PRODUCT_CAPTION, {ProductName()}), flags);
}

void cConsoleEdit::OpenPlace(const tPlaceTarget& place) {
  SetHotPlace(std::nullopt);
  // The output named the computer: only the user may let the editor reach it. No probe comes
  // first; after Yes the editor asks for the file itself, outside this window.
  if (place.Reach == prNetwork &&
      ShowPlaceMessage(gui::FormatRes(IDS_PLACE_NETWORK_QUESTION, {NetworkHost(place.Target), place.Target}),
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
    return;
  std::wstring failure;
  if (place.Kind == pkAddress) {
    if (!cPlaceOpener::OpenAddress(place.Target))
      failure = gui::FormatRes(IDS_PLACE_ADDRESS_FAILED, {cSystemResources::SystemErrorTextW(::GetLastError()), place.Target});
  } else if (const tEditorLaunch editor =
                 EditorLaunch(EditorCommand, place.Target, place.Line, place.Column, ProgramSearchPath());
             editor.Launch) {
    if (!cPlaceOpener::Launch(*editor.Launch))
      failure = gui::FormatRes(IDS_PLACE_EDITOR_FAILED,
                               {cSystemResources::SystemErrorTextW(::GetLastError()), editor.Launch->CommandLine});
  } else {
    failure = editor.Refusal;
  }
  if (!failure.empty() && OnOpenFailed) OnOpenFailed(failure);
}

// ---- the output pane as the output rules' text ----

void cConsoleEdit::AppendText(std::wstring_view text, view::tTextAttribute look, std::wstring_view link) {
  // Gathered, and shown in one append at the next flush: a coloured line is several pieces, and the
  // pane's cost is per append.
  if (text.empty()) return;
  const auto addRun = [&](std::vector<view::tAttributeRun>& runs, view::tTextAttribute attribute) {
    if (!runs.empty() && runs.back().Attribute == attribute)
      runs.back().Length += text.size();
    else
      runs.push_back({text.size(), attribute});
  };
  if (!link.empty() || !pendingLinks_.empty()) {
    if (pendingLinks_.empty() && !pending_.empty()) pendingLinks_.push_back({pending_.size(), 0});
    addRun(pendingLinks_, LinkId(link));
  }
  pending_ += text;
  addRun(pendingRuns_, look);
}

view::tLinkId cConsoleEdit::LinkId(std::wstring_view link) {
  if (link.empty()) return 0;
  const auto [at, added] = linkIds_.try_emplace(std::wstring(link), linkTargets_.size() + 1);
  if (added) linkTargets_.push_back(&at->first);
  return at->second;
}

void cConsoleEdit::HoldOutput(bool hold) {
  Flush();
  held_ = hold;
  heldLines_ = 0;
  // Released, the caret goes to the end and shows.
  if (!hold) SendOutput({}, 0);
}

bool cConsoleEdit::SendOutput(view::tLookedText text, std::size_t removed) {
  const view::tViewOutput output{text, removed, held_, Arrival};
  return WPerform(view::kViewOutput, 0, reinterpret_cast<LPARAM>(&output)) != 0;
}

void cConsoleEdit::Flush() {
  if (pending_.empty()) return;
  if (held_) heldLines_ += static_cast<int>(std::count(pending_.begin(), pending_.end(), L'\n'));
  // The view takes the text as it lies, without the copy that makes it a string of its own. A
  // system edit control answers 0: it has no looks, nor a text long enough to need more than int.
  if (!SendOutput({pending_.data(), pending_.size(), pendingRuns_.data(), pendingRuns_.size(), pendingLinks_.data(),
                   pendingLinks_.size()},
                  0)) {
    SetSelStart(INT_MAX);
    SetWSelText(pending_);
  }
  // Emptied, not given up: the next chunk needs as much room.
  pending_.clear();
  pendingRuns_.clear();
  pendingLinks_.clear();
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
  // What is still gathered goes before it reaches the view, with its looks: a line that is
  // rewritten over and over within one chunk costs the view nothing.
  std::size_t rest = static_cast<std::size_t>(std::max(count, 0));
  const std::size_t cut = std::min(rest, pending_.size());
  pending_.erase(pending_.end() - static_cast<std::ptrdiff_t>(cut), pending_.end());
  // The looks' runs and the links' runs (none while no link came) end where the text ends.
  for (std::vector<view::tAttributeRun>* runs : {&pendingRuns_, &pendingLinks_}) {
    for (std::size_t left = runs->empty() ? 0 : cut; left > 0;) {
      view::tAttributeRun& last = runs->back();
      const std::size_t taken = std::min<std::size_t>(left, last.Length);
      last.Length -= taken;
      left -= taken;
      if (last.Length == 0) runs->pop_back();
    }
  }
  rest -= cut;
  if (rest == 0 || SendOutput({}, rest)) return;
  const int removed = static_cast<int>(rest);
  SetSelStart(INT_MAX);
  const int end = SelStart();
  SetSelStart(std::max(end - removed, 0));
  SetSelLength(std::min(removed, end));
  SetWSelText(L"");
}

void cConsoleEdit::ClearText() {
  // What was gathered before a form feed never shows; no link is left to lead anywhere.
  pending_.clear();
  pendingRuns_.clear();
  pendingLinks_.clear();
  WLines().Clear();
  linkIds_.clear();
  linkTargets_.clear();
}
