#pragma once
// Runs vardock.exe as the setup program does and drives it from outside as an administrator
// would: its windows and message boxes found by class and title, keys posted to the focused
// control so that the program's own loop and dialog manager handle them, every wait a poll
// with a time limit.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace vardock::gui {

inline constexpr DWORD kTimeoutMs = 15000;

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kTimeoutMs);
std::wstring TextOf(HWND hwnd);

struct BoxView {
  HWND hwnd = nullptr;
  std::wstring title;
  std::wstring text;
  bool hasIcon = false;
};

class Vardock {
 public:
  // Starts vardock.exe with the argument text (as it follows the program's path).
  explicit Vardock(const std::wstring& arguments);
  Vardock(const Vardock&) = delete;
  Vardock& operator=(const Vardock&) = delete;
  ~Vardock();

  // The chooser window once it is shown; null (and a test failure) when it does not appear.
  HWND WaitForm1();
  // The one message box the program shows; its title, text and whether it has an icon.
  BoxView WaitMessageBox();
  // Presses OK in a message box (or the only button) and waits until it has gone.
  static void AnswerOk(const BoxView& box);

  [[nodiscard]] HWND Control(int id) const { return GetDlgItem(form1_, id); }
  [[nodiscard]] HWND Focus() const;
  // A key as the keyboard delivers it to the focused control; alt adds the Alt key's bit.
  void Key(WORD virtualKey, bool alt = false) const;
  // Waits until everything posted to the program so far has been handled.
  void Settle() const;

  [[nodiscard]] bool Running() const;
  // Waits for the end of the process; false when it is still running after the time limit.
  [[nodiscard]] bool WaitExit(DWORD timeoutMs = kTimeoutMs) const;
  // The process's exit code once it has ended; STILL_ACTIVE before.
  [[nodiscard]] DWORD ExitCode() const;
  [[nodiscard]] std::vector<HWND> TopWindows(const wchar_t* className) const;
  // Writes a screenshot of `window`, frame included, as <VARDOCK_GUI_SHOTS>/<name>.png when that
  // variable names a Unix folder.
  void Screenshot(const std::string& name, HWND window) const;

 private:
  PROCESS_INFORMATION process_{};
  HWND form1_ = nullptr;
};

// Combo1's list entries and its selection.
std::vector<std::wstring> ComboEntries(HWND combo);
int ComboSelection(HWND combo);

}  // namespace vardock::gui
