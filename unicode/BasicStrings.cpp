#include "unicode/BasicStrings.h"

#include <vector>

#include "gui/Error.h"
#include "gui/ResString.h"

template <class Char>
int cBasicStrings<Char>::GetCapacity() const {
  return GetCount();
}

template <class Char>
tLineObject cBasicStrings<Char>::GetObject(int) const {
  return 0;
}

template <class Char>
auto cBasicStrings<Char>::GetTextStr() const -> tString {
  static constexpr Char kLineBreak[] = {Char('\r'), Char('\n')};
  // Each line is fetched once (for window lists that is three messages), the result sized once.
  const int count = GetCount();
  std::vector<tString> lines;
  lines.reserve(static_cast<size_t>(count > 0 ? count : 0));
  size_t size = 0;
  for (int i = 0; i < count; ++i) {
    lines.push_back(Get(i));
    size += lines.back().size() + 2;
  }
  tString result;
  result.reserve(size);
  for (const tString& line : lines) {
    result += line;
    result.append(kLineBreak, 2);
  }
  return result;
}

template <class Char>
void cBasicStrings<Char>::Put(int index, tView text) {
  tLineObject object = GetObject(index);
  Delete(index);
  InsertObject(index, text, object);
}

template <class Char>
void cBasicStrings<Char>::PutObject(int, tLineObject) {}

template <class Char>
void cBasicStrings<Char>::SetCapacity(int) {}

template <class Char>
void cBasicStrings<Char>::SetTextStr(tView text) {
  cUpdateScope scope(*this);
  Clear();
  const size_t end = text.size();
  size_t position = 0;
  auto at = [&](size_t i) { return i < end ? text[i] : Char(0); };
  while (at(position) != Char(0)) {
    const size_t start = position;
    while (at(position) != Char(0) && at(position) != Char('\n') && at(position) != Char('\r')) ++position;
    Add(text.substr(start, position - start));
    if (at(position) == Char('\r')) ++position;
    if (at(position) == Char('\n')) ++position;
  }
}

template <class Char>
int cBasicStrings<Char>::CompareStrings(tView text1, tView text2) const {
  // char_traits compares char as unsigned char and wchar_t (16 bits, unsigned on Windows) as is.
  const int order = text1.compare(text2);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

template <class Char>
int cBasicStrings<Char>::Add(tView text) {
  const int index = GetCount();
  Insert(index, text);
  return index;
}

template <class Char>
int cBasicStrings<Char>::AddObject(tView text, tLineObject object) {
  const int index = Add(text);
  PutObject(index, object);
  return index;
}

template <class Char>
void cBasicStrings<Char>::AddStrings(const cBasicStrings& source) {
  cUpdateScope scope(*this);
  const int count = source.GetCount();
  for (int i = 0; i < count; ++i) AddObject(source.Get(i), source.GetObject(i));
}

template <class Char>
void cBasicStrings<Char>::Exchange(int index1, int index2) {
  cUpdateScope scope(*this);
  tString text1 = Get(index1);
  tLineObject object1 = GetObject(index1);
  Put(index1, Get(index2));
  PutObject(index1, GetObject(index2));
  Put(index2, text1);
  PutObject(index2, object1);
}

template <class Char>
int cBasicStrings<Char>::IndexOf(tView text) const {
  const int count = GetCount();
  for (int i = 0; i < count; ++i)
    if (CompareStrings(Get(i), text) == 0) return i;
  return -1;
}

template <class Char>
int cBasicStrings<Char>::IndexOfObject(tLineObject object) const {
  const int count = GetCount();
  for (int i = 0; i < count; ++i)
    if (GetObject(i) == object) return i;
  return -1;
}

template <class Char>
void cBasicStrings<Char>::InsertObject(int index, tView text, tLineObject object) {
  Insert(index, text);
  PutObject(index, object);
}

template <class Char>
void cBasicStrings<Char>::Move(int currentIndex, int newIndex) {
  if (currentIndex == newIndex) return;
  cUpdateScope scope(*this);
  tString text = Get(currentIndex);
  tLineObject object = GetObject(currentIndex);
  Delete(currentIndex);
  InsertObject(newIndex, text, object);
}

template <class Char>
void cBasicStrings<Char>::BeginUpdate() {
  if (updateCount_ == 0) SetUpdateState(true);
  ++updateCount_;
}

template <class Char>
void cBasicStrings<Char>::EndUpdate() {
  --updateCount_;
  if (updateCount_ == 0) SetUpdateState(false);
}

template <class Char>
void cBasicStrings<Char>::Error(unsigned messageId, int data) const {
  throw gui::cStringListError(gui::FormatRes(messageId, {std::to_wstring(data)}));
}

template <class Char>
void cBasicStrings<Char>::SetUpdateState(bool) {}

template class cBasicStrings<char>;
template class cBasicStrings<wchar_t>;
