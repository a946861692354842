#pragma once
// What the file selector lists: the machine's drives, the chain of directories from a drive's
// root down to a directory with that directory's subdirectories, and the files matching a pattern.
#include <string>
#include <vector>

namespace tessaly {

// Roots of the machine's drives ("C:\").
std::vector<std::wstring> LogicalDrives();
// The drive list's text for a root: "c: [label]". Labels are read from fixed drives only, since
// asking a removable or network drive can take seconds.
std::wstring DriveItemText(const std::wstring& root);
// The drive letter a path lies on, or 0 (a network name).
wchar_t DriveLetterOf(const std::wstring& path);
// The process's current directory on that drive (its root when none was set).
std::wstring CurrentDirectoryOf(wchar_t driveLetter);

// The directory list's form of a path, made absolute against the current directory.
std::wstring AbsoluteDirPath(const std::wstring& path);
// The process's current directory in that form; empty when it cannot be had.
std::wstring CurrentDirPath();
// dir followed by name, with one separator between them.
std::wstring JoinPath(const std::wstring& dir, const std::wstring& name);

struct DirItem {
  std::wstring name;  // as shown
  std::wstring path;  // opened by a double-click
  int depth = 0;      // indentation
};
// The directories from the root down to dir, then dir's subdirectories one level deeper.
// Throws AppError when dir cannot be read (a drive that is not ready, a missing folder).
std::vector<DirItem> DirectoryItems(const std::wstring& dir);

// Names of the files in dir that match any of the ";"-separated wildcard patterns, sorted, hidden
// and system files left out. Throws AppError when the folder cannot be read.
std::vector<std::wstring> MatchingFiles(const std::wstring& dir, const std::wstring& pattern);

}  // namespace tessaly
