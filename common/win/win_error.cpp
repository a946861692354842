#include "win_error.h"

#include <cwchar>

namespace corvanel {

std::wstring SystemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (length != 0 && buffer != nullptr) text.assign(buffer, length);
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty()) {
    wchar_t fallback[40];
    std::swprintf(fallback, 40, L"Error 0x%08lX", static_cast<unsigned long>(code));
    text = fallback;
  }
  return text;
}

AppError Win32Error(DWORD code, std::wstring context) {
  return AppError(std::move(context), SystemMessage(code), code);
}

AppError HResultError(HRESULT hr, std::wstring context) {
  return AppError(std::move(context), SystemMessage(static_cast<DWORD>(hr)), static_cast<std::uint32_t>(hr));
}

void ThrowLastError(std::wstring context) { throw Win32Error(GetLastError(), std::move(context)); }

}  // namespace corvanel
