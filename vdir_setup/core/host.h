#pragma once
// What the procedures of Module1 need from the windowing side: the chooser window, message boxes
// and the log file. The Windows layer shows and writes real ones; the native tests record them.
#include <string_view>

namespace vardock {

inline constexpr std::wstring_view kProgramTitle = L"Vardock";

enum class MessageIcon { None, Exclamation, Error };

class Host {
 public:
  virtual ~Host() = default;
  // Creates the web site chooser Form1 and shows it modelessly; its loading runs inside.
  virtual void ShowForm1() = 0;
  // A message box with the program's title, an OK button and the icon.
  virtual void ShowMessage(std::wstring_view text, MessageIcon icon) = 0;
  // Opens the log file for appending, creating it when missing; throws corvanel::AppError when
  // it cannot.
  virtual void OpenLog(std::wstring_view path) = 0;
  // Appends one line, stamped with the time. A write that fails later is dropped: the log must
  // not fail an installation that has already changed IIS.
  virtual void WriteLog(std::wstring_view line) = 0;
};

}  // namespace vardock
