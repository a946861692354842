#include "variant_win.h"

#include <vector>

#include "dispatch_win.h"

namespace vardock {

using corvanel::com_ptr;
using corvanel::unique_safearray;
using corvanel::unique_variant;

namespace {
void Check(HRESULT hr, std::wstring_view member) {
  if (FAILED(hr)) throw DispatchError(hr, member);
}

Variant FromArray(SAFEARRAY* array, VARTYPE elementType, std::wstring_view member) {
  if (array == nullptr) return std::vector<Variant>{};
  if (::SafeArrayGetDim(array) != 1) throw DispatchError(DISP_E_TYPEMISMATCH, member, L"Not a one-dimensional array");
  LONG lower = 0, upper = -1;
  Check(::SafeArrayGetLBound(array, 1, &lower), member);
  Check(::SafeArrayGetUBound(array, 1, &upper), member);
  std::vector<Variant> items;
  for (LONG index = lower; index <= upper; ++index) {
    unique_variant item;
    if (elementType == VT_VARIANT) {
      Check(::SafeArrayGetElement(array, &index, item.put()), member);
    } else if (elementType == VT_BSTR) {
      BSTR text = nullptr;
      Check(::SafeArrayGetElement(array, &index, &text), member);
      VARIANT& held = *item.put();
      held.vt = VT_BSTR;
      held.bstrVal = text;
    } else {
      throw DispatchError(DISP_E_TYPEMISMATCH, member, L"Array of an unsupported element type");
    }
    items.push_back(FromVariant(item.get(), member));
  }
  return items;
}
}  // namespace

unique_variant ToVariant(const Variant& value, std::wstring_view member) {
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
      // Nothing is passed as a null VT_DISPATCH; other objects must be IDispatch wrappers.
      IDispatch* dispatch = nullptr;
      if (const ObjectRef& object = value.AsObjectOrNothing()) {
        const auto* wrapper = dynamic_cast<const DispatchObject*>(object.get());
        if (wrapper == nullptr) throw DispatchError(DISP_E_TYPEMISMATCH, member, L"Not an automation object");
        dispatch = wrapper->get();
      }
      out.vt = VT_DISPATCH;
      out.pdispVal = com_ptr<IDispatch>::copy(dispatch).release();
      break;
    }
    case Variant::Kind::Array: {
      const auto& items = value.AsArray();
      unique_safearray array(::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size())));
      if (!array) throw DispatchError(E_OUTOFMEMORY, member);
      for (LONG index = 0; index < static_cast<LONG>(items.size()); ++index) {
        unique_variant item = ToVariant(items[static_cast<std::size_t>(index)], member);
        Check(::SafeArrayPutElement(array.get(), &index, &item.get()), member);
      }
      out.vt = VT_ARRAY | VT_VARIANT;
      out.parray = array.release();
      break;
    }
  }
  return result;
}

Variant FromVariant(const VARIANT& value, std::wstring_view member) {
  if ((value.vt & VT_BYREF) != 0) {
    unique_variant direct;
    // The source is only read; the API's signature lacks the const.
    Check(::VariantCopyInd(direct.put(), const_cast<VARIANT*>(&value)), member);
    return FromVariant(direct.get(), member);
  }
  if ((value.vt & VT_ARRAY) != 0) return FromArray(value.parray, value.vt & VT_TYPEMASK, member);
  switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
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
      if (value.pdispVal == nullptr) return ObjectRef();
      return ObjectRef(std::make_shared<DispatchObject>(com_ptr<IDispatch>::copy(value.pdispVal)));
    case VT_UNKNOWN: {
      if (value.punkVal == nullptr) return ObjectRef();
      com_ptr<IDispatch> dispatch;
      Check(com_ptr<IUnknown>::copy(value.punkVal).query(dispatch), member);
      return ObjectRef(std::make_shared<DispatchObject>(std::move(dispatch)));
    }
    default: {
      unique_variant number;
      Check(::VariantChangeType(number.put(), const_cast<VARIANT*>(&value), 0, VT_I2), member);
      return number.get().iVal;
    }
  }
}

}  // namespace vardock
