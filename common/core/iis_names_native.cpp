#include <locale.h>
#include <wctype.h>

#include <cstdint>
#include <stdexcept>

#include "iis_names.h"

namespace corvanel {

namespace {
// The C.UTF-8 locale's simple upper-case mapping, independent of the process's own locale.
locale_t UpperCaseLocale() {
  static const locale_t locale = [] {
    const locale_t made = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    if (made == locale_t{}) throw std::runtime_error("the C.UTF-8 locale is not available");
    return made;
  }();
  return locale;
}

// Windows folds UTF-16 units: a character beyond the Basic Multilingual Plane, two units there,
// is compared as it is.
wchar_t Upper(wchar_t c, locale_t locale) {
  if (static_cast<std::uint32_t>(c) > 0xFFFF) return c;
  return static_cast<wchar_t>(::towupper_l(static_cast<wint_t>(c), locale));
}
}  // namespace

bool IisNamesEqual(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  const locale_t locale = UpperCaseLocale();
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && Upper(a[i], locale) != Upper(b[i], locale)) return false;
  }
  return true;
}

}  // namespace corvanel
