#include "unicode/NarrowStrings.h"

#include "resources/resource.h"

void cStringList::CheckIndex(int index, int limit) const {
  if (index < 0 || index > limit) Error(IDS_LIST_INDEX_OUT_OF_BOUNDS, index);
}

std::string cStringList::Get(int index) const {
  CheckIndex(index, GetCount() - 1);
  return items_[static_cast<size_t>(index)].first;
}

int cStringList::GetCount() const { return static_cast<int>(items_.size()); }

tLineObject cStringList::GetObject(int index) const {
  CheckIndex(index, GetCount() - 1);
  return items_[static_cast<size_t>(index)].second;
}

void cStringList::Put(int index, std::string_view text) {
  CheckIndex(index, GetCount() - 1);
  items_[static_cast<size_t>(index)].first = text;
}

void cStringList::PutObject(int index, tLineObject object) {
  CheckIndex(index, GetCount() - 1);
  items_[static_cast<size_t>(index)].second = object;
}

void cStringList::Clear() { items_.clear(); }

void cStringList::Delete(int index) {
  CheckIndex(index, GetCount() - 1);
  items_.erase(items_.begin() + index);
}

void cStringList::Insert(int index, std::string_view text) { InsertObject(index, text, 0); }

void cStringList::InsertObject(int index, std::string_view text, tLineObject object) {
  CheckIndex(index, GetCount());
  items_.emplace(items_.begin() + index, std::string(text), object);
}
