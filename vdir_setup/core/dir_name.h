#pragma once
// The names Vardock gives a virtual directory or removes one by. A name is one step of a web
// address below the site's root and one key below "Software\Corvanel": names that would address
// the site itself, another directory, or that IIS, a browser or the registry would read
// otherwise, are refused before anything changes.
#include <optional>
#include <string>
#include <string_view>

#include "registry.h"

namespace vardock {

// The rule a name for ADD breaks ("it holds \"?\", ..."), or nothing when it may be created.
// keyParent: where its registry key goes ("Software\Corvanel\").
std::optional<std::wstring> AddNameRule(std::wstring_view name, const Registry& registry,
                                        std::wstring_view keyParent);
// The rule a name for DEL breaks: only "." and "..", and names with "/" or "\", which address
// the site itself or a directory inside another. Any other name an earlier version may have made.
std::optional<std::wstring> DelNameRule(std::wstring_view name);

}  // namespace vardock
