#pragma once
// The settings module's registry operations, done by advapi32's 8-bit functions.
#include <windows.h>

#include "vdir_setup/core/registry_api.h"

namespace vardock {

inline HKEY ToHkey(RegKey key) noexcept { return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(key)); }
inline RegKey FromHkey(HKEY key) noexcept { return RegKey(reinterpret_cast<std::uintptr_t>(key)); }

class Advapi32Registry final : public RegistryApi {
 public:
  std::int32_t OpenKeyEx(RegKey root, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                         RegKey& result) override;
  std::int32_t CreateKeyEx(RegKey root, const std::string& subKey, const std::string& keyClass, std::uint32_t options,
                           std::uint32_t access, const RegSecurity& security, RegKey& result,
                           std::uint32_t& disposition) override;
  std::int32_t QueryValueEx(RegKey key, const std::string& valueName, std::uint32_t& type, std::uint8_t* data,
                            std::uint32_t& size) override;
  std::int32_t SetValueEx(RegKey key, const std::string& valueName, std::uint32_t type, const std::uint8_t* data,
                          std::uint32_t size) override;
  std::int32_t DeleteValue(RegKey key, const std::string& valueName) override;
  std::int32_t CloseKey(RegKey key) override;
  [[nodiscard]] std::wstring Describe(std::int32_t code) const override;
};

// The one instance the program uses.
RegistryApi& SystemRegistryApi();

}  // namespace vardock
