#include "module1.h"

#include <algorithm>
#include <optional>
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

// Declarations by exact name, for one merge: open addressing over views into text that stays
// unchanged while the index is used. Names are given by position 1..n; an empty name is none.
class NameIndex {
 public:
  explicit NameIndex(std::vector<std::wstring_view> names) : names_(std::move(names)), next_(names_.size(), 0) {
    std::size_t capacity = 2;
    while (capacity < 2 * names_.size()) capacity *= 2;
    heads_.assign(capacity, 0);
    for (std::size_t k = 1; k < names_.size(); ++k) {
      if (names_[k].empty()) continue;
      int& head = heads_[SlotOf(names_[k], Hash(names_[k]))];
      next_[k] = head;
      head = static_cast<int>(k);
    }
  }
  // The last position that declares the name, 0 when none does; Next gives the earlier ones.
  // The name's hash may be given, when several indexes are asked for one name.
  [[nodiscard]] int Find(std::wstring_view name) const { return heads_[SlotOf(name, Hash(name))]; }
  [[nodiscard]] int Find(std::wstring_view name, std::uint32_t hash) const { return heads_[SlotOf(name, hash)]; }
  [[nodiscard]] static std::uint32_t Hash(std::wstring_view name) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const wchar_t c : name) hash = (hash ^ static_cast<std::uint32_t>(c)) * 16777619u;
    return hash;
  }
  [[nodiscard]] int Next(int position) const { return next_[static_cast<std::size_t>(position)]; }
  [[nodiscard]] std::wstring_view Name(int position) const { return names_[static_cast<std::size_t>(position)]; }

 private:
  // The slot of the name's positions, or the empty slot where they would go.
  [[nodiscard]] std::size_t SlotOf(std::wstring_view name, std::uint32_t hash) const {
    const std::size_t mask = heads_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      if (heads_[i] == 0 || names_[static_cast<std::size_t>(heads_[i])] == name) return i;
    }
  }

  std::vector<std::wstring_view> names_;  // by position
  std::vector<int> next_;                 // by position: the previous position of the same name, 0 at the end
  std::vector<int> heads_;                // by slot: the last position of a name, 0 when free
};

NameIndex ModelIndex(const std::array<std::wstring, kMaxLines + 1>& lines, int count) {
  std::vector<std::wstring_view> names(static_cast<std::size_t>(count) + 1);
  for (int k = 1; k <= count; ++k) {
    if (const auto name = DeclaredName(lines[k])) names[k] = *name;
  }
  return NameIndex(std::move(names));
}

// The value of a declaration or entry, given its name (a view into the line, which ends before
// the first "="): the text after that "=", its ends stripped of spaces and tabs.
std::wstring_view ValueAfter(std::wstring_view line, std::wstring_view name) {
  const auto from = name.empty() ? 0 : static_cast<std::size_t>(name.data() + name.size() - line.data());
  const auto equals = line.find(L'=', from);
  return equals == std::wstring_view::npos ? std::wstring_view() : StripBlanks(line.substr(equals + 1));
}

constexpr std::wstring_view kReportHeader =
    L"The following phrases were found in the standard Lang.inc file\r\n"
    L"but were not found in the custom Lang.inc file.\r\n"
    L"Please edit them manually using Notepad.exe .\r\n"
    L"\r\n";
constexpr std::wstring_view kConflictsHeader =
    L"The following phrases were changed in the custom file and also, to another\r\n"
    L"text, in the standard file. The custom text was kept; the new standard\r\n"
    L"text is shown here. Please compare them.\r\n"
    L"\r\n";
constexpr std::wstring_view kGoneHeader =
    L"The following phrases were changed in the custom file but are no longer\r\n"
    L"in the standard file. They were not carried over.\r\n"
    L"\r\n";

// One section of the report: its header and its lines, each ended by CR LF, after an empty line
// when the report already holds something.
void AppendSection(std::wstring& report, std::wstring_view header, const std::wstring& list) {
  if (list.empty()) return;
  if (!report.empty()) report += L"\r\n";
  report += header;
  report += list;
}
}  // namespace

// The previous standard file's declarations: the value of each name, the last declaration of a
// name deciding. Any number of lines; its text is decoded once into one buffer.
class Module1State::PreviousValues {
 public:
  PreviousValues(std::string_view bytes, const corvanel::AnsiCodec& codec, const std::wstring& context) {
    const RawIncludeFile file = SplitIncludeFile(bytes, static_cast<std::size_t>(-1), context);
    // Each line is decoded straight onto the end of the text, and kept only when it declares a
    // name. No more characters than bytes in any code page: the text never moves.
    text_.reserve(bytes.size());
    std::vector<std::size_t> bounds;  // name start, name end, value start, value end, per declaration
    bounds.reserve(file.lines.size() * 4);
    for (std::size_t i = 0; i < file.lines.size(); ++i) {
      const std::size_t start = text_.size();
      if (!codec.DecodeAppend(file.lines[i], text_)) {
        text_.resize(start);
        std::wstring line;
        DecodeIncludeLine(file.lines[i], i + 1, codec, context, line);  // throws, as for the other files
      }
      const std::wstring_view line = std::wstring_view(text_).substr(start);
      const auto name = DeclaredName(line);
      if (!name || name->empty()) {
        text_.resize(start);
        continue;
      }
      const std::wstring_view value = ValueAfter(line, *name);
      for (const std::wstring_view part : {*name, value}) {
        // An empty value may be a view of nothing, not into the line.
        bounds.push_back(part.empty() ? start : static_cast<std::size_t>(part.data() - text_.data()));
        bounds.push_back(bounds.back() + part.size());
      }
    }
    const std::wstring_view text(text_);
    std::vector<std::wstring_view> names(bounds.size() / 4 + 1);
    values_.resize(names.size());
    for (std::size_t d = 0; d * 4 < bounds.size(); ++d) {
      const std::size_t* b = &bounds[d * 4];
      names[d + 1] = text.substr(b[0], b[1] - b[0]);
      values_[d + 1] = text.substr(b[2], b[3] - b[2]);
    }
    index_.emplace(std::move(names));
  }
  PreviousValues(const PreviousValues&) = delete;
  PreviousValues& operator=(const PreviousValues&) = delete;

  // The value the file declared for the name; none when it declared no such name.
  [[nodiscard]] std::optional<std::wstring_view> Find(std::wstring_view name, std::uint32_t hash) const {
    const int d = index_->Find(name, hash);
    return d == 0 ? std::nullopt : std::optional<std::wstring_view>(values_[static_cast<std::size_t>(d)]);
  }

 private:
  std::wstring text_;
  std::vector<std::wstring_view> values_;
  std::optional<NameIndex> index_;
};

void Module1State::LoadStandardFile(const std::wstring& path) {
  const std::wstring context = L"Cannot load the standard file " + Quoted(path);
  const std::string bytes = files_->ReadAll(path, kMaxFileBytes);
  const RawIncludeFile file = SplitIncludeFile(bytes, kMaxLines, context);

  // Every line is decoded once, into a string of its own, and all of them take their places in
  // the model only once the whole file has loaded; the model's previous lines are freed.
  std::vector<std::wstring> lines(file.lines.size());
  for (std::size_t i = 0; i < file.lines.size(); ++i) DecodeIncludeLine(file.lines[i], i + 1, *codec_, context, lines[i]);
  for (std::size_t i = 0; i < file.lines.size(); ++i) incLines[i + 1].swap(lines[i]);
  incCount = static_cast<std::int16_t>(file.lines.size());
  incUtf8Bom = file.utf8Bom;
}

MergeSummary Module1State::MergeCustomFile(const std::wstring& path) { return Merge(path, nullptr); }

MergeSummary Module1State::MergeCustomFile(const std::wstring& path, const std::wstring& basePath) {
  const std::string bytes = files_->ReadAll(basePath, kMaxFileBytes);
  const PreviousValues previous(bytes, *codec_, L"Cannot read the previous standard file " + Quoted(basePath));
  return Merge(path, &previous);
}

MergeSummary Module1State::Merge(const std::wstring& path, const PreviousValues* previous) {
  const std::wstring context = L"Cannot merge the customized file " + Quoted(path);
  const std::string bytes = files_->ReadAll(path, kMaxFileBytes);
  const RawIncludeFile file = SplitIncludeFile(bytes, static_cast<std::size_t>(-1), context);

  // Per model line, the last entry that names it. A replacing entry declares the same name, so
  // applying only the last one gives what applying each in file order would. The whole file is
  // decoded, one line at a time, before the model changes; the replacing entries are then
  // decoded once more, straight into the model's lines, so no copy of the file's text is kept.
  // With a previous standard file the last entry also decides whether the line is kept, and
  // whether it is a conflict.
  enum Outcome : std::uint8_t { kCarry, kKeep, kConflict };
  const NameIndex index = ModelIndex(incLines, incCount);
  std::array<std::size_t, kMaxLines + 1> replacement;
  replacement.fill(kNone);
  std::array<Outcome, kMaxLines + 1> outcome{};
  // The entries of names the model lacks, with a previous standard file: by their place in
  // summary.unmatched, which holds their names, and whether they were changed.
  struct Stray {
    std::size_t line;
    bool changed;
    bool noName;  // an empty name is no name: each such entry stands alone
  };
  std::vector<Stray> strays;
  MergeSummary summary;
  summary.lines = file.lines.size();
  std::wstring line;
  for (std::size_t i = 0; i < file.lines.size(); ++i) {
    DecodeIncludeLine(file.lines[i], i + 1, *codec_, context, line);
    const auto name = EntryName(line);
    if (!name) continue;
    ++summary.entries;
    const auto key = StripBlanks(*name);
    const std::uint32_t hash = NameIndex::Hash(key);
    int k = key.empty() ? 0 : index.Find(key, hash);
    if (k == 0) summary.unmatched.emplace_back(key.empty() ? std::wstring_view(line) : key);
    if (previous == nullptr) {
      for (; k != 0; k = index.Next(k)) replacement[k] = i;
      continue;
    }
    const std::wstring_view value = ValueAfter(line, *name);
    const auto before = previous->Find(key, hash);
    const bool unchanged = before && *before == value;
    if (k == 0) strays.push_back({i, !unchanged, key.empty()});
    for (; k != 0; k = index.Next(k)) {
      replacement[k] = i;
      outcome[k] = unchanged ? kKeep : kCarry;
      if (!unchanged && before) {
        const std::wstring_view now = ValueAfter(incLines[k], index.Name(k));
        if (now != *before && now != value) outcome[k] = kConflict;
      }
    }
  }
  incConflicts.clear();
  incGone.clear();
  // Lines of one name share their entry, so counting each entry once counts the names.
  std::vector<bool> counted(previous != nullptr ? file.lines.size() : 0);
  for (int k = 1; k <= incCount; ++k) {
    const std::size_t i = replacement[k];
    const bool carry = i != kNone && outcome[k] != kKeep;
    incFound[k] = i == kNone ? 0 : carry ? 1 : 2;
    if (previous != nullptr && i != kNone && !counted[i]) {
      counted[i] = true;
      ++(carry ? summary.carried : summary.unchanged);
    }
    if (outcome[k] == kConflict) incConflicts.push_back(incLines[k]);
    if (carry) DecodeIncludeLine(file.lines[i], i + 1, *codec_, context, incLines[k]);
  }
  // Gone: of each name the model lacks, its last entry, when changed; decoded once more.
  if (!strays.empty()) {
    const std::size_t first = summary.unmatched.size() - strays.size();
    std::vector<std::wstring_view> names(strays.size() + 1);
    for (std::size_t n = 0; n < strays.size(); ++n) {
      if (!strays[n].noName) names[n + 1] = summary.unmatched[first + n];
    }
    const NameIndex byName(std::move(names));
    for (std::size_t n = 0; n < strays.size(); ++n) {
      const bool last = strays[n].noName || byName.Find(summary.unmatched[first + n]) == static_cast<int>(n + 1);
      if (!last || !strays[n].changed) continue;
      DecodeIncludeLine(file.lines[strays[n].line], strays[n].line + 1, *codec_, context, line);
      incGone.push_back(line);
    }
  }
  return summary;
}

std::wstring Module1State::BuildReportText() const { return BuildReportText(kReportHeader); }

std::wstring Module1State::BuildReportText(std::wstring_view phrasesHeader) const {
  std::wstring list;
  for (std::int16_t k = 1; k <= incCount; ++k) {
    if (IsPhrase(incLines[k]) && incFound[k] == 0) {
      list += incLines[k];
      list += L"\r\n";
    }
  }
  const auto joined = [](const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (const std::wstring& line : lines) text += line + L"\r\n";
    return text;
  };
  std::wstring report;
  AppendSection(report, phrasesHeader, list);
  AppendSection(report, kConflictsHeader, joined(incConflicts));
  AppendSection(report, kGoneHeader, joined(incGone));
  return report;
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
