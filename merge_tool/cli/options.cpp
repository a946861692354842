#include "options.h"

#include <array>
#include <string_view>

#include "common/version.h"

namespace tessaly::cli {

namespace {
enum class Id { Output, Base, Check, Diff, Backup, Verbose, Force, Encoding, Help, Version };

// An optional value is only ever given after "=", as in GNU tools: "--backup FILE" is no value.
enum class Value { None, Required, Optional };

struct LongOption {
  std::wstring_view name;
  Id id;
  Value value;
};
constexpr std::array<LongOption, 10> kLongOptions = {{
    {L"output", Id::Output, Value::Required},
    {L"base", Id::Base, Value::Required},
    {L"check", Id::Check, Value::None},
    {L"diff", Id::Diff, Value::None},
    {L"backup", Id::Backup, Value::Optional},
    {L"verbose", Id::Verbose, Value::None},
    {L"force", Id::Force, Value::None},
    {L"encoding", Id::Encoding, Value::Required},
    {L"help", Id::Help, Value::None},
    {L"version", Id::Version, Value::None},
}};

#ifdef _WIN32
constexpr bool kWindows = true;  // "/?" asks for help there, as in other Windows programs
#else
constexpr bool kWindows = false;
#endif

std::wstring Quoted(std::wstring_view text) { return L"\"" + std::wstring(text) + L"\""; }

// "1252", "cp1252", "windows-1252", or "utf-8" and "utf8" (code page 65001), letters in any case.
std::optional<unsigned> ParseCodePage(std::wstring_view text) {
  const auto dropPrefix = [&](std::wstring_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
      const wchar_t c = text[i] >= L'A' && text[i] <= L'Z' ? static_cast<wchar_t>(text[i] + 32) : text[i];
      if (c != prefix[i]) return false;
    }
    text.remove_prefix(prefix.size());
    return true;
  };
  if (dropPrefix(L"utf-8") || dropPrefix(L"utf8")) return text.empty() ? std::optional<unsigned>(65001) : std::nullopt;
  if (!dropPrefix(L"windows-")) dropPrefix(L"cp");
  if (text.empty() || text.size() > 5) return std::nullopt;
  unsigned value = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - L'0');
  }
  if (value == 0 || value > 65535) return std::nullopt;
  return value;
}

class Parser {
 public:
  explicit Parser(const std::vector<std::wstring>& args) : args_(args) {}

  std::variant<Options, UsageError> Run() {
    std::vector<std::wstring> operands;
    bool optionsEnded = false;
    for (next_ = 0; next_ < args_.size() && !error_;) {
      const std::wstring& arg = args_[next_++];
      if (kWindows && !optionsEnded && arg == L"/?") {
        Apply(Id::Help, arg, {});
      } else if (optionsEnded || arg.size() < 2 || arg[0] != L'-') {
        operands.push_back(arg);
      } else if (arg == L"--") {
        optionsEnded = true;
      } else if (arg[1] == L'-') {
        Long(std::wstring_view(arg).substr(2));
      } else {
        Short(std::wstring_view(arg).substr(1));
      }
    }
    if (error_) return *error_;
    if (options_.action != Options::Action::Merge) return options_;
    if (options_.output == L"-") options_.output.reset();
    if (operands.size() < 2) {
      return UsageError{operands.empty() ? L"the STANDARD and CUSTOM files are missing"
                                         : L"the CUSTOM file is missing"};
    }
    if (operands.size() > 2) return UsageError{L"unexpected argument " + Quoted(operands[2])};
    if (options_.backup != Options::Backup::None && !options_.output) {
      return UsageError{L"--backup needs --output: there is no previous file on standard output"};
    }
    options_.standard = operands[0];
    options_.custom = operands[1];
    return options_;
  }

 private:
  void Long(std::wstring_view text) {
    const auto equals = text.find(L'=');
    const std::wstring_view name = text.substr(0, equals);
    const LongOption* found = nullptr;
    std::wstring candidates;
    for (const LongOption& option : kLongOptions) {
      if (option.name == name) {
        found = &option;
        candidates.clear();
        break;
      }
      if (option.name.substr(0, name.size()) == name) {
        candidates += (candidates.empty() ? L"--" : L", --") + std::wstring(option.name);
        found = found == nullptr ? &option : found;
      }
    }
    const std::wstring shown = L"--" + std::wstring(name);
    if (found == nullptr) return Fail(L"unknown option " + Quoted(shown));
    if (candidates.find(L',') != std::wstring::npos) {
      return Fail(L"option " + Quoted(shown) + L" is ambiguous (" + candidates + L")");
    }
    const std::wstring full = L"--" + std::wstring(found->name);
    const bool hasValue = equals != std::wstring_view::npos;
    if (found->value == Value::None && hasValue) return Fail(L"option " + Quoted(full) + L" takes no value");
    if (found->value == Value::Required && !hasValue) return TakeNextValue(found->id, full);
    Apply(found->id, full, hasValue ? std::optional(text.substr(equals + 1)) : std::nullopt);
  }

  void Short(std::wstring_view cluster) {
    for (std::size_t i = 0; i < cluster.size() && !error_; ++i) {
      const std::wstring shown = std::wstring(L"-") + cluster[i];
      if (cluster[i] == L'v') {
        Apply(Id::Verbose, shown, {});
      } else if (cluster[i] == L'h') {
        Apply(Id::Help, shown, {});
      } else if (cluster[i] == L'o') {
        if (i + 1 < cluster.size()) return Apply(Id::Output, shown, cluster.substr(i + 1));
        return TakeNextValue(Id::Output, shown);
      } else {
        return Fail(L"unknown option " + Quoted(shown));
      }
    }
  }

  void TakeNextValue(Id id, const std::wstring& shown) {
    if (next_ >= args_.size()) return Fail(L"option " + Quoted(shown) + L" needs a value");
    Apply(id, shown, args_[next_++]);
  }

  // value: none for an option given without one.
  void Apply(Id id, const std::wstring& shown, std::optional<std::wstring_view> given) {
    const std::wstring_view value = given.value_or(std::wstring_view());
    switch (id) {
      case Id::Output:
        if (value.empty()) return Fail(L"option " + Quoted(shown) + L" needs a file name");
        if (options_.output) return Fail(L"the output file is given twice");
        options_.output = std::wstring(value);
        return;
      case Id::Base:
        if (value.empty()) return Fail(L"option " + Quoted(shown) + L" needs a file name");
        if (options_.base) return Fail(L"the previous standard file is given twice");
        options_.base = std::wstring(value);
        return;
      case Id::Encoding:
        if (options_.codePage) return Fail(L"the code page is given twice");
        options_.codePage = ParseCodePage(value);
        if (!options_.codePage) {
          return Fail(L"option " + Quoted(shown) + L": " + Quoted(value) +
                      L" is not a code page (such as 1252, cp1252, windows-1252, utf-8 or utf8)");
        }
        return;
      case Id::Check:
        options_.check = true;
        return;
      case Id::Diff:
        options_.diff = true;
        return;
      case Id::Backup:
        if (!given || value == L"simple") {
          options_.backup = Options::Backup::Simple;
        } else if (value == L"numbered") {
          options_.backup = Options::Backup::Numbered;
        } else {
          return Fail(L"option " + Quoted(shown) + L": " + Quoted(value) +
                      L" is not a kind of backup (simple or numbered)");
        }
        return;
      case Id::Verbose:
        options_.verbose = true;
        return;
      case Id::Force:
        options_.force = true;
        return;
      case Id::Help:
        options_.action = Options::Action::Help;
        return;
      case Id::Version:
        if (options_.action != Options::Action::Help) options_.action = Options::Action::Version;
        return;
    }
  }

  void Fail(std::wstring message) {
    if (!error_) error_ = UsageError{std::move(message)};
  }

  const std::vector<std::wstring>& args_;
  std::size_t next_ = 0;
  Options options_;
  std::optional<UsageError> error_;
};
}  // namespace

std::variant<Options, UsageError> ParseArguments(const std::vector<std::wstring>& args) { return Parser(args).Run(); }

std::wstring UsageText() {
  const wchar_t separator = kWindows ? L'\\' : L'/';
  const std::wstring newFile = std::wstring(L"new") + separator + L"Lang.inc";
  const std::wstring oldFile = std::wstring(L"old") + separator + L"Lang.inc";
  return L"Usage: incmerge [OPTION]... STANDARD CUSTOM [-o OUTPUT]\n"
         L"STANDARD is the new standard file, CUSTOM the old customized file. Carries\n"
         L"the customized CONST entries of CUSTOM into STANDARD, as Tessaly does, and\n"
         L"prints the standard phrases left to edit by hand. STANDARD may have at most\n"
         L"1000 lines.\n"
         L"\n"
         L"  -o, --output FILE  write the merged file to FILE in one safe step (FILE may\n"
         L"                     be STANDARD; \"-\" is standard output); without it, to\n"
         L"                     standard output, the report then to standard error.\n"
         L"                     FILE keeps its permissions" +
         std::wstring(kWindows ? L"" : L", a link to it stays a link") +
         L";\n"
         L"                     a read-only FILE is refused\n"
         L"      --base FILE    the standard file that CUSTOM started from, as it was\n"
         L"                     shipped: entries that still hold its value are not\n"
         L"                     carried, so the new standard values arrive; reports\n"
         L"                     conflicts and changed entries STANDARD no longer has\n"
         L"      --check        write nothing; the exit status tells whether phrases\n"
         L"                     are left\n"
         L"      --diff         write nothing; show what the merge changes in STANDARD\n"
         L"                     as a unified diff, which patch applies (the exit\n"
         L"                     status as with --check, the report on standard error)\n"
         L"      --backup[=KIND]  keep the previous FILE: as FILE.bak (simple, the\n"
         L"                     default; an older one is replaced), or as FILE.~1~,\n"
         L"                     FILE.~2~... (numbered; none is ever replaced)\n"
         L"      --force        allow FILE to be CUSTOM, and STANDARD and CUSTOM to be\n"
         L"                     one file\n"
         L"  -v, --verbose      counts (with --base: carried, unchanged, conflicts,\n"
         L"                     gone), the replaced lines, the customized entries that\n"
         L"                     matched no line, and the customized lines that look\n"
         L"                     like declarations but were not used, with the reason\n"
         L"      --encoding CP  code page of the files: 1252, cp1252, windows-1252,\n"
         L"                     utf-8 or utf8, letters in any case (default: the ANSI\n"
         L"                     code page on Windows, 1252 elsewhere)\n" +
         std::wstring(kWindows ? L"  -h, --help, /?     show this text\n" : L"  -h, --help         show this text\n") +
         L"      --version      show the version\n"
         L"\n"
         L"Example, the usual upgrade (the merged file replaces the product's new file;\n"
         L"a numbered backup keeps the pristine one even when the step is run again):\n"
         L"  incmerge --backup=numbered " +
         newFile + L" " + oldFile + L" -o " + newFile +
         L"\n"
         L"\n"
         L"Exit status: 0 merged, 1 merged with phrases to edit by hand (or, with\n"
         L"--base, conflicts or gone entries to look at), 2 wrong usage,\n"
         L"3 an input file could not be read or was refused, 4 the output could not be\n"
         L"written, 5 the output was written but the report (or the counts) could not be.\n";
}

std::wstring VersionText() {
  const std::string_view version = CORVANEL_VERSION_TEXT;
  return L"incmerge " + std::wstring(version.begin(), version.end()) + L"\n";
}

}  // namespace tessaly::cli
