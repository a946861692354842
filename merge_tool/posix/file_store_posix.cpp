// Native file access, for the unit tests, the fuzzer and the benchmark on Linux.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

#include "common/core/app_error.h"
#include "common/core/unique_any.h"
#include "common/core/utf8.h"
#include "merge_tool/core/file_store.h"

namespace tessaly {

using corvanel::AppError;

namespace {
struct FdTraits {
  using pointer = int;
  static int invalid() noexcept { return -1; }
  static void close(int fd) noexcept { ::close(fd); }
};
using unique_fd = corvanel::unique_any<FdTraits>;

AppError Errno(const std::wstring& context, int code) {
  return AppError(context, corvanel::Utf8ToWide(std::strerror(code)), static_cast<std::uint32_t>(code));
}

class PosixFileStore final : public FileStore {
 public:
  std::string ReadAll(const std::wstring& path, std::size_t maxBytes) override {
    const std::wstring context = L"Cannot read \"" + path + L"\"";
    unique_fd fd(::open(corvanel::WideToFileName(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) throw Errno(context, errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) throw Errno(context, errno);
    if (!S_ISREG(info.st_mode)) throw AppError(context, L"It is not a disk file.");
    if (static_cast<std::size_t>(info.st_size) > maxBytes) {
      throw AppError(context, L"The file is larger than " + std::to_wstring(maxBytes >> 20) + L" MB.");
    }
    // Read in place, sized by the file's length (one more byte to see its end): a run of the
    // command-line program touches little memory beyond the file itself.
    std::string bytes(static_cast<std::size_t>(info.st_size) + 1, '\0');
    std::size_t done = 0;
    for (;;) {
      if (done == bytes.size()) {
        if (bytes.size() > maxBytes) {
          throw AppError(context, L"The file is larger than " + std::to_wstring(maxBytes >> 20) + L" MB.");
        }
        bytes.resize(std::min(maxBytes + 1, bytes.size() * 2));
      }
      const ssize_t got = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
      if (got < 0) {
        if (errno == EINTR) continue;
        throw Errno(context, errno);
      }
      if (got == 0) break;
      done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
  }

  void ReplaceAll(const std::wstring& path, std::string_view bytes) override { Replace(path, bytes, nullptr); }

  void ReplaceKeepingBackup(const std::wstring& path, std::string_view bytes, const std::wstring& backupPath) override {
    Replace(path, bytes, &backupPath);
  }

  bool Exists(const std::wstring& path) override {
    struct stat info {};
    return ::stat(corvanel::WideToFileName(path).c_str(), &info) == 0;
  }

 private:
  static void Replace(const std::wstring& path, std::string_view bytes, const std::wstring* backupPath) {
    const std::wstring context = L"Cannot save \"" + path + L"\"";
    const std::string target = corvanel::WideToFileName(path);
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
      throw AppError(context, L"It is not a disk file.");
    }
    const auto slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string("./") : target.substr(0, slash + 1);
    std::string temp;
    unique_fd fd;
    for (int attempt = 0; attempt < 100 && !fd; ++attempt) {
      temp = TempName(folder);
      fd.reset(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
      if (!fd && errno != EEXIST) throw Errno(context, errno);
    }
    if (!fd) throw Errno(context, EEXIST);
    corvanel::scope_exit removeTemp([&] { ::unlink(temp.c_str()); });
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t put = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
      if (put < 0) {
        if (errno == EINTR) continue;
        throw Errno(context, errno);
      }
      done += static_cast<std::size_t>(put);
    }
    if (::fsync(fd.get()) != 0) throw Errno(context, errno);
    if (::close(fd.release()) != 0) throw Errno(context, errno);
    if (backupPath != nullptr) KeepBackup(target, folder, *backupPath, context);
    if (::rename(temp.c_str(), target.c_str()) != 0) throw Errno(context, errno);
    removeTemp.dismiss();
  }

  // A second name for the previous file, moved over the backup in one step: the target never
  // goes missing, and an older backup stays until the new one is complete. No previous file,
  // no backup.
  static void KeepBackup(const std::string& target, const std::string& folder, const std::wstring& backupPath,
                         const std::wstring& context) {
    const auto failed = [&](int code) {
      return AppError(context,
                      L"The previous content cannot be kept as \"" + backupPath +
                          L"\": " + corvanel::Utf8ToWide(std::strerror(code)),
                      static_cast<std::uint32_t>(code));
    };
    std::string second;
    for (int attempt = 0;; ++attempt) {
      second = TempName(folder);
      if (::link(target.c_str(), second.c_str()) == 0) break;
      if (errno == ENOENT) return;
      if (errno != EEXIST || attempt == 100) throw failed(errno);
    }
    corvanel::scope_exit removeLink([&] { ::unlink(second.c_str()); });
    if (::rename(second.c_str(), corvanel::WideToFileName(backupPath).c_str()) != 0) throw failed(errno);
    removeLink.dismiss();
  }

  static std::string TempName(const std::string& folder) {
    static std::random_device random;
    return folder + ".tessaly-" + std::to_string(random()) + ".tmp";
  }
};
}  // namespace

FileStore& SystemFileStore() {
  static PosixFileStore store;
  return store;
}

}  // namespace tessaly
