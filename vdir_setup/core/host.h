#pragma once
// What the procedures of Module1 need from the windowing side: the chooser window and message
// boxes. The Windows layer shows real ones; the native tests record them.
#include <string_view>

namespace vardock {

inline constexpr std::wstring_view kProgramTitle = L"Vardock";

enum class MessageIcon { None, Exclamation };

class Host {
 public:
  virtual ~Host() = default;
  // Creates the web site chooser Form1 and shows it modelessly; its loading runs inside.
  virtual void ShowForm1() = 0;
  // A message box with the program's title, an OK button and the icon.
  virtual void ShowMessage(std::wstring_view text, MessageIcon icon) = 0;
};

}  // namespace vardock
