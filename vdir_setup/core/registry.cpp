#include "registry.h"

#include <algorithm>
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

namespace {
std::uint32_t HResultOf(std::int32_t code) { return 0x80070000u | (static_cast<std::uint32_t>(code) & 0xFFFFu); }
}  // namespace

corvanel::AppError Registry::Failure(std::wstring_view operation, std::int32_t code) const {
  return corvanel::AppError(std::wstring(operation), api_.Describe(code), HResultOf(code));
}

bool Registry::CanHoldKey(std::wstring_view subKey) const {
  const auto bytes = codec_.Encode(subKey);
  if (!bytes || bytes->size() > kMaxKeyPath) return false;
  for (std::size_t start = 0; start <= bytes->size();) {
    const auto end = std::min(bytes->find('\\', start), bytes->size());
    if (end - start > kMaxKeyName) return false;
    start = end + 1;
  }
  return true;
}

SettingRead Registry::ReadSetting(RegKey root, std::wstring_view subKey, std::wstring_view valueName) const {
  SettingRead result;
  const auto path = codec_.Encode(subKey);
  if (!path) return result;  // no key can have that name
  KeyHandle key(api_);
  // Reading needs no more: a key an administrator made read-only is still read.
  if (const auto rc = api_.OpenKeyEx(root, *path, 0, reg::kKeyRead, key.put()); rc != reg::kSuccess) {
    if (rc != reg::kFileNotFound) {
      result.found = SettingRead::Found::Unreadable;
      result.failure = Failure(L"RegOpenKeyExA", rc);
    }
    return result;
  }
  QueryRegValue(key.get(), valueName, result);
  return result;
}

Variant Registry::ReadRegSetting(RegKey root, std::wstring_view subKey, std::wstring_view valueName) const {
  SettingRead read = ReadSetting(root, subKey, valueName);
  if (read.found == SettingRead::Found::Text) return std::move(read.value);
  if (read.found == SettingRead::Found::Number) return read.value.ToText();
  return {};
}

void Registry::QueryRegValue(RegKey key, std::wstring_view valueName, SettingRead& result) const {
  const auto name = codec_.Encode(valueName);
  if (!name) return;
  std::vector<std::uint8_t> buffer(kReadBufferSize, 0);
  std::uint32_t size = kReadBufferSize;
  std::uint32_t type = reg::kSz;
  const std::int32_t rc = api_.QueryValueEx(key, *name, type, buffer.data(), size);
  if (rc == reg::kFileNotFound) return;
  result.type = type;
  if (rc == reg::kMoreData && type != reg::kSz) {
    result.found = SettingRead::Found::OtherType;
    return;
  }
  if (rc != reg::kSuccess || size > kReadBufferSize) {
    result.found = SettingRead::Found::Unreadable;
    result.failure = Failure(L"RegQueryValueExA", rc == reg::kSuccess ? reg::kMoreData : rc);
    return;
  }
  if (type == reg::kDword && size == 4) {
    result.found = SettingRead::Found::Number;
    result.value = Variant::UI4(static_cast<std::uint32_t>(buffer[0]) | static_cast<std::uint32_t>(buffer[1]) << 8 |
                                static_cast<std::uint32_t>(buffer[2]) << 16 |
                                static_cast<std::uint32_t>(buffer[3]) << 24);
    return;
  }
  if (type != reg::kSz) {
    result.found = SettingRead::Found::OtherType;
    return;
  }
  // The stored size counts the terminating NUL: the text is one byte shorter. Nothing stored
  // gives no text, which the callers take as "not set".
  result.found = SettingRead::Found::Text;
  if (size == 0) return;
  const std::string_view bytes(reinterpret_cast<const char*>(buffer.data()), size - 1);
  if (auto text = codec_.Decode(bytes)) {
    result.value = std::move(*text);
  } else {
    result.found = SettingRead::Found::Unreadable;
    result.failure = Failure(L"RegQueryValueExA", reg::kNoUnicodeTranslation);
  }
}

std::optional<corvanel::AppError> Registry::WriteRegSetting(RegKey root, std::wstring_view subKey,
                                                            std::wstring_view valueName, const Variant& value) const {
  const auto path = codec_.Encode(subKey);
  const auto name = codec_.Encode(valueName);
  const auto data = codec_.Encode(value.ToText() + L'\0');
  if (!path || !name || !data) return Failure(L"RegSetValueExA", reg::kNoUnicodeTranslation);
  KeyHandle key(api_);
  const RegSecurity security{.descriptor = nullptr, .inheritHandle = true};
  std::uint32_t disposition = 0;
  if (const auto rc = api_.CreateKeyEx(root, *path, kKeyClass, reg::kOptionNonVolatile, reg::kKeyAllAccess, security,
                                       key.put(), disposition);
      rc != reg::kSuccess) {
    return Failure(L"RegCreateKeyExA", rc);
  }
  if (const auto rc = api_.SetValueEx(key.get(), *name, reg::kSz, reinterpret_cast<const std::uint8_t*>(data->data()),
                                      static_cast<std::uint32_t>(data->size()));
      rc != reg::kSuccess) {
    return Failure(L"RegSetValueExA", rc);
  }
  return std::nullopt;
}

std::optional<corvanel::AppError> Registry::DeleteRegSetting(RegKey root, std::wstring_view subKey,
                                                             std::wstring_view valueName) const {
  const auto path = codec_.Encode(subKey);
  const auto name = codec_.Encode(valueName);
  if (!path || !name) return std::nullopt;  // no such key or value can exist
  KeyHandle key(api_);
  if (const auto rc = api_.OpenKeyEx(root, *path, 0, reg::kKeySetValue, key.put()); rc != reg::kSuccess) {
    return rc == reg::kFileNotFound ? std::nullopt : std::optional(Failure(L"RegOpenKeyExA", rc));
  }
  if (const auto rc = api_.DeleteValue(key.get(), *name); rc != reg::kSuccess && rc != reg::kFileNotFound) {
    return Failure(L"RegDeleteValueA", rc);
  }
  return std::nullopt;
}

}  // namespace vardock
