#include "dispatch_adapter.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "common/core/app_error.h"
#include "common/win/com_win.h"
#include "standin_module.h"
#include "common/win/variant_com.h"
#include "iis_standin/model/vocabulary.h"

namespace iis_standin {

using corvanel::unique_variant;

namespace {

// The stand-in hands out its own objects and takes back only those (and Nothing).
IDispatch* PassModel(const ObjectRef& object) {
  return std::dynamic_pointer_cast<IisObject>(object) ? ModelDispatch::Create(object) : nullptr;
}
ObjectRef ModelObject(IDispatch* dispatch) { return ModelDispatch::ModelOf(dispatch); }
constexpr corvanel::ComObjectBridge kModelObjects{&PassModel, &ModelObject};

// The description of the last error raised, until the client asks for it. The objects live in
// single-threaded apartments; the lock only keeps two apartments from tearing the text.
std::mutex g_pendingLock;
std::wstring g_pendingDescription;

HRESULT STDAPICALLTYPE FillInDescription(EXCEPINFO* info) {
  if (info == nullptr) return E_POINTER;
  std::lock_guard lock(g_pendingLock);
  info->bstrDescription = ::SysAllocString(g_pendingDescription.c_str());
  return info->bstrDescription == nullptr ? E_OUTOFMEMORY : S_OK;
}

// The client knows which member it called: an error about that member needs no other context.
HRESULT Raise(const corvanel::AppError& error, const std::wstring& member, EXCEPINFO* exception) {
  const HRESULT code = error.Code() != 0 ? static_cast<HRESULT>(error.Code()) : E_FAIL;
  if (exception == nullptr) return code;
  {
    std::lock_guard lock(g_pendingLock);
    g_pendingDescription = corvanel::IisNamesEqual(error.Context(), member) ? error.Reason() : error.Message();
  }
  *exception = EXCEPINFO{};
  exception->bstrSource = ::SysAllocString(L"IIS stand-in");
  exception->scode = code;
  exception->pfnDeferredFillIn = &FillInDescription;
  return DISP_E_EXCEPTION;
}

// A snapshot of the children, shared by the enumerator and its clones.
class VariantEnum final : public ComObject<IEnumVARIANT, &IID_IEnumVARIANT> {
 public:
  using Items = std::vector<unique_variant>;
  explicit VariantEnum(std::shared_ptr<const Items> items, ULONG next = 0) : items_(std::move(items)), next_(next) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override {
    if (out == nullptr || (count > 1 && fetched == nullptr)) return E_POINTER;
    ULONG done = 0;
    for (; done < count && next_ < items_->size(); ++done, ++next_) {
      ::VariantInit(&out[done]);
      // The snapshot is only read; the API's signature lacks the const.
      VARIANT* item = const_cast<VARIANT*>(&(*items_)[next_].get());
      if (const HRESULT hr = ::VariantCopy(&out[done], item); FAILED(hr)) {
        for (ULONG i = 0; i < done; ++i) ::VariantClear(&out[i]);
        return hr;
      }
    }
    if (fetched != nullptr) *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    const ULONG left = static_cast<ULONG>(items_->size()) - next_;
    next_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
    if (out == nullptr) return E_POINTER;
    *out = new (std::nothrow) VariantEnum(items_, next_);
    return *out == nullptr ? E_OUTOFMEMORY : S_OK;
  }

 private:
  std::shared_ptr<const Items> items_;
  ULONG next_;
};

}  // namespace

IDispatch* ModelDispatch::Create(const corvanel::ObjectRef& object) {
  auto model = std::dynamic_pointer_cast<IisObject>(object);
  if (!model) throw corvanel::AppError(L"IIS stand-in", L"Not an object of the stand-in", hr::kTypeMismatch);
  return new ModelDispatch(std::move(model));
}

std::shared_ptr<IisObject> ModelDispatch::ModelOf(IDispatch* dispatch) {
  ModelDispatch* mine = nullptr;
  if (dispatch == nullptr || FAILED(dispatch->QueryInterface(kIidModelObject, reinterpret_cast<void**>(&mine)))) {
    return nullptr;
  }
  auto object = mine->object_;
  mine->Release();
  return object;
}

ModelDispatch::ModelDispatch(std::shared_ptr<IisObject> object) : object_(std::move(object)) {}

HRESULT ModelDispatch::QueryInterface(REFIID iid, void** out) {
  if (out != nullptr && iid == kIidModelObject) {
    *out = this;
    AddRef();
    return S_OK;
  }
  return ComObject::QueryInterface(iid, out);
}

HRESULT ModelDispatch::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT ModelDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return DISP_E_BADINDEX;
}

// Member n of the object's table has the DISPID n + 1; "_NewEnum" has DISPID_NEWENUM.
HRESULT ModelDispatch::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (names == nullptr || ids == nullptr || (count > 0 && names[0] == nullptr)) return E_POINTER;
  if (count == 0) return S_OK;
  try {
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (corvanel::IisNamesEqual(L"_NewEnum", names[0])) {
      ids[0] = DISPID_NEWENUM;
    } else {
      const auto members = object_->Members();
      for (std::size_t i = 0; i < members.size(); ++i) {
        if (corvanel::IisNamesEqual(members[i].name, names[0])) ids[0] = static_cast<DISPID>(i + 1);
      }
    }
    // The members take no named arguments.
    return ids[0] == DISPID_UNKNOWN || count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT ModelDispatch::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* exception, UINT* argumentError) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (params == nullptr) return E_POINTER;
  std::wstring member;
  try {
    return InvokeMember(id, flags, *params, result, argumentError, member);
  } catch (const corvanel::AppError& error) {
    return Raise(error, member, exception);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT ModelDispatch::InvokeMember(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result,
                                    UINT* argumentError, std::wstring& member) {
  // The caller's result may hold anything: it is overwritten, never cleared.
  const auto setResult = [&](const corvanel::Variant& value) {
    if (result != nullptr) *result = corvanel::ToVariant(value, kModelObjects, member).release();
  };
  // Arguments arrive last first.
  std::vector<corvanel::Variant> args;
  for (UINT i = params.cArgs; i-- > 0;) {
    try {
      args.push_back(corvanel::FromVariant(params.rgvarg[i], kModelObjects, corvanel::Received::Exact, L"argument"));
    } catch (const corvanel::AppError&) {
      if (argumentError != nullptr) *argumentError = i;
      return DISP_E_TYPEMISMATCH;
    }
  }
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  const bool namedPut = params.cNamedArgs == 1 && params.rgdispidNamedArgs != nullptr &&
                        params.rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
  if (params.cNamedArgs > (put ? 1u : 0u) || (put && !namedPut)) return DISP_E_NONAMEDARGS;

  if (id == DISPID_NEWENUM) {
    member = L"_NewEnum";
    if (put || !args.empty()) return DISP_E_MEMBERNOTFOUND;
    auto items = std::make_shared<VariantEnum::Items>();
    for (const Variant& child : object_->Children()) items->push_back(corvanel::ToVariant(child, kModelObjects, member));
    if (result != nullptr) {
      result->vt = VT_UNKNOWN;
      result->punkVal = new VariantEnum(std::move(items));
    }
    return S_OK;
  }

  const auto members = object_->Members();
  if (id == DISPID_VALUE) {
    const auto item = std::ranges::find_if(members, [](const MemberInfo& m) { return m.indexed; });
    if (item != members.end()) id = static_cast<DISPID>(item - members.begin() + 1);
  }
  if (id < 1 || static_cast<std::size_t>(id) > members.size()) return DISP_E_MEMBERNOTFOUND;
  const MemberInfo& info = members[static_cast<std::size_t>(id) - 1];
  member = info.name;
  if (info.method) {
    if (put || (flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
    setResult(object_->CallMethod(info.name, args));
    return S_OK;
  }
  if (put) {
    if (args.size() != 1) return DISP_E_BADPARAMCOUNT;
    object_->PutProperty(info.name, args[0]);
    return S_OK;
  }
  if ((flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) == 0) return DISP_E_MEMBERNOTFOUND;
  if (info.indexed) {
    setResult(object_->GetIndexed(info.name, args));
    return S_OK;
  }
  if (!args.empty()) return DISP_E_BADPARAMCOUNT;
  setResult(object_->GetProperty(info.name));
  return S_OK;
}

}  // namespace iis_standin
