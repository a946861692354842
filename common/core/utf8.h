#pragma once
// UTF-8 for diagnostics (exception what()) and native file names; never used for file content.
#include <string>
#include <string_view>

namespace corvanel {

// Invalid code units (overlong forms too) become U+FFFD: this is for messages only.
std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);

// A native file name, which is bytes, as wide text and back without loss: valid UTF-8 is decoded,
// each other byte b is carried as the lone surrogate U+DC00 + b. Two different names never become
// one (an overlong "/" stays three bytes, not a separator).
std::wstring FileNameToWide(std::string_view bytes);
std::string WideToFileName(std::wstring_view text);
// UTF-8 for a message that may hold such a name: its undecodable bytes shown as "\xNN", so that
// a Latin-1 name and its U+FFFD look-alike read differently.
std::string WideToUtf8Shown(std::wstring_view text);

}  // namespace corvanel
