#pragma once
// Conversion between the portable Variant and VARIANT with the exact automation types: VT_EMPTY,
// VT_I2, VT_BOOL, VT_BSTR, VT_DISPATCH and a one-dimensional SAFEARRAY of VARIANT.
#include <windows.h>
#include <oaidl.h>

#include <string_view>

#include "common/win/com_win.h"
#include "vdir_setup/core/variant.h"

namespace vardock {

// member names the call in the errors thrown.
corvanel::unique_variant ToVariant(const Variant& value, std::wstring_view member);
// Also accepts what servers commonly return: VT_NULL (as empty), other integer types (changed
// to VT_I2 when they fit), VT_UNKNOWN with IDispatch, arrays of BSTR, and references.
Variant FromVariant(const VARIANT& value, std::wstring_view member);

}  // namespace vardock
