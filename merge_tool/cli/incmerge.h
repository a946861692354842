#pragma once
// incmerge: Tessaly's merge on the command line. Everything but the platform's start-up and its
// standard streams, so the same rules run on Windows and natively.
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::cli {

enum ExitStatus : int {
  kMerged = 0,         // merged, no phrase left unmatched
  kPhrasesLeft = 1,    // merged, phrases reported
  kUsageError = 2,
  kInputFailed = 3,    // an input could not be read or was refused
  kOutputFailed = 4,   // the output could not be written
  kReportFailed = 5,   // the output was written, the report (or the counts) could not be
};

// Standard output or standard error. Write failures throw AppError naming the stream.
class OutStream {
 public:
  virtual ~OutStream() = default;
  // A Windows console, which is given text; files and pipes are given bytes.
  [[nodiscard]] virtual bool IsConsole() const = 0;
  virtual void WriteText(std::wstring_view text) = 0;
  virtual void WriteBytes(std::string_view bytes) = 0;
  // One line of incmerge's own (an error, a count), in the platform's encoding for messages,
  // with its line break.
  virtual void WriteMessage(std::wstring_view line) = 0;
  // After a write failed: whether it failed because the reader closed its end of a pipe (as
  // "incmerge ... | head" does), which ends the run without a message, as Unix tools end.
  [[nodiscard]] virtual bool ReaderGone() const { return false; }
};

// The arguments after the program's name; returns the exit status.
int RunIncmerge(const std::vector<std::wstring>& args, OutStream& out, OutStream& err);

}  // namespace tessaly::cli
