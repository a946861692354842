// Files through the wide Win32 API: reads of disk files only, and saves that never leave the
// target half-written (temporary file in the same folder, then one replacing step).
#include <windows.h>

#include <atomic>

#include "common/core/app_error.h"
#include "common/win/handles_win.h"
#include "common/win/win_error.h"
#include "merge_tool/core/file_store.h"

namespace tessaly {

using corvanel::AppError;
using corvanel::unique_hfile;
using corvanel::Win32Error;

namespace {
std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

std::wstring FullPath(const std::wstring& path, const std::wstring& context) {
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) throw Win32Error(GetLastError(), context);
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) throw Win32Error(GetLastError(), context);
  full.resize(length);
  return full;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void RequireDiskFile(HANDLE file, const std::wstring& context) {
  if (GetFileType(file) != FILE_TYPE_DISK) {
    throw AppError(context, L"The name belongs to a device, not to a disk file.", ERROR_INVALID_NAME);
  }
}

// A new file of a name that is not taken, beside the target.
unique_hfile CreateSibling(const std::wstring& folder, const wchar_t* suffix, std::wstring& name,
                           const std::wstring& context) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 1000; ++attempt) {
    name = folder + L"~tessaly-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + suffix;
    unique_hfile file(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return file;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) throw Win32Error(error, context);
  }
  throw Win32Error(ERROR_FILE_EXISTS, context);
}

std::wstring FreeSiblingName(const std::wstring& folder, const std::wstring& context) {
  std::wstring name;
  { unique_hfile probe = CreateSibling(folder, L".bak", name, context); }
  DeleteFileW(name.c_str());
  return name;
}

class WinFileStore final : public FileStore {
 public:
  std::string ReadAll(const std::wstring& path, std::size_t maxBytes) override {
    const std::wstring context = L"Cannot read " + Quoted(path);
    if (IsFolder(path)) throw AppError(context, L"It is a folder, not a file.", ERROR_ACCESS_DENIED);
    unique_hfile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) throw Win32Error(GetLastError(), context);
    RequireDiskFile(file.get(), context);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) throw Win32Error(GetLastError(), context);
    const auto tooLarge = [&] {
      return AppError(context, L"The file is larger than " + std::to_wstring(maxBytes >> 20) + L" MB.",
                      ERROR_FILE_TOO_LARGE);
    };
    if (static_cast<unsigned long long>(size.QuadPart) > maxBytes) throw tooLarge();

    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(size.QuadPart));
    char buffer[65536];
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) throw Win32Error(GetLastError(), context);
      if (got == 0) break;
      bytes.append(buffer, got);
      if (bytes.size() > maxBytes) throw tooLarge();
    }
    return bytes;
  }

  void ReplaceAll(const std::wstring& path, std::string_view bytes) override { Replace(path, bytes, nullptr); }

  void ReplaceKeepingBackup(const std::wstring& path, std::string_view bytes, const std::wstring& backupPath) override {
    Replace(path, bytes, &backupPath);
  }

  bool Exists(const std::wstring& path) override { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

  bool SameFile(const std::wstring& a, const std::wstring& b) override { return OneFile(a, b); }

 private:
  // Whether both names lead to one existing file: the same volume and file index.
  static bool OneFile(const std::wstring& a, const std::wstring& b) {
    const auto identify = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
      const unique_hfile file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
      return file && GetFileInformationByHandle(file.get(), &info);
    };
    BY_HANDLE_FILE_INFORMATION first{}, second{};
    return identify(a, first) && identify(b, second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
  }

  static void Replace(const std::wstring& path, std::string_view bytes, const std::wstring* backupPath) {
    const std::wstring context = L"Cannot save " + Quoted(path);
    const std::wstring target = FullPath(path, context);
    if (IsFolder(target)) throw AppError(context, L"It is a folder, not a file.", ERROR_ACCESS_DENIED);
    bool exists = false;
    {
      unique_hfile existing(CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
      if (existing) {
        RequireDiskFile(existing.get(), context);
        exists = true;
      } else {
        exists = GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
      }
    }
    const std::wstring folder = target.substr(0, target.find_last_of(L"\\/") + 1);

    std::wstring temp;
    unique_hfile file = CreateSibling(folder, L".tmp", temp, context);
    corvanel::scope_exit removeTemp([&] { DeleteFileW(temp.c_str()); });
    std::size_t done = 0;
    while (done < bytes.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
      DWORD put = 0;
      if (!WriteFile(file.get(), bytes.data() + done, chunk, &put, nullptr)) throw Win32Error(GetLastError(), context);
      done += put;
    }
    if (!FlushFileBuffers(file.get())) throw Win32Error(GetLastError(), context);
    file.reset();

    if (!exists) {
      if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        throw Win32Error(GetLastError(), context);
      }
      removeTemp.dismiss();
      return;
    }

    // With a backup name, every partial failure of ReplaceFileW leaves the old content under a
    // known name: in place, or at the backup name from which it is moved back.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const std::wstring backup = backupPath != nullptr ? FullPath(*backupPath, context) : FreeSiblingName(folder, context);
    // A backup that is another name of the target's own file (a hard link) holds nothing the
    // target does not, and ReplaceFileW will not move the target onto it.
    if (backupPath != nullptr && OneFile(target, backup)) DeleteFileW(backup.c_str());
    if (ReplaceFileW(target.c_str(), temp.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
      removeTemp.dismiss();
      if (backupPath == nullptr) DeleteFileW(backup.c_str());
      // ReplaceFileW carries the attributes over; some implementations (Wine) do not.
      if (attributes != INVALID_FILE_ATTRIBUTES && GetFileAttributesW(target.c_str()) != attributes) {
        SetFileAttributesW(target.c_str(), attributes & kSettableAttributes);
      }
      return;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 && GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
      if (!MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        throw AppError(context,
                       corvanel::SystemMessage(error) + L" The previous content is kept in " + Quoted(backup) + L".",
                       error);
      }
    }
    throw Win32Error(error, context);
  }
};
}  // namespace

FileStore& SystemFileStore() {
  static WinFileStore store;
  return store;
}

}  // namespace tessaly
