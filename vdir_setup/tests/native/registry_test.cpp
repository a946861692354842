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
    // Every open and create asks for all access in the 32-bit view, reads included; a created key
    // gets class "1", is non-volatile, has the default security and an inheritable handle.
    for (const auto& call : api.KeyCalls()) {
      SCOPED_TRACE((call.create ? "create " : "open ") + call.subKey);
      EXPECT_EQ(call.access, reg::kKeyAllAccess | reg::kKeyWow64_32Key);
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
      {"a number written by someone else", Bytes(reg::kDword, std::string("abc\0", 4)), L"abc"},
      {"a number without a zero byte", Bytes(reg::kDword, "abcd"), L"abc"},
      {"a number with inner zeros", Bytes(reg::kDword, std::string("\x01\0\0\0", 4)), std::wstring(L"\x01\0\0", 3)},
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
  registry.WriteRegSetting(kHklm, kKey, L"IISWebVirtualDir", L"old");
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

}  // namespace
}  // namespace vardock
