#include "apphost_schema.h"

#include <algorithm>
#include <limits>

#include "iis_standin/model/vocabulary.h"

namespace iis_standin::apphost {

namespace {
using enum AttributeType;

// Bottom up, as each element names the ones below it.
constexpr AttributeSchema kVirtualDirectoryAttributes[] = {
    {L"path", String, L"", true, true},
    {L"physicalPath", String, L""},
};
constexpr ElementSchema kVirtualDirectory{kVirtualDirectoryAttributes};
constexpr CollectionSchema kVirtualDirectories{L"virtualDirectory", L"remove", L"clear", kVirtualDirectory};

constexpr AttributeSchema kApplicationAttributes[] = {
    {L"path", String, L"", true, true},
    {L"applicationPool", String, L""},
    {L"enabledProtocols", String, L"http"},
};
constexpr ElementSchema kApplication{kApplicationAttributes, {}, &kVirtualDirectories};
constexpr CollectionSchema kApplications{L"application", L"remove", L"clear", kApplication};

constexpr AttributeSchema kBindingAttributes[] = {
    {L"protocol", String, L"", true, true},
    {L"bindingInformation", String, L"", true, true},
};
constexpr ElementSchema kBinding{kBindingAttributes};
constexpr CollectionSchema kBindingCollection{L"binding", L"remove", L"clear", kBinding};
constexpr ElementSchema kBindings{{}, {}, &kBindingCollection};

constexpr AttributeSchema kSiteAttributes[] = {
    {L"name", String, L"", true, true},
    {L"id", UInt, L"0", false, true},
    {L"serverAutoStart", Bool, L"true"},
};
constexpr ChildSchema kSiteChildren[] = {{L"bindings", kBindings}};
constexpr ElementSchema kSite{kSiteAttributes, kSiteChildren, &kApplications};
constexpr CollectionSchema kSiteCollection{L"site", L"remove", L"clear", kSite};

constexpr ElementSchema kSiteDefaults{{}};
constexpr AttributeSchema kApplicationDefaultsAttributes[] = {
    {L"applicationPool", String, L""},
    {L"enabledProtocols", String, L"http"},
};
constexpr ElementSchema kApplicationDefaults{kApplicationDefaultsAttributes};
constexpr AttributeSchema kVirtualDirectoryDefaultsAttributes[] = {
    {L"physicalPath", String, L""},
    {L"allowSubDirConfig", Bool, L"true"},
};
constexpr ElementSchema kVirtualDirectoryDefaults{kVirtualDirectoryDefaultsAttributes};
constexpr ChildSchema kSitesChildren[] = {
    {L"siteDefaults", kSiteDefaults},
    {L"applicationDefaults", kApplicationDefaults},
    {L"virtualDirectoryDefaults", kVirtualDirectoryDefaults},
};
constexpr ElementSchema kSites{{}, kSitesChildren, &kSiteCollection};

constexpr AttributeSchema kSessionAttributes[] = {{L"allowSessionState", Bool, L"true"}};
constexpr ElementSchema kSession{kSessionAttributes};
constexpr ChildSchema kAspChildren[] = {{L"session", kSession}};
constexpr ElementSchema kAsp{{}, kAspChildren};

constexpr AttributeSchema kFileAttributes[] = {{L"value", String, L"", true, true}};
constexpr ElementSchema kFile{kFileAttributes};
constexpr CollectionSchema kFileCollection{L"add", L"remove", L"clear", kFile};
constexpr ElementSchema kFiles{{}, {}, &kFileCollection};
constexpr AttributeSchema kDefaultDocumentAttributes[] = {{L"enabled", Bool, L"true"}};
constexpr ChildSchema kDefaultDocumentChildren[] = {{L"files", kFiles}};
constexpr ElementSchema kDefaultDocument{kDefaultDocumentAttributes, kDefaultDocumentChildren};

constexpr EnumValue kResponseModes[] = {{L"File", 0}, {L"ExecuteURL", 1}, {L"Redirect", 2}};
constexpr EnumValue kErrorModes[] = {{L"DetailedLocalOnly", 0}, {L"Custom", 1}, {L"Detailed", 2}};
constexpr EnumValue kExistingResponses[] = {{L"Auto", 0}, {L"Replace", 1}, {L"PassThrough", 2}};
constexpr AttributeSchema kErrorAttributes[] = {
    {L"statusCode", UInt, L"0", true, true},
    {L"subStatusCode", Int, L"-1", true},
    {L"prefixLanguageFilePath", String, L""},
    {L"path", String, L"", false, true},
    {L"responseMode", Enum, L"File", false, false, kResponseModes},
};
constexpr ElementSchema kError{kErrorAttributes};
constexpr CollectionSchema kErrors{L"error", L"remove", L"clear", kError};
constexpr AttributeSchema kHttpErrorsAttributes[] = {
    {L"errorMode", Enum, L"DetailedLocalOnly", false, false, kErrorModes},
    {L"existingResponse", Enum, L"Auto", false, false, kExistingResponses},
    {L"defaultResponseMode", Enum, L"File", false, false, kResponseModes},
};
constexpr ElementSchema kHttpErrors{kHttpErrorsAttributes, {}, &kErrors};

constexpr AttributeSchema kAnonymousAttributes[] = {{L"enabled", Bool, L"false"}, {L"userName", String, L"IUSR"}};
constexpr AttributeSchema kBasicAttributes[] = {
    {L"enabled", Bool, L"false"}, {L"defaultLogonDomain", String, L""}, {L"realm", String, L""}};
constexpr AttributeSchema kEnabledAttribute[] = {{L"enabled", Bool, L"false"}};
constexpr AttributeSchema kDigestAttributes[] = {{L"enabled", Bool, L"false"}, {L"realm", String, L""}};
constexpr ElementSchema kAnonymous{kAnonymousAttributes};
constexpr ElementSchema kBasic{kBasicAttributes};
constexpr ElementSchema kWindows{kEnabledAttribute};
constexpr ElementSchema kDigest{kDigestAttributes};

constexpr SectionSchema kSections[] = {
    {L"system.applicationHost/sites", kSites, true},
    {L"system.webServer/asp", kAsp},
    {L"system.webServer/defaultDocument", kDefaultDocument},
    {L"system.webServer/httpErrors", kHttpErrors},
    {L"system.webServer/security/authentication/anonymousAuthentication", kAnonymous},
    {L"system.webServer/security/authentication/basicAuthentication", kBasic},
    {L"system.webServer/security/authentication/windowsAuthentication", kWindows},
    {L"system.webServer/security/authentication/digestAuthentication", kDigest},
};

std::optional<std::int64_t> ParseInteger(std::wstring_view text) {
  const bool negative = text.starts_with(L'-');
  if (negative) text.remove_prefix(1);
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::int64_t value = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + (c - L'0');
  }
  return negative ? -value : value;
}

// The item whose name matches without case; nullptr when none does.
template <typename T>
const T* Named(std::span<const T> items, std::wstring_view name) {
  const auto found = std::ranges::find_if(items, [&](const T& item) { return IisNamesEqual(item.name, name); });
  return found == items.end() ? nullptr : &*found;
}

const EnumValue* FindEnum(const AttributeSchema& attribute, std::wstring_view name) {
  return Named(attribute.values, name);
}

const EnumValue* FindEnum(const AttributeSchema& attribute, std::int64_t number) {
  for (const EnumValue& value : attribute.values) {
    if (value.value == number) return &value;
  }
  return nullptr;
}

std::optional<std::int64_t> NumberOf(const Variant& value) {
  switch (value.kind()) {
    case Variant::Kind::Int16: return value.AsInt16();
    case Variant::Kind::Int32: return value.AsInt32();
    case Variant::Kind::UInt32: return value.AsUInt32();
    default: return std::nullopt;
  }
}

std::wstring Names(const AttributeSchema& attribute) {
  std::wstring names;
  for (const EnumValue& value : attribute.values) names += (names.empty() ? L"" : L", ") + std::wstring(value.name);
  return names;
}
}  // namespace

const SectionSchema* FindSection(std::wstring_view path) {
  const auto found = std::ranges::find_if(kSections, [&](const SectionSchema& s) { return IisNamesEqual(s.path, path); });
  return found == std::end(kSections) ? nullptr : found;
}

const AttributeSchema* FindAttribute(const ElementSchema& element, std::wstring_view name) {
  return Named(element.attributes, name);
}

const ChildSchema* FindChild(const ElementSchema& element, std::wstring_view name) {
  return Named(element.children, name);
}

Variant ReadValue(const AttributeSchema& attribute, const std::wstring& text) {
  const auto number = ParseInteger(text);
  switch (attribute.type) {
    case String:
      return text;
    case Bool:
      if (IisNamesEqual(text, L"true")) return true;
      if (IisNamesEqual(text, L"false")) return false;
      break;
    case UInt:
      if (number && *number >= 0 && *number <= std::numeric_limits<std::uint32_t>::max()) {
        return Variant::UI4(static_cast<std::uint32_t>(*number));
      }
      break;
    case Int:
      if (number && *number >= std::numeric_limits<std::int32_t>::min() &&
          *number <= std::numeric_limits<std::int32_t>::max()) {
        return Variant::I4(static_cast<std::int32_t>(*number));
      }
      break;
    case Enum:
      if (const EnumValue* value = number ? FindEnum(attribute, *number) : FindEnum(attribute, text)) {
        return Variant::I4(value->value);
      }
      break;
  }
  throw AutomationError(hr::kInvalidData, attribute.name,
                        L"The configuration file holds \"" + text + L"\" for the attribute '" +
                            std::wstring(attribute.name) + L"', which is not a value of its type");
}

std::wstring WriteValue(const AttributeSchema& attribute, const Variant& value) {
  const auto mismatch = [&](const wchar_t* wanted) {
    return AutomationError(hr::kTypeMismatch, attribute.name,
                           L"Type mismatch: '" + std::wstring(attribute.name) + L"' takes " + wanted + L", not " +
                               Describe(value));
  };
  const auto outOfRange = [&](const std::wstring& what) {
    return AutomationError(hr::kInvalidArg, attribute.name,
                           what + L" is not a valid value for the attribute '" + std::wstring(attribute.name) + L"'");
  };
  const auto number = NumberOf(value);
  switch (attribute.type) {
    case String:
      if (value.kind() != Variant::Kind::Text) throw mismatch(L"a string");
      return value.AsText();
    case Bool:
      if (value.kind() != Variant::Kind::Bool) throw mismatch(L"a boolean");
      return value.AsBool() ? L"true" : L"false";
    case UInt:
      if (!number) throw mismatch(L"a number");
      if (*number < 0) throw outOfRange(std::to_wstring(*number));
      return std::to_wstring(*number);
    case Int:
      if (!number) throw mismatch(L"a number");
      if (*number > std::numeric_limits<std::int32_t>::max()) throw outOfRange(std::to_wstring(*number));
      return std::to_wstring(*number);
    case Enum: {
      if (!number && value.kind() != Variant::Kind::Text) throw mismatch(L"a name or a number");
      const EnumValue* found = number ? FindEnum(attribute, *number) : FindEnum(attribute, value.AsText());
      if (found == nullptr) throw outOfRange(Describe(value) + L" (one of " + Names(attribute) + L")");
      return std::wstring(found->name);
    }
  }
  throw mismatch(L"a value");
}

std::wstring KeyText(const AttributeSchema& attribute, const std::wstring& text) {
  if (attribute.type == UInt || attribute.type == Int) {
    if (const auto number = ParseInteger(text)) return std::to_wstring(*number);
  }
  return text;
}

}  // namespace iis_standin::apphost
