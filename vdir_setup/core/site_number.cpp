#include "site_number.h"

#include <algorithm>

namespace vardock {

namespace {
bool AllDigits(std::wstring_view text) {
  return !text.empty() && std::ranges::all_of(text, [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}
}  // namespace

std::optional<std::uint32_t> ParseSiteNumber(std::wstring_view text) {
  if (!AllDigits(text) || text.size() > 10 || (text.size() > 1 && text[0] == L'0')) return std::nullopt;
  std::uint64_t value = 0;
  for (wchar_t c : text) value = value * 10 + static_cast<std::uint64_t>(c - L'0');
  if (value > UINT32_MAX) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

std::wstring SiteNumberText(std::uint32_t number) { return std::to_wstring(number); }

bool SameSiteNumber(std::wstring_view a, std::wstring_view b) {
  if (!AllDigits(a) || !AllDigits(b)) return a == b;
  const auto significant = [](std::wstring_view digits) {
    const auto first = digits.find_first_not_of(L'0');
    return first == std::wstring_view::npos ? std::wstring_view(L"0") : digits.substr(first);
  };
  return significant(a) == significant(b);
}

}  // namespace vardock
