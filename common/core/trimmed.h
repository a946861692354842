#pragma once
// The one trimming rule of both programs: leading and trailing U+0020 removed; tabs and all
// other white space stay.
#include <string>
#include <string_view>

namespace corvanel {

inline std::wstring_view TrimmedView(std::wstring_view text) {
  const auto first = text.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return {};
  const auto last = text.find_last_not_of(L' ');
  return text.substr(first, last - first + 1);
}

inline std::wstring Trimmed(std::wstring_view text) { return std::wstring(TrimmedView(text)); }

}  // namespace corvanel
