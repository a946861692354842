#pragma once
// The module Registry: the two remembered settings, one value per call, read, written or deleted
// under one key. Reads open the key for reading only and take text as text: a value of another
// type is not mistaken for a setting. Writes and deletions say when the registry refused them,
// so that the caller never reports as remembered what is not.
#include <optional>
#include <string_view>

#include "automation.h"
#include "common/core/ansi_codec.h"
#include "common/core/app_error.h"
#include "registry_api.h"

namespace vardock {

// What one read found.
struct SettingRead {
  enum class Found {
    Text,        // a REG_SZ: value holds its text (possibly empty)
    Number,      // a REG_DWORD: value holds it as UI4
    Missing,     // no key or no value
    OtherType,   // stored, but neither text nor a number; type says what
    Unreadable,  // the key or the value is there but cannot be read; failure says why
  };
  Found found = Found::Missing;
  Variant value;
  std::uint32_t type = 0;
  std::optional<corvanel::AppError> failure;
};

class Registry {
 public:
  explicit Registry(RegistryApi& api, const corvanel::AnsiCodec& codec = corvanel::SystemAnsiCodec())
      : api_(api), codec_(codec) {}

  // The value as found, with the reason when it cannot be read.
  [[nodiscard]] SettingRead ReadSetting(RegKey root, std::wstring_view subKey, std::wstring_view valueName) const;
  // The value's text (a number as its decimal text), or the empty variant when the key or value
  // is missing, unreadable or of another type.
  [[nodiscard]] Variant ReadRegSetting(RegKey root, std::wstring_view subKey, std::wstring_view valueName) const;
  // Stores the value's text (a number as its decimal text) as REG_SZ, creating the key if
  // needed. The failure, when the registry refused or the code page cannot carry the text.
  std::optional<corvanel::AppError> WriteRegSetting(RegKey root, std::wstring_view subKey, std::wstring_view valueName,
                                                    const Variant& value) const;
  // Removes one value; the key stays. A value or key already missing counts as removed.
  std::optional<corvanel::AppError> DeleteRegSetting(RegKey root, std::wstring_view subKey,
                                                     std::wstring_view valueName) const;

  // Whether the registry can hold a key of this path: every character in the ANSI code page,
  // since key names cross in it, each name at most kMaxKeyName bytes and the path at most
  // kMaxKeyPath (the 8-bit functions refuse longer ones, measured under Wine: ERROR_MORE_DATA).
  [[nodiscard]] bool CanHoldKey(std::wstring_view subKey) const;
  // The code page, for messages ("the ANSI code page 1252").
  [[nodiscard]] std::wstring CodePageName() const { return corvanel::CodePageName(codec_); }

  static constexpr std::uint32_t kReadBufferSize = 2048;
  static constexpr const char* kKeyClass = "1";
  // The longest key name (one level of the path), and the longest path, in bytes.
  static constexpr std::size_t kMaxKeyName = 255;
  static constexpr std::size_t kMaxKeyPath = 260;

 private:
  class KeyHandle;

  [[nodiscard]] corvanel::AppError Failure(std::wstring_view operation, std::int32_t code) const;
  void QueryRegValue(RegKey key, std::wstring_view valueName, SettingRead& result) const;

  RegistryApi& api_;
  const corvanel::AnsiCodec& codec_;
};

}  // namespace vardock
