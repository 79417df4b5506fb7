#pragma once
// The output view's messages beyond an edit control's. A system edit control leaves them to
// DefWindowProc, which answers 0 and does nothing, so a memo may send them to either window.
#include <windows.h>

#include <cstddef>

#include "view/TextLook.h"
#include "view/TextViewProvider.h"

namespace view {

// Text with the looks it is shown in: the runs cover it from its start, in order; what they leave
// at its end has the pane's own look.
struct tLookedText {
  const wchar_t* Text;
  std::size_t Length;
  const tAttributeRun* Runs;
  std::size_t RunCount;
};

// EM_REPLACESEL, not undoable, with looks: lParam is a const tLookedText*. Answers 1, also when
// the text could not get its memory, which EN_ERRSPACE tells the parent.
inline constexpr UINT kViewReplaceSelLook = WM_USER + 0x200;
// The stretch that the mouse points at as a place that opens, drawn underlined; lParam is a
// const tTextSpan*, an empty span (or none) takes it away. Answers 1.
inline constexpr UINT kViewSetHotSpan = WM_USER + 0x201;

// Answers 1 while a change of the rows shown is not yet on the screen: the view paints at its own
// pace, and what changed within it is not yet part of the window's update region. (The scroll
// bars follow at a slower pace of their own.)
inline constexpr UINT kViewPaintOwed = WM_USER + 0x202;

}  // namespace view
