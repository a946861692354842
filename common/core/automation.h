#pragma once
// An object called by member name with variant arguments, as the IIS administration objects are:
// a late-binding wrapper over IDispatch on Windows, the in-memory IIS model in the native tests.
// Every failure is a corvanel::AppError whose Context() is the member (or programmatic
// identifier) that failed, whose Code() is the HRESULT and whose Reason() is the description.
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/app_error.h"
#include "hresults.h"
#include "variant.h"

namespace corvanel {

class AutomationObject {
 public:
  virtual ~AutomationObject() = default;
  virtual Variant GetProperty(std::wstring_view name) = 0;
  // A property that takes arguments, such as a collection's Item(index). Objects without one
  // answer as IDispatch does for an unknown member.
  virtual Variant GetIndexed(std::wstring_view name, std::span<const Variant> args);
  virtual void PutProperty(std::wstring_view name, const Variant& value) = 0;
  // Arguments in the order the caller writes them.
  virtual Variant CallMethod(std::wstring_view name, std::span<const Variant> args) = 0;
  // The children of a container, in the order the object gives them.
  virtual std::vector<Variant> Children() = 0;
};

// A method call with the arguments written in place: Call(*root, L"Delete", {className, name}).
inline Variant Call(AutomationObject& object, std::wstring_view method, std::initializer_list<Variant> args) {
  return object.CallMethod(method, std::span<const Variant>(args.begin(), args.size()));
}

// Creates objects by programmatic identifier ("IISNamespace", "WinNTSystemInfo").
class ObjectFactory {
 public:
  virtual ~ObjectFactory() = default;
  virtual ObjectRef Create(std::wstring_view progId) = 0;
};

inline AppError AutomationError(std::uint32_t hresult, std::wstring_view member, std::wstring description) {
  return AppError(std::wstring(member), std::move(description), hresult);
}

inline Variant AutomationObject::GetIndexed(std::wstring_view name, std::span<const Variant>) {
  throw AutomationError(hr::kMemberNotFound, name, L"Member not found.");
}


}  // namespace corvanel
