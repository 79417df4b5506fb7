#pragma once
// The edit control's messages that only read the text, the selection or the rows, answered from
// the editing model as the edit control answers them; no window takes part.
#include <windows.h>

#include <optional>

#include "view/EditModel.h"

namespace view {

// The answer to such a message; none for any other.
std::optional<LRESULT> AnswerQuery(cEditModel& model, const tRowsShown& shown, UINT message, WPARAM wParam,
                                   LPARAM lParam);

}  // namespace view
