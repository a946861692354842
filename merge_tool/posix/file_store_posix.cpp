// Native file access: incmerge on Linux, and the unit tests, the fuzzer and the benchmark.
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <iterator>
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

// The folder of a native path, with its "/"; empty for a name in the working folder.
std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Where a name leads: symbolic links followed, relative ones from their own folder. A link that
// leads nowhere yet gives the name where the file it points to would be.
std::string FollowLinks(std::string path, const std::wstring& context) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::string link(PATH_MAX, '\0');
    const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
    if (length < 0) throw Errno(context, errno);
    link.resize(static_cast<std::size_t>(length));
    path = link.rfind('/', 0) == 0 ? link : FolderOf(path) + link;
  }
  throw Errno(context, ELOOP);
}

// The temporary files of the save in progress. When SIGINT, SIGTERM or SIGHUP ends the program
// meanwhile, the handler removes them (unlink is async-signal-safe) and lets the signal end it.
constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP};
std::atomic<const char*> pendingTemps[2];
static_assert(std::atomic<const char*>::is_always_lock_free);

extern "C" void RemoveTempsAndRaise(int signal) {
  for (auto& name : pendingTemps) {
    if (const char* temp = name.load()) ::unlink(temp);
  }
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

// The handler, for the time of one save, where the signal would otherwise end the program.
class SignalCleanup {
 public:
  SignalCleanup() {
    struct sigaction handler {};
    handler.sa_handler = RemoveTempsAndRaise;
    sigemptyset(&handler.sa_mask);
    for (std::size_t i = 0; i < std::size(kCleanedSignals); ++i) {
      installed_[i] = ::sigaction(kCleanedSignals[i], nullptr, &previous_[i]) == 0 &&
                      previous_[i].sa_handler == SIG_DFL && ::sigaction(kCleanedSignals[i], &handler, nullptr) == 0;
    }
  }
  ~SignalCleanup() {
    for (std::size_t i = 0; i < std::size(kCleanedSignals); ++i) {
      if (installed_[i]) ::sigaction(kCleanedSignals[i], &previous_[i], nullptr);
    }
  }
  SignalCleanup(const SignalCleanup&) = delete;
  SignalCleanup& operator=(const SignalCleanup&) = delete;

 private:
  struct sigaction previous_[std::size(kCleanedSignals)]{};
  bool installed_[std::size(kCleanedSignals)] = {};
};

// A new file of a free name in the folder, removed unless it is moved over its target.
class TempFile {
 public:
  TempFile(const std::string& folder, const std::wstring& context) : context_(context) {
    // Signals wait until the new file is on the list, so none can leave it behind.
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    for (const int signal : kCleanedSignals) sigaddset(&blocked, signal);
    ::pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    const corvanel::scope_exit unblock([&] { ::pthread_sigmask(SIG_SETMASK, &previous, nullptr); });
    static std::random_device random;
    for (int attempt = 0; attempt < 100 && !fd_; ++attempt) {
      name_ = folder + ".tessaly-" + std::to_string(random()) + ".tmp";
      fd_.reset(::open(name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
      if (!fd_ && errno != EEXIST) throw Errno(context_, errno);
    }
    if (!fd_) throw Errno(context_, EEXIST);
    for (auto& slot : pendingTemps) {
      const char* none = nullptr;
      if (slot.compare_exchange_strong(none, name_.c_str())) {
        slot_ = &slot;
        break;
      }
    }
  }
  ~TempFile() {
    if (!renamed_) ::unlink(name_.c_str());
    if (slot_ != nullptr) slot_->store(nullptr);
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  void Write(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t put = ::write(fd_.get(), bytes.data(), bytes.size());
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) throw Errno(context_, errno);
      bytes.remove_prefix(static_cast<std::size_t>(put));
    }
  }
  // On disk, with the mode of the file it replaces (root gives it the owner and group too).
  void Finish(const struct stat* replaced) {
    if (replaced != nullptr) {
      if (::geteuid() == 0 && ::fchown(fd_.get(), replaced->st_uid, replaced->st_gid) != 0) {
        throw Errno(context_, errno);
      }
      if (::fchmod(fd_.get(), replaced->st_mode & 07777) != 0) throw Errno(context_, errno);
    }
    if (::fsync(fd_.get()) != 0) throw Errno(context_, errno);
    if (::close(fd_.release()) != 0) throw Errno(context_, errno);
  }
  void RenameOver(const std::string& target) {
    if (::rename(name_.c_str(), target.c_str()) != 0) throw Errno(context_, errno);
    renamed_ = true;
  }

 private:
  std::wstring context_;
  std::string name_;
  unique_fd fd_;
  std::atomic<const char*>* slot_ = nullptr;
  bool renamed_ = false;
};

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

  bool SameFile(const std::wstring& a, const std::wstring& b) override {
    struct stat first {};
    struct stat second {};
    return ::stat(corvanel::WideToFileName(a).c_str(), &first) == 0 &&
           ::stat(corvanel::WideToFileName(b).c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
  }

 private:
  static void Replace(const std::wstring& path, std::string_view bytes, const std::wstring* backupPath) {
    const std::wstring context = L"Cannot save \"" + path + L"\"";
    const std::string name = corvanel::WideToFileName(path);
    struct stat seen {};
    const bool exists = ::stat(name.c_str(), &seen) == 0;
    if (exists && !S_ISREG(seen.st_mode)) throw AppError(context, L"It is not a disk file.");
    // A link stays a link: the file it leads to is replaced, from a temporary file beside it.
    const std::string target = FollowLinks(name, context);
    struct stat info {};
    if (exists && (::lstat(target.c_str(), &info) != 0 || info.st_dev != seen.st_dev || info.st_ino != seen.st_ino)) {
      throw AppError(context, L"Its links do not lead to a disk file that can be replaced.");
    }
    // A rename replaces even a read-only file; Windows refuses to, and so does this store.
    if (exists && !Writable(target, info)) throw AppError(context, L"The file is read-only.", EACCES);
    const SignalCleanup cleanup;
    TempFile temp(FolderOf(target), context);
    temp.Write(bytes);
    temp.Finish(exists ? &info : nullptr);
    if (backupPath != nullptr && exists) KeepBackup(target, info, *backupPath, context);
    temp.RenameOver(target);
  }

  // The previous content, copied to a temporary file beside the backup and moved over it in one
  // step: an older backup stays until the new one is complete, and a backup that is another name
  // of the target's file (a hard link) is replaced like any other.
  static void KeepBackup(const std::string& target, const struct stat& info, const std::wstring& backupPath,
                         const std::wstring& context) {
    const std::wstring failed = L"The previous content cannot be kept as \"" + backupPath + L"\"";
    const std::string backup = corvanel::WideToFileName(backupPath);
    try {
      unique_fd previous(::open(target.c_str(), O_RDONLY | O_CLOEXEC));
      if (!previous) throw Errno(failed, errno);
      TempFile copy(FolderOf(backup), failed);
      char buffer[65536];
      for (;;) {
        const ssize_t got = ::read(previous.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw Errno(failed, errno);
        if (got == 0) break;
        copy.Write(std::string_view(buffer, static_cast<std::size_t>(got)));
      }
      copy.Finish(&info);
      copy.RenameOver(backup);
    } catch (const AppError& e) {
      throw AppError(context, e.Message(), e.Code());
    }
  }

  static bool Writable(const std::string& path, const struct stat& info) {
    if (::geteuid() == 0) return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
  }
};
}  // namespace

FileStore& SystemFileStore() {
  static PosixFileStore store;
  return store;
}

}  // namespace tessaly
