#pragma once
// Every modal box of the program goes through here. Tests install a responder that answers
// instead of the user, so no test can block on a box.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace gui {

struct tMessageBoxRequest {
  HWND Owner;
  std::wstring Text;
  std::wstring Caption;
  UINT Flags;
};

class cDialogSeam {
public:
  using tMessageBoxResponder = std::function<int(const tMessageBoxRequest&)>;

  // Shows a message box (or asks the responder) and returns the button chosen (IDOK, IDCANCEL...).
  static int ShowMessage(HWND owner, std::wstring_view text, std::wstring_view caption, UINT flags);

  // Installs a responder for as long as the returned guard lives.
  class cResponderScope {
  public:
    explicit cResponderScope(tMessageBoxResponder responder);
    ~cResponderScope();
    cResponderScope(const cResponderScope&) = delete;
    cResponderScope& operator=(const cResponderScope&) = delete;

  private:
    tMessageBoxResponder previous_;
  };
};

}  // namespace gui
