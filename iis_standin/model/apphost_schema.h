#pragma once
// The sections and elements of applicationHost.config that the native configuration objects
// serve: each element's attributes with their types and defaults, its named child elements, and
// its collection (the tags that add, remove and clear entries, and the attributes that key them).
// Everything else in a file is kept as read but cannot be reached through the objects.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "iis_standin/model/vocabulary.h"

namespace iis_standin::apphost {

enum class AttributeType { String, Bool, UInt, Int, Enum };

struct EnumValue {
  std::wstring_view name;
  std::int32_t value;
};

struct AttributeSchema {
  std::wstring_view name;
  AttributeType type;
  std::wstring_view defaultValue;  // as the file would hold it
  bool key = false;                // part of the key of the collection entries it belongs to
  bool required = false;           // an entry cannot be added without it
  std::span<const EnumValue> values = {};
};

struct ElementSchema;

struct ChildSchema {
  std::wstring_view name;
  const ElementSchema& element;
};

struct CollectionSchema {
  std::wstring_view addElement;
  std::wstring_view removeElement;
  std::wstring_view clearElement;
  const ElementSchema& entry;
};

struct ElementSchema {
  std::span<const AttributeSchema> attributes;
  std::span<const ChildSchema> children = {};
  const CollectionSchema* collection = nullptr;
};

struct SectionSchema {
  std::wstring_view path;  // e.g. "system.webServer/httpErrors"
  const ElementSchema& element;
  bool appHostOnly = false;  // only at MACHINE/WEBROOT/APPHOST itself, as the sites are
};

// Nullptr for a section the objects do not serve; the path compares without case.
const SectionSchema* FindSection(std::wstring_view path);
const AttributeSchema* FindAttribute(const ElementSchema& element, std::wstring_view name);
const ChildSchema* FindChild(const ElementSchema& element, std::wstring_view name);

// The value as the objects give it: BSTR, VT_BOOL, UI4 or I4 (an enumeration as its number).
// Throws 0x8007000D naming the attribute when the file holds something of another type.
Variant ReadValue(const AttributeSchema& attribute, const std::wstring& text);
// The file's text for a value put by a client: BSTR for strings, VT_BOOL for booleans, I2, I4
// or UI4 in range for numbers, an enumeration's name (any case) or number. Throws
// DISP_E_TYPEMISMATCH for another type and 0x80070057 for a number out of range.
std::wstring WriteValue(const AttributeSchema& attribute, const Variant& value);
// The text keys compare by: numbers in their plain decimal form, anything else as written.
std::wstring KeyText(const AttributeSchema& attribute, const std::wstring& text);

}  // namespace iis_standin::apphost
