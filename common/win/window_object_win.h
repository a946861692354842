#pragma once
// A window's C++ object: passed as the creation parameter, bound at WM_NCCREATE and unbound at
// WM_NCDESTROY, with the object's own window handle kept in step.
#include <windows.h>

namespace corvanel {

// The object bound to hwnd, or null before WM_NCCREATE and from WM_NCDESTROY on (the caller then
// leaves the message to DefWindowProc). handle names the object's member that holds its window.
template <typename T>
T* BoundWindowObject(HWND hwnd, UINT message, LPARAM lParam, HWND T::*handle) noexcept {
  if (message == WM_NCCREATE) {
    auto* object = static_cast<T*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
    object->*handle = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
    return object;
  }
  auto* object = reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (object != nullptr && message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    object->*handle = nullptr;
    return nullptr;
  }
  return object;
}

}  // namespace corvanel
