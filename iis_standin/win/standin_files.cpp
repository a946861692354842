#include "standin_files.h"

#include <windows.h>

#include "common/core/unique_any.h"
#include "common/win/handles_win.h"
#include "common/win/win_error.h"
#include "standin_module.h"

namespace iis_standin {

namespace {
std::wstring FileContext(const std::wstring& path) { return L"IIS stand-in file \"" + path + L"\""; }
}  // namespace

std::optional<std::wstring> EnvironmentValue(const wchar_t* name) {
  std::wstring value(32768, L'\0');
  const DWORD length = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
  if (length == 0 || length >= value.size()) return std::nullopt;
  return value.substr(0, length);
}

std::wstring FileBesideModule(const wchar_t* name) {
  std::wstring module(MAX_PATH, L'\0');
  for (;;) {
    const DWORD used = ::GetModuleFileNameW(ModuleHandle(), module.data(), static_cast<DWORD>(module.size()));
    if (used == 0) corvanel::ThrowLastError(L"GetModuleFileNameW");
    if (used < module.size()) {
      module.resize(used);
      break;
    }
    module.resize(module.size() * 2);
  }
  return module.substr(0, module.find_last_of(L"\\/") + 1) + name;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
  corvanel::unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return std::nullopt;
    throw corvanel::Win32Error(error, FileContext(path));
  }
  std::string bytes;
  char buffer[65536];
  DWORD read = 0;
  do {
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) corvanel::ThrowLastError(FileContext(path));
    bytes.append(buffer, read);
  } while (read != 0);
  return bytes;
}

void ReplaceFileBytes(const std::wstring& path, const std::string& bytes) {
  const std::wstring temporary = path + L".tmp";
  corvanel::scope_exit removeTemporary([&] { ::DeleteFileW(temporary.c_str()); });
  {
    corvanel::unique_hfile file(
        ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) corvanel::ThrowLastError(FileContext(temporary));
    DWORD written = 0;
    if (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
      corvanel::ThrowLastError(FileContext(temporary));
    }
  }
  if (!::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    corvanel::ThrowLastError(FileContext(path));
  }
  removeTemporary.dismiss();
}

}  // namespace iis_standin
