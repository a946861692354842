#pragma once
// The Host of the running program: the real chooser window and real message boxes.
#include <windows.h>

#include <optional>

#include "form1.h"
#include "vdir_setup/core/host.h"

namespace vardock {

class WinHost final : public Host {
 public:
  void Attach(Module1& module) noexcept { module_ = &module; }
  void ShowForm1() override;
  void ShowMessage(std::wstring_view text, MessageIcon icon) override;
  // The chooser's window while it is open; null before and after.
  [[nodiscard]] HWND Form1Window() const noexcept { return form1_ ? form1_->hwnd() : nullptr; }

 private:
  Module1* module_ = nullptr;
  std::optional<Form1> form1_;
};

}  // namespace vardock
