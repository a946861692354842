#include <windows.h>

#include <algorithm>
#include <climits>

#include "common/core/iis_names.h"

namespace corvanel {

bool IisNamesEqual(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  // Unit by unit, so a text longer than an int can count is compared in pieces.
  while (!a.empty()) {
    const int length = static_cast<int>(std::min<std::size_t>(a.size(), INT_MAX));
    if (::CompareStringOrdinal(a.data(), length, b.data(), length, TRUE) != CSTR_EQUAL) return false;
    a.remove_prefix(static_cast<std::size_t>(length));
    b.remove_prefix(static_cast<std::size_t>(length));
  }
  return true;
}

}  // namespace corvanel
