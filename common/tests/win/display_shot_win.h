#pragma once
// For GUI tests under Wine: a picture of the whole (virtual) display, for a person to look at,
// written as <folder>/<name>.png when the environment variable names a Unix folder.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "common/core/utf8.h"
#include "common/tests/win/start_process_win.h"

namespace corvanel::testing {

// False when the folder is named but the picture could not be taken.
inline bool ShootDisplay(const char* folderVariable, const std::string& name) {
  const char* folder = std::getenv(folderVariable);
  if (folder == nullptr || *folder == '\0') return true;
  // Wine copies what a window painted to the X display lazily; a picture taken at once can miss
  // a window that has just appeared. This is a picture for a person, not a test's wait.
  Sleep(500);
  // Wine starts Unix programs too; import writes the picture of the root window.
  std::wstring commandLine =
      L"Z:\\usr\\bin\\import -window root " + Utf8ToWide(std::string(folder) + "/" + name + ".png");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!StartProcess(nullptr, commandLine.data(), FALSE, 0, nullptr, &startup, &process)) {
    return false;
  }
  WaitForSingleObject(process.hProcess, 15000);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return true;
}

}  // namespace corvanel::testing
