#include "session/ConsoleEdit.h"

#include <algorithm>
#include <climits>

#include "gui/TextViewMessages.h"

namespace {

// Whether the caret is at the end of the pane's text with nothing selected.
bool CaretAtEnd(const cWMemo& pane) {
  DWORD start = 0, end = 0;
  pane.WPerform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return start == end && static_cast<LRESULT>(end) == pane.WPerform(WM_GETTEXTLENGTH, 0, 0);
}

}  // namespace

void cConsoleEdit::ForwardControlKey(WORD key) {
  if (OnConsoleControl && ::GetKeyState(VK_CONTROL) < 0 && key != VK_CONTROL && (key == VK_CANCEL || key == 'C'))
    OnConsoleControl(key == VK_CANCEL ? CTRL_BREAK_EVENT : CTRL_C_EVENT);
}

LRESULT cConsoleEdit::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_KEYDOWN) return cSearchableEditor::HandleMessage(message, wParam, lParam);
  // The pane's own handling first (the key-down event, then the control), then the child's
  // console gets Ctrl+C or Ctrl+Break, read-only panes included.
  LRESULT result = cSearchableEditor::HandleMessage(message, wParam, lParam);
  ForwardControlKey(static_cast<WORD>(wParam));
  if (OnAfterKeyDown) OnAfterKeyDown();
  return result;
}

// ---- the output pane as the output rules' text ----

void cConsoleEdit::AppendText(std::wstring_view text, gui::tTextAttribute look) {
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
  // A system edit control has no looks: it answers 0 and gets the plain text.
  const bool plain = pendingRuns_.size() == 1 && pendingRuns_.front().Attribute == 0;
  const gui::tLookedText looked{pending_.data(), pending_.size(), pendingRuns_.data(), pendingRuns_.size()};
  if (plain || WPerform(gui::kViewReplaceSelLook, 0, reinterpret_cast<LPARAM>(&looked)) == 0) SetWSelText(pending_);
  // Emptied, not given up: the next chunk needs as much room.
  pending_.clear();
  pendingRuns_.clear();
}

int cConsoleEdit::TextLength() const {
  Flushed();
  return static_cast<int>(WPerform(WM_GETTEXTLENGTH, 0, 0));
}

int cConsoleEdit::LineCount() const {
  Flushed();
  return WLines().GetCount();
}

std::wstring cConsoleEdit::Line(int index) const {
  Flushed();
  return WLines().Get(index);
}

void cConsoleEdit::DeleteLine(int index) {
  Flush();
  WLines().Delete(index);
}

std::wstring cConsoleEdit::LastLineTail(int count) const {
  // Only the last line is read, so the cost does not grow with the pane.
  const int end = TextLength();
  const auto line = static_cast<int>(WPerform(EM_LINEFROMCHAR, static_cast<WPARAM>(end), 0));
  const auto start = static_cast<int>(WPerform(EM_LINEINDEX, static_cast<WPARAM>(line), 0));
  const std::wstring text = WLines().Get(line);
  const size_t before = std::min(static_cast<size_t>(std::max(end - start, 0)), text.size());
  const size_t taken = std::min(before, static_cast<size_t>(std::max(count, 0)));
  return text.substr(before - taken, taken);
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
