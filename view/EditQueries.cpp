#include "view/EditQueries.h"

#include <richedit.h>
#include <windowsx.h>

#include <algorithm>

namespace view {

std::optional<LRESULT> AnswerQuery(cEditModel& model, const tRowsShown& shown, UINT message, WPARAM wParam,
                                   LPARAM lParam) {
  const cTextStore& store = model.Store();
  const cTextLayout& layout = model.Layout();
  switch (message) {
    case WM_GETTEXTLENGTH:
      return ClampToInt(store.Length());
    case WM_GETTEXT: {
      if (wParam == 0 || lParam == 0) return 0;
      auto* out = reinterpret_cast<wchar_t*>(lParam);
      const size_t copied = store.CopyTo(0, wParam - 1, out);
      out[copied] = L'\0';
      return static_cast<LRESULT>(copied);
    }
    case EM_GETTEXTRANGE: {
      // As a rich edit control answers it: the text between two positions (-1 as the end: the
      // text's end), with a null after it, into a buffer that has room.
      auto* range = reinterpret_cast<TEXTRANGEW*>(lParam);
      if (!range || !range->lpstrText || range->chrg.cpMin < 0) return 0;
      const tTextPos end = range->chrg.cpMax < 0 ? store.Length() : std::min<tTextPos>(range->chrg.cpMax, store.Length());
      const tTextPos start = std::min<tTextPos>(range->chrg.cpMin, end);
      const std::size_t copied = store.CopyTo(start, static_cast<std::size_t>(end - start), range->lpstrText);
      range->lpstrText[copied] = L'\0';
      return static_cast<LRESULT>(copied);
    }
    case EM_GETSEL: {
      const auto start = static_cast<DWORD>(ClampToInt(model.SelStart()));
      const auto end = static_cast<DWORD>(ClampToInt(model.SelEnd()));
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
      return start > 0xFFFF || end > 0xFFFF ? -1 : static_cast<LRESULT>(MAKELONG(start, end));
    }
    case EM_GETLINECOUNT:
      return layout.RowCount();
    case EM_LINEINDEX: {
      const int row = static_cast<int>(wParam) < 0 ? model.RowOfPosition(model.Caret()) : static_cast<int>(wParam);
      return row < layout.RowCount() ? ClampToInt(model.RowStartPosition(row)) : -1;
    }
    case EM_LINELENGTH: {
      if (static_cast<int>(wParam) < 0) {
        // The characters of the selection's rows that are not selected.
        const int first = model.RowOfPosition(model.SelStart()), last = model.RowOfPosition(model.SelEnd());
        return ClampToInt(model.SelStart() - model.RowStartPosition(first) + model.RowEndPosition(last) -
                          model.SelEnd());
      }
      // Past the text's end there is no line, as Windows documents.
      if (static_cast<tTextPos>(wParam) > store.Length()) return 0;
      const int row = model.RowOfPosition(static_cast<tTextPos>(wParam));
      return ClampToInt(model.RowEndPosition(row) - model.RowStartPosition(row));
    }
    case EM_GETLINE: {
      const int row = static_cast<int>(wParam);
      if (lParam == 0 || row < 0 || row >= layout.RowCount()) return 0;
      auto* out = reinterpret_cast<wchar_t*>(lParam);
      const size_t room = *reinterpret_cast<const WORD*>(out);
      const tTextPos start = model.RowStartPosition(row);
      return static_cast<LRESULT>(store.CopyTo(start, std::min<size_t>(room, model.RowEndPosition(row) - start), out));
    }
    case EM_LINEFROMCHAR:
      return model.RowOfPosition(static_cast<int>(wParam) < 0 ? model.SelStart()
                                                               : store.ClampPosition(static_cast<tTextPos>(wParam)));
    case EM_POSFROMCHAR: {
      // Like the edit control, none for the text's end, where no character is.
      const auto position = static_cast<tTextPos>(wParam);
      if (position >= store.Length()) return -1;
      const POINT point = model.PointOf(shown, position);
      return MAKELONG(static_cast<short>(point.x), static_cast<short>(point.y));
    }
    case EM_CHARFROMPOS: {
      const tTextPos position = model.PlaceAt(shown, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)).Position;
      return MAKELONG(static_cast<WORD>(position & 0xFFFF), static_cast<WORD>(model.RowOfPosition(position) & 0xFFFF));
    }
    case EM_GETFIRSTVISIBLELINE:
      return shown.TopRow;
    case EM_GETMODIFY:
      return model.Modified();
    case EM_CANUNDO:
      return model.CanUndo();
    default:
      return std::nullopt;
  }
}

}  // namespace view
