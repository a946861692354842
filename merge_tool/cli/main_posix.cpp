// incmerge natively: incmerge's own messages in UTF-8 (the locale's usual text); the merged file
// and the report as the files' own bytes. File names are bytes: they reach the system exactly as
// given, whatever their encoding.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "common/core/app_error.h"
#include "common/core/utf8.h"
#include "incmerge.h"

namespace {

class FdStream final : public tessaly::cli::OutStream {
 public:
  FdStream(int fd, const wchar_t* name) : fd_(fd), name_(name) {}

  [[nodiscard]] bool IsConsole() const override { return false; }
  [[nodiscard]] bool ReaderGone() const override { return readerGone_; }
  void WriteText(std::wstring_view text) override { WriteBytes(corvanel::WideToUtf8(text)); }
  void WriteMessage(std::wstring_view line) override { WriteBytes(corvanel::WideToUtf8Shown(line) + "\n"); }

  void WriteBytes(std::string_view bytes) override {
    while (!bytes.empty()) {
      const ssize_t put = ::write(fd_, bytes.data(), bytes.size());
      if (put < 0) {
        if (errno == EINTR) continue;
        const int code = errno;
        readerGone_ = code == EPIPE;
        throw corvanel::AppError(std::wstring(L"Cannot write to ") + name_, corvanel::Utf8ToWide(std::strerror(code)),
                                 static_cast<std::uint32_t>(code));
      }
      bytes.remove_prefix(static_cast<std::size_t>(put));
    }
  }

 private:
  int fd_;
  const wchar_t* name_;
  bool readerGone_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  // A reader that closes the pipe is seen as EPIPE, which ends the run with its status, rather
  // than as a signal that kills it with none of incmerge's.
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.push_back(corvanel::FileNameToWide(argv[i]));
  FdStream out(STDOUT_FILENO, L"standard output");
  FdStream err(STDERR_FILENO, L"standard error");
  return tessaly::cli::RunIncmerge(args, out, err);
}
