// libFuzzer target: any bytes as a standard and a customised file (split at the first 0xFF 0x00
// pair). Loading, merging, reporting and saving must never crash, the merge must give what the
// rule applied entry by entry gives (three ways too, against two bases whose outcome is known, and
// the same whether the previous file is read in its bytes or decoded), and whatever loads and is
// not replaced must save back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/app_error.h"
#include "merge_tool/core/include_lines.h"
#include "merge_tool/core/module1.h"
#include "merge_tool/tests/support/decoding_cp1252.h"
#include "merge_tool/tests/support/memory_file_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const auto cut = input.find(std::string("\xFF\0", 2));
  tessaly::testing::MemoryFileStore files;
  files.files[L"s"] = input.substr(0, cut);
  files.files[L"c"] = cut == std::string::npos ? std::string() : input.substr(cut + 2);
  corvanel::Cp1252Codec codec;
  tessaly::Module1State m(files, codec);
  try {
    m.LoadStandardFile(L"s");
  } catch (const corvanel::AppError&) {
    return 0;
  }
  const auto standard = m.incLines;
  tessaly::MergeSummary summary;
  try {
    summary = m.MergeCustomFile(L"c");
  } catch (const corvanel::AppError&) {
  }

  // The rule itself, entry by entry over every line, against the indexed merge.
  auto reference = standard;
  std::vector<std::int16_t> referenceFound(m.incCount + 1, 0);
  std::size_t unmatched = 0;
  try {
    for (const auto& line : tessaly::DecodeIncludeText(files.files[L"c"], codec, SIZE_MAX, L"").lines) {
      const auto name = tessaly::EntryName(line);
      if (!name) continue;
      const auto key = tessaly::StripBlanks(*name);
      bool matched = false;
      for (int k = 1; k <= m.incCount; ++k) {
        const auto declared = tessaly::DeclaredName(reference[k]);
        if (key.empty() || !declared || *declared != key) continue;
        reference[k] = line;
        referenceFound[k] = 1;
        matched = true;
      }
      if (!matched) ++unmatched;
    }
  } catch (const corvanel::AppError&) {
  }
  if (summary.unmatched.size() != unmatched) __builtin_trap();
  for (int k = 1; k <= m.incCount; ++k) {
    if (m.incLines[k] != reference[k] || m.incFound[k] != referenceFound[k]) __builtin_trap();
  }
  (void)m.BuildReportText();

  // Three ways: against a base that declares nothing, the two-way merge; against the standard
  // file as its own base, each line the standard's (kept) or the two-way merge's (carried). And
  // with any base (the customised file as its own too), the previous file read in its bytes
  // gives what it gives decoded.
  files.files[L"none"] = "";
  const tessaly::testing::DecodingCp1252 decoding;
  for (const wchar_t* base : {L"none", L"s", L"c"}) {
    tessaly::Module1State three(files, codec);
    three.LoadStandardFile(L"s");
    tessaly::Module1State decoded(files, decoding);
    decoded.LoadStandardFile(L"s");
    bool failed = false;
    try {
      three.MergeCustomFile(L"c", base);
    } catch (const corvanel::AppError&) {
      failed = true;
    }
    try {
      decoded.MergeCustomFile(L"c", base);
      if (failed) __builtin_trap();
    } catch (const corvanel::AppError&) {
      if (!failed) __builtin_trap();
    }
    if (failed) continue;
    if (three.incLines != decoded.incLines || three.incFound != decoded.incFound ||
        three.incConflicts != decoded.incConflicts || three.incGone != decoded.incGone) {
      __builtin_trap();
    }
    if (base == std::wstring_view(L"c")) continue;
    const bool declaresNothing = base == std::wstring_view(L"none");
    for (int k = 1; k <= m.incCount; ++k) {
      const std::int16_t found = three.incFound[k];
      if (found < 0 || found > 2 || (found != 0) != (m.incFound[k] != 0)) __builtin_trap();
      if (three.incLines[k] != (found == 1 ? m.incLines[k] : standard[k])) __builtin_trap();
      if (declaresNothing && found == 2) __builtin_trap();
    }
    if (declaresNothing && !three.incConflicts.empty()) __builtin_trap();
    (void)three.BuildReportText();
  }

  m.SaveMergedFile(L"out");

  // The saved bytes are the model's lines, each ended by CR LF, after the kept byte-order mark.
  std::string expected = m.incUtf8Bom ? "\xEF\xBB\xBF" : "";
  for (int k = 1; k <= m.incCount; ++k) {
    if (m.incFound[k] == 0 && m.incLines[k] != standard[k]) __builtin_trap();
    expected += *codec.Encode(m.incLines[k]) + "\r\n";
  }
  if (files.files[L"out"] != expected) __builtin_trap();

  // Re-loaded, they give the same model, unless the first line itself begins with the bytes of a
  // byte-order mark (possible once its leading spaces are trimmed): then it reads as one.
  const std::string_view saved = files.files[L"out"];
  const std::string_view body = saved.substr(m.incUtf8Bom ? 3 : 0);
  const bool looksLikeMark = body.starts_with("\xEF\xBB\xBF") || body.starts_with("\xFF\xFE") ||
                             body.starts_with("\xFE\xFF") || saved.starts_with("\xFF\xFE") ||
                             saved.starts_with("\xFE\xFF");
  if (looksLikeMark) return 0;
  tessaly::Module1State again(files, codec);
  again.LoadStandardFile(L"out");
  if (again.incCount != m.incCount) __builtin_trap();
  for (int k = 1; k <= m.incCount; ++k) {
    if (again.incLines[k] != m.incLines[k]) __builtin_trap();
  }
  return 0;
}
