#pragma once
// The about box: product name, product version and copyright from the program's version
// information, the program's icon and the maker's web address, which a click or the space bar
// opens in the browser. One box serves the whole run; it reads its texts once, when it is made.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "gui/Dialog.h"
#include "gui/Handle.h"
#include "ui/ExeResources.h"

// What the about box shows.
struct tAboutTexts {
  std::wstring Caption;
  std::wstring Product;
  std::wstring Version;
  std::wstring Copyright;
  std::wstring Url;
};

class TFormAbout : public gui::cDialog {
public:
  // Opens a web address; answers the error text of a failure, empty on success.
  using tLinkOpener = std::function<std::wstring(std::wstring_view address)>;

  // Reads the program's version information; the opener serves the address field.
  explicit TFormAbout(tLinkOpener opener = &OpenWithShell);

  // Shows the box modally over the owner.
  void Execute(HWND owner);

  // The texts for a version record and the product name: the product version's first three
  // numbers, the copyright string, and the maker's address.
  static tAboutTexts ComposeTexts(const tVersionInformation& info, std::wstring_view productName);
  // Opens the address with the shell's "Open" verb.
  static std::wstring OpenWithShell(std::wstring_view address);

  const tAboutTexts& Texts() const noexcept { return texts_; }

protected:
  bool InitDialog() override;
  void KeyPress(int id, wchar_t& key) override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  // Opens the address of the field; a failure is shown in an error box over the about box.
  void OpenLink(int id);
  static LRESULT CALLBACK LinkHook(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR self);

  tLinkOpener opener_;
  tAboutTexts texts_;
  gui::cFont productFont_;
};

// The program's one about box.
TFormAbout& FormAbout();
