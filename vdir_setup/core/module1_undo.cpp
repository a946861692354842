// A setup's rollback actions: UNDOADD and UNDODEL put back what the last ADD or DEL of the name
// changed, as the undo record it left says (undo_record.h).
#include "command_line.h"
#include "dir_name.h"
#include "error_text.h"
#include "module1.h"
#include "site_number.h"
#include "suppress_errors.h"

namespace vardock {

namespace {
std::wstring Where(std::wstring_view site, std::wstring_view name) {
  return L"The Virtual Directory " + Quoted(name) + L" on web site " + std::wstring(site);
}
}  // namespace

void Module1::NoteForUndo(const UndoRecord& record) {
  const UndoStore store(registry_, SettingsKey());
  // A DEL that finds neither a directory nor a record has nothing to put back: it writes
  // nothing, and only makes sure no earlier change is taken for its own.
  const bool nothing = record.operation == L"DEL" && !record.folder && !record.recordSite;
  if (const auto failed = nothing ? store.Forget() : store.Write(record)) {
    Log(L"What this " + record.operation + L" changes cannot be noted under " + KeyText() + L" (" +
        OneLineErrorText(*failed) + L"): its undo will change nothing.");
  }
}

void Module1::ForgetUndo() {
  if (const auto failed = UndoStore(registry_, SettingsKey()).Forget()) {
    Log(L"The undo record of an earlier change under " + KeyText() + L" cannot be deleted (" +
        OneLineErrorText(*failed) + L").");
  }
}

std::optional<UndoRecord> Module1::TakeUndoRecord(std::wstring_view operation) {
  const UndoStore store(registry_, SettingsKey());
  UndoRead read = store.Read();
  const std::wstring what = L"The last " + std::wstring(operation) + L" of " + Quoted(ArgName);
  if (read.unreadable || read.damaged) {
    Report(what + L" cannot be undone: its undo record under " + KeyText() +
               (read.unreadable ? L" cannot be read.\r\n\r\n" + ErrorText(*read.unreadable)
                                : std::wstring(L" is incomplete, or holds values that are not text.")) +
               L"\r\n\r\nNothing was changed.",
           MessageIcon::Exclamation);
    return std::nullopt;
  }
  const UndoRecord& record = read.record;
  if (AsciiUpper(record.operation) != operation) {
    Log(L"Nothing to undo: " +
        (record.operation.empty() ? L"no change of " + Quoted(ArgName) + L" is noted under " + KeyText() +
                                        L" (none was made, or it has been undone)."
                                  : L"the last change of " + Quoted(ArgName) + L" noted under " + KeyText() +
                                        L" was " + record.operation + L"."));
    succeeded_ = true;
    return std::nullopt;
  }
  // Someone else may have written the record: what would address the site itself is not touched.
  for (const std::optional<std::wstring>& name : {std::optional(record.name), record.recordName}) {
    if (const auto rule = name ? DelNameRule(*name) : std::nullopt) {
      Report(what + L" is not undone: its undo record names " + Quoted(*name) + L", and " + *rule +
                 L".\r\n\r\nNothing was changed.",
             MessageIcon::Exclamation);
      return std::nullopt;
    }
  }
  // Without IIS nothing can be undone: the record stays for a later try (this throws).
  Iis();
  if (const auto failed = store.Consume()) {
    // An undo whose record cannot follow would leave the next run a record of what is not there.
    Report(what + L" cannot be undone: its undo record under " + KeyText() + L" cannot be changed.\r\n\r\n" +
               ErrorText(*failed) + L"\r\n\r\nNothing was changed.",
           MessageIcon::Exclamation);
    return std::nullopt;
  }
  Log(L"Undoing the last " + std::wstring(operation) + L": " + Where(record.site, record.name) + L".");
  return std::move(read.record);
}

bool Module1::PutBack(std::wstring_view site, std::wstring_view name, std::wstring_view folder) {
  const std::wstring where = Where(site, name);
  std::optional<std::wstring> now;
  Creation made;
  auto failed = Suppressed([&] {
    now = Iis().FolderOf(site, name);
    if (!now || *now != folder) made = Iis().CreateVirtualDir(site, name, folder, true);
  });
  if (!failed && now && *now == folder) {
    Log(where + L" points at " + Quoted(folder) + L", as before.");
    return true;
  }
  if (!failed && made.result == Creation::Result::Missing) {
    failed = made.failure ? made.failure : corvanel::AppError(L"Create", L"IIS made no directory.", hr::kFail);
  }
  if (failed) {
    Report(where + L" could not be put back as it was, for " + Quoted(folder) + L".\r\n\r\n" + ErrorText(*failed),
           MessageIcon::Exclamation);
    return false;
  }
  Log(where + (made.result == Creation::Result::Created ? L" was made again for " : L" points again at ") +
      Quoted(folder) + L".");
  if (made.notApplication) {
    Log(where + L" is in place, but not an application: " + OneLineErrorText(*made.notApplication) + L".");
  }
  return true;
}

bool Module1::SetRecord(const std::optional<std::wstring>& site, const std::optional<std::wstring>& name) {
  std::optional<corvanel::AppError> failed;
  if (site && name) {
    failed = registry_.WriteRegSetting(kHKeyLocalMachine, SettingsKey(), kSiteValue, *site);
    if (!failed) failed = registry_.WriteRegSetting(kHKeyLocalMachine, SettingsKey(), kDirValue, *name);
  } else {
    failed = registry_.DeleteRegSetting(kHKeyLocalMachine, SettingsKey(), kSiteValue);
    if (auto other = registry_.DeleteRegSetting(kHKeyLocalMachine, SettingsKey(), kDirValue); !failed) failed = other;
  }
  if (failed) {
    Report(L"The record under " + KeyText() + L" could not be put back as it was.\r\n\r\n" + ErrorText(*failed),
           MessageIcon::Exclamation);
    return false;
  }
  Log(site && name ? L"The record names web site " + *site + L" and " + Quoted(*name) + L", as before."
                   : L"Nothing is remembered under " + KeyText() + L", as before.");
  return true;
}

void Module1::UndoAdd() {
  succeeded_ = false;
  const auto undo = TakeUndoRecord(L"ADD");
  if (!undo) return;
  bool done = true;
  if (!undo->folder) {
    // The last ADD made it: it goes, with whatever of it that ADD got to make.
    std::optional<corvanel::AppError> refused;
    if (auto unreachable = Suppressed([&] { refused = RemoveFromIis(undo->site, undo->name); })) {
      refused = std::move(unreachable);
    }
    if (refused) {
      // The record keeps naming the directory that is still there, so that DEL can remove it.
      Report(RemovalRefusedText(undo->site, undo->name, *refused) +
                 L"\r\n\r\nIts settings are kept, so that it can still be removed later.",
             MessageIcon::Exclamation);
      return;
    }
    Log(Where(undo->site, undo->name) + L" is gone again.");
  } else if (undo->folder->empty()) {
    Log(Where(undo->site, undo->name) + L" had no folder before: it is left as it is.");
  } else {
    // It was there before (the product's own, or one that served its folder): only its folder
    // is put back.
    done = PutBack(undo->site, undo->name, *undo->folder);
  }
  // A move removed the directory the record named: it comes back where it was.
  const bool moved = undo->recordSite && (!SameSiteNumber(*undo->recordSite, undo->site) ||
                                          !IisNamesEqual(*undo->recordName, undo->name));
  if (moved && undo->movedFolder && !undo->movedFolder->empty()) {
    done = PutBack(*undo->recordSite, *undo->recordName, *undo->movedFolder) && done;
  }
  done = SetRecord(undo->recordSite, undo->recordName) && done;
  if (const auto left = UndoStore(registry_, SettingsKey()).Forget()) {
    Log(L"The undo record under " + KeyText() + L" could not be deleted: " + OneLineErrorText(*left) + L".");
  }
  succeeded_ = done;
}

void Module1::UndoDel() {
  succeeded_ = false;
  const auto undo = TakeUndoRecord(L"DEL");
  if (!undo) return;
  bool done = true;
  if (undo->folder) {
    done = PutBack(undo->site, undo->name, *undo->folder);
  } else {
    Log(Where(undo->site, undo->name) + L" was not there when DEL ran: there is nothing to make again.");
  }
  if (undo->recordSite) done = SetRecord(undo->recordSite, undo->recordName) && done;
  if (const auto left = UndoStore(registry_, SettingsKey()).Forget()) {
    Log(L"The undo record under " + KeyText() + L" could not be deleted: " + OneLineErrorText(*left) + L".");
  }
  succeeded_ = done;
}

}  // namespace vardock
