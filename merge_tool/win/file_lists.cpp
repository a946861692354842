#include "file_lists.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <functional>

#include "common/core/trimmed.h"
#include "common/win/handles_win.h"
#include "common/win/win_error.h"
#include "merge_tool/core/window_rules.h"

namespace tessaly {

namespace {
constexpr DWORD kLeftOut = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

bool NoCaseLess(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_LESS_THAN;
}

// Calls visit for every entry matching `spec`; no entry at all is not an error.
void ForEachEntry(const std::wstring& spec, const std::wstring& context,
                  const std::function<void(const WIN32_FIND_DATAW&)>& visit) {
  WIN32_FIND_DATAW data{};
  corvanel::unique_hfind find(
      FindFirstFileExW(spec.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
  if (!find) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return;
    throw corvanel::Win32Error(error, context);
  }
  do {
    visit(data);
  } while (FindNextFileW(find.get(), &data));
  if (const DWORD error = GetLastError(); error != ERROR_NO_MORE_FILES) throw corvanel::Win32Error(error, context);
}

std::wstring FullPathName(const std::wstring& path) {
  const std::wstring context = L"Cannot find the folder \"" + path + L"\"";
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) corvanel::ThrowLastError(context);
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) corvanel::ThrowLastError(context);
  full.resize(length);
  return full;
}

}  // namespace

std::vector<std::wstring> LogicalDrives() {
  std::vector<std::wstring> roots;
  const DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if ((mask & (1u << i)) != 0) roots.push_back(std::wstring{static_cast<wchar_t>(L'A' + i), L':', L'\\'});
  }
  return roots;
}

std::wstring DriveItemText(const std::wstring& root) {
  std::wstring text{static_cast<wchar_t>(std::towlower(root[0])), L':'};
  if (GetDriveTypeW(root.c_str()) == DRIVE_FIXED) {
    wchar_t label[MAX_PATH + 1] = {};
    if (GetVolumeInformationW(root.c_str(), label, MAX_PATH, nullptr, nullptr, nullptr, nullptr, 0) &&
        label[0] != L'\0') {
      text += L" [";
      text += label;
      text += L"]";
    }
  }
  return text;
}

wchar_t DriveLetterOf(const std::wstring& path) {
  if (path.size() >= 2 && path[1] == L':' && std::iswalpha(path[0]))
    return static_cast<wchar_t>(std::towupper(path[0]));
  return 0;
}

std::wstring CurrentDirectoryOf(wchar_t driveLetter) { return FullPathName(std::wstring{driveLetter, L':'}); }

std::wstring AbsoluteDirPath(const std::wstring& path) {
  std::wstring normal = NormalizedDirPath(path);
  const bool absolute =
      (normal.size() >= 3 && normal[1] == L':' && normal[2] == L'\\') || normal.rfind(L"\\\\", 0) == 0;
  if (!absolute) normal = NormalizedDirPath(FullPathName(normal.empty() ? L"." : normal));
  return normal;
}

std::wstring CurrentDirPath() {
  try {
    return AbsoluteDirPath(L".");
  } catch (const corvanel::AppError&) {
    return {};  // no current folder to fall back on
  }
}

std::wstring JoinPath(const std::wstring& dir, const std::wstring& name) {
  if (!dir.empty() && dir.back() == L'\\') return dir + name;
  return dir + L'\\' + name;
}

std::vector<DirItem> DirectoryItems(const std::wstring& dir) {
  const std::wstring context = L"Cannot read the folder \"" + dir + L"\"";
  const DWORD attributes = GetFileAttributesW(dir.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) corvanel::ThrowLastError(context);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) throw corvanel::Win32Error(ERROR_DIRECTORY, context);
  std::vector<std::wstring> subdirectories;
  ForEachEntry(JoinPath(dir, L"*"), context, [&](const WIN32_FIND_DATAW& data) {
    const std::wstring name = data.cFileName;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || (data.dwFileAttributes & kLeftOut) != 0) return;
    if (name == L"." || name == L"..") return;
    subdirectories.push_back(name);
  });
  std::sort(subdirectories.begin(), subdirectories.end(), NoCaseLess);

  std::vector<DirItem> items;
  const std::size_t rootLength = DirRootLength(dir);
  items.push_back({dir.substr(0, rootLength), dir.substr(0, rootLength), 0});
  int depth = 0;
  for (std::size_t start = rootLength; start < dir.size();) {
    if (dir[start] == L'\\') ++start;
    const auto end = std::min(dir.find(L'\\', start), dir.size());
    if (end > start) items.push_back({dir.substr(start, end - start), dir.substr(0, end), ++depth});
    start = end;
  }
  for (auto& name : subdirectories) items.push_back({name, JoinPath(dir, name), depth + 1});
  return items;
}

std::vector<std::wstring> MatchingFiles(const std::wstring& dir, const std::wstring& pattern) {
  std::vector<std::wstring> names;
  const std::wstring context = L"Cannot list the files \"" + pattern + L"\" of \"" + dir + L"\"";
  for (std::size_t start = 0; start <= pattern.size();) {
    const auto end = std::min(pattern.find(L';', start), pattern.size());
    const std::wstring one = corvanel::Trimmed(std::wstring_view(pattern).substr(start, end - start));
    start = end + 1;
    if (one.empty()) continue;
    ForEachEntry(JoinPath(dir, one), context, [&](const WIN32_FIND_DATAW& data) {
      if ((data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | kLeftOut)) == 0) names.push_back(data.cFileName);
    });
  }
  std::sort(names.begin(), names.end(), NoCaseLess);
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

}  // namespace tessaly
