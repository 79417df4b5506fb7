#pragma once
// The hourglass for long operations. Each cWaitCursor object is one hold on it: the screen shows
// the hourglass while at least one hold lives, nested or overlapping ones included, and the
// default arrow once the last one goes, also when an error leaves its scope. Main thread only.
#include "gui/Scope.h"

class cWaitCursor : gui::cScoped {
public:
  cWaitCursor();
  ~cWaitCursor();

  // A hold for the caller to keep as long as the operation runs:
  //   const auto wait = cWaitCursor::Acquire();
  [[nodiscard]] static cWaitCursor Acquire() { return {}; }

  // How many holds live now.
  static int Depth() noexcept;
};
