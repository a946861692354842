#include "win_host.h"

#include <cwchar>
#include <string>

#include "common/core/utf8.h"
#include "common/win/win_error.h"

namespace vardock {

void WinHost::ShowForm1() {
  if (!form1_) form1_.emplace(*module_);
  try {
    form1_->Show();
  } catch (...) {
    // A chooser that failed to load is never shown, and must not keep the program running.
    form1_.reset();
    throw;
  }
}

void WinHost::ShowMessage(std::wstring_view text, MessageIcon icon) {
  const HWND owner = Form1Window() != nullptr && IsWindowVisible(Form1Window()) ? Form1Window() : nullptr;
  UINT style = MB_OK;
  if (icon == MessageIcon::Exclamation) style |= MB_ICONEXCLAMATION;
  if (icon == MessageIcon::Error) style |= MB_ICONERROR;
  // Run by a setup program with no window of its own, the box must not open behind it.
  if (owner == nullptr) style |= MB_SETFOREGROUND;
  const std::wstring body(text);
  const std::wstring title(kProgramTitle);
  MessageBoxW(owner, body.c_str(), title.c_str(), style);
}

void WinHost::OpenLog(std::wstring_view path) {
  const std::wstring name(path);
  // Appending only, and shared: a setup program may be writing its own lines to the same file.
  log_.reset(CreateFileW(name.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!log_) throw corvanel::HResultError(HRESULT_FROM_WIN32(GetLastError()), L"CreateFileW");
}

void WinHost::WriteLog(std::wstring_view line) {
  if (!log_) return;
  SYSTEMTIME now{};
  GetLocalTime(&now);
  wchar_t stamp[32];
  std::swprintf(stamp, 32, L"%04u-%02u-%02u %02u:%02u:%02u  ", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
  // One entry, one line: the line breaks of a message become single spaces.
  std::wstring text = stamp;
  for (const wchar_t c : line) {
    if (c != L'\r' && c != L'\n') {
      text += c;
    } else if (text.back() != L' ') {
      text += L' ';
    }
  }
  text += L"\r\n";
  const std::string bytes = corvanel::WideToUtf8(text);
  DWORD written = 0;
  WriteFile(log_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace vardock
