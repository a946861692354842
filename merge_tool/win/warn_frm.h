#pragma once
// warnFrm, the message window: one long multi-line text above an OK button. Its caller puts the
// finished text in and shows it modally; it composes nothing and reports nothing back.
#include <string_view>

#include "common/win/handles_win.h"
#include "window_base.h"

namespace tessaly {

class WarnFrm final : public ModalWindow {
 public:
  // Creates the window on first use (and after it was closed through its frame), replaces the
  // whole text of Text1 and waits until the window is hidden or closed. `owner` is disabled
  // meanwhile and is the window it opens centred on.
  void ShowText(HWND owner, std::wstring_view text);

 private:
  void Form_Load(HWND owner);
  void Command1_Click();
  // Returns true when the key is taken here and Text1 does not see it.
  bool Text1_KeyDown(WPARAM key);
  [[nodiscard]] int FirstControlId() const noexcept override;
  void Layout(UINT dpi);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  static LRESULT CALLBACK Text1Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);

  corvanel::unique_hfont font_;
};

}  // namespace tessaly
