#include "registry.h"

#include <string>
#include <vector>

namespace vardock {

// Owns one open key for the length of a public procedure; closes it also when something throws.
class Registry::KeyHandle {
 public:
  explicit KeyHandle(RegistryApi& api) : api_(api) {}
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  ~KeyHandle() { reset(); }

  [[nodiscard]] RegKey get() const noexcept { return key_; }
  // Closes the current key, then hands out the slot, null, for an out-parameter.
  [[nodiscard]] RegKey& put() noexcept {
    reset();
    return key_;
  }

 private:
  void reset() noexcept {
    if (key_ != kNoKey) api_.CloseKey(key_);
    key_ = kNoKey;
  }
  RegistryApi& api_;
  RegKey key_ = kNoKey;
};

// A text the code page cannot carry would reach the registry altered: each procedure below then
// skips the call, so that a write stores nothing and a read or delete finds nothing.

Variant Registry::ReadRegSetting(RegKey root, std::wstring_view subKey, std::wstring_view valueName) const {
  Variant result;
  KeyHandle key(api_);
  OpenRegKey(root, subKey, key);
  // A failed open leaves the handle null and the query that follows fails without effect.
  QueryRegValue(key.get(), valueName, result);
  return result;
}

void Registry::WriteRegSetting(RegKey root, std::wstring_view subKey, std::wstring_view valueName,
                               const Variant& value) const {
  KeyHandle key(api_);
  CreateRegKey(root, subKey, key);
  SetRegValue(key.get(), valueName, value);
}

void Registry::DeleteRegSetting(RegKey root, std::wstring_view subKey, std::wstring_view valueName) const {
  KeyHandle key(api_);
  OpenRegKey(root, subKey, key);
  const auto name = codec_.Encode(valueName);
  if (!name) return;
  api_.DeleteValue(key.get(), *name);
}

void Registry::QueryRegValue(RegKey key, std::wstring_view valueName, Variant& result) const {
  const auto name = codec_.Encode(valueName);
  if (!name) return;
  std::vector<std::uint8_t> buffer(kReadBufferSize, 0);
  std::uint32_t size = kReadBufferSize;
  std::uint32_t type = reg::kSz;
  if (api_.QueryValueEx(key, *name, type, buffer.data(), size) != reg::kSuccess) return;
  // The stored size counts the terminating NUL: the text is one byte shorter, whatever the
  // reported type. Nothing stored gives no text, which the callers take as "not set".
  if (size == 0 || size > kReadBufferSize) {
    result = Variant();
    return;
  }
  const std::string_view bytes(reinterpret_cast<const char*>(buffer.data()), size - 1);
  if (auto text = codec_.Decode(bytes)) result = std::move(*text);
}

void Registry::SetRegValue(RegKey key, std::wstring_view valueName, const Variant& value) const {
  const auto name = codec_.Encode(valueName);
  auto data = codec_.Encode(value.ToText() + L'\0');
  if (!name || !data) return;
  api_.SetValueEx(key, *name, reg::kSz, reinterpret_cast<const std::uint8_t*>(data->data()),
                  static_cast<std::uint32_t>(data->size()));
}

// The 32-bit view in every build: where 32-bit installations have always kept the settings
// (Software\WOW6432Node on 64-bit Windows), so that the x64 build finds them on upgrade and
// uninstall. 32-bit Windows has one view and ignores the flag.
constexpr std::uint32_t kAccess = reg::kKeyAllAccess | reg::kKeyWow64_32Key;

void Registry::CreateRegKey(RegKey root, std::wstring_view subKey, KeyHandle& key) const {
  const auto path = codec_.Encode(subKey);
  if (!path) return;
  const RegSecurity security{.descriptor = nullptr, .inheritHandle = true};
  std::uint32_t disposition = 0;
  api_.CreateKeyEx(root, *path, kKeyClass, reg::kOptionNonVolatile, kAccess, security, key.put(), disposition);
}

void Registry::OpenRegKey(RegKey root, std::wstring_view subKey, KeyHandle& key) const {
  const auto path = codec_.Encode(subKey);
  if (!path) return;
  api_.OpenKeyEx(root, *path, 0, kAccess, key.put());
}

}  // namespace vardock
