#include "ui/Waits.h"

#include <windows.h>

namespace {

int depth = 0;

}  // namespace

cWaitCursor::cWaitCursor() {
  if (depth == 0) ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  ++depth;
}

cWaitCursor::~cWaitCursor() {
  if (--depth == 0) ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
}

int cWaitCursor::Depth() noexcept { return depth; }
