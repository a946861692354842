#include "module1.h"

#include <algorithm>
#include <deque>
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
  // For a pass over other declarations in about this order (asked for only then): Head and NextNamed.
  void FollowOrder() {
    head_.assign(names_.size(), 0);
    nextNamed_.assign(names_.size() + 1, 0);
    for (const int h : heads_) {
      for (int k = h; k != 0; k = next_[static_cast<std::size_t>(k)]) head_[static_cast<std::size_t>(k)] = h;
    }
    for (std::size_t k = names_.size(); k-- > 1;) {
      nextNamed_[k] = names_[k].empty() ? nextNamed_[k + 1] : static_cast<int>(k);
    }
  }
  // The last position that declares the name, 0 when none does; Next gives the earlier ones.
  // The name's hash may be given, when several indexes are asked for one name.
  [[nodiscard]] int Find(std::wstring_view name) const { return heads_[SlotOf(name, Hash(name))]; }
  [[nodiscard]] int Find(std::wstring_view name, std::uint32_t hash) const { return heads_[SlotOf(name, hash)]; }
  // The same for a name in other text, given its hash and a test of equality with a name.
  template <class Equal>
  [[nodiscard]] int FindWith(std::uint32_t hash, const Equal& equal) const {
    const std::size_t mask = heads_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      if (heads_[i] == 0 || equal(names_[static_cast<std::size_t>(heads_[i])])) return heads_[i];
    }
  }
  [[nodiscard]] static std::uint32_t Hash(std::wstring_view name) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const wchar_t c : name) hash = (hash ^ static_cast<std::uint32_t>(c)) * 16777619u;
    return hash;
  }
  // The hash of the text of bytes, each byte being the character table[byte].
  [[nodiscard]] static std::uint32_t Hash(std::string_view name, const wchar_t* table) {
    std::uint32_t hash = 2166136261u;
    for (const char c : name) hash = (hash ^ static_cast<std::uint32_t>(table[static_cast<unsigned char>(c)])) * 16777619u;
    return hash;
  }
  [[nodiscard]] int Next(int position) const { return next_[static_cast<std::size_t>(position)]; }
  // After FollowOrder: the last position of the name declared at the position (what Find gives).
  [[nodiscard]] int Head(int position) const { return head_[static_cast<std::size_t>(position)]; }
  // After FollowOrder: the first position from this one on that declares a name, 0 when none does.
  [[nodiscard]] int NextNamed(int position) const {
    return static_cast<std::size_t>(position) < names_.size() ? nextNamed_[static_cast<std::size_t>(position)] : 0;
  }
  [[nodiscard]] std::wstring_view Name(int position) const { return names_[static_cast<std::size_t>(position)]; }
  // Positions 0..Size()-1.
  [[nodiscard]] std::size_t Size() const { return names_.size(); }

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
  std::vector<int> head_;                 // by position: the last position of the same name
  std::vector<int> nextNamed_;            // by position: the first position from it on with a name
  std::vector<int> heads_;                // by slot: the last position of a name, 0 when free
};

// The model's declarations by name; values, when asked for, gets the text after each one's "=".
NameIndex ModelIndex(const std::array<std::wstring, kMaxLines + 1>& lines, int count,
                     std::vector<std::wstring_view>* values) {
  std::vector<std::wstring_view> names(static_cast<std::size_t>(count) + 1);
  if (values != nullptr) values->assign(names.size(), {});
  for (int k = 1; k <= count; ++k) {
    const auto declaration = SplitDeclaration(std::wstring_view(lines[k]));
    if (!declaration) continue;
    names[k] = declaration->name;
    if (values != nullptr) (*values)[k] = declaration->rest;
  }
  return NameIndex(std::move(names));
}

// The value of a declaration or entry, given its name (a view into the line, which ends before
// the first "="): the text after that "=", its ends stripped of spaces and tabs.
std::wstring_view ValueAfter(std::wstring_view line, std::wstring_view name) {
  // A plain loop: the "=" is a blank or two after the name, too near for a call to find it.
  std::size_t equals = name.empty() ? 0 : static_cast<std::size_t>(name.data() + name.size() - line.data());
  while (equals < line.size() && line[equals] != L'=') ++equals;
  return equals == line.size() ? std::wstring_view() : StripBlanks(line.substr(equals + 1));
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
// name deciding. Any number of lines. In a code page of one character a byte the names and
// values are read in the bytes themselves, and nothing is decoded; in any other the text is
// decoded once into one buffer (which also checks that it is text).
class Module1State::PreviousValues {
 public:
  // Where a name or a value is, in the bytes or in the decoded text.
  struct Span {
    std::size_t at = 0, size = 0;
  };

  PreviousValues(std::string bytes, const corvanel::AnsiCodec& codec, const std::wstring& context)
      : bytes_(std::move(bytes)), table_(codec.ByteTable()) {
    const RawIncludeFile file = SplitIncludeFile(bytes_, static_cast<std::size_t>(-1), context);
    declarations_.reserve(file.lines.size());
    if (table_ != nullptr) {
      for (const std::string_view line : file.lines) {
        const auto declaration = SplitDeclaration(line);
        if (!declaration || declaration->name.empty()) continue;
        declarations_.push_back({SpanOf(bytes_, declaration->name), SpanOf(bytes_, StripBlanks(declaration->rest))});
      }
      return;
    }
    // Each line is decoded straight onto the end of the text, and kept only when it declares a
    // name. No more characters than bytes in any code page: the text never moves.
    text_.reserve(bytes_.size());
    for (std::size_t i = 0; i < file.lines.size(); ++i) {
      const std::size_t start = text_.size();
      if (!codec.DecodeAppend(file.lines[i], text_)) {
        text_.resize(start);
        std::wstring line;
        DecodeIncludeLine(file.lines[i], i + 1, codec, context, line);  // throws, as for the other files
      }
      const auto declaration = SplitDeclaration(std::wstring_view(text_).substr(start));
      if (!declaration || declaration->name.empty()) {
        text_.resize(start);
        continue;
      }
      declarations_.push_back({SpanOf(text_, declaration->name), SpanOf(text_, StripBlanks(declaration->rest))});
    }
  }
  PreviousValues(const PreviousValues&) = delete;
  PreviousValues& operator=(const PreviousValues&) = delete;

  // Finds each declared name among the model's: the value of each name the model declares is kept
  // by its last position there, the others by name. The two files usually declare their names in
  // the same order, so the model's next declaration is tried before the index.
  void Match(const NameIndex& model) {
    byHead_.assign(model.Size(), kNone);
    std::vector<std::wstring_view> others(1);
    std::vector<std::size_t> otherDeclarations(1);
    int expected = model.NextNamed(1);
    for (std::size_t d = 0; d < declarations_.size(); ++d) {
      const Span name = declarations_[d].name;
      const auto same = [&](std::wstring_view modelName) { return Same(modelName, name); };
      int k = expected != 0 && same(model.Name(expected)) ? expected : model.FindWith(HashOf(name), same);
      if (k == 0) {
        others.push_back(WideName(name));
        otherDeclarations.push_back(d);
        continue;
      }
      expected = model.NextNamed(k + 1);
      byHead_[static_cast<std::size_t>(model.Head(k))] = d;
    }
    otherDeclarations_ = std::move(otherDeclarations);
    others_.emplace(std::move(others));
  }

  // The value declared for the name the model declares last at position k (after Match).
  [[nodiscard]] std::optional<Span> ForModelName(int k) const {
    const std::size_t d = byHead_[static_cast<std::size_t>(k)];
    if (d == kNone) return std::nullopt;
    return declarations_[d].value;
  }
  // The value declared for a name the model does not declare.
  [[nodiscard]] std::optional<Span> ForOtherName(std::wstring_view name, std::uint32_t hash) const {
    const int n = others_->Find(name, hash);
    if (n == 0) return std::nullopt;
    return declarations_[otherDeclarations_[static_cast<std::size_t>(n)]].value;
  }
  // Whether the text is the one at the span.
  [[nodiscard]] bool Same(std::wstring_view text, Span span) const {
    if (text.size() != span.size) return false;
    if (table_ == nullptr) return std::wstring_view(text_).substr(span.at, span.size) == text;
    const auto* bytes = reinterpret_cast<const unsigned char*>(bytes_.data() + span.at);
    // ASCII bytes are their own characters: a loop without early exit that the compiler
    // vectorises; the table only for text with other bytes.
    unsigned any = 0;
    std::uint32_t differ = 0;
    for (std::size_t i = 0; i < span.size; ++i) {
      any |= bytes[i];
      differ |= static_cast<std::uint32_t>(bytes[i]) ^ static_cast<std::uint32_t>(text[i]);
    }
    if (any < 0x80) return differ == 0;
    for (std::size_t i = 0; i < span.size; ++i) {
      if (table_[bytes[i]] != text[i]) return false;
    }
    return true;
  }

 private:
  struct Declared {
    Span name, value;
  };
  template <class Text, class View>
  static Span SpanOf(const Text& text, View part) {
    // An empty part may be a view of nothing, not into the text.
    return part.empty() ? Span{} : Span{static_cast<std::size_t>(part.data() - text.data()), part.size()};
  }
  [[nodiscard]] std::uint32_t HashOf(Span name) const {
    if (table_ == nullptr) return NameIndex::Hash(std::wstring_view(text_).substr(name.at, name.size));
    return NameIndex::Hash(std::string_view(bytes_).substr(name.at, name.size), table_);
  }
  // A name as wide text that stays in place while this lives.
  std::wstring_view WideName(Span name) {
    if (table_ == nullptr) return std::wstring_view(text_).substr(name.at, name.size);
    otherNames_.emplace_back(name.size, L'\0');
    std::wstring& wide = otherNames_.back();
    for (std::size_t i = 0; i < name.size; ++i) wide[i] = table_[static_cast<unsigned char>(bytes_[name.at + i])];
    return wide;
  }

  std::string bytes_;
  const wchar_t* table_;
  std::wstring text_;  // the decoded declarations, without a byte table
  std::vector<Declared> declarations_;
  std::vector<std::size_t> byHead_;             // by model position: the declaration, kNone for none
  std::deque<std::wstring> otherNames_;         // with a byte table: the names the model lacks, decoded
  std::vector<std::size_t> otherDeclarations_;  // by position in others_
  std::optional<NameIndex> others_;
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
  PreviousValues previous(files_->ReadAll(basePath, kMaxFileBytes), *codec_,
                          L"Cannot read the previous standard file " + Quoted(basePath));
  return Merge(path, &previous);
}

MergeSummary Module1State::Merge(const std::wstring& path, PreviousValues* previous) {
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
  std::vector<std::wstring_view> modelValues;
  NameIndex index = ModelIndex(incLines, incCount, previous != nullptr ? &modelValues : nullptr);
  if (previous != nullptr) {
    index.FollowOrder();
    previous->Match(index);
  }
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
    const auto before = k != 0 ? previous->ForModelName(k) : key.empty() ? std::nullopt : previous->ForOtherName(key, hash);
    const bool unchanged = before && previous->Same(value, *before);
    if (k == 0) strays.push_back({i, !unchanged, key.empty()});
    for (; k != 0; k = index.Next(k)) {
      replacement[k] = i;
      outcome[k] = unchanged ? kKeep : kCarry;
      if (!unchanged && before) {
        const std::wstring_view now = StripBlanks(modelValues[k]);
        if (!previous->Same(now, *before) && now != value) outcome[k] = kConflict;
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
    // A conflict shows the new standard line, which the carried entry replaces: moved, not copied.
    if (outcome[k] == kConflict) incConflicts.push_back(std::move(incLines[k]));
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
      DecodeIncludeLine(file.lines[strays[n].line], strays[n].line + 1, *codec_, context, incGone.emplace_back());
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
    std::size_t size = 0;
    for (const std::wstring& line : lines) size += line.size() + 2;
    std::wstring text;
    text.reserve(size);
    for (const std::wstring& line : lines) {
      text += line;
      text += L"\r\n";
    }
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
