#include "memory_registry.h"

#include <algorithm>
#include <cstring>

namespace vardock::testing {

namespace {
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Splits "Software\Corvanel\" at its backslashes; a trailing one is ignored as Windows does, and
// an empty name inside the path is an error (nullopt).
std::optional<std::vector<std::string>> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  if (path.empty()) return parts;
  if (path.front() == '\\') return std::nullopt;
  std::size_t start = 0;
  while (start < path.size()) {
    const auto end = std::min(path.find('\\', start), path.size());
    if (end == start) return std::nullopt;
    parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}
}  // namespace

bool MemoryRegistry::NoCaseLess::operator()(const std::string& a, const std::string& b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return Upper(x) < Upper(y); });
}

MemoryRegistry::Key* MemoryRegistry::Root(RegKey root) {
  if (root == kHKeyLocalMachine) return &localMachine_;
  if (root == kHKeyCurrentUser) return &currentUser_;
  const auto found = handles_.find(root);
  return found == handles_.end() ? nullptr : found->second.key;
}

const MemoryRegistry::Key* MemoryRegistry::Find(RegKey root, const std::string& path) const {
  const Key* key = const_cast<MemoryRegistry*>(this)->Root(root);
  const auto parts = SplitPath(path);
  if (key == nullptr || !parts) return nullptr;
  for (const auto& part : *parts) {
    const auto found = key->subkeys.find(part);
    if (found == key->subkeys.end()) return nullptr;
    key = found->second.get();
  }
  return key;
}

RegKey MemoryRegistry::NewHandle(Key* key, std::uint32_t access) {
  const RegKey handle{nextHandle_};
  nextHandle_ += 4;
  handles_.emplace(handle, Handle{key, access});
  return handle;
}

const MemoryRegistry::Handle* MemoryRegistry::Lookup(RegKey key) const {
  const auto found = handles_.find(key);
  return found == handles_.end() ? nullptr : &found->second;
}

bool MemoryRegistry::Below(const std::string& path, const std::string& prefix) {
  if (prefix.empty() || path.size() < prefix.size()) return false;
  if (!std::equal(prefix.begin(), prefix.end(), path.begin(), [](char x, char y) { return Upper(x) == Upper(y); }))
    return false;
  return path.size() == prefix.size() || path[prefix.size()] == '\\';
}

std::int32_t MemoryRegistry::OpenKeyEx(RegKey root, const std::string& subKey, std::uint32_t options,
                                       std::uint32_t access, RegKey& result) {
  keyCalls_.push_back(KeyCall{.create = false, .subKey = subKey, .options = options, .access = access});
  result = kNoKey;
  if (Root(root) == nullptr) return reg::kInvalidHandle;
  if (Below(subKey, unreadableBelow) && Find(root, subKey) != nullptr) return reg::kAccessDenied;
  if (Below(subKey, readOnlyBelow) && (access & ~reg::kKeyRead) != 0 && Find(root, subKey) != nullptr)
    return reg::kAccessDenied;
  const Key* key = Find(root, subKey);
  if (key == nullptr) return reg::kFileNotFound;
  result = NewHandle(const_cast<Key*>(key), access);
  return reg::kSuccess;
}

std::int32_t MemoryRegistry::CreateKeyEx(RegKey root, const std::string& subKey, const std::string& keyClass,
                                         std::uint32_t options, std::uint32_t access, const RegSecurity& security,
                                         RegKey& result, std::uint32_t& disposition) {
  keyCalls_.push_back(KeyCall{.create = true,
                              .subKey = subKey,
                              .options = options,
                              .access = access,
                              .keyClass = keyClass,
                              .inheritHandle = security.inheritHandle,
                              .ownDescriptor = security.descriptor != nullptr});
  if (Below(subKey, readOnlyBelow) || Below(subKey, unreadableBelow)) {
    result = kNoKey;
    return reg::kAccessDenied;
  }
  return CreateKey(root, subKey, keyClass, options, access, result, disposition);
}

std::int32_t MemoryRegistry::CreateKey(RegKey root, const std::string& subKey, const std::string& keyClass,
                                       std::uint32_t options, std::uint32_t access, RegKey& result,
                                       std::uint32_t& disposition) {
  result = kNoKey;
  Key* key = Root(root);
  if (key == nullptr) return reg::kInvalidHandle;
  const auto parts = SplitPath(subKey);
  if (!parts) return reg::kBadPathname;
  disposition = reg::kOpenedExistingKey;
  for (const auto& part : *parts) {
    auto& slot = key->subkeys[part];
    if (!slot) {
      slot = std::make_unique<Key>();
      slot->keyClass = keyClass;
      slot->isVolatile = options == reg::kOptionVolatile;
      disposition = reg::kCreatedNewKey;
    }
    key = slot.get();
  }
  result = NewHandle(key, access);
  return reg::kSuccess;
}

std::int32_t MemoryRegistry::QueryValueEx(RegKey key, const std::string& valueName, std::uint32_t& type,
                                          std::uint8_t* data, std::uint32_t& size) {
  const Handle* handle = Lookup(key);
  if (handle == nullptr) return reg::kInvalidHandle;
  if ((handle->access & reg::kKeyQueryValue) == 0) return reg::kAccessDenied;
  const auto found = handle->key->values.find(valueName);
  if (found == handle->key->values.end()) return reg::kFileNotFound;
  const StoredValue& value = found->second;
  const auto stored = static_cast<std::uint32_t>(value.data.size());
  type = value.type;
  if (stored > size) {
    size = stored;
    return reg::kMoreData;
  }
  if (stored != 0) std::memcpy(data, value.data.data(), stored);
  size = stored;
  return reg::kSuccess;
}

std::int32_t MemoryRegistry::SetValueEx(RegKey key, const std::string& valueName, std::uint32_t type,
                                        const std::uint8_t* data, std::uint32_t size) {
  const Handle* handle = Lookup(key);
  if (handle == nullptr) return reg::kInvalidHandle;
  if ((handle->access & reg::kKeySetValue) == 0) return reg::kAccessDenied;
  handle->key->values[valueName] = StoredValue{type, std::vector<std::uint8_t>(data, data + size)};
  return reg::kSuccess;
}

std::int32_t MemoryRegistry::DeleteValue(RegKey key, const std::string& valueName) {
  const Handle* handle = Lookup(key);
  if (handle == nullptr) return reg::kInvalidHandle;
  if ((handle->access & reg::kKeySetValue) == 0) return reg::kAccessDenied;
  return handle->key->values.erase(valueName) == 0 ? reg::kFileNotFound : reg::kSuccess;
}

std::int32_t MemoryRegistry::CloseKey(RegKey key) { return handles_.erase(key) == 0 ? reg::kInvalidHandle : 0; }

std::wstring MemoryRegistry::Describe(std::int32_t code) const {
  switch (code) {
    case reg::kFileNotFound: return L"The system cannot find the file specified.";
    case reg::kAccessDenied: return L"Access is denied.";
    case reg::kInvalidHandle: return L"The handle is invalid.";
    case reg::kMoreData: return L"More data is available.";
    case reg::kNoUnicodeTranslation:
      return L"No mapping for the Unicode character exists in the target multi-byte code page.";
    default: return L"Error " + std::to_wstring(code);
  }
}

bool MemoryRegistry::KeyExists(RegKey root, const std::string& path) const { return Find(root, path) != nullptr; }

std::optional<std::string> MemoryRegistry::KeyClass(RegKey root, const std::string& path) const {
  const Key* key = Find(root, path);
  return key ? std::optional(key->keyClass) : std::nullopt;
}

std::optional<bool> MemoryRegistry::KeyVolatile(RegKey root, const std::string& path) const {
  const Key* key = Find(root, path);
  return key ? std::optional(key->isVolatile) : std::nullopt;
}

std::optional<MemoryRegistry::StoredValue> MemoryRegistry::Value(RegKey root, const std::string& path,
                                                                 const std::string& name) const {
  const Key* key = Find(root, path);
  if (key == nullptr) return std::nullopt;
  const auto found = key->values.find(name);
  return found == key->values.end() ? std::nullopt : std::optional(found->second);
}

std::size_t MemoryRegistry::ValueCount(RegKey root, const std::string& path) const {
  const Key* key = Find(root, path);
  return key ? key->values.size() : 0;
}

void MemoryRegistry::Put(RegKey root, const std::string& path, const std::string& name, StoredValue value) {
  RegKey handle = kNoKey;
  std::uint32_t disposition = 0;
  CreateKey(root, path, "", reg::kOptionNonVolatile, reg::kKeyAllAccess, handle, disposition);
  SetValueEx(handle, name, value.type, value.data.data(), static_cast<std::uint32_t>(value.data.size()));
  CloseKey(handle);
}

}  // namespace vardock::testing
