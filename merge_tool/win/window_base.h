#pragma once
// The shape of every Tessaly window: a class whose window procedure forwards to one member,
// which dispatches to the named handlers, and which no exception ever leaves; and the modal
// showing of the secondary windows.
#include <windows.h>

namespace tessaly {

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  // Null when the window does not exist (not created yet, or closed through its frame).
  [[nodiscard]] HWND hwnd() const noexcept { return hwnd_; }

 protected:
  // Registers the class once and creates the window; hwnd() is set from WM_NCCREATE on.
  void Create(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, HWND owner);
  // One message; unhandled ones go to DefaultProc, which also runs the activation handlers and
  // moves the focus as a dialog does on WM_NEXTDLGCTL (a multi-line text box sends it for Tab and
  // Shift+Tab).
  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The control that has the focus when the window opens.
  [[nodiscard]] virtual int FirstControlId() const noexcept = 0;
  // The control that had the focus when the window was deactivated gets it back when the window
  // is activated again (Alt+Tab, minimise and restore, a message box closed); the first control
  // does when that one can no longer take it.
  virtual void Form_Activate();
  virtual void Form_Deactivate();
  // Whether a click or notification of the control may be obeyed: the window and the control
  // are both enabled. Messages can reach a disabled control's handler, posted by any program.
  [[nodiscard]] bool TakesInput(int id) const noexcept;
  void RestoreFocus() noexcept;
  // The window an error of this window's handlers is shown over.
  [[nodiscard]] virtual HWND ErrorOwner() const noexcept { return hwnd_; }

  HWND hwnd_ = nullptr;
  HWND savedFocus_ = nullptr;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// A window shown modally: the blocked window (the main window) is disabled, and the caller waits
// in a nested message loop until this window is hidden or destroyed.
class ModalWindow : public Window {
 public:
  // Returns when the window has been hidden (EndModal) or destroyed (closed through its frame).
  void ShowModal(HWND blocked);

 protected:
  // Re-enables the blocked window before hiding, so that activation returns to it and not to
  // another program.
  void EndModal();
  // Closing through the frame destroys the window, which also ends the wait; not while a message
  // box of the window is up.
  LRESULT OnClose();
  [[nodiscard]] HWND ErrorOwner() const noexcept override;

 private:
  void ReleaseBlocked() noexcept;
  HWND blocked_ = nullptr;
};

}  // namespace tessaly
