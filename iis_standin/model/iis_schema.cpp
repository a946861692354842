#include "iis_schema.h"

#include "iis_standin/model/vocabulary.h"
#include "iis_config.h"

namespace iis_standin {

namespace {
using enum ValueType;

// Every key has "Class", "Name" (its own name: a site's instance number) and "KeyType"; the
// service and the sites keep the inherited ones for the directories below them.
constexpr PropertyInfo kPlainProperties[] = {{L"Class", Text, true}, {L"Name", Text, true}, {L"KeyType", Text}};
constexpr PropertyInfo kServiceProperties[] = {
    {L"Class", Text, true},
    {L"Name", Text, true},
    {L"KeyType", Text},
    {L"AuthFlags", Int16, false, true},
    {L"DefaultDoc", Text, false, true},
    {L"DefaultLogonDomain", Text, false, true},
    {L"AspAllowSessionState", Bool, false, true},
    {L"HttpErrors", TextArray, false, true},
};
constexpr PropertyInfo kServerProperties[] = {
    {L"Class", Text, true},
    {L"Name", Text, true},
    {L"KeyType", Text},
    {L"ServerComment", Text},
    {L"ServerBindings", TextArray},
    {L"AuthFlags", Int16, false, true},
    {L"DefaultDoc", Text, false, true},
    {L"DefaultLogonDomain", Text, false, true},
    {L"AspAllowSessionState", Bool, false, true},
    {L"HttpErrors", TextArray, false, true},
};
constexpr PropertyInfo kDirectoryProperties[] = {
    {L"Class", Text, true},
    {L"Name", Text, true},
    {L"KeyType", Text},
    {L"Path", Text},
    {L"AppFriendlyName", Text},
    {L"AppRoot", Text},
    {L"AppIsolated", Int16},
    {L"AuthFlags", Int16, false, true},
    {L"DefaultDoc", Text, false, true},
    {L"DefaultLogonDomain", Text, false, true},
    {L"AspAllowSessionState", Bool, false, true},
    {L"HttpErrors", TextArray, false, true},
};

constexpr ClassInfo kClasses[] = {
    {L"IIsComputer", kPlainProperties},
    {L"IIsWebService", kServiceProperties},
    {L"IIsWebServer", kServerProperties},
    {L"IIsWebVirtualDir", kDirectoryProperties, true},
    {L"IIsWebDirectory", kDirectoryProperties, true},
    {L"IIsWebInfo", kPlainProperties},
    {L"IIsFilters", kPlainProperties},
    {L"IIsFilter", kPlainProperties},
    {L"IIsApplicationPools", kPlainProperties},
    {L"IIsApplicationPool", kPlainProperties},
};

constexpr std::wstring_view TypeName(ValueType type) {
  switch (type) {
    case Text:
      return L"a text";
    case Int16:
      return L"a 16-bit integer";
    case Bool:
      return L"a boolean";
    case TextArray:
      return L"an array of texts";
  }
  return L"?";
}
}  // namespace

const ClassInfo* FindClass(std::wstring_view name) {
  for (const ClassInfo& info : kClasses) {
    if (IisNamesEqual(info.name, name)) return &info;
  }
  return nullptr;
}

const PropertyInfo* FindProperty(const ClassInfo& info, std::wstring_view name) {
  for (const PropertyInfo& property : info.properties) {
    if (IisNamesEqual(property.name, name)) return &property;
  }
  return nullptr;
}

void CheckType(const PropertyInfo& property, const Variant& value) {
  bool ok = false;
  switch (property.type) {
    case Text:
      ok = value.kind() == Variant::Kind::Text;
      break;
    case Int16:
      ok = value.kind() == Variant::Kind::Int16;
      break;
    case Bool:
      ok = value.kind() == Variant::Kind::Bool;
      break;
    case TextArray:
      ok = value.kind() == Variant::Kind::Array;
      if (ok) {
        for (const Variant& item : value.AsArray()) ok = ok && item.kind() == Variant::Kind::Text;
      }
      break;
  }
  if (!ok) {
    throw AutomationError(hr::kTypeMismatch, property.name,
                          L"Type mismatch: " + std::wstring(property.name) + L" takes " +
                              std::wstring(TypeName(property.type)) + L", not " + Describe(value));
  }
}

}  // namespace iis_standin
