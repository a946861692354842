#pragma once
// Web site numbers. IIS numbers sites with unsigned 32-bit instance numbers (its manager derives
// them from a hash of the site's name, e.g. 1423684589), so they are carried as the canonical
// decimal text of such a number and never narrowed to a 16-bit integer.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vardock {

// The number when text is its canonical decimal form ("0".."4294967295", no sign, blank or
// leading zero); nothing otherwise.
std::optional<std::uint32_t> ParseSiteNumber(std::wstring_view text);
std::wstring SiteNumberText(std::uint32_t number);

// Whether two remembered or chosen site numbers name the same site: texts of digits compare as
// numbers ("05" is "5"), anything else as exact text.
bool SameSiteNumber(std::wstring_view a, std::wstring_view b);

}  // namespace vardock
