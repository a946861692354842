#include "dispatch_win.h"

#include <vector>

#include "common/win/win_error.h"
#include "variant_com.h"

namespace corvanel {

namespace {

// The client passes back only objects it received, and wraps whatever IDispatch it is given.
IDispatch* PassWrapped(const ObjectRef& object) {
  const auto* wrapper = dynamic_cast<const DispatchObject*>(object.get());
  return wrapper == nullptr ? nullptr : com_ptr<IDispatch>::copy(wrapper->get()).release();
}
ObjectRef Wrap(IDispatch* dispatch) { return std::make_shared<DispatchObject>(com_ptr<IDispatch>::copy(dispatch)); }
constexpr ComObjectBridge kClientObjects{&PassWrapped, &Wrap};

Variant FromServer(const VARIANT& value, std::wstring_view member) {
  return FromVariant(value, kClientObjects, Received::AsServersReturn, member);
}

// The arguments of one call, in IDispatch's reverse order. What is cleared afterwards is the
// array the server was given, since a server may coerce an argument in place.
class ArgumentList {
 public:
  ArgumentList(std::span<const Variant> args, std::wstring_view member) : values_(args.size()) {
    // values_ is complete before the first conversion: when one throws, its destructor clears
    // the arguments converted before it.
    for (std::size_t i = 0; i < args.size(); ++i) {
      values_.items[args.size() - 1 - i] = ToVariant(args[i], kClientObjects, member).release();
    }
  }
  VARIANT* data() noexcept { return values_.items.empty() ? nullptr : values_.items.data(); }
  UINT size() const noexcept { return static_cast<UINT>(values_.items.size()); }

 private:
  struct ClearedVariants {
    explicit ClearedVariants(std::size_t count) : items(count) {
      for (VARIANT& value : items) ::VariantInit(&value);
    }
    ClearedVariants(const ClearedVariants&) = delete;
    ClearedVariants& operator=(const ClearedVariants&) = delete;
    ~ClearedVariants() {
      for (VARIANT& value : items) ::VariantClear(&value);
    }
    std::vector<VARIANT> items;
  } values_;
};

// An EXCEPINFO whose strings are freed whatever happens; its deferred part is filled in on demand.
class ExceptionInfo {
 public:
  ExceptionInfo() = default;
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;
  ~ExceptionInfo() {
    ::SysFreeString(info_.bstrSource);
    ::SysFreeString(info_.bstrDescription);
    ::SysFreeString(info_.bstrHelpFile);
  }
  EXCEPINFO* get() noexcept { return &info_; }

  AppError ToError(std::wstring_view member) {
    if (info_.pfnDeferredFillIn != nullptr) {
      const auto fillIn = info_.pfnDeferredFillIn;
      info_.pfnDeferredFillIn = nullptr;
      fillIn(&info_);
    }
    // A server reports either an HRESULT (scode) or a 16-bit code of its own (wCode).
    HRESULT code = info_.scode;
    if (code == S_OK)
      code = info_.wCode != 0 ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, info_.wCode) : DISP_E_EXCEPTION;
    std::wstring description;
    if (info_.bstrDescription != nullptr) {
      description.assign(info_.bstrDescription, ::SysStringLen(info_.bstrDescription));
    }
    return DispatchError(code, member, std::move(description));
  }

 private:
  EXCEPINFO info_{};
};

}  // namespace

AppError DispatchError(HRESULT hr, std::wstring_view member, std::wstring description) {
  if (description.empty()) description = SystemMessage(static_cast<DWORD>(hr));
  return AutomationError(static_cast<std::uint32_t>(hr), member, std::move(description));
}

DispatchObject::DispatchObject(com_ptr<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {
  if (!dispatch_) throw DispatchError(E_POINTER, L"IDispatch", L"Object variable not set");
}

DISPID DispatchObject::IdOf(std::wstring_view name) const {
  std::wstring buffer(name);
  LPOLESTR names[] = {buffer.data()};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) throw DispatchError(hr, name);
  return id;
}

unique_variant DispatchObject::Invoke(std::wstring_view member, DISPID id, WORD flags, std::span<const Variant> args,
                                      bool propertyPut) const {
  ArgumentList arguments(args, member);
  DISPID namedPut = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.rgvarg = arguments.data();
  params.cArgs = arguments.size();
  if (propertyPut) {
    params.rgdispidNamedArgs = &namedPut;
    params.cNamedArgs = 1;
  }
  unique_variant result;
  ExceptionInfo exception;
  UINT argumentError = 0;
  const HRESULT hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                       propertyPut ? nullptr : result.put(), exception.get(), &argumentError);
  if (hr == DISP_E_EXCEPTION) throw exception.ToError(member);
  if (FAILED(hr)) throw DispatchError(hr, member);
  return result;
}

Variant DispatchObject::GetProperty(std::wstring_view name) {
  return FromServer(Invoke(name, IdOf(name), DISPATCH_PROPERTYGET, {}, false).get(), name);
}

Variant DispatchObject::GetIndexed(std::wstring_view name, std::span<const Variant> args) {
  return FromServer(Invoke(name, IdOf(name), DISPATCH_PROPERTYGET, args, false).get(), name);
}

void DispatchObject::PutProperty(std::wstring_view name, const Variant& value) {
  Invoke(name, IdOf(name), DISPATCH_PROPERTYPUT, std::span(&value, 1), true);
}

Variant DispatchObject::CallMethod(std::wstring_view name, std::span<const Variant> args) {
  return FromServer(Invoke(name, IdOf(name), DISPATCH_METHOD, args, false).get(), name);
}

std::vector<Variant> DispatchObject::Children() {
  constexpr std::wstring_view kMember = L"_NewEnum";
  const unique_variant enumerable = Invoke(kMember, DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, false);
  const VARIANT& value = enumerable.get();
  IUnknown* unknown = nullptr;
  if (value.vt == VT_UNKNOWN) unknown = value.punkVal;
  if (value.vt == VT_DISPATCH) unknown = value.pdispVal;
  if (unknown == nullptr) throw DispatchError(DISP_E_TYPEMISMATCH, kMember, L"The object is not a collection");
  com_ptr<IEnumVARIANT> items;
  if (const HRESULT hr = com_ptr<IUnknown>::copy(unknown).query(items); FAILED(hr)) throw DispatchError(hr, kMember);

  std::vector<Variant> children;
  for (;;) {
    unique_variant item;
    ULONG fetched = 0;
    const HRESULT hr = items->Next(1, item.put(), &fetched);
    if (FAILED(hr)) throw DispatchError(hr, kMember);
    if (hr == S_FALSE || fetched == 0) break;
    children.push_back(FromServer(item.get(), kMember));
  }
  return children;
}

ObjectRef ComObjectFactory::Create(std::wstring_view progId) {
  const std::wstring name(progId);
  CLSID clsid{};
  if (const HRESULT hr = ::CLSIDFromProgID(name.c_str(), &clsid); FAILED(hr)) throw DispatchError(hr, progId);
  com_ptr<IDispatch> dispatch;
  const HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                        dispatch.put_void());
  if (FAILED(hr)) throw DispatchError(hr, progId);
  return std::make_shared<DispatchObject>(std::move(dispatch));
}

}  // namespace corvanel
