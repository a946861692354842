#include "dir_name.h"

#include <cstdio>

namespace vardock {

namespace {
// Characters that cannot stand unescaped in the path of a web address (or that IIS reads as
// syntax): with them the directory would not be reached by its name.
constexpr std::wstring_view kUnsafeInUrl = L"?*:|<>\"%#";

bool IsControl(wchar_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

std::wstring CodeOf(wchar_t c) {
  wchar_t text[16];
  std::swprintf(text, 16, L"U+%04X", static_cast<unsigned>(c));
  return text;
}
}  // namespace

std::optional<std::wstring> DelNameRule(std::wstring_view name) {
  if (name == L"." || name == L"..") return L"it names the web site itself or the one above it, not a directory of it";
  if (name.find_first_of(L"/\\") != std::wstring_view::npos) {
    return L"it holds \"/\" or \"\\\", which would name a directory inside another, or the web site itself";
  }
  return std::nullopt;
}

std::optional<std::wstring> AddNameRule(std::wstring_view name, const Registry& registry,
                                        std::wstring_view keyParent) {
  if (auto rule = DelNameRule(name)) return rule;
  for (const wchar_t c : name) {
    if (IsControl(c)) return L"it holds the control character " + CodeOf(c) + L", which cannot stand in a web address";
    if (kUnsafeInUrl.find(c) != std::wstring_view::npos) {
      return L"it holds \"" + std::wstring(1, c) + L"\", which cannot stand unescaped in a web address";
    }
  }
  if (!registry.CanHoldKey(name)) {
    return L"it holds characters outside " + registry.CodePageName() +
           L", in which the registry key that remembers it is named";
  }
  if (!registry.CanHoldKey(std::wstring(keyParent) + std::wstring(name))) {
    const std::size_t longest = Registry::kMaxKeyPath - keyParent.size();
    return L"it is longer than the " + std::to_wstring(longest) +
           L" characters that the registry key that remembers it can take";
  }
  return std::nullopt;
}

}  // namespace vardock
