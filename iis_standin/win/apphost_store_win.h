#pragma once
// applicationHost.config of the stand-in: its path from the environment variable
// CORVANEL_APPHOST_STANDIN, or applicationHost.config beside the DLL; the fault switches from
// CORVANEL_APPHOST_FAIL. Both are read at every use, so a test can change them between calls.
#include <memory>

#include "iis_standin/model/apphost_store.h"

namespace iis_standin {

inline constexpr wchar_t kApphostVariable[] = L"CORVANEL_APPHOST_STANDIN";
inline constexpr wchar_t kApphostFaultsVariable[] = L"CORVANEL_APPHOST_FAIL";

// One for the process, so that "the first N commits" counts every manager's.
std::shared_ptr<apphost::ApphostStore> ProcessApphostStore();

}  // namespace iis_standin
