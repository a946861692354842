#pragma once
// What the last ADD or DEL of a name changed, kept beside the record of the installation
// (HKLM\Software\Corvanel\<name>, values Undo...), so that a setup's rollback can put things back
// exactly: UNDOADD and UNDODEL read it. DEL writes it before it removes; ADD deletes an earlier
// one first and writes its own once its change is made.
#include <optional>
#include <string>
#include <string_view>

#include "common/core/app_error.h"
#include "registry.h"

namespace vardock {

struct UndoRecord {
  std::wstring operation;  // "ADD" or "DEL"; empty: nothing to undo
  std::wstring site, name;  // the directory the operation made, pointed or removed
  // Its folder before the operation; none when it did not exist.
  std::optional<std::wstring> folder;
  // The record (IISWebServer, IISWebVirtualDir) before the operation; none when there was none.
  std::optional<std::wstring> recordSite, recordName;
  // An ADD that moved the directory: the folder of the one the record named, before; none when
  // it was not there.
  std::optional<std::wstring> movedFolder;
};

struct UndoRead {
  UndoRecord record;
  std::optional<corvanel::AppError> unreadable;
  // A value of the record that is not text: the record is not used.
  bool damaged = false;
};

class UndoStore {
 public:
  UndoStore(const Registry& registry, std::wstring key) : registry_(registry), key_(std::move(key)) {}

  [[nodiscard]] UndoRead Read() const;
  // Replaces the record. UndoOperation goes first and comes back last, so that a record only
  // partly written is never taken for a whole one.
  std::optional<corvanel::AppError> Write(const UndoRecord& record) const;
  // Marks the record used: an undo runs once.
  std::optional<corvanel::AppError> Consume() const;
  // Deletes every value of the record; the first failure.
  std::optional<corvanel::AppError> Forget() const;

 private:
  const Registry& registry_;
  std::wstring key_;
};

}  // namespace vardock
