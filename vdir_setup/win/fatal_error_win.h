#pragma once
// The end of the program after an error that no procedure handled: one message box that says
// what failed, then nothing else.
#include <windows.h>

#include <exception>

namespace vardock {

// Shows the error ("Vardock", error icon) over owner; never throws.
void ReportUnhandledError(HWND owner, std::exception_ptr error) noexcept;

}  // namespace vardock
