#include "gui/DialogSeam.h"

#include <utility>

namespace gui {
namespace {

cDialogSeam::tMessageBoxResponder& Responder() {
  static cDialogSeam::tMessageBoxResponder responder;
  return responder;
}

}  // namespace

int cDialogSeam::ShowMessage(HWND owner, std::wstring_view text, std::wstring_view caption, UINT flags) {
  tMessageBoxRequest request{owner, std::wstring(text), std::wstring(caption), flags};
  if (auto& responder = Responder()) return responder(request);
  return ::MessageBoxW(owner, request.Text.c_str(), request.Caption.c_str(), flags);
}

cDialogSeam::cResponderScope::cResponderScope(tMessageBoxResponder responder)
    : previous_(std::exchange(Responder(), std::move(responder))) {}

cDialogSeam::cResponderScope::~cResponderScope() { Responder() = std::move(previous_); }

}  // namespace gui
