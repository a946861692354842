#pragma once
// A path the build wrote into a test (a program, a DLL, a source folder) as this process opens
// it: the cross build writes Unix paths, which Wine reaches through drive Z:; a build on Windows
// writes Windows paths, used as they are.
#include <string>
#include <string_view>

#include "common/core/utf8.h"

namespace corvanel::testing {

inline std::wstring BuildPath(std::string_view path) {
  std::wstring wide = Utf8ToWide(path);
  for (wchar_t& c : wide) c = c == L'/' ? L'\\' : c;
  return !wide.empty() && wide[0] == L'\\' ? L"Z:" + wide : wide;
}

}  // namespace corvanel::testing
