#pragma once
// For GUI tests under Wine: a picture of one window, frame included, for a person to look at,
// written as <folder>/<name>.png when the environment variable names a Unix folder.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/core/utf8.h"
#include "common/tests/win/start_process_win.h"

namespace corvanel::testing {

// The width and height a PNG file's header gives, or {0, 0}.
inline SIZE PngSize(const std::string& unixPath) {
  SIZE size{};
  const std::wstring path = L"Z:" + Utf8ToWide(unixPath);
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) return size;
  unsigned char header[24] = {};
  if (std::fread(header, 1, sizeof header, file) == sizeof header) {
    auto bigEndian = [&](int at) {
      return static_cast<LONG>(header[at] << 24 | header[at + 1] << 16 | header[at + 2] << 8 | header[at + 3]);
    };
    size = {bigEndian(16), bigEndian(20)};
  }
  std::fclose(file);
  return size;
}

// Empty when the picture was taken, or not asked for; else what went wrong.
inline std::string ShootWindow(const char* folderVariable, const std::string& name, HWND window) {
  const char* folder = std::getenv(folderVariable);
  if (folder == nullptr || *folder == '\0') return {};
  RECT rect{};
  if (!GetWindowRect(window, &rect)) return "no window to photograph";
  // Unmanaged, Wine's windows sit on the X screen at their own screen coordinates; the part of a
  // window off the screen is not in the picture.
  rect.left = std::max(rect.left, 0L);
  rect.top = std::max(rect.top, 0L);
  rect.right = std::min(rect.right, static_cast<LONG>(GetSystemMetrics(SM_CXSCREEN)));
  rect.bottom = std::min(rect.bottom, static_cast<LONG>(GetSystemMetrics(SM_CYSCREEN)));
  const LONG width = rect.right - rect.left;
  const LONG height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return "the window is off the screen";
  // Wine copies what a window painted to the X display lazily; a picture taken at once can miss
  // a window that has just appeared. This is a picture for a person, not a test's wait.
  Sleep(500);
  const std::string file = std::string(folder) + "/" + name + ".png";
  // The picture that comes is this one, not one an earlier test left.
  DeleteFileW((L"Z:" + Utf8ToWide(file)).c_str());
  const std::string geometry = std::to_string(width) + "x" + std::to_string(height) + "+" +
                               std::to_string(rect.left) + "+" + std::to_string(rect.top);
  // Wine starts Unix programs too: import cuts the window's rectangle out of the root window.
  std::wstring commandLine =
      Utf8ToWide("Z:\\usr\\bin\\import -window root -crop " + geometry + " +repage \"" + file + "\"");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!StartProcess(nullptr, commandLine.data(), FALSE, 0, nullptr, &startup, &process)) {
    return "cannot start import (error " + std::to_string(GetLastError()) + ")";
  }
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  // The process Wine reports for a Unix program ends before the program does: wait for the file.
  SIZE taken{};
  for (int i = 0; i < 150 && (taken.cx != width || taken.cy != height); ++i) {
    Sleep(100);
    taken = PngSize(file);
  }
  if (taken.cx != width || taken.cy != height) {
    return file + " is " + std::to_string(taken.cx) + "x" + std::to_string(taken.cy) + ", the window " + geometry;
  }
  return {};
}

}  // namespace corvanel::testing
