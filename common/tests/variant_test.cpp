#include <gtest/gtest.h>

#include <cstdint>
#include <type_traits>

#include "common/core/app_error.h"
#include "common/core/utf8.h"
#include "common/core/hresults.h"
#include "common/core/variant.h"

namespace corvanel {
namespace {

using Kind = Variant::Kind;

// Only a 16-bit integer becomes a number; any other would be narrowed silently.
static_assert(std::is_constructible_v<Variant, std::int16_t>);
static_assert(std::is_constructible_v<Variant, bool>);
static_assert(std::is_constructible_v<Variant, const wchar_t*>);
static_assert(!std::is_constructible_v<Variant, int>);
static_assert(!std::is_constructible_v<Variant, long>);
static_assert(!std::is_constructible_v<Variant, long long>);
static_assert(!std::is_constructible_v<Variant, std::uint16_t>);
static_assert(!std::is_constructible_v<Variant, std::uint32_t>);
static_assert(!std::is_constructible_v<Variant, std::size_t>);
static_assert(!std::is_constructible_v<Variant, std::int8_t>);
static_assert(!std::is_constructible_v<Variant, char>);
static_assert(!std::is_constructible_v<Variant, wchar_t>);
static_assert(!std::is_constructible_v<Variant, double>);
static_assert(!std::is_constructible_v<Variant, Kind>);
static_assert(!std::is_convertible_v<int, Variant>);

TEST(Variant, LiteralsKeepTheirKind) {
  // A text literal must never become a boolean through the pointer conversion.
  const struct {
    Variant value;
    Kind kind;
  } cases[] = {
      {Variant(), Kind::Empty},
      {Variant(std::int16_t{2}), Kind::Int16},
      {Variant::I4(2), Kind::Int32},
      {Variant::UI4(2), Kind::UInt32},
      {Variant(true), Kind::Bool},
      {Variant(L"x"), Kind::Text},
      {Variant(std::wstring_view(L"x")), Kind::Text},
      {Variant(ObjectRef()), Kind::Object},
      {Variant(std::vector<Variant>{}), Kind::Array},
  };
  for (const auto& c : cases) EXPECT_EQ(c.value.kind(), c.kind) << WideToUtf8(Describe(c.value));
}

TEST(Variant, ToTextAsVisualBasicConverts) {
  const struct {
    Variant value;
    std::wstring text;
  } cases[] = {
      {Variant(), L""},
      {Variant(std::int16_t{-32768}), L"-32768"},
      {Variant(std::int16_t{1}), L"1"},
      {Variant::I4(-2147483647 - 1), L"-2147483648"},
      {Variant::UI4(4294967295U), L"4294967295"},
      {Variant(true), L"True"},
      {Variant(false), L"False"},
      {Variant(L" a\tb "), L" a\tb "},
  };
  for (const auto& c : cases) EXPECT_EQ(c.value.ToText(), c.text);
}

TEST(Variant, WrongKindIsATypeMismatch) {
  const Variant array(std::vector<Variant>{L"a"});
  const Variant object{ObjectRef()};
  const auto code = [](auto&& action) {
    try {
      action();
    } catch (const AppError& e) {
      return e.Code();
    }
    return std::uint32_t{0};
  };
  EXPECT_EQ(code([&] { (void)array.ToText(); }), hr::kTypeMismatch);
  EXPECT_EQ(code([&] { (void)Variant(L"1").AsInt16(); }), hr::kTypeMismatch);
  EXPECT_EQ(code([&] { (void)Variant(std::int16_t{1}).AsBool(); }), hr::kTypeMismatch);
  EXPECT_EQ(code([&] { (void)Variant().AsText(); }), hr::kTypeMismatch);
  // Nothing is not an object to call.
  EXPECT_EQ(code([&] { (void)object.AsObject(); }), hr::kObjectNotSet);
}

TEST(Variant, ArraysCompareByItems) {
  EXPECT_EQ(Variant(std::vector<Variant>{L"a", std::int16_t{2}}), Variant(std::vector<Variant>{L"a", std::int16_t{2}}));
  EXPECT_NE(Variant(std::vector<Variant>{L"a"}), Variant(std::vector<Variant>{L"A"}));
  EXPECT_NE(Variant(std::int16_t{1}), Variant(true));
  EXPECT_EQ(Describe(Variant(std::vector<Variant>{L"a", std::int16_t{2}, true})), L"{\"a\", 2, True}");
}

}  // namespace
}  // namespace corvanel
