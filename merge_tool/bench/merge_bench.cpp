// Load + merge + report + save at the model's maximum (1000 standard lines, 1000 entries),
// against the literal algorithm of substring search over every line as a baseline.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "common/core/trimmed.h"
#include "merge_tool/core/include_lines.h"
#include "merge_tool/core/module1.h"
#include "merge_tool/tests/support/memory_file_store.h"

namespace {

std::string StandardFile() {
  std::string text;
  for (int i = 0; i < 1000; ++i) {
    text += (i % 10 == 0 ? "' section " : "CONST txtPhrase") + std::to_string(i) + " = \"Standard text number " +
            std::to_string(i) + "\"\r\n";
  }
  return text;
}

std::string CustomFile() {
  std::string text;
  for (int i = 999; i >= 0; --i) {
    text += "CONST txtPhrase" + std::to_string(i) + " = \"Customised text " + std::to_string(i) + "\"\r\n";
  }
  return text;
}

void BM_MergeIndexed(benchmark::State& state) {
  tessaly::testing::MemoryFileStore files;
  files.files[L"std"] = StandardFile();
  files.files[L"custom"] = CustomFile();
  corvanel::Cp1252Codec codec;
  for (auto _ : state) {
    tessaly::Module1State m(files, codec);
    m.LoadStandardFile(L"std");
    m.MergeCustomFile(L"custom");
    benchmark::DoNotOptimize(m.BuildReportText());
    m.SaveMergedFile(L"out");
  }
}
BENCHMARK(BM_MergeIndexed)->Unit(benchmark::kMicrosecond);

// The literal algorithm: every entry searched as a substring in every model line.
void BM_MergeLiteralSubstring(benchmark::State& state) {
  tessaly::testing::MemoryFileStore files;
  files.files[L"std"] = StandardFile();
  files.files[L"custom"] = CustomFile();
  corvanel::Cp1252Codec codec;
  for (auto _ : state) {
    tessaly::Module1State m(files, codec);
    m.LoadStandardFile(L"std");
    const auto custom = tessaly::DecodeIncludeText(files.files[L"custom"], codec, SIZE_MAX, L"").lines;
    for (int k = 1; k <= m.incCount; ++k) m.incFound[k] = 0;
    for (const auto& s : custom) {
      const auto name = tessaly::EntryName(s);
      if (!name) continue;
      for (int k = 1; k <= m.incCount; ++k) {
        if (m.incLines[k].find(*name) != std::wstring::npos) {
          m.incLines[k] = s;
          m.incFound[k] = 1;
        }
      }
    }
    benchmark::DoNotOptimize(m.BuildReportText());
    m.SaveMergedFile(L"out");
  }
}
BENCHMARK(BM_MergeLiteralSubstring)->Unit(benchmark::kMicrosecond);

}  // namespace
