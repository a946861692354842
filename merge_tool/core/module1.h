#pragma once
// Tessaly's program-wide state and the merge engine that works on it. The program has one
// instance, Module1; tests make their own.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/ansi_codec.h"
#include "file_store.h"

namespace tessaly {

inline constexpr int kMaxLines = 1000;
// Include files are a few hundred lines of short constants; anything near this is not one.
inline constexpr std::size_t kMaxFileBytes = 64u << 20;

// What a merge did with the customised file, for callers that report it.
struct MergeSummary {
  std::size_t lines = 0;    // lines of the customised file
  std::size_t entries = 0;  // entries among them
  // The entries that replaced no model line, in file order: by name, or as the whole line when
  // the name is empty.
  std::vector<std::wstring> unmatched;
  // With a previous standard file, by name (the last entry of each name decides): names the
  // model declares whose entry was carried, and those whose entry still held the previous
  // standard value, so that the new standard lines stayed.
  std::size_t carried = 0;
  std::size_t unchanged = 0;
};

class Module1State {
 public:
  Module1State() : Module1State(SystemFileStore(), corvanel::SystemAnsiCodec()) {}
  Module1State(FileStore& files, const corvanel::AnsiCodec& codec) : files_(&files), codec_(&codec) {}

  // The line model: line k at incLines[k], k = 1..incCount; index 0 is never used.
  std::array<std::wstring, kMaxLines + 1> incLines;
  std::int16_t incCount = 0;
  // 1 where the latest merge replaced the line; 2 where the customised file names the line's name
  // with the previous standard file's value, so the new standard line stayed (three-way merge).
  std::array<std::int16_t, kMaxLines + 1> incFound{};
  // Of the latest three-way merge, in model order and file order: the new standard lines whose
  // value both the administrator and the vendor changed, each to a text of their own (the
  // administrator's line was carried); and the customised lines the administrator changed whose
  // name the new standard file no longer declares (not carried). Empty after a two-way merge.
  std::vector<std::wstring> incConflicts;
  std::vector<std::wstring> incGone;
  // 0 nothing loaded, 1 standard file loaded, 2 merged and unsaved, 3 merged and saved.
  std::int16_t mergeState = 0;
  // The file chosen last in the file selector: folder (ending in "\") and name.
  std::wstring lastPath;
  std::wstring lastFile;
  // The previous standard file, the one the customised file started from: while one is chosen
  // (full path), step 2 merges three ways. Empty: two ways.
  std::wstring basePath;
  // The file selector's accepted choice.
  std::wstring selPath;
  std::wstring selFile;
  // The standard file began with a UTF-8 byte-order mark; the merged file gets one too.
  bool incUtf8Bom = false;

  // Reads the standard file's trimmed lines into the model. On failure (unreadable, not 8-bit
  // text, more than kMaxLines lines) it throws and the model is unchanged.
  void LoadStandardFile(const std::wstring& path);
  // Carries the customised file's entries into the model: each entry replaces the model's
  // declarations of exactly its name. On failure it throws and the model is unchanged.
  MergeSummary MergeCustomFile(const std::wstring& path);
  // The same in three ways: basePath is the standard file the customised one started from. An
  // entry whose name that file declares with the same value (the text after the first "=", ends
  // stripped of spaces and tabs) was never changed, and is not carried: the new standard line
  // stays. Every other entry is carried as above. Conflicts and gone entries are kept in
  // incConflicts and incGone. On failure of any of the files it throws and the model is unchanged.
  MergeSummary MergeCustomFile(const std::wstring& path, const std::wstring& basePath);
  // The report of the latest merge: the phrases it left unsupplied under Tessaly's fixed header,
  // then the conflicts and the gone entries, each under a header of its own and only when there
  // are some; empty when there is nothing to report.
  [[nodiscard]] std::wstring BuildReportText() const;
  // The same with another header above the phrases.
  [[nodiscard]] std::wstring BuildReportText(std::wstring_view phrasesHeader) const;
  // Writes the model, each line ended by CR LF, replacing the target in one step. On failure it
  // throws and the target keeps its bytes.
  void SaveMergedFile(const std::wstring& path) const;
  // The same, and an existing target's previous content is kept as backupPath.
  void SaveMergedFile(const std::wstring& path, const std::wstring& backupPath) const;
  // The bytes a save writes; path names the target in the error when a line cannot be encoded.
  [[nodiscard]] std::string MergedFileBytes(const std::wstring& path) const;

  [[nodiscard]] FileStore& Files() const { return *files_; }
  // The code page of the files from now on (the command line may choose one).
  void UseCodec(const corvanel::AnsiCodec& codec) { codec_ = &codec; }

 private:
  class PreviousValues;
  MergeSummary Merge(const std::wstring& path, PreviousValues* previous);

  FileStore* files_;
  const corvanel::AnsiCodec* codec_;
};

// The program's state.
inline Module1State Module1;

}  // namespace tessaly
