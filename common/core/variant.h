#pragma once
// The value passed to and from the IIS administration objects and the registry procedures:
// empty, a 16- or 32-bit integer, an unsigned 32-bit integer, a boolean, a text, an object
// reference or a one-dimensional array.
#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace corvanel {

class AutomationObject;
// Shared like a COM reference; a null reference is Visual Basic's Nothing.
using ObjectRef = std::shared_ptr<AutomationObject>;

// A number or enumeration that is neither std::int16_t nor bool.
template <typename T>
concept Numeric = std::is_arithmetic_v<T> || std::is_enum_v<T>;
template <typename T>
concept OtherNumber = Numeric<T> && !std::same_as<T, std::int16_t> && !std::same_as<T, bool>;

class Variant {
 public:
  enum class Kind { Empty, Int16, Bool, Text, Object, Array, Int32, UInt32 };

  Variant() = default;
  Variant(std::int16_t value) : value_(value) {}  // NOLINT: implicit like the automation type
  // Only a real bool: pointers and integers must not turn into booleans silently.
  template <std::same_as<bool> B>
  Variant(B value) : value_(static_cast<bool>(value)) {}  // NOLINT
  // Every other number would be narrowed to 16 bits without a word (a site number 1423684589
  // would become -19475): only std::int16_t is taken, so the caller converts where it can check.
  // 32-bit values are named explicitly with I4 and UI4.
  template <OtherNumber T>
  Variant(T) = delete;
  Variant(std::wstring value) : value_(std::move(value)) {}          // NOLINT
  Variant(std::wstring_view value) : value_(std::wstring(value)) {}  // NOLINT
  Variant(const wchar_t* value) : value_(std::wstring(value)) {}     // NOLINT
  Variant(ObjectRef value) : value_(std::move(value)) {}             // NOLINT
  Variant(std::vector<Variant> value) : value_(std::move(value)) {}  // NOLINT

  // The automation types I4 and UI4 (the native configuration objects' counts, indexes and ids),
  // never chosen by a literal's type.
  static Variant I4(std::int32_t value) {
    Variant v;
    v.value_ = value;
    return v;
  }
  static Variant UI4(std::uint32_t value) {
    Variant v;
    v.value_ = value;
    return v;
  }

  [[nodiscard]] Kind kind() const noexcept { return static_cast<Kind>(value_.index()); }
  [[nodiscard]] bool IsEmpty() const noexcept { return kind() == Kind::Empty; }

  // Each throws a type-mismatch AppError when the variant holds another kind.
  [[nodiscard]] std::int16_t AsInt16() const;
  [[nodiscard]] std::int32_t AsInt32() const;
  [[nodiscard]] std::uint32_t AsUInt32() const;
  [[nodiscard]] bool AsBool() const;
  [[nodiscard]] const std::wstring& AsText() const;
  // Also fails for Nothing, so a caller never calls through a null object.
  [[nodiscard]] const ObjectRef& AsObject() const;
  // The reference itself, null for Nothing.
  [[nodiscard]] const ObjectRef& AsObjectOrNothing() const;
  [[nodiscard]] const std::vector<Variant>& AsArray() const;

  // The value as text, as Visual Basic converts it: empty gives "", a number its decimal text,
  // a boolean "True" or "False". Objects and arrays have no text: type mismatch.
  [[nodiscard]] std::wstring ToText() const;

  friend bool operator==(const Variant&, const Variant&) = default;

 private:
  std::variant<std::monostate, std::int16_t, bool, std::wstring, ObjectRef, std::vector<Variant>, std::int32_t,
               std::uint32_t>
      value_;
};

// Readable form for test failures and diagnostics, e.g. {"a", 2, True}.
std::wstring Describe(const Variant& value);

}  // namespace corvanel
