#pragma once
// Log files that cannot be opened, each with the system's reason: one in a folder that does not
// exist, a read-only one and one that another program holds open without sharing it. The last
// two hold "kept\r\n".
#include <windows.h>

#include <string>
#include <vector>

#include "gui/Handle.h"
#include "tests/support/TestSupport.h"

class cUnopenableLogs {
public:
  struct tCase {
    std::wstring Path;
    DWORD Code;
  };

  cUnopenableLogs()
      : readOnly_(folder_.WriteFile(L"read-only.log", "kept\r\n").wstring()),
        locked_(folder_.WriteFile(L"locked.log", "kept\r\n").wstring()),
        holder_(::CreateFileW(locked_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr)) {
    ::SetFileAttributesW(readOnly_.c_str(), FILE_ATTRIBUTE_READONLY);
  }
  ~cUnopenableLogs() { ::SetFileAttributesW(readOnly_.c_str(), FILE_ATTRIBUTE_NORMAL); }
  cUnopenableLogs(const cUnopenableLogs&) = delete;
  cUnopenableLogs& operator=(const cUnopenableLogs&) = delete;

  std::vector<tCase> Cases() const {
    return {{(folder_.Path() / L"missing" / L"session.log").wstring(), ERROR_PATH_NOT_FOUND},
            {readOnly_, ERROR_ACCESS_DENIED},
            {locked_, ERROR_SHARING_VIOLATION}};
  }
  // What the read-only file holds (the locked one cannot be read).
  std::string ReadOnlyContents() const { return ReadBytes(readOnly_); }

private:
  cTempDir folder_;
  std::wstring readOnly_, locked_;
  gui::cKernelHandle holder_;
};
