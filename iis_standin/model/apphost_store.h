#pragma once
// Where applicationHost.config is kept (a file beside the stand-in, or memory in the native
// tests), and the faults it can be told to show.
#include <optional>
#include <string>
#include <string_view>

namespace iis_standin::apphost {

struct ApphostFaults {
  bool commitFails = false;   // commit-fails: CommitChanges fails with 0x80070070 and writes nothing
  unsigned commitBusy = 0;    // commit-busy=N: the first N CommitChanges of the process fail with 0x80070020
  bool unreadable = false;    // unreadable: reading the file fails with 0x8007000D
  bool accessDenied = false;  // access-denied: GetAdminSection and CommitChanges fail with 0x80070005
  bool commitDenied = false;  // commit-denied: CommitChanges alone fails with 0x80070005 and writes nothing
  // changed-on-disk=N: before each of the process's first N CommitChanges another writer rewrites
  // the file (the same configuration, other bytes), so a manager that read it before cannot commit.
  unsigned changedOnDisk = 0;
};

// Comma-separated switches, spaces around them ignored. Throws 0x80070057 naming an unknown
// switch or a count that is not a number, so that a mistyped switch is never silently ignored.
ApphostFaults ParseApphostFaults(std::wstring_view text);

// Shared by every manager of a process, as the file is.
class ApphostStore {
 public:
  virtual ~ApphostStore() = default;
  // The file, for messages.
  [[nodiscard]] virtual std::wstring Name() const = 0;
  // Asked at every call that can fail by them, so a switch changed between calls applies.
  virtual ApphostFaults Faults() = 0;
  // nullopt when there is no file yet: a fresh IIS.
  virtual std::optional<std::string> Read() = 0;
  // Replaces the whole file in one step, or leaves it as it was.
  virtual void Replace(const std::string& bytes) = 0;

  unsigned busyCommits = 0;  // commits refused as busy so far
  unsigned rewrites = 0;     // rewrites by the other writer so far
};

class MemoryApphostStore final : public ApphostStore {
 public:
  std::optional<std::string> bytes;
  ApphostFaults faults;

  [[nodiscard]] std::wstring Name() const override { return L"applicationHost.config (in memory)"; }
  ApphostFaults Faults() override { return faults; }
  std::optional<std::string> Read() override { return bytes; }
  void Replace(const std::string& text) override { bytes = text; }
};

}  // namespace iis_standin::apphost
