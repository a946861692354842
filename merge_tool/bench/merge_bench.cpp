// Load + merge + report + save at the model's maximum (1000 standard lines, 1000 entries):
// - in memory, against the literal algorithm of substring search over every line, and three
//   ways (with a previous standard file of 1000 lines) against two;
// - through real files (POSIX file access, safe save), against the floor of the same file
//   access with no decoding or merging: both files read, the output written in one safe step.
// The ratios are printed at the end.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "common/core/trimmed.h"
#include "common/core/utf8.h"
#include "merge_tool/core/include_lines.h"
#include "merge_tool/core/module1.h"
#include "merge_tool/tests/support/memory_file_store.h"

namespace {

namespace fs = std::filesystem;

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

// The standard file the customised one started from: the same phrases, every 20th with another
// value, so that the new standard file changed it and each of those entries is a conflict.
// Every customised entry differs from it: all are carried, the three-way merge's most work.
std::string PreviousValue(int i) {
  return std::string("\"") + (i % 20 == 1 ? "Previous" : "Standard") + " text number " + std::to_string(i) + "\"";
}
std::string PreviousStandardFile() {
  std::string text;
  for (int i = 0; i < 1000; ++i) {
    text += i % 10 == 0 ? "' section " + std::to_string(i) + "\r\n"
                        : "CONST txtPhrase" + std::to_string(i) + " = " + PreviousValue(i) + "\r\n";
  }
  return text;
}

// A site's file as sites have them: every entry of the previous standard file, one in 20 changed.
std::string SiteFile() {
  std::string text;
  for (int i = 999; i >= 0; --i) {
    text += "CONST txtPhrase" + std::to_string(i) + " = " +
            (i % 20 == 3 ? "\"Customised text " + std::to_string(i) + "\"" : PreviousValue(i)) + "\r\n";
  }
  return text;
}

// The two files on disk for the file cases, in a folder of this run.
struct DiskFiles {
  fs::path dir = fs::temp_directory_path() / ("tessaly-bench-" + std::to_string(::getpid()));
  std::wstring standard, custom, output;
  DiskFiles() {
    fs::create_directories(dir);
    std::ofstream(dir / "std.inc", std::ios::binary) << StandardFile();
    std::ofstream(dir / "custom.inc", std::ios::binary) << CustomFile();
    standard = corvanel::Utf8ToWide((dir / "std.inc").string());
    custom = corvanel::Utf8ToWide((dir / "custom.inc").string());
    output = corvanel::Utf8ToWide((dir / "out.inc").string());
  }
  ~DiskFiles() { fs::remove_all(dir); }
};
DiskFiles& Disk() {
  static DiskFiles files;
  return files;
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

// Two ways, or three with the previous standard file, on the customised file given.
void MergeInMemory(benchmark::State& state, const std::string& custom, bool threeWay) {
  tessaly::testing::MemoryFileStore files;
  files.files[L"std"] = StandardFile();
  files.files[L"custom"] = custom;
  files.files[L"base"] = PreviousStandardFile();
  corvanel::Cp1252Codec codec;
  for (auto _ : state) {
    tessaly::Module1State m(files, codec);
    m.LoadStandardFile(L"std");
    if (threeWay) {
      m.MergeCustomFile(L"custom", L"base");
    } else {
      m.MergeCustomFile(L"custom");
    }
    benchmark::DoNotOptimize(m.BuildReportText());
    m.SaveMergedFile(L"out");
  }
}
// Every entry changed: all carried, each base value compared, 50 conflicts: the most work.
void BM_MergeThreeWay(benchmark::State& state) { MergeInMemory(state, CustomFile(), true); }
BENCHMARK(BM_MergeThreeWay)->Unit(benchmark::kMicrosecond);
// A site's usual file, both ways: the three-way merge carries one entry in 20.
void BM_MergeSiteTwoWay(benchmark::State& state) { MergeInMemory(state, SiteFile(), false); }
BENCHMARK(BM_MergeSiteTwoWay)->Unit(benchmark::kMicrosecond);
void BM_MergeSiteThreeWay(benchmark::State& state) { MergeInMemory(state, SiteFile(), true); }
BENCHMARK(BM_MergeSiteThreeWay)->Unit(benchmark::kMicrosecond);

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

// The floor: the same file access with nothing done in between.
void BM_FileFloor(benchmark::State& state) {
  tessaly::FileStore& store = tessaly::SystemFileStore();
  const DiskFiles& disk = Disk();
  for (auto _ : state) {
    const std::string standard = store.ReadAll(disk.standard, tessaly::kMaxFileBytes);
    benchmark::DoNotOptimize(store.ReadAll(disk.custom, tessaly::kMaxFileBytes));
    store.ReplaceAll(disk.output, standard);
  }
}
BENCHMARK(BM_FileFloor)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_MergeFiles(benchmark::State& state) {
  const DiskFiles& disk = Disk();
  corvanel::Cp1252Codec codec;
  for (auto _ : state) {
    tessaly::Module1State m(tessaly::SystemFileStore(), codec);
    m.LoadStandardFile(disk.standard);
    m.MergeCustomFile(disk.custom);
    benchmark::DoNotOptimize(m.BuildReportText());
    m.SaveMergedFile(disk.output);
  }
}
BENCHMARK(BM_MergeFiles)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The console report, and each benchmark's time (the median when repeated) for the ratios.
// Colours only on a terminal: a reporter of one's own does not get Google Benchmark's choice.
class RatioReporter final : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Aggregate && !median) continue;
      auto& time = times_[run.run_name.function_name];
      if (median || !time.median) time = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime(), median};
    }
  }

  void PrintRatios() const {
    const auto ratio = [&](const char* what, const char* slow, const char* fast, bool cpu, const char* target) {
      const auto s = times_.find(slow), f = times_.find(fast);
      if (s == times_.end() || f == times_.end()) return;
      const double value = cpu ? s->second.cpu / f->second.cpu : s->second.real / f->second.real;
      std::printf("%s: %.2fx (%s time; target: %s)\n", what, value, cpu ? "CPU" : "real", target);
    };
    std::printf("\n");
    ratio("Lead of the engine over the literal substring algorithm", "BM_MergeLiteralSubstring", "BM_MergeIndexed",
          true, "at least 100x");
    ratio("Three-way merge against the two-way merge, every entry changed", "BM_MergeThreeWay", "BM_MergeIndexed",
          true, "at most 1.2x");
    ratio("Three-way merge against the two-way merge, one entry in 20 changed", "BM_MergeSiteThreeWay",
          "BM_MergeSiteTwoWay", true, "at most 1.2x");
    ratio("Merge through real files against the file floor", "BM_MergeFiles", "BM_FileFloor", false,
          "at most 1.3x");
  }

 private:
  struct Time {
    double real = 0, cpu = 0;
    bool median = false;
  };
  std::map<std::string, Time> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  reporter.PrintRatios();
  return 0;
}
