// libFuzzer target: any bytes as a standard and a customised file (split at the first 0xFF 0x00
// pair). Loading, merging, reporting and saving must never crash, and whatever loads and is not
// replaced must save back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/core/app_error.h"
#include "merge_tool/core/include_lines.h"
#include "merge_tool/core/module1.h"
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
  try {
    m.MergeCustomFile(L"c");
  } catch (const corvanel::AppError&) {
  }
  (void)m.BuildReportText();
  m.SaveMergedFile(L"out");

  // Re-load what was saved: the same model, line for line.
  tessaly::Module1State again(files, codec);
  again.LoadStandardFile(L"out");
  if (again.incCount != m.incCount) __builtin_trap();
  for (int k = 1; k <= m.incCount; ++k) {
    if (again.incLines[k] != m.incLines[k]) __builtin_trap();
    if (m.incFound[k] == 0 && m.incLines[k] != standard[k]) __builtin_trap();
  }
  return 0;
}
