#include "win_host.h"

#include <string>

namespace vardock {

void WinHost::ShowForm1() {
  if (!form1_) form1_.emplace(*module_);
  form1_->Show();
}

void WinHost::ShowMessage(std::wstring_view text, MessageIcon icon) {
  const HWND owner = Form1Window() != nullptr && IsWindowVisible(Form1Window()) ? Form1Window() : nullptr;
  UINT style = MB_OK | (icon == MessageIcon::Exclamation ? MB_ICONEXCLAMATION : 0);
  // Run by a setup program with no window of its own, the box must not open behind it.
  if (owner == nullptr) style |= MB_SETFOREGROUND;
  const std::wstring body(text);
  const std::wstring title(kProgramTitle);
  MessageBoxW(owner, body.c_str(), title.c_str(), style);
}

}  // namespace vardock
