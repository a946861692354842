#pragma once
// The server side of the wire: strictly the automation types the IIS objects take (VT_EMPTY,
// VT_I2, VT_I4, VT_UI4, VT_BOOL, VT_BSTR, a one-dimensional SAFEARRAY of VARIANT, VT_DISPATCH of
// the stand-in's own objects, and references to them), so that a client sending any other type
// is told so instead of being coerced silently.
#include <windows.h>
#include <oaidl.h>

#include <optional>

#include "vdir_setup/core/variant.h"

namespace iis_standin {

// nullopt for a type the stand-in does not take.
std::optional<vardock::Variant> FromWire(const VARIANT& value);
// Objects of the model become IDispatch objects of the stand-in. Throws std::bad_alloc.
VARIANT ToWire(const vardock::Variant& value);

}  // namespace iis_standin
