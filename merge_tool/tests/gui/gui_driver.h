#pragma once
// Drives a running tessaly.exe from outside, as a user would: windows found by title, controls by
// ID, clicks posted (a sent click on a button that opens a modal window would block the driver),
// and every wait a poll with a time limit.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tessaly::gui {

inline constexpr DWORD kTimeoutMs = 15000;

// Polls until the condition holds; false after the time limit.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kTimeoutMs);

std::wstring TextOf(HWND hwnd);
std::wstring TextOf(HWND parent, int id);

// A message box of the program: its window, title and text, and which button is the default.
struct MessageBoxView {
  HWND hwnd = nullptr;
  std::wstring title;
  std::wstring text;
  int defaultButton = 0;  // IDOK, IDCANCEL...
  bool questionIcon = false;
  bool errorIcon = false;
};

class Program {
 public:
  // Starts tessaly.exe in workDir and waits for its main window.
  explicit Program(const std::wstring& workDir);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  // Ends the process if a test left it running.
  ~Program();

  [[nodiscard]] HWND Main() const { return main_; }
  [[nodiscard]] HWND Control(int id) const { return GetDlgItem(main_, id); }
  [[nodiscard]] bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }

  // Visible top-level windows of the program with this title (any title when empty).
  [[nodiscard]] std::vector<HWND> Windows(const std::wstring& title, const wchar_t* className = nullptr) const;
  // Waits for exactly one such window; fails the test when none appears.
  HWND WaitWindow(const std::wstring& title, const wchar_t* className = nullptr) const;
  [[nodiscard]] static bool WaitHidden(HWND hwnd);
  [[nodiscard]] MessageBoxView WaitMessageBox(const std::wstring& title) const;
  [[nodiscard]] std::vector<HWND> MessageBoxes() const;

  // Posts a button click to the button's parent, as the button itself reports one. It reaches
  // the program whether or not the button is enabled, as from an accessibility tool.
  static void Click(HWND parent, int id);

  enum class Held { kNothing, kShift, kAlt };
  // A key pressed and released as a keyboard delivers it: WM_KEYDOWN and WM_KEYUP with the key's
  // scan code, posted to the control that has the focus, so that the program's own message loop
  // and IsDialogMessage handle it. Shift is down in the program's key state meanwhile; with Alt the
  // key arrives as WM_SYSKEYDOWN and WM_SYSKEYUP with the context bit, as an access key does.
  // Returns once the program has handled the key.
  void PressKey(WORD key, Held held = Held::kNothing) const;
  // Alt+Space as the keyboard delivers it to the window, which opens its system menu; returns the
  // open menu (null, and a test failure, when none opens). Its items are then chosen with keys.
  [[nodiscard]] HWND OpenSystemMenu(HWND window) const;
  // Another program's window takes the activation (Alt+Tab away); `meanwhile` runs; then `window`
  // gets it back (or a window it opens at once, such as a message box).
  void SwitchAwayAndBack(HWND window, const std::function<void()>& meanwhile = {}) const;
  // The window's minimise and restore, as its caption buttons and the taskbar do.
  void MinimiseAndRestore(HWND window) const;
  // Answers a message box with IDOK or IDCANCEL and waits until it has gone.
  static void Answer(const MessageBoxView& box, int button);
  // Everything posted to the program so far has been handled.
  void Barrier() const;

  [[nodiscard]] bool Running() const;
  [[nodiscard]] bool WaitExit() const;
  // The control that has the keyboard focus in the program's GUI thread.
  [[nodiscard]] HWND Focus() const;
  // Writes a screenshot of `window`, frame included, as <TESSALY_GUI_SHOTS>/<name>.png, once the
  // program's windows have painted, when that variable names a Unix folder.
  void Screenshot(const std::string& name, HWND window) const;

 private:
  PROCESS_INFORMATION process_{};
  HWND main_ = nullptr;
};

}  // namespace tessaly::gui
