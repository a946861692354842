#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "process.h"

namespace tessaly::cli::testing {

namespace fs = std::filesystem;

const std::string kNewline = "\n";

std::string MessageBytes(const std::string& utf8) { return utf8; }

namespace {
std::string ReadAndRemove(const fs::path& path) {
  std::string bytes = ReadBytes(path);
  fs::remove(path);
  return bytes;
}
}  // namespace

int RunIncmerge(const fs::path& folder, const std::vector<std::string>& args, const fs::path& outPath,
                const fs::path& errPath) {
  std::vector<char*> argv{const_cast<char*>(INCMERGE_EXE)};
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 || ::chdir(folder.c_str()) != 0) ::_exit(127);
    ::execv(INCMERGE_EXE, argv.data());
    ::_exit(127);
  }
  int status = 0;
  if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status)) return WEXITSTATUS(status);
  return -1;
}

Outcome RunIncmergeIntoClosedPipe(const fs::path& folder, const std::vector<std::string>& args) {
  int ends[2];
  if (::pipe(ends) != 0) return {};
  ::close(ends[0]);  // before the child starts, so that its first write finds no reader
  const fs::path errPath = fs::temp_directory_path() / ("incmerge-err-" + std::to_string(::getpid()));
  std::vector<char*> argv{const_cast<char*>(INCMERGE_EXE)};
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    // As a shell starts a pipeline's writer: SIGPIPE as the system has it by default.
    ::signal(SIGPIPE, SIG_DFL);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (err < 0 || ::dup2(ends[1], 1) < 0 || ::dup2(err, 2) < 0 || ::chdir(folder.c_str()) != 0) ::_exit(127);
    ::execv(INCMERGE_EXE, argv.data());
    ::_exit(127);
  }
  ::close(ends[1]);
  Outcome outcome;
  int status = 0;
  if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
  outcome.err = ReadAndRemove(errPath);
  return outcome;
}

Outcome RunIncmerge(const fs::path& folder, const std::vector<std::string>& args) {
  const fs::path outPath = fs::temp_directory_path() / ("incmerge-out-" + std::to_string(::getpid()));
  const fs::path errPath = fs::temp_directory_path() / ("incmerge-err-" + std::to_string(::getpid()));
  Outcome outcome;
  outcome.status = RunIncmerge(folder, args, outPath, errPath);
  outcome.out = ReadAndRemove(outPath);
  outcome.err = ReadAndRemove(errPath);
  return outcome;
}

bool SetFolderReadOnly(const fs::path& folder, bool readOnly) {
  // Root ignores permission bits; the immutable attribute holds for root too.
  if (::geteuid() == 0) {
    const std::string command =
        std::string("chattr ") + (readOnly ? "+i" : "-i") + " '" + folder.string() + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) return false;
  } else {
    fs::permissions(folder, readOnly ? fs::perms::owner_read | fs::perms::owner_exec : fs::perms::owner_all);
  }
  if (!readOnly) return true;
  const fs::path probe = folder / "probe";
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return true;
  ::close(fd);
  fs::remove(probe);
  SetFolderReadOnly(folder, false);
  return false;
}

}  // namespace tessaly::cli::testing
