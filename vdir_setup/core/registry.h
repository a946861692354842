#pragma once
// The module Registry: the two remembered settings, one text value per call, read, written or
// deleted under one key. Never reports a failure: a read that cannot happen yields empty, a
// write or delete that cannot happen does nothing.
#include <string_view>

#include "common/core/ansi_codec.h"
#include "registry_api.h"
#include "automation.h"

namespace vardock {

class Registry {
 public:
  explicit Registry(RegistryApi& api, const corvanel::AnsiCodec& codec = corvanel::SystemAnsiCodec())
      : api_(api), codec_(codec) {}

  // The value's text, or the empty variant when the key or value is missing or unreadable.
  [[nodiscard]] Variant ReadRegSetting(RegKey root, std::wstring_view subKey, std::wstring_view valueName) const;
  // Stores the value's text (a number as its decimal text) as REG_SZ, creating the key if needed.
  void WriteRegSetting(RegKey root, std::wstring_view subKey, std::wstring_view valueName, const Variant& value) const;
  // Removes one value; the key stays.
  void DeleteRegSetting(RegKey root, std::wstring_view subKey, std::wstring_view valueName) const;

  static constexpr std::uint32_t kReadBufferSize = 2048;
  static constexpr const char* kKeyClass = "1";

 private:
  class KeyHandle;

  void QueryRegValue(RegKey key, std::wstring_view valueName, Variant& result) const;
  void SetRegValue(RegKey key, std::wstring_view valueName, const Variant& value) const;
  void CreateRegKey(RegKey root, std::wstring_view subKey, KeyHandle& key) const;
  void OpenRegKey(RegKey root, std::wstring_view subKey, KeyHandle& key) const;

  RegistryApi& api_;
  const corvanel::AnsiCodec& codec_;
};

}  // namespace vardock
