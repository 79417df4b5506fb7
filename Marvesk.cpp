// Marvesk: a window onto a console program.
#include <windows.h>
#include <commctrl.h>

#include "gui/Application.h"
#include "session/CmdLine.h"
#include "ui/dfMain.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int showCommand) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);

  TFormMain form(CommandLine());
  gui::cApplication::SetMainForm(form.Handle());
  ::ShowWindow(form.Handle(), showCommand);
  return gui::cApplication::Run();
}
