#pragma once
// IIS 7 and later's own configuration objects ("Microsoft.ApplicationHost.WritableAdminManager"):
// sites, applications and virtual directories in system.applicationHost/sites, the directory's
// settings in location tags of applicationHost.config, each change in one commit.
#include <memory>

#include "iis_admin.h"

namespace vardock {

inline constexpr std::wstring_view kAppHostPath = L"MACHINE/WEBROOT/APPHOST";

// firstManager: the object created when the back end was chosen; the first operation uses it.
std::unique_ptr<IisAdmin> MakeAppHostAdmin(ObjectFactory& factory, ObjectRef firstManager, RetryHooks retry);

}  // namespace vardock
