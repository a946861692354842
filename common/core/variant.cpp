#include "variant.h"

#include "common/core/app_error.h"
#include "hresults.h"

namespace corvanel {

namespace {
[[noreturn]] void ThrowTypeMismatch() { throw AppError(L"Variant", L"Type mismatch", hr::kTypeMismatch); }

template <typename T, typename V>
const T& Get(const V& value) {
  if (const T* held = std::get_if<T>(&value)) return *held;
  ThrowTypeMismatch();
}
}  // namespace

std::int16_t Variant::AsInt16() const { return Get<std::int16_t>(value_); }
std::int32_t Variant::AsInt32() const { return Get<std::int32_t>(value_); }
std::uint32_t Variant::AsUInt32() const { return Get<std::uint32_t>(value_); }
bool Variant::AsBool() const { return Get<bool>(value_); }
const std::wstring& Variant::AsText() const { return Get<std::wstring>(value_); }
const std::vector<Variant>& Variant::AsArray() const { return Get<std::vector<Variant>>(value_); }

const ObjectRef& Variant::AsObjectOrNothing() const { return Get<ObjectRef>(value_); }

const ObjectRef& Variant::AsObject() const {
  const ObjectRef& object = AsObjectOrNothing();
  if (!object) throw AppError(L"Variant", L"Object variable not set", hr::kObjectNotSet);
  return object;
}

std::wstring Variant::ToText() const {
  switch (kind()) {
    case Kind::Empty:
      return {};
    case Kind::Int16:
      return std::to_wstring(std::get<std::int16_t>(value_));
    case Kind::Int32:
      return std::to_wstring(std::get<std::int32_t>(value_));
    case Kind::UInt32:
      return std::to_wstring(std::get<std::uint32_t>(value_));
    case Kind::Bool:
      return std::get<bool>(value_) ? L"True" : L"False";
    case Kind::Text:
      return std::get<std::wstring>(value_);
    case Kind::Object:
    case Kind::Array:
      break;
  }
  ThrowTypeMismatch();
}

std::wstring Describe(const Variant& value) {
  switch (value.kind()) {
    case Variant::Kind::Empty:
      return L"Empty";
    case Variant::Kind::Text:
      return L"\"" + value.AsText() + L"\"";
    case Variant::Kind::Object:
      return L"Object";
    case Variant::Kind::Array: {
      std::wstring text = L"{";
      for (const Variant& item : value.AsArray()) text += (text.size() > 1 ? L", " : L"") + Describe(item);
      return text + L"}";
    }
    default:
      return value.ToText();
  }
}

}  // namespace corvanel
