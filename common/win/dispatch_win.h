#pragma once
// Late binding over IDispatch: objects created by programmatic identifier and called by member
// name. Every failure is a corvanel::AppError with the HRESULT, the member (Context()) and the
// server's EXCEPINFO description or else the platform's text for the HRESULT (Reason()).
#include <windows.h>
#include <oaidl.h>

#include <span>
#include <string_view>

#include "common/core/app_error.h"
#include "common/win/com_win.h"
#include "common/core/automation.h"

namespace corvanel {

AppError DispatchError(HRESULT hr, std::wstring_view member, std::wstring description = {});

class DispatchObject final : public AutomationObject {
 public:
  // Throws when given no object: a call through nothing must not look like success.
  explicit DispatchObject(com_ptr<IDispatch> dispatch);
  [[nodiscard]] IDispatch* get() const noexcept { return dispatch_.get(); }

  Variant GetProperty(std::wstring_view name) override;
  Variant GetIndexed(std::wstring_view name, std::span<const Variant> args) override;
  void PutProperty(std::wstring_view name, const Variant& value) override;
  Variant CallMethod(std::wstring_view name, std::span<const Variant> args) override;
  // Walks the collection through DISPID_NEWENUM and IEnumVARIANT.
  std::vector<Variant> Children() override;

 private:
  DISPID IdOf(std::wstring_view name) const;
  unique_variant Invoke(std::wstring_view member, DISPID id, WORD flags, std::span<const Variant> args,
                                  bool propertyPut) const;

  com_ptr<IDispatch> dispatch_;
};

// CLSIDFromProgID and CoCreateInstance; the thread must have COM (ComApartment).
class ComObjectFactory final : public ObjectFactory {
 public:
  ObjectRef Create(std::wstring_view progId) override;
};

}  // namespace corvanel
