#pragma once
// The platform codes the portable core raises, as the numbers Windows uses, so that an error
// from the in-memory model and one from the real objects compare equal.
#include <cstdint>

namespace corvanel::hr {

inline constexpr std::uint32_t kFail = 0x80004005;                // E_FAIL
inline constexpr std::uint32_t kInvalidArg = 0x80070057;          // E_INVALIDARG
inline constexpr std::uint32_t kAccessDenied = 0x80070005;        // E_ACCESSDENIED
inline constexpr std::uint32_t kPathNotFound = 0x80070003;        // HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)
inline constexpr std::uint32_t kAlreadyExists = 0x800700B7;       // HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS)
inline constexpr std::uint32_t kInvalidName = 0x8007007B;         // HRESULT_FROM_WIN32(ERROR_INVALID_NAME)
inline constexpr std::uint32_t kBadNetPath = 0x80070035;          // HRESULT_FROM_WIN32(ERROR_BAD_NETPATH)
inline constexpr std::uint32_t kMemberNotFound = 0x80020003;      // DISP_E_MEMBERNOTFOUND
inline constexpr std::uint32_t kTypeMismatch = 0x80020005;        // DISP_E_TYPEMISMATCH
inline constexpr std::uint32_t kUnknownName = 0x80020006;         // DISP_E_UNKNOWNNAME
inline constexpr std::uint32_t kBadParamCount = 0x8002000E;       // DISP_E_BADPARAMCOUNT
inline constexpr std::uint32_t kPropertyNotFound = 0x8000500D;    // E_ADS_PROPERTY_NOT_FOUND
inline constexpr std::uint32_t kUnknownObject = 0x80005004;       // E_ADS_UNKNOWN_OBJECT
inline constexpr std::uint32_t kClassNotRegistered = 0x80040154;  // REGDB_E_CLASSNOTREG
inline constexpr std::uint32_t kInvalidClassString = 0x800401F3;  // CO_E_CLASSSTRING
inline constexpr std::uint32_t kObjectNotSet = 0x800A005B;        // Visual Basic error 91
inline constexpr std::uint32_t kInvalidData = 0x8007000D;         // HRESULT_FROM_WIN32(ERROR_INVALID_DATA)
inline constexpr std::uint32_t kDiskFull = 0x80070070;            // HRESULT_FROM_WIN32(ERROR_DISK_FULL)
inline constexpr std::uint32_t kNoSuchDomain = 0x8007054B;        // HRESULT_FROM_WIN32(ERROR_NO_SUCH_DOMAIN)
inline constexpr std::uint32_t kSharingViolation = 0x80070020;    // HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION)
inline constexpr std::uint32_t kLockViolation = 0x80070021;       // HRESULT_FROM_WIN32(ERROR_LOCK_VIOLATION)
inline constexpr std::uint32_t kNotSupported = 0x80070032;        // HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED)
inline constexpr std::uint32_t kFileInvalid = 0x800703EE;         // HRESULT_FROM_WIN32(ERROR_FILE_INVALID)

}  // namespace corvanel::hr
