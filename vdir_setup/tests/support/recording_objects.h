#pragma once
// A recording wrapper around automation objects: every call made through the wrapped factory
// and the objects it hands out becomes one line of a log, with each argument's automation type
// and value, so that a whole sequence of IIS calls is one assertion. Lines look like
//   create IISNamespace
//   call Root.GetObject(BSTR "IISWebVirtualDir", BSTR "Mobile") -> 0x80070003
//   put Mobile.AuthFlags = I2 2
//   get Mobile.HttpErrors
// An object is named by the last text argument of the call that returned it (the programmatic
// identifier for a created one); a child of an enumeration by its parent's name and its index.
#include <string>
#include <vector>

#include "vdir_setup/core/automation.h"

namespace vardock::testing {

using CallLog = std::vector<std::wstring>;

// "I2 2", "BOOL True", "BSTR \"x\"", "ARRAY(BSTR \"a\", I2 1)", "EMPTY", "DISPATCH".
std::wstring Typed(const Variant& value);

class RecordingFactory final : public ObjectFactory {
 public:
  RecordingFactory(ObjectFactory& inner, CallLog& log) : inner_(inner), log_(log) {}
  ObjectRef Create(std::wstring_view progId) override;

 private:
  ObjectFactory& inner_;
  CallLog& log_;
};

}  // namespace vardock::testing
