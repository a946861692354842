#pragma once
// Vardock's program-wide values and its procedures: the start-up procedure Main, and the creation
// and removal of the product's virtual directory. Main writes the values; everything else only
// reads them.
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "automation.h"
#include "common/core/app_error.h"
#include "host.h"
#include "iis_admin.h"
#include "registry.h"
#include "undo_record.h"

namespace vardock {

// The record's values under HKLM\Software\Corvanel\<name>.
inline constexpr std::wstring_view kSiteValue = L"IISWebServer";
inline constexpr std::wstring_view kDirValue = L"IISWebVirtualDir";

inline constexpr std::wstring_view kUsageText =
    L"This program is used by Pellinor / Quastrel\r\nto create IIS Virtual Directories.";

// Waits a little longer before each new attempt of a configuration change: 1 s, 2 s, 3 s, 4 s.
void DefaultRetryPause(int attempt);

class Module1 {
 public:
  Module1(const Registry& registry, ObjectFactory& objects, Host& host)
      : registry_(registry), objects_(objects), host_(host) {}

  std::wstring ArgName;         // "/N": the directory name setup asks for
  std::wstring ArgOperation;    // "/O": ADD or DEL
  std::wstring ArgPath;         // "/P": the product's folder
  std::wstring SiteNumber;      // the site of the last installation, default "1"
  std::wstring VirtualDirName;  // the directory of the last installation, default ArgName
  std::wstring ArgSite;         // "/S": the web site to install on without the chooser
  std::wstring ArgQuiet;        // "/Q": "1" shows no message box at all
  std::wstring ArgLog;          // "/L": the file that gets a line per step

  std::function<void(int attempt)> retryPause = &DefaultRetryPause;
  // A 32-bit process on 64-bit Windows, where IIS's management components may be out of reach.
  bool wow64 = false;

  // Takes the command line (without the program's path), reads the remembered settings and
  // dispatches: the chooser for ADD with a name and a path (or the site /S names), the removal
  // for DEL, the undo for UNDOADD and UNDODEL, else the usage.
  void Main(std::wstring_view argumentText);
  // Main, with any failure reported (shown unless quiet, and logged).
  void Run(std::wstring_view argumentText);

  // Installs on web site `site` (the chooser's OK, or /S): creates the directory ArgName there,
  // and only then removes the one the record names when the site or the name changed. False when
  // nothing was changed because a directory of someone else's stands in the way (the chooser
  // then stays open for another choice).
  bool Install(std::wstring_view site);

  enum class Outcome { Done, Failed, Refused };
  // Makes sure directory `name` exists under the root of web site `site`, configures it when it
  // is new, points it at ArgPath and remembers site and name. Failed (after a warning) when it
  // can neither be found nor created, or cannot be remembered (a directory this call created is
  // then removed again); Refused when one of that name that the record does not name points
  // elsewhere (nothing changes). Other errors propagate. The registry is written only after IIS
  // has stored everything.
  Outcome CreateVirtualDir(std::wstring_view site, std::wstring_view name);

  // Removes directory `name` from web site `site` and forgets the remembered values. When IIS
  // refuses and the directory is still there, the values are kept (so that the record of where
  // it lives is not lost) and the refusal is returned; nothing is shown. Errors in reaching the
  // site propagate and also keep the values. Values that cannot be deleted are reported.
  std::optional<corvanel::AppError> DeleteVirtualDir(std::wstring_view site, std::wstring_view name);

  // A setup's rollback: puts back what the last ADD of ArgName changed (UNDOADD) or what the
  // last DEL removed (UNDODEL), as its undo record says; nothing when the last operation was
  // another one, or has been undone already.
  void UndoAdd();
  void UndoDel();

  // Whether the registry held a record of an earlier installation (its site); without one,
  // SiteNumber and VirtualDirName are only defaults.
  [[nodiscard]] bool Recorded() const { return recorded_; }

  // "Software\Corvanel\" followed by ArgName, under HKEY_LOCAL_MACHINE.
  [[nodiscard]] std::wstring SettingsKey() const;

  // The IIS back end, chosen at the first use.
  IisAdmin& Iis();

  [[nodiscard]] bool Quiet() const { return ArgQuiet == L"1"; }
  // Run by a setup program without the administrator (/S or /Q given): nothing may wait, and the
  // exit status tells what happened.
  [[nodiscard]] bool Unattended() const { return siteGiven_ || !ArgQuiet.empty(); }
  // A message for the administrator: logged, and shown unless /Q=1.
  void Report(std::wstring_view text, MessageIcon icon);
  // An error nothing else handled: reported, and the run counts as failed.
  void ReportFailure(std::exception_ptr error) noexcept;
  // One line in the log, when /L names one.
  void Log(std::wstring_view line);

  // With /S or /Q: 0 when the directory was created or removed as asked, 1 otherwise. Without
  // them the program has no exit status of its own: 0. Logged as the last line.
  int Finish();

 private:
  void InstallOnNamedSite();
  // Fills SiteNumber and VirtualDirName from the registry, or their defaults; notes whether there
  // was a record and whether it could be read.
  void ReadRecord();
  void ReportUnreadableRecord();
  std::wstring Remembered(const SettingRead& read, std::wstring_view valueName, bool numberToo);
  // Removes the directory from IIS only; the record is the caller's.
  std::optional<corvanel::AppError> RemoveFromIis(std::wstring_view site, std::wstring_view name);
  // After the record of a new directory could not be written: the record as it was.
  void RestoreRecord();
  // The usage with the reason, as a refusal: nothing is done.
  void RefuseWithUsage(const std::wstring& reason);
  [[nodiscard]] std::wstring KeyText() const;
  // Keeps what stood before an ADD or DEL changed it, for its undo. A failure is logged: the
  // operation goes on as it always has, and its undo finds nothing to do.
  void NoteForUndo(const UndoRecord& record);
  // What stands before `operation` changes the directory `name` on `site`: its folder and the
  // record, for the undo.
  UndoRecord StandingBefore(std::wstring_view operation, std::wstring_view site, std::wstring_view name);
  // Deletes the undo record of an earlier change (logged when it cannot), creating no key.
  void ForgetUndo();
  // The undo record of `operation`, consumed; nothing (after a report or a log line) when there
  // is none to undo or it cannot be used.
  std::optional<UndoRecord> TakeUndoRecord(std::wstring_view operation);
  // Points directory `name` on `site` at `folder`, making it as ADD does when it is missing;
  // false after a report.
  bool PutBack(std::wstring_view site, std::wstring_view name, std::wstring_view folder);
  // Writes the record (site and name), or deletes it when site is nothing; false after a report.
  bool SetRecord(const std::optional<std::wstring>& site, const std::optional<std::wstring>& name);

  const Registry& registry_;
  ObjectFactory& objects_;
  Host& host_;
  std::unique_ptr<IisAdmin> iis_;
  bool logOpen_ = false;
  bool succeeded_ = false;
  bool siteGiven_ = false;
  bool recorded_ = false;
  std::optional<corvanel::AppError> recordUnreadable_;
};

// The text shown when IIS refused to remove a directory that is still there.
std::wstring RemovalRefusedText(std::wstring_view site, std::wstring_view name, const corvanel::AppError& error);

}  // namespace vardock
