#include "merge_tool/cli/unified_diff.h"

#include <gtest/gtest.h>

namespace tessaly::cli {
namespace {

// Lines "1\r\n" to "n\r\n".
std::vector<std::string> Numbered(int n) {
  std::vector<std::string> lines;
  for (int i = 1; i <= n; ++i) lines.push_back(std::to_string(i) + "\r\n");
  return lines;
}

std::string Diff(const std::vector<std::string>& before, const std::vector<std::string>& after) {
  return UnifiedDiff(std::vector<std::string_view>(before.begin(), before.end()),
                     std::vector<std::string_view>(after.begin(), after.end()), "S", "O");
}

TEST(UnifiedDiff, HunksAsDiffMakesThem) {
  const auto changed = [](std::vector<int> at) {
    auto lines = Numbered(20);
    for (const int i : at) lines[i - 1] = std::to_string(i) + "x\r\n";
    return lines;
  };
  const struct {
    const char* what;
    std::vector<std::string> before;
    std::vector<std::string> after;
    std::string diff;
  } cases[] = {
      {"nothing changed", Numbered(20), Numbered(20), ""},
      {"three lines of context", Numbered(20), changed({10}),
       "--- S\n+++ O\n@@ -7,7 +7,7 @@\n 7\r\n 8\r\n 9\r\n-10\r\n+10x\r\n 11\r\n 12\r\n 13\r\n"},
      {"at the start, removed lines before added ones", Numbered(20), changed({1, 2}),
       "--- S\n+++ O\n@@ -1,5 +1,5 @@\n-1\r\n-2\r\n+1x\r\n+2x\r\n 3\r\n 4\r\n 5\r\n"},
      {"six unchanged lines between: one hunk", Numbered(20), changed({18, 11}),
       "--- S\n+++ O\n@@ -8,13 +8,13 @@\n 8\r\n 9\r\n 10\r\n-11\r\n+11x\r\n 12\r\n 13\r\n 14\r\n 15\r\n 16\r\n 17\r\n"
       "-18\r\n+18x\r\n 19\r\n 20\r\n"},
      {"seven between: two", Numbered(20), changed({2, 10}),
       "--- S\n+++ O\n@@ -1,5 +1,5 @@\n 1\r\n-2\r\n+2x\r\n 3\r\n 4\r\n 5\r\n"
       "@@ -7,7 +7,7 @@\n 7\r\n 8\r\n 9\r\n-10\r\n+10x\r\n 11\r\n 12\r\n 13\r\n"},
      {"a last line without its end",
       {"a\r\n", "b"},
       {"a\r\n", "b\r\n"},
       "--- S\n+++ O\n@@ -1,2 +1,2 @@\n a\r\n-b\n\\ No newline at end of file\n+b\r\n"},
      {"lines a lone CR ends are one line to patch",
       {"a\r", "b\r", "c\n", "d\r\n"},
       {"A\r\n", "b\r\n", "c\r\n", "d\r\n"},
       "--- S\n+++ O\n@@ -1,2 +1,4 @@\n-a\rb\rc\n+A\r\n+b\r\n+c\r\n d\r\n"},
      {"one line", {"a\r\n"}, {"b\r\n"}, "--- S\n+++ O\n@@ -1 +1 @@\n-a\r\n+b\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Diff(c.before, c.after), c.diff);
  }
}

}  // namespace
}  // namespace tessaly::cli
