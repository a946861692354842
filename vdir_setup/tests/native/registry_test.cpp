// The settings module's rules over the in-memory registry.
#include <gtest/gtest.h>

#include <string>

#include "common/core/app_error.h"
#include "common/core/utf8.h"
#include "vdir_setup/core/registry.h"
#include "vdir_setup/tests/support/memory_registry.h"

namespace vardock {
namespace {

using testing::MemoryRegistry;
using Stored = MemoryRegistry::StoredValue;

constexpr RegKey kHklm = kHKeyLocalMachine;
const std::wstring kKey = L"Software\\Corvanel\\Mobile";
const std::string kKeyA = "Software\\Corvanel\\Mobile";

Stored Bytes(std::uint32_t type, const std::string& bytes) {
  return Stored{type, std::vector<std::uint8_t>(bytes.begin(), bytes.end())};
}

class RegistryTest : public ::testing::Test {
 protected:
  MemoryRegistry api;
  Registry registry{api, codec};
  static inline const corvanel::Cp1252Codec codec;

  void TearDown() override {
    EXPECT_EQ(api.OpenHandles(), 0u) << "every handle is closed before returning";
    // A read opens for reading only, a deletion for setting values; a create asks for all access,
    // and the key gets class "1", is non-volatile, has the default security and an inheritable
    // handle.
    for (const auto& call : api.KeyCalls()) {
      SCOPED_TRACE((call.create ? "create " : "open ") + call.subKey);
      if (call.create) EXPECT_EQ(call.access, reg::kKeyAllAccess);
      if (!call.create) EXPECT_TRUE(call.access == reg::kKeyRead || call.access == reg::kKeySetValue);
      EXPECT_EQ(call.options, call.create ? reg::kOptionNonVolatile : 0u);
      if (call.create) {
        EXPECT_EQ(call.keyClass, Registry::kKeyClass);
        EXPECT_TRUE(call.inheritHandle);
        EXPECT_FALSE(call.ownDescriptor);
      }
    }
  }
};

TEST_F(RegistryTest, OneOpenOrCreatePerCall) {
  registry.WriteRegSetting(kHklm, kKey, L"IISWebServer", L"1");
  registry.WriteRegSetting(kHklm, kKey, L"IISWebServer", L"2");
  (void)registry.ReadRegSetting(kHklm, kKey, L"IISWebServer");
  (void)registry.ReadRegSetting(kHklm, L"Software\\Corvanel\\Nowhere", L"IISWebServer");
  registry.DeleteRegSetting(kHklm, kKey, L"IISWebServer");
  std::vector<std::pair<bool, std::string>> calls;
  for (const auto& call : api.KeyCalls()) calls.emplace_back(call.create, call.subKey);
  EXPECT_EQ(calls,
            (std::vector<std::pair<bool, std::string>>{
                {true, kKeyA}, {true, kKeyA}, {false, kKeyA}, {false, "Software\\Corvanel\\Nowhere"}, {false, kKeyA}}));
  // TearDown checks the access, class and security of each.
}

TEST_F(RegistryTest, ReadTakesTheStoredBytesLessTheLast) {
  const struct {
    const char* what;
    Stored stored;
    Variant expected;
  } cases[] = {
      {"site number", Bytes(reg::kSz, std::string("1\0", 2)), L"1"},
      {"2047 bytes and NUL fill the buffer", Bytes(reg::kSz, std::string(2047, 'a') + '\0'), std::wstring(2047, L'a')},
      {"2048 bytes and NUL do not fit", Bytes(reg::kSz, std::string(2048, 'a') + '\0'), Variant()},
      {"far too long", Bytes(reg::kSz, std::string(5000, 'a') + '\0'), Variant()},
      {"zero bytes", Bytes(reg::kSz, ""), Variant()},
      {"only the NUL", Bytes(reg::kSz, std::string(1, '\0')), L""},
      {"no NUL: the last character is lost", Bytes(reg::kSz, "abc"), L"ab"},
      // Only text is taken as text; a number is its value.
      {"a number written by someone else", Bytes(reg::kDword, std::string("\x05\0\0\0", 4)), L"5"},
      {"a large number", Bytes(reg::kDword, "abcd"), L"1684234849"},
      {"a number of the wrong size", Bytes(reg::kDword, "abc"), Variant()},
      {"expandable text", Bytes(reg::kExpandSz, std::string("Mobile\0", 7)), Variant()},
      {"binary", Bytes(reg::kBinary, std::string("1\0", 2)), Variant()},
      {"binary too long for the buffer", Bytes(reg::kBinary, std::string(5000, 'b')), Variant()},
      {"ANSI code page text", Bytes(reg::kSz, std::string("\xE9\x80\0", 3)), L"\u00E9\u20AC"},
  };
  for (const auto& c : cases) {
    api.Put(kHklm, kKeyA, "IISWebServer", c.stored);
    EXPECT_EQ(registry.ReadRegSetting(kHklm, kKey, L"IISWebServer"), c.expected) << c.what;
  }
}

TEST_F(RegistryTest, MissingKeyOrValueReadsEmpty) {
  EXPECT_TRUE(registry.ReadRegSetting(kHklm, kKey, L"IISWebServer").IsEmpty());
  EXPECT_TRUE(registry.ReadRegSetting(kHklm, kKey, L"IISWebVirtualDir").IsEmpty());
  api.Put(kHklm, kKeyA, "Other", Bytes(reg::kSz, std::string("x\0", 2)));
  EXPECT_TRUE(registry.ReadRegSetting(kHklm, kKey, L"IISWebServer").IsEmpty());
  EXPECT_FALSE(api.KeyExists(kHklm, "Software\\Corvanel\\Phone")) << "a read creates nothing";
}

TEST_F(RegistryTest, FirstWriteCreatesTheKeysWithClassOne) {
  registry.WriteRegSetting(kHklm, kKey, L"IISWebServer", L"1");
  for (const char* path : {"Software\\Corvanel", "Software\\Corvanel\\Mobile"}) {
    EXPECT_EQ(api.KeyClass(kHklm, path), "1") << path;
    EXPECT_EQ(api.KeyVolatile(kHklm, path), false) << path;
  }
  const auto stored = api.Value(kHklm, kKeyA, "IISWebServer");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->type, reg::kSz);
  EXPECT_EQ(stored->data, (std::vector<std::uint8_t>{'1', 0})) << "the digit and its NUL";
  EXPECT_EQ(registry.ReadRegSetting(kHklm, kKey, L"IISWebServer"), Variant(L"1"));
}

TEST_F(RegistryTest, WriteStoresTheTextWithItsNul) {
  const struct {
    Variant value;
    std::string bytes;
  } cases[] = {
      {L"Mobile", std::string("Mobile\0", 7)},
      {std::int16_t{3}, std::string("3\0", 2)},
      {true, std::string("True\0", 5)},
      {Variant(), std::string(1, '\0')},
      {L"\u00E9\u20AC", std::string("\xE9\x80\0", 3)},
      {std::wstring(2047, L'x'), std::string(2047, 'x') + '\0'},
  };
  for (const auto& c : cases) {
    registry.WriteRegSetting(kHklm, kKey, L"IISWebVirtualDir", c.value);
    const auto stored = api.Value(kHklm, kKeyA, "IISWebVirtualDir");
    ASSERT_TRUE(stored) << corvanel::WideToUtf8(Describe(c.value));
    EXPECT_EQ(std::string(stored->data.begin(), stored->data.end()), c.bytes);
  }
}

TEST_F(RegistryTest, TextTheCodePageCannotCarryIsNotWritten) {
  EXPECT_FALSE(registry.WriteRegSetting(kHklm, kKey, L"IISWebVirtualDir", L"old"));
  registry.WriteRegSetting(kHklm, kKey, L"IISWebVirtualDir", L"\u65E5\u672C");
  EXPECT_EQ(registry.ReadRegSetting(kHklm, kKey, L"IISWebVirtualDir"), Variant(L"old"));
  registry.WriteRegSetting(kHklm, L"Software\\Corvanel\\\u65E5", L"IISWebServer", L"1");
  EXPECT_EQ(api.ValueCount(kHklm, "Software\\Corvanel"), 0u);
}

TEST_F(RegistryTest, DeleteKeepsTheKeyAndIgnoresWhatIsMissing) {
  registry.WriteRegSetting(kHklm, kKey, L"IISWebServer", L"3");
  registry.WriteRegSetting(kHklm, kKey, L"IISWebVirtualDir", L"Phone");
  registry.DeleteRegSetting(kHklm, kKey, L"IISWebServer");
  registry.DeleteRegSetting(kHklm, kKey, L"IISWebVirtualDir");
  EXPECT_TRUE(api.KeyExists(kHklm, kKeyA));
  EXPECT_EQ(api.ValueCount(kHklm, kKeyA), 0u);

  registry.DeleteRegSetting(kHklm, kKey, L"IISWebServer");
  registry.DeleteRegSetting(kHklm, L"Software\\Corvanel\\Nowhere", L"IISWebServer");
  EXPECT_FALSE(api.KeyExists(kHklm, "Software\\Corvanel\\Nowhere"));
}

TEST_F(RegistryTest, EmptyNameUsesTheParentKey) {
  // With no /N the path ends in a backslash; it names "Software\Corvanel" itself.
  registry.WriteRegSetting(kHklm, L"Software\\Corvanel\\", L"IISWebServer", L"2");
  EXPECT_TRUE(api.Value(kHklm, "Software\\Corvanel", "IISWebServer"));
  EXPECT_EQ(registry.ReadRegSetting(kHklm, L"Software\\Corvanel\\", L"IISWebServer"), Variant(L"2"));
}

TEST_F(RegistryTest, HandleIsClosedWhenTheValueHasNoText) {
  const Variant array(std::vector<Variant>{L"a"});
  EXPECT_THROW(registry.WriteRegSetting(kHklm, kKey, L"IISWebServer", array), corvanel::AppError);
  // TearDown checks that the key opened for the write was closed.
}

TEST_F(RegistryTest, ReadsSayWhatTheyFound) {
  using Found = SettingRead::Found;
  api.Put(kHklm, kKeyA, "Text", Bytes(reg::kSz, std::string("5\0", 2)));
  api.Put(kHklm, kKeyA, "Number", Bytes(reg::kDword, std::string("\x05\0\0\0", 4)));
  api.Put(kHklm, kKeyA, "Expand", Bytes(reg::kExpandSz, std::string("x\0", 2)));
  api.Put(kHklm, kKeyA, "Long", Bytes(reg::kSz, std::string(3000, 'a') + '\0'));
  api.Put(kHklm, "Software\\Corvanel\\Locked", "Text", Bytes(reg::kSz, std::string("5\0", 2)));
  api.unreadableBelow = "Software\\Corvanel\\Locked";
  const struct {
    std::wstring key;
    const char* value;
    Found found;
    std::uint32_t code;  // of the failure
  } cases[] = {
      {kKey, "Text", Found::Text, 0},
      {kKey, "Number", Found::Number, 0},
      {kKey, "Missing", Found::Missing, 0},
      {L"Software\\Corvanel\\Nowhere", "Text", Found::Missing, 0},
      {kKey, "Expand", Found::OtherType, 0},
      {kKey, "Long", Found::Unreadable, 0x800700EA},
      {L"Software\\Corvanel\\Locked", "Text", Found::Unreadable, 0x80070005},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    const SettingRead read = registry.ReadSetting(kHklm, c.key, corvanel::Utf8ToWide(c.value));
    EXPECT_EQ(read.found, c.found);
    EXPECT_EQ(read.failure ? read.failure->Code() : 0u, c.code);
  }
}

// A key an administrator made read-only is still read; writes and deletions there say they failed.
TEST_F(RegistryTest, RefusedWritesAndDeletionsAreReported) {
  registry.WriteRegSetting(kHklm, kKey, L"IISWebServer", L"3");
  api.readOnlyBelow = "Software\\Corvanel";
  EXPECT_EQ(registry.ReadRegSetting(kHklm, kKey, L"IISWebServer"), Variant(L"3"));
  const struct {
    const char* what;
    std::optional<corvanel::AppError> failure;
    std::wstring context;
  } cases[] = {
      {"write", registry.WriteRegSetting(kHklm, kKey, L"IISWebServer", L"5"), L"RegCreateKeyExA"},
      {"delete", registry.DeleteRegSetting(kHklm, kKey, L"IISWebServer"), L"RegOpenKeyExA"},
      {"text the code page cannot carry", registry.WriteRegSetting(kHklm, L"Software\\Other", L"V", L"\u0416"),
       L"RegSetValueExA"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(c.failure);
    EXPECT_EQ(c.failure->Context(), c.context);
  }
  EXPECT_EQ(cases[0].failure->Code(), 0x80070005u);
  EXPECT_EQ(cases[0].failure->Reason(), L"Access is denied.");
  EXPECT_EQ(registry.ReadRegSetting(kHklm, kKey, L"IISWebServer"), Variant(L"3")) << "unchanged";
  api.readOnlyBelow.clear();
  EXPECT_FALSE(registry.DeleteRegSetting(kHklm, L"Software\\Corvanel\\Nowhere", L"IISWebServer"))
      << "nothing to delete is no failure";
}

TEST_F(RegistryTest, KeysTheRegistryCanHold) {
  const std::wstring parent = L"Software\\Corvanel\\";
  EXPECT_TRUE(registry.CanHoldKey(parent + L"Mobile"));
  EXPECT_TRUE(registry.CanHoldKey(parent + L"M\u00FCller \u20AC"));
  EXPECT_TRUE(registry.CanHoldKey(parent + std::wstring(242, L'a')));
  EXPECT_FALSE(registry.CanHoldKey(parent + std::wstring(243, L'a'))) << "the path is longer than 260";
  EXPECT_FALSE(registry.CanHoldKey(std::wstring(256, L'a'))) << "one name longer than 255";
  EXPECT_FALSE(registry.CanHoldKey(parent + L"\u041C\u043E\u0431\u0430\u0439\u043B"));
}

}  // namespace
}  // namespace vardock
