#include "app_error.h"

#include "utf8.h"

namespace corvanel {

namespace {
std::wstring Join(const std::wstring& context, const std::wstring& reason) {
  if (reason.empty()) return context;
  if (context.empty()) return reason;
  return context + L": " + reason;
}
}  // namespace

AppError::AppError(std::wstring context, std::wstring reason, std::uint32_t code)
    : std::runtime_error(WideToUtf8(Join(context, reason))),
      context_(std::move(context)),
      reason_(std::move(reason)),
      code_(code) {}

std::wstring AppError::Message() const { return Join(context_, reason_); }

}  // namespace corvanel
