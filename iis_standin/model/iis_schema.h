#pragma once
// The classes of the IIS model: which properties each key type has, with their types, and which
// methods. Member names are matched case-insensitively, as automation does.
#include <span>
#include <string_view>

#include "iis_standin/model/vocabulary.h"

namespace iis_standin {

enum class ValueType { Text, Int16, Bool, TextArray };

struct PropertyInfo {
  std::wstring_view name;
  ValueType type;
  bool readOnly = false;
  bool inherited = false;  // IIS takes an unset value from the nearest parent key that has it
};

struct ClassInfo {
  std::wstring_view name;
  std::span<const PropertyInfo> properties;
  bool application = false;  // has AppCreate and AppCreate2
};

// Nullptr for a class the model does not know.
const ClassInfo* FindClass(std::wstring_view name);
const PropertyInfo* FindProperty(const ClassInfo& info, std::wstring_view name);
// Throws a type-mismatch AppError naming the member when value is not of the property's type.
void CheckType(const PropertyInfo& property, const Variant& value);

inline constexpr std::wstring_view kContainerMethods[] = {L"GetObject", L"Create", L"Delete", L"SetInfo"};
inline constexpr std::wstring_view kApplicationMethods[] = {L"AppCreate", L"AppCreate2"};

}  // namespace iis_standin
