#pragma once
// How Vardock words a failure for the administrator: what failed (the member, object or
// operation), the platform's description, and the code in hex for looking it up.
#include <exception>
#include <string>

#include "common/core/app_error.h"

namespace vardock {

// A failure whose text is already written for the administrator (what it means, then the
// technical lines): shown as it stands.
class WordedError : public corvanel::AppError {
 public:
  WordedError(std::wstring text, std::uint32_t code) : AppError(L"", std::move(text), code) {}
};

// "<what> failed: <description>" and, when there is a code, a second line "HRESULT 0x80070003".
std::wstring ErrorText(const corvanel::AppError& error);
// ErrorText on one line, for the log: "<what> failed: <description> (HRESULT 0x80070005)".
std::wstring OneLineErrorText(const corvanel::AppError& error);
// "\r\nHRESULT 0x80070005", or nothing for code 0.
std::wstring CodeLine(std::uint32_t code);
// The same for any exception, for the report of an error that no procedure handled.
std::wstring ErrorText(std::exception_ptr error);

}  // namespace vardock
