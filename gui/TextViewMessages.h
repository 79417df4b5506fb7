#pragma once
// The output view's messages beyond an edit control's. A system edit control leaves them to
// DefWindowProc, which answers 0 and does nothing, so a memo may send them to either window.
#include <windows.h>

#include <cstddef>

#include "gui/TextLook.h"
#include "gui/TextViewProvider.h"

namespace gui {

// Text with the look it is shown in.
struct tLookedText {
  const wchar_t* Text;
  std::size_t Length;
  tTextAttribute Look;
};

// EM_REPLACESEL, not undoable, with a look: lParam is a const tLookedText*. Answers 1.
inline constexpr UINT kViewReplaceSelLook = WM_USER + 0x200;
// The stretch that the mouse points at as a place that opens, drawn underlined; lParam is a
// const tTextSpan*, an empty span (or none) takes it away. Answers 1.
inline constexpr UINT kViewSetHotSpan = WM_USER + 0x201;

}  // namespace gui
