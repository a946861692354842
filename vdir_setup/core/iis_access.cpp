#include "iis_access.h"

#include "automation.h"
#include "site_number.h"
#include "suppress_errors.h"

namespace vardock {

namespace {
corvanel::AppError TypeMismatch(std::wstring_view member, const Variant& value, std::wstring_view expected) {
  return AutomationError(hr::kTypeMismatch, member,
                         L"type mismatch: the value " + Describe(value) + L" is not " + std::wstring(expected));
}
}  // namespace

ObjectRef ObjectResult(const Variant& value, std::wstring_view member) {
  if (value.kind() != Variant::Kind::Object || !value.AsObjectOrNothing()) {
    throw AutomationError(hr::kTypeMismatch, member, L"type mismatch: the result is not an object");
  }
  return value.AsObject();
}

std::wstring TextResult(const Variant& value, std::wstring_view member) {
  if (value.kind() == Variant::Kind::Object || value.kind() == Variant::Kind::Array)
    throw TypeMismatch(member, value, L"text");
  return value.ToText();
}

ObjectRef GetChild(AutomationObject& object, std::wstring_view className, std::wstring_view name) {
  return ObjectResult(Call(object, L"GetObject", {className, name}), L"GetObject");
}

std::wstring PropertyText(AutomationObject& object, std::wstring_view name) {
  return TextResult(object.GetProperty(name), name);
}

std::vector<Variant> PropertyArray(AutomationObject& object, std::wstring_view name) {
  Variant value = object.GetProperty(name);
  if (value.kind() != Variant::Kind::Array) throw TypeMismatch(name, value, L"an array");
  return value.AsArray();
}

ObjectRef LocalWebService(AutomationObject& iisNamespace) {
  return GetChild(iisNamespace, L"IISWebService", L"127.0.0.1/w3svc");
}

ObjectRef SiteRoot(AutomationObject& iisNamespace, std::wstring_view site) {
  const ObjectRef service = LocalWebService(iisNamespace);
  const ObjectRef server = GetChild(*service, L"IISWebServer", site);
  return GetChild(*server, kVirtualDirClass, L"Root");
}

std::vector<WebSite> ListWebSites(AutomationObject& iisNamespace) {
  std::vector<WebSite> sites;
  const ObjectRef service = LocalWebService(iisNamespace);
  for (const Variant& item : service->Children()) {
    if (item.kind() != Variant::Kind::Object || !item.AsObjectOrNothing()) {
      throw AutomationError(hr::kTypeMismatch, L"_NewEnum", L"type mismatch: a child is not an object");
    }
    AutomationObject& child = *item.AsObject();
    if (!IisNamesEqual(PropertyText(child, L"Class"), L"IISWEBSERVER")) continue;
    std::wstring number = PropertyText(child, L"Name");
    if (!ParseSiteNumber(number)) continue;
    // A site without a description is listed by its number; it must not hide the others.
    std::wstring description;
    Suppressed([&] { description = PropertyText(child, L"ServerComment"); });
    if (description.empty()) description = number;
    sites.push_back({std::move(description), std::move(number)});
  }
  return sites;
}

}  // namespace vardock
