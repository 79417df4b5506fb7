#pragma once
// The output view's messages beyond an edit control's. A system edit control leaves them to
// DefWindowProc, which answers 0 and does nothing, so a memo may send them to either window.
#include <windows.h>

#include <cstddef>

#include "view/TextLook.h"
#include "view/TextViewProvider.h"

namespace view {

// Text with the looks it is shown in: the runs cover it from its start, in order; what they leave
// at its end has the pane's own look. The links likewise give its stretches their links (a
// tLinkId, 0 for none); none at all leaves it without.
struct tLookedText {
  const wchar_t* Text;
  std::size_t Length;
  const tAttributeRun* Runs;
  std::size_t RunCount;
  const tAttributeRun* Links = nullptr;
  std::size_t LinkCount = 0;
};

// Output for the end of the text, whatever the selection: the last Removed units go (a
// backspace), then Text comes, not undoable. Following, the caret then stands at the end and
// shows; held, and while the user drags a selection, the selection and the rows shown stay where
// they were, cut to what is left of the text. The lines that Text begins came at Arrival's time
// (a line begun before keeps its own).
struct tViewOutput {
  tLookedText Text;
  std::size_t Removed;
  bool Hold;
  tLineStamp Arrival;
};
// lParam is a const tViewOutput*. Answers 1, also when the text could not get its memory, which
// EN_ERRSPACE tells the parent.
inline constexpr UINT kViewOutput = WM_USER + 0x210;
// Tests reach positions past 2^31 with an empty view whose text begins far away: at wParam (see
// cTextStore's origin; what comes next should start with a line break, since the text before the
// origin is one line that cannot be read). Answers 1 when the view was empty and took it, else 0.
inline constexpr UINT kViewSetOrigin = WM_USER + 0x211;
// The stretch that the mouse points at as a place that opens, drawn underlined; lParam is a
// const tTextSpan*, an empty span (or none) takes it away. Answers 1.
inline constexpr UINT kViewSetHotSpan = WM_USER + 0x201;

// The link at the position wParam: lParam is a tTextLink* that gets it (Id 0 where there is none).
// Answers 1.
inline constexpr UINT kViewLinkAt = WM_USER + 0x218;
// Shows (wParam 1) or hides (0) the times at which lines came, in a gutter left of the rows as
// wide as a time. Answers 1.
inline constexpr UINT kViewShowTimes = WM_USER + 0x219;

// Answers 1 while a change of the rows shown is not yet on the screen: the view paints at its own
// pace, and what changed within it is not yet part of the window's update region. (The scroll
// bars follow at a slower pace of their own.)
inline constexpr UINT kViewPaintOwed = WM_USER + 0x202;

}  // namespace view
