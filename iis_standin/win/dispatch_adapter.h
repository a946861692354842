#pragma once
// IDispatch by hand over an object of the IIS model: member names numbered from the object's own
// table (matched case-insensitively), property get and put, properties with arguments (a
// collection's Item, also its default member DISPID_VALUE), methods, and DISPID_NEWENUM giving an
// IEnumVARIANT over the children. Model errors go back as DISP_E_EXCEPTION with their HRESULT in
// the EXCEPINFO and the description filled in on demand (pfnDeferredFillIn).
#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <string>

#include "standin_module.h"
#include "iis_standin/model/iis_objects.h"

namespace iis_standin {

class ModelDispatch final : public ComObject<IDispatch, &IID_IDispatch> {
 public:
  // A new object holding one reference. Throws std::bad_alloc, or AppError for an object that is
  // not of the model.
  static IDispatch* Create(const corvanel::ObjectRef& object);
  // The model object behind one of the stand-in's IDispatch objects; null for anything else.
  static std::shared_ptr<IisObject> ModelOf(IDispatch* dispatch);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argumentError) override;

 private:
  explicit ModelDispatch(std::shared_ptr<IisObject> object);
  // member: set to the member's name as soon as it is known, for the error description.
  HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result, UINT* argumentError,
                       std::wstring& member);

  std::shared_ptr<IisObject> object_;
};

}  // namespace iis_standin
