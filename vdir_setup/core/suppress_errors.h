#pragma once
// The few IIS calls that are expected to fail (a lookup, a creation, a deletion, AppCreate2, the
// system information) run with their errors suppressed: the program's own error type is caught
// and dropped, everything else (out of memory, a logic error) still propagates.
#include <optional>
#include <utility>

#include "common/core/app_error.h"

namespace vardock {

// Runs call; returns the error it raised, or nothing when it succeeded.
template <typename Call>
std::optional<corvanel::AppError> Suppressed(Call&& call) {
  try {
    std::forward<Call>(call)();
    return std::nullopt;
  } catch (const corvanel::AppError& error) {
    return error;
  }
}

}  // namespace vardock
