#include "window_base.h"

#include "common/core/unique_any.h"
#include "common/win/win_error.h"
#include "common/win/window_object_win.h"
#include "ui_support.h"

namespace tessaly {

Window::~Window() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void Window::Create(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, HWND owner) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (!GetClassInfoExW(instance, className, &existing)) {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.style = CS_DBLCLKS;
    cls.lpfnWndProc = &Window::Proc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = className;
    cls.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    if (RegisterClassExW(&cls) == 0) corvanel::ThrowLastError(L"Cannot register the window class");
  }
  // A size of its own: a pop-up window given the default size starts empty, and the frame
  // cannot then be measured to size the client area.
  if (CreateWindowExW(exStyle, className, title, style, CW_USEDEFAULT, CW_USEDEFAULT, 400, 300, owner, nullptr,
                      instance, this) == nullptr) {
    corvanel::ThrowLastError(std::wstring(L"Cannot create the window \"") + title + L"\"");
  }
}

LRESULT Window::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NEXTDLGCTL: {
      // lParam set: wParam is the control; otherwise wParam chooses the previous or the next one.
      const HWND focus = GetFocus();
      const HWND next = LOWORD(lParam) != 0
                            ? reinterpret_cast<HWND>(wParam)
                            : GetNextDlgTabItem(hwnd_, IsChild(hwnd_, focus) ? focus : nullptr, wParam != 0);
      if (next == nullptr || !IsChild(hwnd_, next)) return 0;
      // A text box reached by Tab has its whole text selected, as in a dialog.
      if ((SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0) SendMessageW(next, EM_SETSEL, 0, -1);
      SetFocus(next);
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        Form_Deactivate();
      } else {
        Form_Activate();
      }
      return 0;
    case WM_SETFOCUS:
      // Restored from minimised, the frame itself gets the focus first.
      RestoreFocus();
      return 0;
    default:
      return DefWindowProcW(hwnd_, message, wParam, lParam);
  }
}

bool Window::TakesInput(int id) const noexcept {
  if (hwnd_ == nullptr || !IsWindowEnabled(hwnd_)) return false;
  const HWND control = GetDlgItem(hwnd_, id);
  return control != nullptr && IsWindowEnabled(control);
}

void Window::Form_Activate() { RestoreFocus(); }

void Window::Form_Deactivate() {
  const HWND focus = GetFocus();
  if (focus != nullptr && IsChild(hwnd_, focus)) savedFocus_ = focus;
}

void Window::RestoreFocus() noexcept {
  // A minimised window's controls cannot take the focus; the frame gets it when it is restored,
  // and its WM_SETFOCUS comes here again.
  if (IsIconic(hwnd_)) return;
  const bool usable = savedFocus_ != nullptr && IsChild(hwnd_, savedFocus_) && IsWindowEnabled(savedFocus_) &&
                      IsWindowVisible(savedFocus_);
  SetFocus(usable ? savedFocus_ : GetDlgItem(hwnd_, FirstControlId()));
}

LRESULT CALLBACK Window::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* self = corvanel::BoundWindowObject(hwnd, message, lParam, &Window::hwnd_);
  if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  try {
    return self->OnMessage(message, wParam, lParam);
  } catch (...) {
    ShowCurrentError(self->ErrorOwner());
    return 0;
  }
}

void ModalWindow::ShowModal(HWND blocked) {
  blocked_ = blocked;
  if (blocked_ != nullptr) EnableWindow(blocked_, FALSE);
  corvanel::scope_exit release([this] { ReleaseBlocked(); });
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  MSG msg;
  while (hwnd_ != nullptr && IsWindowVisible(hwnd_)) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) corvanel::ThrowLastError(L"Cannot read the window messages");
    if (got == 0) {
      // The outer loop must see the quit request too.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (hwnd_ == nullptr || !IsDialogMessageW(hwnd_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

void ModalWindow::EndModal() {
  ReleaseBlocked();
  ShowWindow(hwnd_, SW_HIDE);
}

LRESULT ModalWindow::OnClose() {
  if (!IsWindowEnabled(hwnd_)) return 0;
  ReleaseBlocked();
  DestroyWindow(hwnd_);
  return 0;
}

HWND ModalWindow::ErrorOwner() const noexcept {
  // A hidden window cannot own a message box the user would see.
  if (hwnd_ != nullptr && IsWindowVisible(hwnd_)) return hwnd_;
  return hwnd_ != nullptr ? GetWindow(hwnd_, GW_OWNER) : nullptr;
}

void ModalWindow::ReleaseBlocked() noexcept {
  if (blocked_ != nullptr) EnableWindow(blocked_, TRUE);
  blocked_ = nullptr;
}

}  // namespace tessaly
