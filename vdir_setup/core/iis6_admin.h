#pragma once
// The IIS 6 administration objects: "IISNamespace" and the metabase keys below it.
#include <memory>

#include "iis_admin.h"

namespace vardock {

// firstNamespace: the object created when the back end was chosen; the first call uses it.
std::unique_ptr<IisAdmin> MakeIis6Admin(ObjectFactory& factory, ObjectRef firstNamespace, RetryHooks hooks);

}  // namespace vardock
