#include "variant_com.h"

#include <vector>

#include "dispatch_win.h"

namespace corvanel {

namespace {
void Check(HRESULT hr, std::wstring_view member) {
  if (FAILED(hr)) throw DispatchError(hr, member);
}

[[noreturn]] void Mismatch(std::wstring_view member, const wchar_t* what) {
  throw DispatchError(DISP_E_TYPEMISMATCH, member, what);
}

Variant FromArray(SAFEARRAY* array, VARTYPE elementType, const ComObjectBridge& objects, Received accept,
                  std::wstring_view member) {
  const bool texts = elementType == VT_BSTR && accept == Received::AsServersReturn;
  if (elementType != VT_VARIANT && !texts) Mismatch(member, L"Array of an unsupported element type");
  if (array == nullptr) return std::vector<Variant>{};
  if (::SafeArrayGetDim(array) != 1) Mismatch(member, L"Not a one-dimensional array");
  LONG lower = 0, upper = -1;
  Check(::SafeArrayGetLBound(array, 1, &lower), member);
  Check(::SafeArrayGetUBound(array, 1, &upper), member);
  std::vector<Variant> items;
  for (LONG index = lower; index <= upper; ++index) {
    unique_variant item;
    if (texts) {
      BSTR text = nullptr;
      Check(::SafeArrayGetElement(array, &index, &text), member);
      VARIANT& held = *item.put();
      held.vt = VT_BSTR;
      held.bstrVal = text;
    } else {
      Check(::SafeArrayGetElement(array, &index, item.put()), member);
    }
    items.push_back(FromVariant(item.get(), objects, accept, member));
  }
  return items;
}

Variant FromDispatch(IDispatch* dispatch, const ComObjectBridge& objects, std::wstring_view member) {
  if (dispatch == nullptr) return ObjectRef();
  ObjectRef object = objects.fromDispatch(dispatch);
  if (!object) Mismatch(member, L"Not an object this end takes");
  return object;
}
}  // namespace

unique_variant ToVariant(const Variant& value, const ComObjectBridge& objects, std::wstring_view member) {
  unique_variant result;
  VARIANT& out = *result.put();
  switch (value.kind()) {
    case Variant::Kind::Empty:
      break;
    case Variant::Kind::Int16:
      out.vt = VT_I2;
      out.iVal = value.AsInt16();
      break;
    case Variant::Kind::Int32:
      out.vt = VT_I4;
      out.lVal = value.AsInt32();
      break;
    case Variant::Kind::UInt32:
      out.vt = VT_UI4;
      out.ulVal = value.AsUInt32();
      break;
    case Variant::Kind::Bool:
      out.vt = VT_BOOL;
      out.boolVal = value.AsBool() ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case Variant::Kind::Text: {
      const std::wstring& text = value.AsText();
      out.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
      if (out.bstrVal == nullptr) throw DispatchError(E_OUTOFMEMORY, member);
      out.vt = VT_BSTR;
      break;
    }
    case Variant::Kind::Object: {
      // Nothing is passed as a null VT_DISPATCH.
      const ObjectRef& object = value.AsObjectOrNothing();
      if (object && (out.pdispVal = objects.toDispatch(object)) == nullptr) {
        Mismatch(member, L"Not an object this end can pass");
      }
      out.vt = VT_DISPATCH;
      break;
    }
    case Variant::Kind::Array: {
      const auto& items = value.AsArray();
      unique_safearray array(::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size())));
      if (!array) throw DispatchError(E_OUTOFMEMORY, member);
      for (LONG index = 0; index < static_cast<LONG>(items.size()); ++index) {
        unique_variant item = ToVariant(items[static_cast<std::size_t>(index)], objects, member);
        Check(::SafeArrayPutElement(array.get(), &index, &item.get()), member);
      }
      out.vt = VT_ARRAY | VT_VARIANT;
      out.parray = array.release();
      break;
    }
  }
  return result;
}

Variant FromVariant(const VARIANT& value, const ComObjectBridge& objects, Received accept, std::wstring_view member) {
  if ((value.vt & VT_BYREF) != 0) {
    unique_variant direct;
    // The source is only read; the API's signature lacks the const.
    Check(::VariantCopyInd(direct.put(), const_cast<VARIANT*>(&value)), member);
    return FromVariant(direct.get(), objects, accept, member);
  }
  if ((value.vt & VT_ARRAY) != 0) return FromArray(value.parray, value.vt & VT_TYPEMASK, objects, accept, member);
  const bool lenient = accept == Received::AsServersReturn;
  switch (value.vt) {
    case VT_EMPTY:
      return {};
    case VT_I2:
      return value.iVal;
    case VT_I4:
    case VT_INT:
      return Variant::I4(static_cast<std::int32_t>(value.lVal));
    case VT_UI4:
    case VT_UINT:
      return Variant::UI4(static_cast<std::uint32_t>(value.ulVal));
    case VT_BOOL:
      return value.boolVal != VARIANT_FALSE;
    case VT_BSTR:
      return std::wstring(value.bstrVal, ::SysStringLen(value.bstrVal));
    case VT_DISPATCH:
      return FromDispatch(value.pdispVal, objects, member);
    case VT_NULL:
      if (lenient) return {};
      break;
    case VT_UNKNOWN:
      if (lenient) {
        if (value.punkVal == nullptr) return ObjectRef();
        com_ptr<IDispatch> dispatch;
        Check(com_ptr<IUnknown>::copy(value.punkVal).query(dispatch), member);
        return FromDispatch(dispatch.get(), objects, member);
      }
      break;
    default:
      if (lenient) {
        unique_variant number;
        Check(::VariantChangeType(number.put(), const_cast<VARIANT*>(&value), 0, VT_I2), member);
        return number.get().iVal;
      }
      break;
  }
  Mismatch(member, L"Not an automation type this end takes");
}

}  // namespace corvanel
