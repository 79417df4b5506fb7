#include "unicode/WindowStrings.h"

#include <algorithm>
#include <cstring>

#include "gui/Error.h"
#include "gui/ResString.h"
#include "resources/resource.h"

namespace {

template <class Char>
LPARAM TextParam(const std::basic_string<Char>& text) {
  return reinterpret_cast<LPARAM>(text.c_str());
}

// How many of the characters a control claims to have copied can be kept.
size_t Copied(LRESULT answer, size_t size) {
  return static_cast<size_t>(std::clamp<LRESULT>(answer, 0, static_cast<LRESULT>(size)));
}

// EM_GETLINE learns the size of its buffer from the buffer's first WORD.
constexpr int kLongestGetLine = 0xFFFF;

}  // namespace

template <class Char>
std::basic_string<Char> ReadWindowText(const IWMessageHandler& handler) {
  const LRESULT length = handler.WPerform(WM_GETTEXTLENGTH, 0, 0);
  if (length < 1) return {};
  std::basic_string<Char> text(static_cast<size_t>(length), Char(0));
  const LRESULT copied =
      handler.WPerform(WM_GETTEXT, static_cast<WPARAM>(length) + 1, reinterpret_cast<LPARAM>(text.data()));
  text.resize(Copied(copied, text.size()));
  return text;
}

template std::string ReadWindowText<char>(const IWMessageHandler&);
template std::wstring ReadWindowText<wchar_t>(const IWMessageHandler&);

// ---- cEditLines

template <class Base>
int cEditLines<Base>::LineStart(int index) const {
  return static_cast<int>(Perform(EM_LINEINDEX, static_cast<WPARAM>(index), 0));
}

template <class Base>
int cEditLines<Base>::LineLength(int start) const {
  return static_cast<int>(Perform(EM_LINELENGTH, static_cast<WPARAM>(start), 0));
}

template <class Base>
void cEditLines<Base>::Replace(int start, int end, const tString& text) {
  Perform(EM_SETSEL, static_cast<WPARAM>(start), end);
  Perform(EM_REPLACESEL, FALSE, TextParam(text));
}

template <class Base>
auto cEditLines<Base>::Get(int index) const -> tString {
  const int start = LineStart(index);
  if (start < 0) return {};
  const int length = LineLength(start);
  if (length < 1) return {};
  if (length > kLongestGetLine) {
    // Too long to announce to EM_GETLINE: cut it from the whole text instead.
    tString text = ReadWindowText<tChar>(editor_);
    if (static_cast<size_t>(start) >= text.size()) return {};
    return text.substr(static_cast<size_t>(start), static_cast<size_t>(length));
  }
  tString line(std::max(static_cast<size_t>(length), sizeof(WORD) / sizeof(tChar)), tChar(0));
  const auto size = static_cast<WORD>(length);
  std::memcpy(line.data(), &size, sizeof size);
  const LRESULT copied = Perform(EM_GETLINE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(line.data()));
  line.resize(Copied(copied, static_cast<size_t>(length)));
  return line;
}

template <class Base>
int cEditLines<Base>::GetCount() const {
  if (!editor_.GetWindowHandle()) return 0;
  const int count = static_cast<int>(Perform(EM_GETLINECOUNT, 0, 0));
  return LineLength(LineStart(count - 1)) == 0 ? count - 1 : count;
}

template <class Base>
void cEditLines<Base>::Put(int index, tView text) {
  const int start = LineStart(index);
  if (start < 0) return;
  Replace(start, start + LineLength(start), tString(text));
}

template <class Base>
void cEditLines<Base>::SetTextStr(tView text) {
  if (!editor_.GetWindowHandle()) return;
  if (Perform(WM_GETTEXTLENGTH, 0, 0) == static_cast<LRESULT>(text.size()) && ReadWindowText<tChar>(editor_) == text)
    return;
  const tString copy(text);
  if (Perform(WM_SETTEXT, 0, copy.empty() ? 0 : TextParam(copy)) == 0)
    throw gui::cInvalidOperation(gui::LoadResString(IDS_TEXT_EXCEEDS_CAPACITY));
}

template <class Base>
void cEditLines<Base>::Clear() {
  editor_.Clear();
}

template <class Base>
void cEditLines<Base>::Delete(int index) {
  const int start = LineStart(index);
  if (start < 0) return;
  int end = LineStart(index + 1);
  if (end < 0) end = start + LineLength(start);
  Replace(start, end, tString());
}

template <class Base>
void cEditLines<Base>::Insert(int index, tView text) {
  static constexpr tChar kLineBreak[] = {tChar('\r'), tChar('\n'), tChar(0)};
  if (index < 0) return;
  int start = LineStart(index);
  tString piece;
  if (start >= 0) {
    piece.append(text).append(kLineBreak);
  } else {
    start = LineStart(index - 1);
    if (start < 0) return;
    const int length = LineLength(start);
    if (length == 0) return;
    start += length;
    piece.append(kLineBreak).append(text);
  }
  Replace(start, start, piece);
}

template <class Base>
void cEditLines<Base>::SetUpdateState(bool updating) {
  if (!editor_.GetWindowHandle()) return;
  Perform(WM_SETREDRAW, updating ? FALSE : TRUE, 0);
  if (!updating) editor_.Refresh();
}

// ---- cComboItems

template <class Base>
auto cComboItems<Base>::Get(int index) const -> tString {
  const LRESULT length = Perform(CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 1) return {};
  tString item(static_cast<size_t>(length), tChar(0));
  const LRESULT copied = Perform(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item.data()));
  item.resize(Copied(copied, item.size()));
  return item;
}

template <class Base>
int cComboItems<Base>::GetCount() const {
  return static_cast<int>(Perform(CB_GETCOUNT, 0, 0));
}

template <class Base>
tLineObject cComboItems<Base>::GetObject(int index) const {
  const LRESULT answer = Perform(CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
  if (answer == CB_ERR) this->Error(IDS_LIST_INDEX_OUT_OF_BOUNDS, index);
  return static_cast<tLineObject>(answer);
}

template <class Base>
void cComboItems<Base>::PutObject(int index, tLineObject object) {
  Perform(CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(object));
}

template <class Base>
int cComboItems<Base>::CheckInserted(LRESULT answer) const {
  if (answer < 0) throw gui::cOutOfResources(gui::LoadResString(IDS_UNABLE_TO_INSERT_LINE));
  return static_cast<int>(answer);
}

template <class Base>
int cComboItems<Base>::Add(tView text) {
  return CheckInserted(Perform(CB_ADDSTRING, 0, TextParam(tString(text))));
}

template <class Base>
void cComboItems<Base>::Clear() {
  const tString text = ReadWindowText<tChar>(comboBox_);
  Perform(CB_RESETCONTENT, 0, 0);
  Perform(WM_SETTEXT, 0, TextParam(text));
  if (HWND window = comboBox_.GetWindowHandle()) ::UpdateWindow(window);
}

template <class Base>
void cComboItems<Base>::Delete(int index) {
  Perform(CB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

template <class Base>
int cComboItems<Base>::IndexOf(tView text) const {
  return static_cast<int>(Perform(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), TextParam(tString(text))));
}

template <class Base>
void cComboItems<Base>::Insert(int index, tView text) {
  CheckInserted(Perform(CB_INSERTSTRING, static_cast<WPARAM>(index), TextParam(tString(text))));
}

template <class Base>
void cComboItems<Base>::SetUpdateState(bool updating) {
  Perform(WM_SETREDRAW, updating ? FALSE : TRUE, 0);
  if (HWND window = comboBox_.GetWindowHandle(); window && !updating)
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

template class cEditLines<cWStrings>;
template class cEditLines<cStrings>;
template class cComboItems<cWStrings>;
template class cComboItems<cStrings>;
