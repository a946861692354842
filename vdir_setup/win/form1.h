#pragma once
// The web site chooser: lists the local server's web sites, preselects the one the last
// installation used, and on OK moves or creates the product's virtual directory. Every way out
// of this window ends the program.
#include <windows.h>

#include <vector>

#include "common/win/handles_win.h"
#include "vdir_setup/core/iis_access.h"
#include "vdir_setup/core/module1.h"

namespace vardock {

class Form1 {
 public:
  explicit Form1(Module1& module) : module_(module) {}
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;
  ~Form1();

  // Creates the window, runs its loading (which may throw: the window is then never shown) and
  // shows it modelessly with the focus on OK.
  void Show();
  [[nodiscard]] HWND hwnd() const noexcept { return hwnd_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void Form_Load();
  void Command1_Click();
  void Command2_Click();
  void Form_Unload();

  void CreateControls();
  void ApplyDpi(UINT dpi);
  // Ends the program at once: the window goes, no further handler runs.
  void EndProgram();
  [[nodiscard]] HWND Control(int id) const noexcept { return GetDlgItem(hwnd_, id); }
  // A click counts only when the control and the window take input.
  [[nodiscard]] bool Clickable(int id) const noexcept;

  Module1& module_;
  HWND hwnd_ = nullptr;
  std::vector<WebSite> sites_;
  corvanel::unique_hfont font_;
  HWND lastFocus_ = nullptr;
  bool ending_ = false;
};

}  // namespace vardock
