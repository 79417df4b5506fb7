#include "tests/view/FailingAllocations.h"

#include <cstdlib>
#include <new>

namespace {

// While it is not negative, how many allocations may still succeed.
int allocationsLeft = -1;
bool refused = false;

}  // namespace

cFailingAllocations::cFailingAllocations(int succeeding) {
  allocationsLeft = succeeding;
  refused = false;
}

cFailingAllocations::~cFailingAllocations() { allocationsLeft = -1; }

bool cFailingAllocations::Refused() const { return refused; }

void* operator new(std::size_t size) {
  if (allocationsLeft == 0) {
    refused = true;
    throw std::bad_alloc();
  }
  if (allocationsLeft > 0) --allocationsLeft;
  if (void* memory = std::malloc(size > 0 ? size : 1)) return memory;
  throw std::bad_alloc();
}

void operator delete(void* memory) noexcept { std::free(memory); }

void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
