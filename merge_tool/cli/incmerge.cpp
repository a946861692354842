#include "incmerge.h"

#include <map>
#include <memory>
#include <set>
#include <variant>

#include "common/core/ansi_codec.h"
#include "common/core/app_error.h"
#include "common/core/utf8.h"
#include "merge_tool/core/include_lines.h"
#include "merge_tool/core/module1.h"
#include "options.h"
#include "unified_diff.h"

namespace tessaly::cli {

using corvanel::AppError;

namespace {
// Every error is one line: "incmerge: " and what failed, naming the file and the reason.
void ReportError(OutStream& err, std::wstring message) {
  for (wchar_t& c : message) {
    if (c == L'\r' || c == L'\n') c = L' ';
  }
  try {
    err.WriteMessage(L"incmerge: " + message);
  } catch (const AppError&) {
    // Standard error itself is gone: the exit status is all that is left to tell.
  }
}

void WriteLines(OutStream& stream, const std::wstring& text) {
  for (std::size_t start = 0; start < text.size();) {
    const auto end = text.find(L'\n', start);
    stream.WriteMessage(std::wstring_view(text).substr(start, end - start));
    start = end + 1;
  }
}

// Text from the include files: a console shows it, anything else gets the files' own bytes.
void WriteContent(OutStream& stream, std::wstring_view text, const corvanel::AnsiCodec& codec, const wchar_t* what) {
  if (stream.IsConsole()) return stream.WriteText(text);
  const auto bytes = codec.Encode(text);
  if (!bytes) {
    throw AppError(std::wstring(L"Cannot write ") + what,
                   L"It holds characters that " + corvanel::CodePageName(codec) + L" cannot represent.");
  }
  stream.WriteBytes(*bytes);
}

std::wstring MergedText(const Module1State& m) {
  std::wstring text;
  for (int k = 1; k <= m.incCount; ++k) text += m.incLines[k] + L"\r\n";
  return text;
}

// Tessaly's header speaks of Lang.inc and Notepad whatever was merged: incmerge names the two
// files, as given. The report goes out in the files' code page, so a character of a name that it
// cannot represent is shown as "?".
std::wstring PhrasesHeader(const Options& options, const corvanel::AnsiCodec& codec) {
  const auto shown = [&](std::wstring_view name) {
    std::wstring text;
    std::string scratch;
    for (std::size_t i = 0; i < name.size();) {
      const bool pair = name[i] >= 0xD800 && name[i] <= 0xDBFF && i + 1 < name.size();
      const std::wstring_view c = name.substr(i, pair ? 2 : 1);
      scratch.clear();
      text += codec.EncodeAppend(c, scratch) ? std::wstring(c) : std::wstring(L"?");
      i += c.size();
    }
    return L"\"" + text + L"\"";
  };
  return L"The following phrases were found in the standard file " + shown(options.standard) +
         L"\r\nbut were not found in the customized file " + shown(options.custom) +
         L".\r\nPlease edit them by hand in the merged file.\r\n\r\n";
}

void WriteCounts(OutStream& err, const Module1State& m, const MergeSummary& summary, bool threeWay) {
  int replaced = 0;
  int unmatchedPhrases = 0;
  for (int k = 1; k <= m.incCount; ++k) {
    replaced += m.incFound[k] == 1 ? 1 : 0;
    unmatchedPhrases += IsPhrase(m.incLines[k]) && m.incFound[k] == 0 ? 1 : 0;
  }
  err.WriteMessage(L"lines read: " + std::to_wstring(m.incCount) + L" standard, " + std::to_wstring(summary.lines) +
                   L" customized");
  err.WriteMessage(L"entries read: " + std::to_wstring(summary.entries));
  err.WriteMessage(L"lines replaced: " + std::to_wstring(replaced));
  for (int k = 1; k <= m.incCount; ++k) {
    if (m.incFound[k] != 1) continue;
    const auto name = EntryName(m.incLines[k]);
    err.WriteMessage(L"  line " + std::to_wstring(k) + L": " + std::wstring(name ? StripBlanks(*name) : L""));
  }
  err.WriteMessage(L"phrases unmatched: " + std::to_wstring(unmatchedPhrases));
  err.WriteMessage(L"entries that matched no line: " + std::to_wstring(summary.unmatched.size()));
  for (const std::wstring& name : summary.unmatched) err.WriteMessage(L"  " + name);
  if (!threeWay) return;
  err.WriteMessage(L"entries carried: " + std::to_wstring(summary.carried));
  err.WriteMessage(L"entries unchanged (the new standard value kept): " + std::to_wstring(summary.unchanged));
  err.WriteMessage(L"conflicts: " + std::to_wstring(m.incConflicts.size()));
  err.WriteMessage(L"gone: " + std::to_wstring(m.incGone.size()));
}

// Names compared as VBScript compares them, without regard to the case of ASCII letters.
std::wstring Folded(std::wstring_view name) {
  std::wstring folded(name);
  for (wchar_t& c : folded) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return folded;
}

// The customized lines that look like declarations yet replaced nothing, and why: the merge
// rule's near misses, which users otherwise find only by reading the merged file. The file is
// read again: the merge itself keeps none of its text.
void WriteLinesNotUsed(OutStream& err, const Module1State& m, const std::wstring& custom,
                       const corvanel::AnsiCodec& codec) {
  std::set<std::wstring_view> declared;
  std::map<std::wstring, std::wstring_view> byFolded;
  for (int k = 1; k <= m.incCount; ++k) {
    const auto name = DeclaredName(m.incLines[k]);
    if (!name || name->empty()) continue;
    declared.insert(*name);
    byFolded.emplace(Folded(*name), *name);
  }
  const std::wstring context = L"Cannot read \"" + custom + L"\" again";
  const std::string bytes = m.Files().ReadAll(custom, kMaxFileBytes);
  const RawIncludeFile file = SplitIncludeFile(bytes, static_cast<std::size_t>(-1), context);
  std::vector<std::wstring> lines;
  std::wstring line;
  for (std::size_t i = 0; i < file.lines.size(); ++i) {
    DecodeIncludeLine(file.lines[i], i + 1, codec, context, line);
    std::wstring reason(WhyNotAnEntry(line));
    if (const auto name = EntryName(line); name && reason.empty()) {
      const auto key = StripBlanks(*name);
      const auto twin = byFolded.find(Folded(key));
      if (key.empty() || declared.count(key) != 0 || twin == byFolded.end()) continue;
      reason = L"name differs only in case from " + std::wstring(twin->second);
    }
    if (!reason.empty()) lines.push_back(L"  line " + std::to_wstring(i + 1) + L" (" + reason + L"): " + line);
  }
  err.WriteMessage(L"customized lines that look like declarations but were not used: " + std::to_wstring(lines.size()));
  for (const std::wstring& shown : lines) err.WriteMessage(shown);
}

// A file name in a diff's header, as patch looks the file up: natively the bytes given, on
// Windows the files' code page (UTF-8 for a name it cannot carry).
std::string HeaderName(const std::wstring& name, const corvanel::AnsiCodec& codec) {
#ifdef _WIN32
  return codec.Encode(name).value_or(corvanel::WideToUtf8(name));
#else
  (void)codec;
  return corvanel::WideToFileName(name);
#endif
}

// The merge as a unified diff from the standard file's bytes, read again: the model keeps its
// lines trimmed and its line ends as the merged file writes them, not as the file has them.
void WriteDiff(OutStream& out, const Module1State& m, const Options& options, const corvanel::AnsiCodec& codec,
               const std::string& bytes) {
  const std::string merged = m.MergedFileBytes(L"standard output");
  const std::wstring context = L"Cannot read the standard file \"" + options.standard + L"\" again";
  const RawIncludeFile file = SplitIncludeFile(bytes, kMaxLines, context);
  std::vector<std::string_view> before;
  std::vector<std::string_view> after;
  for (std::size_t i = 0; i < file.lines.size(); ++i) {
    // From the file's first byte, so that the byte-order mark is in the first line.
    const char* const begin = i == 0 ? bytes.data() : file.lines[i].data();
    const char* const end = i + 1 < file.lines.size() ? file.lines[i + 1].data() : bytes.data() + bytes.size();
    before.emplace_back(begin, static_cast<std::size_t>(end - begin));
  }
  for (std::size_t start = 0; start < merged.size();) {
    const std::size_t end = merged.find("\r\n", start) + 2;
    after.push_back(std::string_view(merged).substr(start, end - start));
    start = end;
  }
  if (before.size() != after.size()) throw AppError(context, L"It changed during the merge.");
  const std::string diff = UnifiedDiff(before, after, HeaderName(options.standard, codec),
                                       HeaderName(options.output.value_or(options.standard), codec));
  if (out.IsConsole()) {
    if (const auto text = codec.Decode(diff)) return out.WriteText(*text);
  }
  out.WriteBytes(diff);
}

// Numbered backups never replace one another: the first number free.
std::wstring NumberedBackup(FileStore& files, const std::wstring& output) {
  for (unsigned n = 1;; ++n) {
    std::wstring name = output + L".~" + std::to_wstring(n) + L"~";
    if (!files.Exists(name)) return name;
  }
}

int Merge(const Options& options, const corvanel::AnsiCodec& codec, OutStream& out, OutStream& err) {
  Module1State& m = Module1;
  m.UseCodec(codec);
  MergeSummary summary;
  std::string standardBytes;  // for --diff
  try {
    // Every input is read whole before anything is written, so OUTPUT may be any of them.
    m.LoadStandardFile(options.standard);
    summary = options.base ? m.MergeCustomFile(options.custom, *options.base) : m.MergeCustomFile(options.custom);
    if (options.diff) standardBytes = m.Files().ReadAll(options.standard, kMaxFileBytes);
  } catch (const AppError& e) {
    ReportError(err, e.Message());
    return kInputFailed;
  }
  const std::wstring report = m.BuildReportText(PhrasesHeader(options, codec));
  const int status = report.empty() ? kMerged : kPhrasesLeft;
  // The merged file (or the diff) first: the exit status tells what became of it, whatever
  // happens to the report afterwards.
  const bool writes = !options.check && !options.diff;
  try {
    if (options.diff) {
      WriteDiff(out, m, options, codec, standardBytes);
    } else if (options.check) {
      // The status alone tells.
    } else if (!options.output) {
      if (out.IsConsole()) {
        out.WriteText(MergedText(m));
      } else {
        out.WriteBytes(m.MergedFileBytes(L"standard output"));
      }
    } else if (options.backup == Options::Backup::Simple) {
      m.SaveMergedFile(*options.output, *options.output + L".bak");
    } else if (options.backup == Options::Backup::Numbered) {
      m.SaveMergedFile(*options.output, NumberedBackup(m.Files(), *options.output));
    } else {
      m.SaveMergedFile(*options.output);
    }
  } catch (const AppError& e) {
    if (!out.ReaderGone()) ReportError(err, e.Message());
    return kOutputFailed;
  }
  try {
    if (!writes && options.output) {
      err.WriteMessage(std::wstring(L"incmerge: ") + (options.diff ? L"--diff" : L"--check") + L" writes nothing; \"" +
                       *options.output + L"\" was not written");
    }
    if (options.verbose) {
      WriteCounts(err, m, summary, options.base.has_value());
      WriteLinesNotUsed(err, m, options.custom, codec);
    }
    // With --diff standard output holds the diff, and the report goes to standard error.
    if (!options.check && !report.empty()) {
      WriteContent(options.output && writes ? out : err, report, codec, L"the report");
    }
  } catch (const AppError& e) {
    // The reader of a pipe has taken what it wanted: the output is as the status says.
    if (out.ReaderGone()) return kReportFailed;
    const std::wstring done = !writes          ? L""
                              : options.output ? L"; the merged file was saved as \"" + *options.output + L"\""
                                               : L"; the merged file went to standard output";
    ReportError(err, e.Message() + done + L"; only the report is missing");
    return kReportFailed;
  }
  return status;
}
}  // namespace

int RunIncmerge(const std::vector<std::wstring>& args, OutStream& out, OutStream& err) {
  const auto parsed = ParseArguments(args);
  const auto usageError = [&](const std::wstring& message) {
    ReportError(err, message + L" (see \"incmerge --help\")");
    return kUsageError;
  };
  if (const auto* usage = std::get_if<UsageError>(&parsed)) return usageError(usage->message);
  const Options& options = std::get<Options>(parsed);
  try {
    if (options.action == Options::Action::Help) {
      WriteLines(out, UsageText());
      return kMerged;
    }
    if (options.action == Options::Action::Version) {
      WriteLines(out, VersionText());
      return kMerged;
    }
  } catch (const AppError& e) {
    if (!out.ReaderGone()) ReportError(err, e.Message());
    return kOutputFailed;
  }
  std::unique_ptr<corvanel::AnsiCodec> chosen;
  if (options.codePage) {
    chosen = corvanel::MakeCodePageCodec(*options.codePage);
    if (!chosen) {
      return usageError(L"code page " + std::to_wstring(*options.codePage) +
                        L" is unknown here or not an 8-bit code page that keeps ASCII");
    }
  }
  // By identity, not by name: "./x", "x" and a link to x are one file.
  FileStore& files = Module1.Files();
  if (!options.force && options.output && files.SameFile(*options.output, options.custom)) {
    return usageError(L"the output \"" + *options.output +
                      L"\" is the old customized file, which the merge would overwrite (--force allows it)");
  }
  if (!options.force && files.SameFile(options.standard, options.custom)) {
    return usageError(L"the new standard file \"" + options.standard + L"\" and the old customized file \"" +
                      options.custom + L"\" are the same file (--force allows it)");
  }
  return Merge(options, chosen ? *chosen : corvanel::SystemAnsiCodec(), out, err);
}

}  // namespace tessaly::cli
