#pragma once
// Starts incmerge as a process for the end-to-end tests: the native program, or incmerge.exe
// from a Windows test program under Wine.
#include <filesystem>
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

// The line break of incmerge's own messages on this platform.
extern const std::string kNewline;
// UTF-8 text as incmerge's own messages carry it on this platform.
std::string MessageBytes(const std::string& utf8);

// Makes the folder refuse new files and renames, even to root; false when this system cannot.
bool SetFolderReadOnly(const std::filesystem::path& folder, bool readOnly);

}  // namespace tessaly::cli::testing
