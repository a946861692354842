// The settings module against Wine's registry, through advapi32's 8-bit functions. Each test
// works below a private key that is deleted first.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "common/win/handles_win.h"
#include "vdir_setup/core/registry.h"
#include "vdir_setup/win/registry_win.h"

namespace vardock {
namespace {

using corvanel::unique_hkey;

const wchar_t kPrivate[] = L"Software\\CorvanelTests\\Registry";
const wchar_t kSubKey[] = L"Software\\Corvanel\\Mobile";

class RegistryWin : public ::testing::Test {
 protected:
  unique_hkey root;
  Registry registry{SystemRegistryApi()};

  void SetUp() override {
    ASSERT_EQ(GetACP(), 1252u) << "the tests assume the code page of LC_ALL=C.UTF-8";
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kPrivate);
    ASSERT_EQ(
        ::RegCreateKeyExW(HKEY_CURRENT_USER, kPrivate, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, root.put(), nullptr),
        ERROR_SUCCESS);
  }
  void TearDown() override {
    root.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kPrivate);
  }

  RegKey Root() const { return FromHkey(root.get()); }
  bool KeyExists(const wchar_t* path) const {
    unique_hkey key;
    return ::RegOpenKeyExW(root.get(), path, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
  }
  std::wstring KeyClass(const wchar_t* path) const {
    unique_hkey key;
    if (::RegOpenKeyExW(root.get(), path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return L"<missing>";
    wchar_t buffer[64] = {};
    DWORD length = 64;
    ::RegQueryInfoKeyW(key.get(), buffer, &length, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr);
    return std::wstring(buffer, length);
  }
  DWORD ValueCount(const wchar_t* path) const {
    unique_hkey key;
    DWORD count = 99;
    if (::RegOpenKeyExW(root.get(), path, 0, KEY_READ, key.put()) == ERROR_SUCCESS) {
      ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                         nullptr, nullptr);
    }
    return count;
  }
  // The stored bytes as the 8-bit functions give them, and the type.
  std::optional<std::pair<DWORD, std::string>> Stored(const wchar_t* path, const char* name) const {
    unique_hkey key;
    if (::RegOpenKeyExW(root.get(), path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
    std::string bytes(8192, '\0');
    DWORD type = 0, size = static_cast<DWORD>(bytes.size());
    if (::RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size) !=
        ERROR_SUCCESS) {
      return std::nullopt;
    }
    bytes.resize(size);
    return std::pair(type, bytes);
  }
  // Writes as another program would, through the wide functions.
  void PutW(const wchar_t* name, DWORD type, const void* data, DWORD size) const {
    unique_hkey key;
    ASSERT_EQ(::RegCreateKeyExW(root.get(), kSubKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  }
};

TEST_F(RegistryWin, FirstRunReadsEmpty) {
  EXPECT_TRUE(registry.ReadRegSetting(Root(), kSubKey, L"IISWebServer").IsEmpty());
  EXPECT_TRUE(registry.ReadRegSetting(Root(), kSubKey, L"IISWebVirtualDir").IsEmpty());
  EXPECT_FALSE(KeyExists(L"Software\\Corvanel"));
}

TEST_F(RegistryWin, FirstWriteCreatesBothKeys) {
  registry.WriteRegSetting(Root(), kSubKey, L"IISWebServer", L"1");
  EXPECT_TRUE(KeyExists(L"Software\\Corvanel"));
  EXPECT_EQ(KeyClass(kSubKey), L"1");
  const auto stored = Stored(kSubKey, "IISWebServer");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->first, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(stored->second, std::string("1\0", 2)) << "the digit and its NUL";
  EXPECT_EQ(registry.ReadRegSetting(Root(), kSubKey, L"IISWebServer"), Variant(L"1"));
}

TEST_F(RegistryWin, TextsUpToTheBufferReadBackWhole) {
  const struct {
    std::wstring written;
    Variant read;
  } cases[] = {
      {std::wstring(2047, L'a'), std::wstring(2047, L'a')},
      {std::wstring(2048, L'b'), Variant()},
      {std::wstring(3000, L'c'), Variant()},
      {L"M\u00FCller \u20AC", L"M\u00FCller \u20AC"},
      {L"", L""},
  };
  for (const auto& c : cases) {
    registry.WriteRegSetting(Root(), kSubKey, L"IISWebVirtualDir", c.written);
    EXPECT_EQ(registry.ReadRegSetting(Root(), kSubKey, L"IISWebVirtualDir"), c.read) << c.written.size();
  }
  const auto stored = Stored(kSubKey, "IISWebVirtualDir");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->second.size(), 1u) << "the empty text is its NUL";
}

TEST_F(RegistryWin, ValuesWrittenBySomeoneElse) {
  const DWORD abc = 0x00636261, abcd = 0x64636261;
  PutW(L"Number", REG_DWORD, &abc, sizeof abc);
  PutW(L"FullNumber", REG_DWORD, &abcd, sizeof abcd);
  PutW(L"Nothing", REG_BINARY, "", 0);
  const wchar_t wide[] = L"Gr\u00FC\u00DFe";
  PutW(L"Wide", REG_SZ, wide, sizeof wide);
  // Only text is text: a number reads as its value, anything else as nothing.
  EXPECT_EQ(registry.ReadRegSetting(Root(), kSubKey, L"Number"), Variant(L"6513249"));
  EXPECT_EQ(registry.ReadSetting(Root(), kSubKey, L"FullNumber").found, SettingRead::Found::Number);
  EXPECT_EQ(registry.ReadSetting(Root(), kSubKey, L"Nothing").found, SettingRead::Found::OtherType);
  const wchar_t expand[] = L"%TEMP%";
  PutW(L"Expand", REG_EXPAND_SZ, expand, sizeof expand);
  EXPECT_TRUE(registry.ReadRegSetting(Root(), kSubKey, L"Expand").IsEmpty());
  EXPECT_EQ(registry.ReadRegSetting(Root(), kSubKey, L"Wide"), Variant(L"Gr\u00FC\u00DFe"));
}

TEST_F(RegistryWin, NumbersAreStoredAsText) {
  registry.WriteRegSetting(Root(), kSubKey, L"IISWebServer", std::int16_t{12});
  EXPECT_EQ(Stored(kSubKey, "IISWebServer")->second, std::string("12\0", 3));
}

TEST_F(RegistryWin, DeletingBothValuesKeepsTheKey) {
  registry.WriteRegSetting(Root(), kSubKey, L"IISWebServer", L"3");
  registry.WriteRegSetting(Root(), kSubKey, L"IISWebVirtualDir", L"Phone");
  registry.DeleteRegSetting(Root(), kSubKey, L"IISWebServer");
  registry.DeleteRegSetting(Root(), kSubKey, L"IISWebVirtualDir");
  EXPECT_TRUE(KeyExists(kSubKey));
  EXPECT_EQ(ValueCount(kSubKey), 0u);
  EXPECT_TRUE(registry.ReadRegSetting(Root(), kSubKey, L"IISWebServer").IsEmpty());
}

TEST_F(RegistryWin, MissingKeyOrValueDeletesSilently) {
  registry.DeleteRegSetting(Root(), L"Software\\Corvanel\\Nowhere", L"IISWebServer");
  EXPECT_FALSE(KeyExists(L"Software\\Corvanel\\Nowhere"));
  registry.WriteRegSetting(Root(), kSubKey, L"IISWebServer", L"1");
  registry.DeleteRegSetting(Root(), kSubKey, L"IISWebVirtualDir");
  EXPECT_EQ(ValueCount(kSubKey), 1u);
}

TEST_F(RegistryWin, EmptyNameNamesTheParentKey) {
  // Without /N the path ends in a backslash.
  registry.WriteRegSetting(Root(), L"Software\\Corvanel\\", L"IISWebServer", L"2");
  EXPECT_TRUE(Stored(L"Software\\Corvanel", "IISWebServer"));
  EXPECT_EQ(registry.ReadRegSetting(Root(), L"Software\\Corvanel\\", L"IISWebServer"), Variant(L"2"));
}

// HKEY_LOCAL_MACHINE through its 32-bit view, where 32-bit setups kept the settings: from this
// 64-bit process that is Software\WOW6432Node.
TEST_F(RegistryWin, LocalMachineSettingsLiveInThe32BitView) {
  const wchar_t path[] = L"Software\\Corvanel\\VardockRegistryTest";
  const wchar_t seen32[] = L"Software\\WOW6432Node\\Corvanel\\VardockRegistryTest";
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, seen32);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(HKEY_LOCAL_MACHINE), static_cast<std::uintptr_t>(kHKeyLocalMachine));
  registry.WriteRegSetting(kHKeyLocalMachine, path, L"IISWebServer", L"1");
  unique_hkey key;
  EXPECT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, seen32, 0, KEY_READ, key.put()), ERROR_SUCCESS);
  key.reset();
  EXPECT_NE(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key.put()), ERROR_SUCCESS) << "not the 64-bit view";

  // What an earlier 32-bit installation left there is read, and deleted.
  ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, seen32, L"IISWebVirtualDir", REG_SZ, L"Old", 8), ERROR_SUCCESS);
  EXPECT_EQ(registry.ReadRegSetting(kHKeyLocalMachine, path, L"IISWebVirtualDir"), Variant(L"Old"));
  registry.DeleteRegSetting(kHKeyLocalMachine, path, L"IISWebVirtualDir");
  EXPECT_EQ(registry.ReadRegSetting(kHKeyLocalMachine, path, L"IISWebVirtualDir"), Variant());
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, seen32);
}

// A key whose parent is volatile cannot be created non-volatile: the registry refuses the write,
// and the module says so with the system's words.
TEST_F(RegistryWin, ARefusedWriteIsReportedWithTheSystemsWords) {
  unique_hkey parent;
  ASSERT_EQ(::RegCreateKeyExW(root.get(), L"Software\\Corvanel", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, parent.put(), nullptr),
            ERROR_SUCCESS);
  const auto failed = registry.WriteRegSetting(Root(), kSubKey, L"IISWebServer", L"1");
  ASSERT_TRUE(failed);
  EXPECT_EQ(failed->Context(), L"RegCreateKeyExA");
  EXPECT_EQ(failed->Code(), 0x800703FDu) << "ERROR_CHILD_MUST_BE_VOLATILE";
  EXPECT_FALSE(failed->Reason().empty());
  EXPECT_FALSE(KeyExists(kSubKey));
  EXPECT_FALSE(registry.DeleteRegSetting(Root(), kSubKey, L"IISWebServer")) << "nothing there to delete";
}

}  // namespace
}  // namespace vardock
