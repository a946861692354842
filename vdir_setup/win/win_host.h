#pragma once
// The Host of the running program: the real chooser window, real message boxes and the log file.
#include <windows.h>

#include <optional>

#include "common/win/handles_win.h"
#include "form1.h"
#include "vdir_setup/core/host.h"

namespace vardock {

class WinHost final : public Host {
 public:
  void Attach(Module1& module) noexcept { module_ = &module; }
  void ShowForm1() override;
  void ShowMessage(std::wstring_view text, MessageIcon icon) override;
  void OpenLog(std::wstring_view path) override;
  void WriteLog(std::wstring_view line) override;
  // The chooser's window while it is open; null before and after.
  [[nodiscard]] HWND Form1Window() const noexcept { return form1_ ? form1_->hwnd() : nullptr; }

 private:
  Module1* module_ = nullptr;
  std::optional<Form1> form1_;
  corvanel::unique_hfile log_;
};

}  // namespace vardock
