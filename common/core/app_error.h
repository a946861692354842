#pragma once
// The one error type of both programs: what was being done (operation and its object, such as
// a file or a member name), the platform's code and the platform's own description of it.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace corvanel {

class AppError : public std::runtime_error {
 public:
  // context: what failed, e.g. L"Cannot read \"C:\\inc\\Lang.inc\"".
  // reason: why, normally the platform's text for code. code: 0 when no platform code applies.
  AppError(std::wstring context, std::wstring reason, std::uint32_t code = 0);

  [[nodiscard]] const std::wstring& Context() const noexcept { return context_; }
  [[nodiscard]] const std::wstring& Reason() const noexcept { return reason_; }
  [[nodiscard]] std::uint32_t Code() const noexcept { return code_; }
  // "context: reason", the text a message box shows.
  [[nodiscard]] std::wstring Message() const;

 private:
  std::wstring context_;
  std::wstring reason_;
  std::uint32_t code_;
};

}  // namespace corvanel
