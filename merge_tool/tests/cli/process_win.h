#pragma once
// Windows only: incmerge.exe started with standard handles of the test's choosing, sharing the
// test's console.
#include <windows.h>

#include "process.h"

namespace tessaly::cli::testing {

// The exit status, -1 when it could not be started.
int RunIncmergeWith(const std::filesystem::path& folder, const std::vector<std::string>& args, HANDLE out, HANDLE err);

}  // namespace tessaly::cli::testing
