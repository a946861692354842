#pragma once
// Files in memory for the engine's native tests, fuzzer and benchmark, with chosen failures.
#include <map>
#include <set>
#include <string>

#include "common/core/app_error.h"
#include "merge_tool/core/file_store.h"

namespace tessaly::testing {

class MemoryFileStore final : public FileStore {
 public:
  std::map<std::wstring, std::string> files;
  std::set<std::wstring> unreadable;
  std::set<std::wstring> unwritable;

  std::string ReadAll(const std::wstring& path, std::size_t maxBytes) override {
    const auto it = files.find(path);
    if (it == files.end() || unreadable.count(path) != 0) {
      throw corvanel::AppError(L"Cannot read \"" + path + L"\"", L"The system cannot find the file specified.", 2);
    }
    if (it->second.size() > maxBytes) throw corvanel::AppError(L"Cannot read \"" + path + L"\"", L"Too large.");
    return it->second;
  }
  void ReplaceAll(const std::wstring& path, std::string_view bytes) override {
    if (unwritable.count(path) != 0)
      throw corvanel::AppError(L"Cannot save \"" + path + L"\"", L"Access is denied.", 5);
    files[path] = std::string(bytes);
  }
  void ReplaceKeepingBackup(const std::wstring& path, std::string_view bytes, const std::wstring& backupPath) override {
    if (unwritable.count(path) != 0 || unwritable.count(backupPath) != 0)
      throw corvanel::AppError(L"Cannot save \"" + path + L"\"", L"Access is denied.", 5);
    if (const auto it = files.find(path); it != files.end()) files[backupPath] = it->second;
    files[path] = std::string(bytes);
  }
  bool Exists(const std::wstring& path) override { return files.count(path) != 0; }
  bool SameFile(const std::wstring& a, const std::wstring& b) override { return a == b && Exists(a); }
};

}  // namespace tessaly::testing
