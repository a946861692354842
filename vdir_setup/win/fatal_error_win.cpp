#include "fatal_error_win.h"

#include <string>

#include "vdir_setup/core/error_text.h"
#include "vdir_setup/core/host.h"

namespace vardock {

void ReportUnhandledError(HWND owner, std::exception_ptr error) noexcept {
  const std::wstring title(kProgramTitle);
  try {
    const std::wstring text = ErrorText(error);
    MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  } catch (...) {
    // Out of memory while composing the text: a fixed one still reaches the administrator.
    MessageBoxW(owner, L"Vardock failed: not enough memory.", title.c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  }
}

}  // namespace vardock
