#pragma once
// IIS 7+'s native configuration objects ("Microsoft.ApplicationHost.WritableAdminManager") over
// applicationHost.config: the manager, its sections and elements with their properties and
// collections, and the file's locations. Every change made through one manager is held by it
// (and read back through it) until its CommitChanges writes the whole file at once.
#include <memory>

#include "apphost_store.h"
#include "iis_objects.h"

namespace iis_standin {

inline constexpr wchar_t kAdminManagerProgId[] = L"Microsoft.ApplicationHost.WritableAdminManager";

// Creating the manager never fails; it reads the store at its first call that needs the file.
std::shared_ptr<IisObject> MakeAdminManager(std::shared_ptr<apphost::ApphostStore> store);

}  // namespace iis_standin
