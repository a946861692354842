#pragma once
// Owners for the Win32 handles both programs use. Closing keeps GetLastError intact, so an
// error can be read after the owner of a failed operation's handle has gone.
#include <windows.h>

#include "../core/unique_any.h"

namespace corvanel {

namespace detail {
template <typename T, typename Fn>
inline void CloseKeepingLastError(T value, Fn close) noexcept {
  const DWORD saved = GetLastError();
  close(value);
  SetLastError(saved);
}

struct FileTraits {
  using pointer = HANDLE;
  static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(pointer h) noexcept { CloseKeepingLastError(h, ::CloseHandle); }
};
struct HandleTraits {
  using pointer = HANDLE;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { CloseKeepingLastError(h, ::CloseHandle); }
};
struct FindTraits {
  using pointer = HANDLE;
  static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(pointer h) noexcept { CloseKeepingLastError(h, ::FindClose); }
};
struct HKeyTraits {
  using pointer = HKEY;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { ::RegCloseKey(h); }
};
struct HFontTraits {
  using pointer = HFONT;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { ::DeleteObject(h); }
};
}  // namespace detail

using unique_hfile = unique_any<detail::FileTraits>;     // empty: INVALID_HANDLE_VALUE
using unique_handle = unique_any<detail::HandleTraits>;  // empty: null
using unique_hfind = unique_any<detail::FindTraits>;
using unique_hkey = unique_any<detail::HKeyTraits>;
using unique_hfont = unique_any<detail::HFontTraits>;

}  // namespace corvanel
