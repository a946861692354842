#pragma once
// IIS names (keys, classes, members, programmatic identifiers) compare without regard to case,
// as Windows compares them: ordinal, one UTF-16 unit at a time through the simple upper-case
// mapping, whatever the user's locale. "é" equals "É" and "σ" equals "Σ"; "ß" never equals "SS".
#include <string_view>

namespace corvanel {

[[nodiscard]] bool IisNamesEqual(std::wstring_view a, std::wstring_view b);

}  // namespace corvanel
