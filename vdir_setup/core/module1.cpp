#include "module1.h"

#include <chrono>
#include <thread>

#include "command_line.h"
#include "common/core/trimmed.h"
#include "dir_name.h"
#include "error_text.h"
#include "form1_rules.h"
#include "site_number.h"
#include "suppress_errors.h"

namespace vardock {

namespace {
std::wstring TypeName(std::uint32_t type) {
  switch (type) {
    case reg::kExpandSz: return L"REG_EXPAND_SZ";
    case reg::kBinary: return L"REG_BINARY";
    case reg::kDword: return L"REG_DWORD";
    case 7: return L"REG_MULTI_SZ";
    case 11: return L"REG_QWORD";
    default: return L"type " + std::to_wstring(type);
  }
}

constexpr std::wstring_view kSettingsParent = L"Software\\Corvanel\\";
}  // namespace

void DefaultRetryPause(int attempt) { std::this_thread::sleep_for(std::chrono::seconds(1) * attempt); }

std::wstring Module1::SettingsKey() const { return std::wstring(kSettingsParent) + ArgName; }

std::wstring Module1::KeyText() const { return L"HKEY_LOCAL_MACHINE\\" + SettingsKey(); }

IisAdmin& Module1::Iis() {
  if (!iis_) {
    iis_ = ChooseIisAdmin(objects_, {[this](std::wstring_view line) { Log(line); }, retryPause}, wow64);
    Log(L"IIS is reached through " + std::wstring(iis_->Description()) + L".");
  }
  return *iis_;
}

void Module1::Report(std::wstring_view text, MessageIcon icon) {
  Log(text);
  if (!Quiet()) host_.ShowMessage(text, icon);
}

void Module1::ReportFailure(std::exception_ptr error) noexcept {
  succeeded_ = false;
  try {
    Report(ErrorText(error), MessageIcon::Error);
  } catch (...) {
    // Out of memory while reporting: a fixed text, still only when a box may be shown.
    if (!Quiet()) host_.ShowMessage(L"Vardock failed: not enough memory.", MessageIcon::Error);
  }
}

void Module1::Log(std::wstring_view line) {
  if (logOpen_) host_.WriteLog(line);
}

int Module1::Finish() {
  const int status = Unattended() && !succeeded_ ? 1 : 0;
  Log(L"Finished with exit status " + std::to_wstring(status) + L".");
  return status;
}

void Module1::Run(std::wstring_view argumentText) {
  try {
    Main(argumentText);
  } catch (...) {
    ReportFailure(std::current_exception());
  }
}

void Module1::RefuseWithUsage(const std::wstring& reason) {
  Report(std::wstring(kUsageText) + L"\r\n\r\n" + reason, MessageIcon::None);
}

void Module1::Main(std::wstring_view argumentText) {
  const ArgumentValues values = TakeValues(SplitArguments(argumentText));
  ArgName = values.name;
  ArgOperation = values.operation;
  ArgPath = values.path;
  ArgSite = values.site;
  ArgQuiet = values.quiet;
  ArgLog = values.log;
  siteGiven_ = values.siteGiven;
  succeeded_ = false;

  if (!ArgLog.empty()) {
    if (const auto failed = Suppressed([&] { host_.OpenLog(ArgLog); })) {
      // A silent install that cannot leave its record changes nothing, and says why.
      Report(L"The log file " + Quoted(ArgLog) + L" cannot be written.\r\n\r\n" + ErrorText(*failed),
             MessageIcon::Exclamation);
      return;
    }
    logOpen_ = true;
    Log(L"Vardock started: " + std::wstring(corvanel::Trimmed(argumentText)));
  }

  // A setup program that passes what Vardock does not understand must learn it, not wait for a
  // chooser nobody sees: nothing is done.
  if (Unattended()) {
    if (!values.notUnderstood.empty()) {
      RefuseWithUsage(L"Vardock does not understand the argument " + Quoted(values.notUnderstood.front()) +
                      L": it takes /N, /O, /P, /S, /Q and /L, each followed by \"=\" and its value.");
      return;
    }
    if (siteGiven_ && ArgSite.empty()) {
      RefuseWithUsage(L"The web site (/S) is empty: give its number or its description.");
      return;
    }
  }

  ReadRecord();

  const std::wstring operation = AsciiUpper(ArgOperation);
  if (operation == L"ADD") {
    if (ArgName.empty() || ArgPath.empty()) {
      Log(L"Nothing was done: ADD needs a name (/N) and a folder (/P).");
    } else if (const auto rule = AddNameRule(ArgName, registry_, kSettingsParent)) {
      Report(L"The Virtual Directory cannot be named " + Quoted(ArgName) + L": " + *rule + L".\r\n\r\nNothing was changed.",
             MessageIcon::Exclamation);
    } else if (recordUnreadable_) {
      ReportUnreadableRecord();
    } else if (siteGiven_) {
      InstallOnNamedSite();
    } else {
      host_.ShowForm1();
    }
  } else if (operation == L"DEL") {
    const std::wstring& badName = DelNameRule(ArgName) ? ArgName : VirtualDirName;
    if (const auto rule = DelNameRule(badName)) {
      Report(L"Vardock does not remove a Virtual Directory named " + Quoted(badName) + L": " + *rule +
                 L".\r\n\r\nNothing was changed.",
             MessageIcon::Exclamation);
      return;
    }
    if (recordUnreadable_) {
      // Guessing here could remove a directory of someone else's: the record must be mended first.
      ReportUnreadableRecord();
      return;
    }
    if (!recorded_ && !VirtualDirName.empty()) {
      Log(L"Nothing is remembered under " + KeyText() + L": web site " + SiteNumber + L" and the name " +
          Quoted(VirtualDirName) + L" are a guess.");
    }
    if (!VirtualDirName.empty()) {
      const UndoRecord undo = StandingBefore(L"DEL", SiteNumber, VirtualDirName);
      NoteForUndo(undo);
    }
    // Succeeds only when a directory was named and is gone, and its record with it.
    if (const auto refused = DeleteVirtualDir(SiteNumber, VirtualDirName)) {
      Report(RemovalRefusedText(SiteNumber, VirtualDirName, *refused) +
                 L"\r\n\r\nIts settings are kept, so that it can still be removed later.",
             MessageIcon::Exclamation);
    }
  } else if (operation == L"UNDOADD" || operation == L"UNDODEL") {
    if (ArgName.empty()) {
      Log(L"Nothing was done: " + operation + L" needs the name (/N) of the last ADD or DEL.");
    } else if (const auto rule = DelNameRule(ArgName)) {
      Report(L"Vardock does not undo a change of a Virtual Directory named " + Quoted(ArgName) + L": " + *rule +
                 L".\r\n\r\nNothing was changed.",
             MessageIcon::Exclamation);
    } else if (operation == L"UNDOADD") {
      UndoAdd();
    } else {
      UndoDel();
    }
  } else {
    if (ArgOperation.empty()) {
      Report(kUsageText, MessageIcon::None);
    } else {
      RefuseWithUsage(L"The operation (/O) " + Quoted(ArgOperation) +
                      L" is none of ADD, DEL, UNDOADD and UNDODEL.");
    }
  }
}

void Module1::ReportUnreadableRecord() {
  Report(L"The record of the last installation, " + KeyText() + L", cannot be read.\r\n\r\n" +
             ErrorText(*recordUnreadable_) + L"\r\n\r\nNothing was changed.",
         MessageIcon::Exclamation);
}

void Module1::ReadRecord() {
  recordUnreadable_.reset();
  SiteNumber = Remembered(registry_.ReadSetting(kHKeyLocalMachine, SettingsKey(), kSiteValue), kSiteValue, true);
  VirtualDirName = Remembered(registry_.ReadSetting(kHKeyLocalMachine, SettingsKey(), kDirValue), kDirValue, false);
  recorded_ = !SiteNumber.empty();
  if (SiteNumber.empty()) SiteNumber = L"1";
  if (VirtualDirName.empty()) VirtualDirName = ArgName;
}

std::wstring Module1::Remembered(const SettingRead& read, std::wstring_view valueName, bool numberToo) {
  switch (read.found) {
    case SettingRead::Found::Text:
      return read.value.ToText();
    case SettingRead::Found::Number:
      if (numberToo) return read.value.ToText();
      break;
    case SettingRead::Found::Unreadable:
      if (!recordUnreadable_) recordUnreadable_ = read.failure;
      return {};
    case SettingRead::Found::Missing:
      return {};
    case SettingRead::Found::OtherType:
      break;
  }
  Log(L"The value " + std::wstring(valueName) + L" under " + KeyText() + L" is not text (" + TypeName(read.type) +
      L"): it is taken as not remembered.");
  return {};
}

void Module1::InstallOnNamedSite() {
  const std::vector<WebSite> sites = Iis().ListWebSites();
  const std::vector<const WebSite*> named = SitesNamed(sites, ArgSite);
  if (named.size() != 1) {
    Report((named.empty() ? L"There is no web site " + Quoted(ArgSite) + L" on this server."
                          : L"More than one web site is named " + Quoted(ArgSite) + L": please give its number.") +
               L"\r\n\r\nNothing was changed.",
           MessageIcon::Exclamation);
    return;
  }
  Log(L"Web site " + named.front()->number + L" (" + Quoted(named.front()->description) + L") was chosen.");
  Install(named.front()->number);
}

UndoRecord Module1::StandingBefore(std::wstring_view operation, std::wstring_view site, std::wstring_view name) {
  UndoRecord undo;
  undo.operation = operation;
  undo.site = site;
  undo.name = name;
  undo.folder = Iis().FolderOf(site, name);
  if (recorded_) {
    undo.recordSite = SiteNumber;
    undo.recordName = VirtualDirName;
  }
  return undo;
}

bool Module1::Install(std::wstring_view site) {
  // Only what the record says this product made is ever removed.
  const bool moving = recorded_ && (!SameSiteNumber(SiteNumber, site) || !IisNamesEqual(VirtualDirName, ArgName));
  if (!recorded_) Log(L"Nothing is remembered of an earlier installation: nothing is removed.");
  UndoRecord undo = StandingBefore(L"ADD", site, ArgName);
  // An old site that can no longer be reached is left alone by the move, and by its undo.
  if (moving) Suppressed([&] { undo.movedFolder = Iis().FolderOf(SiteNumber, VirtualDirName); });
  // What stands is kept for the undo only once this ADD changed it: one that changes nothing
  // leaves no record behind, and no earlier change to be taken for its own.
  ForgetUndo();
  const Outcome created = CreateVirtualDir(site, ArgName);
  if (created == Outcome::Refused) return false;
  if (created != Outcome::Done) return true;
  NoteForUndo(undo);
  if (!moving) return true;
  if (const auto rule = DelNameRule(VirtualDirName)) {
    Log(L"The old Virtual Directory was left alone: the record names " + Quoted(VirtualDirName) + L", and " + *rule +
        L".");
    return true;
  }

  // The new directory stands and is remembered: the old one may go. Best effort: an old site
  // that can no longer be reached must not undo the installation on the new one.
  std::optional<corvanel::AppError> refused;
  if (const auto unreachable = Suppressed([&] { refused = RemoveFromIis(SiteNumber, VirtualDirName); })) {
    Log(L"The old Virtual Directory was left alone: " + OneLineErrorText(*unreachable));
  }
  if (!refused) {
    Log(L"The old Virtual Directory " + Quoted(VirtualDirName) + L" is gone from web site " + SiteNumber + L".");
  } else {
    Report(RemovalRefusedText(SiteNumber, VirtualDirName, *refused) +
               L"\r\n\r\nThe new Virtual Directory is in place. Please remove the old one with IIS Manager.",
           MessageIcon::Exclamation);
  }
  return true;
}

Module1::Outcome Module1::CreateVirtualDir(std::wstring_view site, std::wstring_view name) {
  succeeded_ = false;
  if (site.empty() || name.empty()) return Outcome::Failed;
  const std::wstring where = L"The Virtual Directory " + Quoted(name) + L" on web site " + std::wstring(site);
  Log(L"Creating the Virtual Directory " + Quoted(name) + L" on web site " + std::wstring(site) + L" for " +
      Quoted(ArgPath) + L".");
  const bool ours = recorded_ && SameSiteNumber(SiteNumber, site) && IisNamesEqual(VirtualDirName, name);
  const Creation made = Iis().CreateVirtualDir(site, name, ArgPath, ours);
  switch (made.result) {
    case Creation::Result::Missing:
      Report(L"Unable to create or locate Virtual Directory " + ArgName + L"." +
                 (made.failure ? L"\r\n\r\n" + ErrorText(*made.failure) : L""),
             MessageIcon::Exclamation);
      return Outcome::Failed;
    case Creation::Result::Foreign:
      Report(where + L" already exists and serves " +
                 (made.folder.empty() ? std::wstring(L"no folder") : Quoted(made.folder)) + L", not " +
                 Quoted(ArgPath) + L"; nothing records that this product made it.\r\n\r\nNothing was changed. "
                 L"Remove that directory with IIS Manager, or install under another name (/N) or on another web site.",
             MessageIcon::Exclamation);
      return Outcome::Refused;
    case Creation::Result::Created:
    case Creation::Result::Existing:
      break;
  }
  if (made.notApplication) {
    Log(where + L" is in place, but not an application: " + OneLineErrorText(*made.notApplication) + L".");
  }

  auto unwritten = registry_.WriteRegSetting(kHKeyLocalMachine, SettingsKey(), kSiteValue, std::wstring(site));
  if (!unwritten) unwritten = registry_.WriteRegSetting(kHKeyLocalMachine, SettingsKey(), kDirValue, std::wstring(name));
  if (unwritten) {
    // A directory nothing remembers would be left to a guess at uninstall: one this run made goes again.
    std::wstring after = L"It is in place, but a later DEL may not find it.";
    if (made.result == Creation::Result::Created) {
      RestoreRecord();
      std::optional<corvanel::AppError> refused;
      const auto failed = Suppressed([&] { refused = RemoveFromIis(site, name); });
      const auto notRemoved = failed ? failed : refused;
      after = notRemoved ? L"It could not be removed again: " + OneLineErrorText(*notRemoved) + L"."
                         : L"It was removed again, so that nothing is left half-done.";
    }
    Report(where + L" could not be remembered under " + KeyText() + L".\r\n\r\n" + ErrorText(*unwritten) +
               L"\r\n\r\n" + after,
           MessageIcon::Exclamation);
    return Outcome::Failed;
  }
  Log(where + L" is in place, and remembered.");
  succeeded_ = true;
  return Outcome::Done;
}

void Module1::RestoreRecord() {
  if (recorded_) {
    registry_.WriteRegSetting(kHKeyLocalMachine, SettingsKey(), kSiteValue, SiteNumber);
    registry_.WriteRegSetting(kHKeyLocalMachine, SettingsKey(), kDirValue, VirtualDirName);
  } else {
    registry_.DeleteRegSetting(kHKeyLocalMachine, SettingsKey(), kSiteValue);
    registry_.DeleteRegSetting(kHKeyLocalMachine, SettingsKey(), kDirValue);
  }
}

std::optional<corvanel::AppError> Module1::RemoveFromIis(std::wstring_view site, std::wstring_view name) {
  Log(L"Removing the Virtual Directory " + Quoted(name) + L" from web site " + std::wstring(site) + L".");
  return Iis().DeleteVirtualDir(site, name);
}

std::optional<corvanel::AppError> Module1::DeleteVirtualDir(std::wstring_view site, std::wstring_view name) {
  if (site.empty() || name.empty()) return std::nullopt;
  if (auto refused = RemoveFromIis(site, name)) return refused;
  const std::wstring gone = L"The Virtual Directory " + Quoted(name) + L" is gone from web site " + std::wstring(site);
  std::wstring left;
  std::optional<corvanel::AppError> failure;
  for (const std::wstring_view value : {kSiteValue, kDirValue}) {
    if (auto failed = registry_.DeleteRegSetting(kHKeyLocalMachine, SettingsKey(), value)) {
      left += (left.empty() ? L"" : L" and ") + std::wstring(value);
      if (!failure) failure = std::move(failed);
    }
  }
  if (failure) {
    Report(gone + L", but its record could not be deleted: the values " + left + L" are left under " + KeyText() +
               L".\r\n\r\n" + ErrorText(*failure),
           MessageIcon::Exclamation);
    succeeded_ = false;
    return std::nullopt;
  }
  Log(gone + L", and forgotten.");
  succeeded_ = true;
  return std::nullopt;
}

std::wstring RemovalRefusedText(std::wstring_view site, std::wstring_view name, const corvanel::AppError& error) {
  return L"The Virtual Directory " + Quoted(name) + L" on web site " + std::wstring(site) +
         L" could not be removed.\r\n\r\n" + ErrorText(error);
}

}  // namespace vardock
