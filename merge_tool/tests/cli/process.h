#pragma once
// Starts incmerge as a process for the end-to-end tests: the native program, or incmerge.exe
// from a Windows test program under Wine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tessaly::cli::testing {

struct Outcome {
  int status = -1;
  std::string out;  // standard output, byte for byte
  std::string err;  // standard error, byte for byte
};

// Runs incmerge in the folder with these arguments (UTF-8), its standard streams redirected
// to files.
Outcome RunIncmerge(const std::filesystem::path& folder, const std::vector<std::string>& args);
#ifndef _WIN32
// The same with standard output and standard error going to these files (such as /dev/full),
// which are left as they are; returns the exit status.
int RunIncmerge(const std::filesystem::path& folder, const std::vector<std::string>& args,
                const std::filesystem::path& out, const std::filesystem::path& err);
#endif

// The same with standard output a pipe whose reader has gone (out stays empty).
Outcome RunIncmergeIntoClosedPipe(const std::filesystem::path& folder, const std::vector<std::string>& args);

// The line break of incmerge's own messages on this platform.
extern const std::string kNewline;
// UTF-8 text as incmerge's own messages carry it on this platform.
std::string MessageBytes(const std::string& utf8);

// Makes the folder refuse new files and renames, even to root; false when this system cannot.
bool SetFolderReadOnly(const std::filesystem::path& folder, bool readOnly);

// The bytes of a file; empty when it is missing.
inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A fresh folder of the test's name in the working directory, removed afterwards (a folder
// "locked" in it made writable first).
class WorkFolderTest : public ::testing::Test {
 protected:
  std::filesystem::path dir = std::filesystem::current_path() / "incmerge-work" /
                              ::testing::UnitTest::GetInstance()->current_test_info()->name();

  void SetUp() override {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override {
    if (std::filesystem::exists(dir / "locked")) SetFolderReadOnly(dir / "locked", false);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(dir / name, std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const { return ReadBytes(dir / name); }
};

}  // namespace tessaly::cli::testing
