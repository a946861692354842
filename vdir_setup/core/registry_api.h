#pragma once
// The six registry operations the settings module uses, in their 8-bit form, behind an
// interface: advapi32 on Windows, an in-memory registry in the native tests.
#include <cstdint>
#include <string>

namespace vardock {

// An open key or a predefined root, carrying the platform's handle value unchanged.
enum class RegKey : std::uintptr_t {};
inline constexpr RegKey kNoKey{};
// Windows defines its predefined keys as 32-bit values sign-extended to pointer width.
inline constexpr RegKey PredefinedKey(std::uint32_t value) {
  return RegKey(static_cast<std::uintptr_t>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value))));
}
inline constexpr RegKey kHKeyCurrentUser = PredefinedKey(0x80000001);
inline constexpr RegKey kHKeyLocalMachine = PredefinedKey(0x80000002);

namespace reg {
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kOptionNonVolatile = 0;
inline constexpr std::uint32_t kOptionVolatile = 1;
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kSz = 1;
inline constexpr std::uint32_t kExpandSz = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kCreatedNewKey = 1;
inline constexpr std::uint32_t kOpenedExistingKey = 2;

inline constexpr std::int32_t kSuccess = 0;
inline constexpr std::int32_t kFileNotFound = 2;
inline constexpr std::int32_t kAccessDenied = 5;
inline constexpr std::int32_t kInvalidHandle = 6;
inline constexpr std::int32_t kInvalidParameter = 87;
inline constexpr std::int32_t kBadPathname = 161;
inline constexpr std::int32_t kMoreData = 234;
inline constexpr std::int32_t kNoUnicodeTranslation = 1113;
}  // namespace reg

// SECURITY_ATTRIBUTES without its size field: the platform layer fills in its own record's size.
struct RegSecurity {
  void* descriptor = nullptr;
  bool inheritHandle = false;
};

// Each returns the Win32 code the advapi32 function returns. Names and data are bytes in the
// ANSI code page; reserved arguments are always 0 and left out.
class RegistryApi {
 public:
  virtual ~RegistryApi() = default;
  virtual std::int32_t OpenKeyEx(RegKey root, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                                 RegKey& result) = 0;
  virtual std::int32_t CreateKeyEx(RegKey root, const std::string& subKey, const std::string& keyClass,
                                   std::uint32_t options, std::uint32_t access, const RegSecurity& security,
                                   RegKey& result, std::uint32_t& disposition) = 0;
  // size: in the buffer's capacity, out the bytes stored (also when they do not fit).
  virtual std::int32_t QueryValueEx(RegKey key, const std::string& valueName, std::uint32_t& type, std::uint8_t* data,
                                    std::uint32_t& size) = 0;
  virtual std::int32_t SetValueEx(RegKey key, const std::string& valueName, std::uint32_t type,
                                  const std::uint8_t* data, std::uint32_t size) = 0;
  virtual std::int32_t DeleteValue(RegKey key, const std::string& valueName) = 0;
  virtual std::int32_t CloseKey(RegKey key) = 0;
  // The system's own words for a code these functions returned ("Access is denied.").
  [[nodiscard]] virtual std::wstring Describe(std::int32_t code) const = 0;
};

}  // namespace vardock
