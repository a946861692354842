#pragma once
// Conversion between the portable Variant and VARIANT, for both ends of a late-bound call: the
// exact automation types VT_EMPTY, VT_I2, VT_I4, VT_UI4, VT_BOOL, VT_BSTR, VT_DISPATCH and a
// one-dimensional SAFEARRAY of VARIANT, and references to them.
#include <windows.h>
#include <oaidl.h>

#include <string_view>

#include "common/core/automation.h"
#include "com_win.h"

namespace corvanel {

// How object references cross: each end passes only objects it can hand over as IDispatch and
// takes back only what it recognises.
struct ComObjectBridge {
  // A new reference for a non-null object, or null for one this end cannot pass.
  IDispatch* (*toDispatch)(const ObjectRef& object);
  // The object for a non-null IDispatch, or null when this end does not take it.
  ObjectRef (*fromDispatch)(IDispatch* dispatch);
};

// What a receiver takes besides the exact types. A client takes what servers commonly return:
// VT_NULL (as empty), VT_UNKNOWN with IDispatch, arrays of BSTR, and other integer types changed
// to VT_I2 when they fit. A server takes only the exact types, so that a client sending another
// type is told so instead of being coerced silently.
enum class Received { Exact, AsServersReturn };

// Both throw an AppError naming member: type mismatch for a value that does not convert,
// E_OUTOFMEMORY, or the HRESULT of a failed SAFEARRAY call.
unique_variant ToVariant(const Variant& value, const ComObjectBridge& objects, std::wstring_view member);
Variant FromVariant(const VARIANT& value, const ComObjectBridge& objects, Received accept, std::wstring_view member);

}  // namespace corvanel
