#include "registry_win.h"

#include <string>

#include "common/win/win_error.h"

namespace vardock {

namespace {
// The settings live in the registry's 32-bit view, where the 32-bit tools that Vardock replaces
// and its own i686 build keep them ("Software\WOW6432Node\Corvanel" on 64-bit Windows): a 64-bit
// build must find what they remembered, and leave what they will look for. A 32-bit process is
// in that view already.
constexpr REGSAM kSettingsView = KEY_WOW64_32KEY;
}  // namespace

std::int32_t Advapi32Registry::OpenKeyEx(RegKey root, const std::string& subKey, std::uint32_t options,
                                         std::uint32_t access, RegKey& result) {
  HKEY key = nullptr;
  const LONG rc = ::RegOpenKeyExA(ToHkey(root), subKey.c_str(), options, access | kSettingsView, &key);
  result = rc == ERROR_SUCCESS ? FromHkey(key) : kNoKey;
  return rc;
}

std::int32_t Advapi32Registry::CreateKeyEx(RegKey root, const std::string& subKey, const std::string& keyClass,
                                           std::uint32_t options, std::uint32_t access, const RegSecurity& security,
                                           RegKey& result, std::uint32_t& disposition) {
  SECURITY_ATTRIBUTES attributes{};
  attributes.nLength = sizeof attributes;
  attributes.lpSecurityDescriptor = security.descriptor;
  attributes.bInheritHandle = security.inheritHandle ? TRUE : FALSE;
  // The class is an in-parameter that the A function's signature does not mark const.
  std::string classBuffer = keyClass;
  HKEY key = nullptr;
  DWORD created = 0;
  const LONG rc = ::RegCreateKeyExA(ToHkey(root), subKey.c_str(), 0, classBuffer.data(), options,
                                    access | kSettingsView, &attributes, &key, &created);
  result = rc == ERROR_SUCCESS ? FromHkey(key) : kNoKey;
  disposition = created;
  return rc;
}

std::int32_t Advapi32Registry::QueryValueEx(RegKey key, const std::string& valueName, std::uint32_t& type,
                                            std::uint8_t* data, std::uint32_t& size) {
  DWORD valueType = type;
  DWORD valueSize = size;
  const LONG rc = ::RegQueryValueExA(ToHkey(key), valueName.c_str(), nullptr, &valueType, data, &valueSize);
  type = valueType;
  size = valueSize;
  return rc;
}

std::int32_t Advapi32Registry::SetValueEx(RegKey key, const std::string& valueName, std::uint32_t type,
                                          const std::uint8_t* data, std::uint32_t size) {
  return ::RegSetValueExA(ToHkey(key), valueName.c_str(), 0, type, data, size);
}

std::int32_t Advapi32Registry::DeleteValue(RegKey key, const std::string& valueName) {
  return ::RegDeleteValueA(ToHkey(key), valueName.c_str());
}

std::int32_t Advapi32Registry::CloseKey(RegKey key) { return ::RegCloseKey(ToHkey(key)); }

std::wstring Advapi32Registry::Describe(std::int32_t code) const {
  return corvanel::SystemMessage(static_cast<DWORD>(code));
}

RegistryApi& SystemRegistryApi() {
  static Advapi32Registry api;
  return api;
}

}  // namespace vardock
