#include "variant_convert.h"

#include <new>
#include <vector>

#include "common/win/com_win.h"
#include "dispatch_adapter.h"

namespace iis_standin {

using corvanel::unique_safearray;
using corvanel::unique_variant;
using vardock::Variant;

std::optional<Variant> FromWire(const VARIANT& value) {
  if ((value.vt & VT_BYREF) != 0) {
    unique_variant direct;
    // The source is only read; the API's signature lacks the const.
    if (FAILED(::VariantCopyInd(direct.put(), const_cast<VARIANT*>(&value)))) return std::nullopt;
    return FromWire(direct.get());
  }
  switch (value.vt) {
    case VT_EMPTY:
      return Variant();
    case VT_I2:
      return Variant(value.iVal);
    case VT_I4:
    case VT_INT:
      return Variant::I4(static_cast<std::int32_t>(value.lVal));
    case VT_UI4:
    case VT_UINT:
      return Variant::UI4(static_cast<std::uint32_t>(value.ulVal));
    case VT_BOOL:
      return Variant(value.boolVal != VARIANT_FALSE);
    case VT_BSTR:
      return Variant(std::wstring(value.bstrVal, ::SysStringLen(value.bstrVal)));
    case VT_DISPATCH: {
      // Only the stand-in's own objects (and Nothing) map back to the model.
      if (value.pdispVal == nullptr) return Variant(vardock::ObjectRef());
      auto object = ModelDispatch::ModelOf(value.pdispVal);
      if (!object) return std::nullopt;
      return Variant(vardock::ObjectRef(std::move(object)));
    }
    case VT_ARRAY | VT_VARIANT: {
      std::vector<Variant> items;
      SAFEARRAY* array = value.parray;
      if (array == nullptr) return Variant(items);
      LONG lower = 0, upper = -1;
      if (::SafeArrayGetDim(array) != 1 || FAILED(::SafeArrayGetLBound(array, 1, &lower)) ||
          FAILED(::SafeArrayGetUBound(array, 1, &upper))) {
        return std::nullopt;
      }
      for (LONG index = lower; index <= upper; ++index) {
        unique_variant item;
        if (FAILED(::SafeArrayGetElement(array, &index, item.put()))) return std::nullopt;
        auto converted = FromWire(item.get());
        if (!converted) return std::nullopt;
        items.push_back(std::move(*converted));
      }
      return Variant(std::move(items));
    }
    default:
      return std::nullopt;
  }
}

VARIANT ToWire(const Variant& value) {
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
      if (out.bstrVal == nullptr) throw std::bad_alloc();
      out.vt = VT_BSTR;
      break;
    }
    case Variant::Kind::Object:
      out.vt = VT_DISPATCH;
      out.pdispVal = value.AsObjectOrNothing() ? ModelDispatch::Create(value.AsObjectOrNothing()) : nullptr;
      break;
    case Variant::Kind::Array: {
      const auto& items = value.AsArray();
      unique_safearray array(::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size())));
      if (!array) throw std::bad_alloc();
      for (LONG index = 0; index < static_cast<LONG>(items.size()); ++index) {
        VARIANT item = ToWire(items[static_cast<std::size_t>(index)]);
        unique_variant owned(item);
        if (FAILED(::SafeArrayPutElement(array.get(), &index, &owned.get()))) throw std::bad_alloc();
      }
      out.vt = VT_ARRAY | VT_VARIANT;
      out.parray = array.release();
      break;
    }
  }
  return result.release();
}

}  // namespace iis_standin
