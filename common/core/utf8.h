#pragma once
// UTF-8 for diagnostics (exception what()) and native file names; never used for file content.
#include <string>
#include <string_view>

namespace corvanel {

// Invalid code units become U+FFFD: this is for messages and paths only.
std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);

}  // namespace corvanel
