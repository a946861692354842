#include "module1.h"

#include <string_view>
#include <vector>

#include "common/core/app_error.h"
#include "include_lines.h"

namespace tessaly {

using corvanel::AppError;

namespace {
std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// The model's declarations by exact name, for one merge: open addressing over views into the
// model lines, which stay unchanged until the merge's result is applied.
class DeclarationIndex {
 public:
  DeclarationIndex(const std::array<std::wstring, kMaxLines + 1>& lines, int count)
      : names_(static_cast<std::size_t>(count) + 1), next_(static_cast<std::size_t>(count) + 1) {
    std::size_t capacity = 2;
    while (capacity < 2 * names_.size()) capacity *= 2;
    heads_.assign(capacity, 0);
    for (int k = 1; k <= count; ++k) {
      const auto name = DeclaredName(lines[k]);
      if (!name || name->empty()) continue;
      names_[k] = *name;
      std::int16_t& head = heads_[SlotOf(*name)];
      next_[k] = head;
      head = static_cast<std::int16_t>(k);
    }
  }
  // A line that declares the name, 0 when none does; Next gives the others.
  [[nodiscard]] int Find(std::wstring_view name) const { return heads_[SlotOf(name)]; }
  [[nodiscard]] int Next(int line) const { return next_[line]; }

 private:
  // The slot of the name's lines, or the empty slot where they would go.
  [[nodiscard]] std::size_t SlotOf(std::wstring_view name) const {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const wchar_t c : name) hash = (hash ^ static_cast<std::uint32_t>(c)) * 16777619u;
    const std::size_t mask = heads_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      if (heads_[i] == 0 || names_[heads_[i]] == name) return i;
    }
  }

  std::vector<std::wstring_view> names_;  // by line
  std::vector<std::int16_t> next_;        // by line: the next line of the same name, 0 at the end
  std::vector<std::int16_t> heads_;       // by slot: the first line of a name, 0 when free
};

constexpr std::wstring_view kReportHeader =
    L"The following phrases were found in the standard Lang.inc file\r\n"
    L"but were not found in the custom Lang.inc file.\r\n"
    L"Please edit them manually using Notepad.exe .\r\n"
    L"\r\n";
}  // namespace

void Module1State::LoadStandardFile(const std::wstring& path) {
  const std::wstring context = L"Cannot load the standard file " + Quoted(path);
  const std::string bytes = files_->ReadAll(path, kMaxFileBytes);
  const RawIncludeFile file = SplitIncludeFile(bytes, kMaxLines, context);

  // Every line is decoded once to see that the file loads, and once more straight into the
  // model: no second copy of the file's text.
  std::wstring line;
  for (std::size_t i = 0; i < file.lines.size(); ++i) DecodeIncludeLine(file.lines[i], i + 1, *codec_, context, line);
  for (std::size_t i = 0; i < file.lines.size(); ++i) {
    DecodeIncludeLine(file.lines[i], i + 1, *codec_, context, incLines[i + 1]);
  }
  incCount = static_cast<std::int16_t>(file.lines.size());
  incUtf8Bom = file.utf8Bom;
}

MergeSummary Module1State::MergeCustomFile(const std::wstring& path) {
  const std::wstring context = L"Cannot merge the customized file " + Quoted(path);
  const std::string bytes = files_->ReadAll(path, kMaxFileBytes);
  const RawIncludeFile file = SplitIncludeFile(bytes, static_cast<std::size_t>(-1), context);

  // Per model line, the last entry that names it. A replacing entry declares the same name, so
  // applying only the last one gives what applying each in file order would. The whole file is
  // decoded, one line at a time, before the model changes; the replacing entries are then
  // decoded once more, straight into the model's lines, so no copy of the file's text is kept.
  const DeclarationIndex index(incLines, incCount);
  std::array<std::size_t, kMaxLines + 1> replacement;
  replacement.fill(kNone);
  MergeSummary summary;
  summary.lines = file.lines.size();
  std::wstring line;
  for (std::size_t i = 0; i < file.lines.size(); ++i) {
    DecodeIncludeLine(file.lines[i], i + 1, *codec_, context, line);
    const auto name = EntryName(line);
    if (!name) continue;
    ++summary.entries;
    const auto key = StripBlanks(*name);
    int k = key.empty() ? 0 : index.Find(key);
    if (k == 0) summary.unmatched.emplace_back(key.empty() ? std::wstring_view(line) : key);
    for (; k != 0; k = index.Next(k)) replacement[k] = i;
  }
  for (int k = 1; k <= incCount; ++k) {
    incFound[k] = replacement[k] != kNone ? 1 : 0;
    if (replacement[k] != kNone) {
      DecodeIncludeLine(file.lines[replacement[k]], replacement[k] + 1, *codec_, context, incLines[k]);
    }
  }
  return summary;
}

std::wstring Module1State::BuildReportText() const {
  std::wstring list;
  for (std::int16_t k = 1; k <= incCount; ++k) {
    if (IsPhrase(incLines[k]) && incFound[k] != 1) {
      list += incLines[k];
      list += L"\r\n";
    }
  }
  if (list.empty()) return {};
  return std::wstring(kReportHeader) + list;
}

std::string Module1State::MergedFileBytes(const std::wstring& path) const {
  std::size_t size = 3;
  for (int k = 1; k <= incCount; ++k) size += incLines[k].size() + 2;
  std::string bytes;
  bytes.reserve(size);
  if (incUtf8Bom) bytes.assign(kUtf8Bom);
  for (int k = 1; k <= incCount; ++k) {
    if (!codec_->EncodeAppend(incLines[k], bytes)) {
      throw AppError(L"Cannot save the merged file " + Quoted(path),
                     L"Line " + std::to_wstring(k) + L" holds characters that " + corvanel::CodePageName(*codec_) +
                         L" cannot represent; nothing was written.");
    }
    bytes += "\r\n";
  }
  return bytes;
}

void Module1State::SaveMergedFile(const std::wstring& path) const { files_->ReplaceAll(path, MergedFileBytes(path)); }

void Module1State::SaveMergedFile(const std::wstring& path, const std::wstring& backupPath) const {
  files_->ReplaceKeepingBackup(path, MergedFileBytes(path), backupPath);
}

}  // namespace tessaly
