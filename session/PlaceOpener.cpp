#include "session/PlaceOpener.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>


#include "gui/Handle.h"
#include "text/Utils.h"

namespace {

bool IsWebAddress(std::wstring_view address) {
  const std::wstring upper = cStringUtils::UpperCaseAscii(address.substr(0, 8));
  return upper.starts_with(L"HTTP://") || upper.starts_with(L"HTTPS://");
}

}  // namespace

bool cPlaceOpener::OpenAddress(std::wstring_view address) {
  if (!IsWebAddress(address)) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (const tResponder responder = Installed()) return responder({std::wstring(address), {}});
  const std::wstring url(address);
  // The shell may hand the address to an extension of its own, which wants COM on this thread.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // A failure is the caller's to show.
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = url.c_str();
  info.nShow = SW_SHOWNORMAL;
  const bool opened = ::ShellExecuteExW(&info) != FALSE;
  const DWORD error = ::GetLastError();
  if (SUCCEEDED(com)) ::CoUninitialize();
  ::SetLastError(error);
  return opened;
}

bool cPlaceOpener::Launch(const tProgramLaunch& launch) {
  if (const tResponder responder = Installed()) return responder({{}, launch});
  std::wstring commandLine = launch.CommandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(launch.Application.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT, nullptr, nullptr, &startup, &process))
    return false;
  gui::cKernelHandle owned(process.hProcess), thread(process.hThread);
  return true;
}
