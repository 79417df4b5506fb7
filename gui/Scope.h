#pragma once
// Scope objects: what one of them holds lasts as long as it lives, and none of them is copied.
#include <utility>

namespace gui {

// The base of a class whose objects hold something for as long as they live (an attachment, a
// hold on the cursor, a folder), and which are therefore never copied.
class cScoped {
public:
  cScoped(const cScoped&) = delete;
  cScoped& operator=(const cScoped&) = delete;

protected:
  cScoped() = default;
  ~cScoped() = default;
};

// Puts a value into the slot that Slot() answers, for as long as it lives; then the slot gets back
// what it held before, so scopes of one slot nest. Tests install their responders this way.
template <class T, T& (*Slot)()>
class cSlotScope : cScoped {
public:
  explicit cSlotScope(T value) : previous_(std::exchange(Slot(), std::move(value))) {}
  ~cSlotScope() { Slot() = std::move(previous_); }

private:
  T previous_;
};

}  // namespace gui
