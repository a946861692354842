#pragma once
// Builds the one error type from the three shapes of Win32 failure: a BOOL plus GetLastError,
// a returned Win32 code (the registry), and an HRESULT.
#include <windows.h>

#include <string>

#include "../core/app_error.h"

namespace corvanel {

// The platform's description of a Win32 code or HRESULT, without the trailing line break.
std::wstring SystemMessage(DWORD code);

AppError Win32Error(DWORD code, std::wstring context);
AppError HResultError(HRESULT hr, std::wstring context);
[[noreturn]] void ThrowLastError(std::wstring context);

}  // namespace corvanel
