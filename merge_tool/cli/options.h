#pragma once
// incmerge's command line, in the usual GNU/POSIX shapes: short options (clustered, value
// attached or next), long options (value after "=" or next, any unique prefix), "--" ending the
// options, options and operands in any order.
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tessaly::cli {

struct Options {
  enum class Action { Merge, Help, Version };
  enum class Backup { None, Simple, Numbered };  // Simple: OUTPUT.bak; Numbered: OUTPUT.~N~
  Action action = Action::Merge;
  std::wstring standard;
  std::wstring custom;
  std::optional<std::wstring> output;  // none (or "-"): standard output
  std::optional<std::wstring> base;    // the standard file CUSTOM started from: a three-way merge
  bool check = false;
  bool diff = false;  // a unified diff from STANDARD to the merged file on standard output
  Backup backup = Backup::None;
  bool verbose = false;
  bool force = false;                // OUTPUT may be CUSTOM, and STANDARD may be CUSTOM
  std::optional<unsigned> codePage;  // none: the system's

  bool operator==(const Options&) const = default;
};

// What is wrong with the command line, as one line of text.
struct UsageError {
  std::wstring message;
};

// The arguments after the program's name.
std::variant<Options, UsageError> ParseArguments(const std::vector<std::wstring>& args);

// The texts of --help and --version, lines ended by LF.
std::wstring UsageText();
std::wstring VersionText();

}  // namespace tessaly::cli
