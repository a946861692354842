#include "error_text.h"

#include <cstdio>
#include <new>

namespace vardock {

std::wstring CodeLine(std::uint32_t code) {
  if (code == 0) return {};
  wchar_t text[32];
  std::swprintf(text, 32, L"\r\nHRESULT 0x%08X", static_cast<unsigned>(code));
  return text;
}

namespace {
// Where the system has no text for a code its description is "Error 0x800401F3": the code is
// not said twice.
bool NamesOnlyTheCode(const corvanel::AppError& error) {
  const std::wstring code = CodeLine(error.Code());
  return !code.empty() && error.Reason() == L"Error " + code.substr(code.find(L"0x"));
}
}  // namespace

std::wstring ErrorText(const corvanel::AppError& error) {
  if (dynamic_cast<const WordedError*>(&error) != nullptr) return error.Reason();
  return error.Context() + L" failed: " + error.Reason() + (NamesOnlyTheCode(error) ? L"" : CodeLine(error.Code()));
}

std::wstring OneLineErrorText(const corvanel::AppError& error) {
  std::wstring text = error.Context() + L" failed: " + error.Reason();
  for (wchar_t& c : text) c = c == L'\r' || c == L'\n' ? L' ' : c;
  if (const std::wstring code = CodeLine(error.Code()); !code.empty() && !NamesOnlyTheCode(error)) {
    text += L" (" + code.substr(2) + L")";
  }
  return text;
}

std::wstring ErrorText(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const corvanel::AppError& appError) {
    return ErrorText(appError);
  } catch (const std::bad_alloc&) {
    return L"Vardock failed: not enough memory.";
  } catch (const std::exception& other) {
    std::wstring what;
    for (const char* c = other.what(); *c != '\0'; ++c) what += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return L"Vardock failed: " + what;
  } catch (...) {
    return L"Vardock failed: an unknown error.";
  }
}

}  // namespace vardock
