#pragma once
// Allocations of the test executable that fail on demand: while a cFailingAllocations lives, the
// given number of allocations succeed and every one after them throws std::bad_alloc. (The
// executable's operator new is replaced for this; without one alive it only allocates.)
#include "gui/Scope.h"

class cFailingAllocations : gui::cScoped {
public:
  explicit cFailingAllocations(int succeeding);
  ~cFailingAllocations();
  // Whether an allocation was refused while it lived.
  bool Refused() const;
};
