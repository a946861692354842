#pragma once
// IIS compares the names of its keys and members without regard to case.
#include <string_view>

#include "iis_config.h"

namespace vardock {

inline bool IisNamesEqual(std::wstring_view a, std::wstring_view b) { return EqualsNoCase(a, b); }

}  // namespace vardock
