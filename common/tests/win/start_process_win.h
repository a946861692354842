#pragma once
// CreateProcessW for the test drivers. Wine now and then refuses a start with
// ERROR_INTERNAL_ERROR (1359) when processes come and go quickly; a try a moment later starts the
// program. Any other error is returned at once, with GetLastError set as CreateProcessW sets it.
#include <windows.h>

namespace corvanel::testing {

inline BOOL StartProcess(const wchar_t* application, wchar_t* commandLine, BOOL inheritHandles, DWORD flags,
                         const wchar_t* directory, STARTUPINFOW* startup, PROCESS_INFORMATION* process) {
  for (int attempt = 1;; ++attempt) {
    if (CreateProcessW(application, commandLine, nullptr, nullptr, inheritHandles, flags, nullptr, directory, startup,
                       process)) {
      return TRUE;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_INTERNAL_ERROR || attempt == 3) {
      SetLastError(error);
      return FALSE;
    }
    Sleep(500);
  }
}

}  // namespace corvanel::testing
