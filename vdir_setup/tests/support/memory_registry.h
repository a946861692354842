#pragma once
// An in-memory registry with advapi32's rules for the six operations the settings module uses:
// predefined roots, case-insensitive key and value names, keys created with their parents,
// access checked per handle, ERROR_MORE_DATA when a value does not fit the caller's buffer.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vdir_setup/core/registry_api.h"

namespace vardock::testing {

class MemoryRegistry final : public RegistryApi {
 public:
  struct StoredValue {
    std::uint32_t type = reg::kSz;
    std::vector<std::uint8_t> data;
  };
  // One OpenKeyEx or CreateKeyEx as the caller made it; an open has no class or security.
  struct KeyCall {
    bool create = false;
    std::string subKey;
    std::uint32_t options = 0;
    std::uint32_t access = 0;
    std::string keyClass;
    bool inheritHandle = false;
    bool ownDescriptor = false;
  };

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

  // Keys below this path (and it) refuse writes and deletions as a key an administrator made
  // read-only does: opened for more than reading, they give access denied. Empty: none.
  std::string readOnlyBelow;
  // Every open of a key below this path fails with access denied, as a key without read access.
  std::string unreadableBelow;

  // For the tests: what is stored, seen from outside the module.
  [[nodiscard]] bool KeyExists(RegKey root, const std::string& path) const;
  [[nodiscard]] std::optional<std::string> KeyClass(RegKey root, const std::string& path) const;
  [[nodiscard]] std::optional<bool> KeyVolatile(RegKey root, const std::string& path) const;
  [[nodiscard]] std::optional<StoredValue> Value(RegKey root, const std::string& path, const std::string& name) const;
  [[nodiscard]] std::size_t ValueCount(RegKey root, const std::string& path) const;
  // Writes as another program would, creating the key.
  void Put(RegKey root, const std::string& path, const std::string& name, StoredValue value);
  // Handles opened and not yet closed.
  [[nodiscard]] std::size_t OpenHandles() const { return handles_.size(); }
  // Every open and create made through the interface, in order (not those of Put).
  [[nodiscard]] const std::vector<KeyCall>& KeyCalls() const { return keyCalls_; }

 private:
  struct Key;
  struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  struct Key {
    std::string keyClass;
    bool isVolatile = false;
    std::map<std::string, std::unique_ptr<Key>, NoCaseLess> subkeys;
    std::map<std::string, StoredValue, NoCaseLess> values;
  };
  struct Handle {
    Key* key;
    std::uint32_t access;
  };

  Key* Root(RegKey root);
  const Key* Find(RegKey root, const std::string& path) const;
  RegKey NewHandle(Key* key, std::uint32_t access);
  std::int32_t CreateKey(RegKey root, const std::string& subKey, const std::string& keyClass, std::uint32_t options,
                         std::uint32_t access, RegKey& result, std::uint32_t& disposition);
  const Handle* Lookup(RegKey key) const;
  [[nodiscard]] static bool Below(const std::string& path, const std::string& prefix);

  Key localMachine_;
  Key currentUser_;
  std::map<RegKey, Handle> handles_;
  std::vector<KeyCall> keyCalls_;
  std::uintptr_t nextHandle_ = 0x1000;
};

}  // namespace vardock::testing
