#pragma once
// How the merge engine reaches files: whole-file reads and all-or-nothing replacement.
// Implemented over the Win32 file API on Windows and POSIX natively; tests may pass their own.
#include <cstddef>
#include <string>
#include <string_view>

namespace tessaly {

class FileStore {
 public:
  virtual ~FileStore() = default;
  // The whole content of an existing disk file. Throws AppError naming the file and the reason
  // when it cannot be opened or read, is not a disk file, or holds more than maxBytes.
  [[nodiscard]] virtual std::string ReadAll(const std::wstring& path, std::size_t maxBytes) = 0;
  // Makes the file hold exactly these bytes, created when missing, in one step: on failure it
  // throws and the file is as it was before (or still missing). A read-only file is refused; the
  // replaced file keeps its permissions. Natively a symbolic link stays, and the file it leads to
  // is replaced.
  virtual void ReplaceAll(const std::wstring& path, std::string_view bytes) = 0;
  // The same, and when the file existed its previous content is kept as backupPath (a file of
  // that name is replaced) before the new content takes its place. On failure the file is as it
  // was; the backup may then already hold the previous content.
  virtual void ReplaceKeepingBackup(const std::wstring& path, std::string_view bytes,
                                    const std::wstring& backupPath) = 0;
  // Whether a file (or anything else) of that path exists.
  [[nodiscard]] virtual bool Exists(const std::wstring& path) = 0;
  // Whether both names lead to one existing file, however they are spelt (links followed).
  [[nodiscard]] virtual bool SameFile(const std::wstring& a, const std::wstring& b) = 0;
};

// The running system's files.
FileStore& SystemFileStore();

}  // namespace tessaly
