#pragma once
// The ways Vardock reaches the IIS 6 administration objects: the local web service, a site's root
// directory, the list of web sites; and typed property reads whose errors name the member.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "automation.h"

namespace vardock {

inline constexpr std::wstring_view kVirtualDirClass = L"IISWebVirtualDir";

// A member's result that must be an object (not Nothing); otherwise a type mismatch naming it.
ObjectRef ObjectResult(const Variant& value, std::wstring_view member);
// A member's value as text; a value that has no text (an object, an array) fails naming it.
std::wstring TextResult(const Variant& value, std::wstring_view member);

// GetObject(className, name) on object; the result must be an object.
ObjectRef GetChild(AutomationObject& object, std::wstring_view className, std::wstring_view name);

// The property converted to text; a value that has no text (an object, an array) fails with the
// member's name.
std::wstring PropertyText(AutomationObject& object, std::wstring_view name);
// The property as an array; anything else fails with the member's name.
std::vector<Variant> PropertyArray(AutomationObject& object, std::wstring_view name);

// The local web service "127.0.0.1/w3svc" of an "IISNamespace" object.
ObjectRef LocalWebService(AutomationObject& iisNamespace);
// The root directory of web site `site` (its instance number as decimal text).
ObjectRef SiteRoot(AutomationObject& iisNamespace, std::wstring_view site);

struct WebSite {
  std::wstring description;  // "ServerComment"
  std::wstring number;       // the instance number, canonical decimal text
  friend bool operator==(const WebSite&, const WebSite&) = default;
};

// The web sites under the local web service, in enumeration order. Children of other classes,
// and sites whose name is not an instance number, are skipped; a site without a description
// ("ServerComment" unset or empty) is described by its number.
std::vector<WebSite> ListWebSites(AutomationObject& iisNamespace);

}  // namespace vardock
