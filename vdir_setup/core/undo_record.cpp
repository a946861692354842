#include "undo_record.h"

#include <utility>

namespace vardock {

namespace {
constexpr std::wstring_view kOperation = L"UndoOperation";
constexpr std::wstring_view kSite = L"UndoSite";
constexpr std::wstring_view kName = L"UndoName";
constexpr std::wstring_view kFolder = L"UndoFolder";
constexpr std::wstring_view kRecordSite = L"UndoRecordSite";
constexpr std::wstring_view kRecordName = L"UndoRecordName";
constexpr std::wstring_view kMovedFolder = L"UndoMovedFolder";
constexpr std::wstring_view kAll[] = {kOperation, kSite, kName, kFolder, kRecordSite, kRecordName, kMovedFolder};
}  // namespace

UndoRead UndoStore::Read() const {
  UndoRead read;
  const auto take = [&](std::wstring_view valueName) -> std::optional<std::wstring> {
    const SettingRead found = registry_.ReadSetting(kHKeyLocalMachine, key_, valueName);
    switch (found.found) {
      case SettingRead::Found::Text: return found.value.ToText();
      case SettingRead::Found::Missing: return std::nullopt;
      case SettingRead::Found::Unreadable:
        if (!read.unreadable) read.unreadable = found.failure;
        return std::nullopt;
      case SettingRead::Found::Number:
      case SettingRead::Found::OtherType:
        read.damaged = true;
        return std::nullopt;
    }
    return std::nullopt;
  };
  UndoRecord& r = read.record;
  r.operation = take(kOperation).value_or(L"");
  r.site = take(kSite).value_or(L"");
  r.name = take(kName).value_or(L"");
  r.folder = take(kFolder);
  r.recordSite = take(kRecordSite);
  r.recordName = take(kRecordName);
  r.movedFolder = take(kMovedFolder);
  if (read.unreadable || read.damaged || r.site.empty() || r.name.empty() ||
      r.recordSite.has_value() != r.recordName.has_value()) {
    read.damaged = read.damaged || (!read.unreadable && !r.operation.empty());
    r = UndoRecord{};
  }
  return read;
}

std::optional<corvanel::AppError> UndoStore::Write(const UndoRecord& record) const {
  if (auto failed = registry_.DeleteRegSetting(kHKeyLocalMachine, key_, kOperation)) return failed;
  const std::pair<std::wstring_view, std::optional<std::wstring>> values[] = {
      {kSite, record.site},
      {kName, record.name},
      {kFolder, record.folder},
      {kRecordSite, record.recordSite},
      {kRecordName, record.recordName},
      {kMovedFolder, record.movedFolder},
      {kOperation, record.operation},
  };
  for (const auto& [valueName, value] : values) {
    auto failed = value ? registry_.WriteRegSetting(kHKeyLocalMachine, key_, valueName, *value)
                        : registry_.DeleteRegSetting(kHKeyLocalMachine, key_, valueName);
    if (failed) {
      registry_.DeleteRegSetting(kHKeyLocalMachine, key_, kOperation);
      return failed;
    }
  }
  return std::nullopt;
}

std::optional<corvanel::AppError> UndoStore::Consume() const {
  return registry_.DeleteRegSetting(kHKeyLocalMachine, key_, kOperation);
}

std::optional<corvanel::AppError> UndoStore::Forget() const {
  std::optional<corvanel::AppError> first;
  for (const std::wstring_view valueName : kAll) {
    auto failed = registry_.DeleteRegSetting(kHKeyLocalMachine, key_, valueName);
    if (failed && !first) first = std::move(failed);
  }
  return first;
}

}  // namespace vardock
