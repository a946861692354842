#include "unified_diff.h"

#include <algorithm>
#include <deque>
#include <stdexcept>

namespace tessaly::cli {

namespace {
struct Op {
  char kind;              // ' ' unchanged, '-' removed, '+' added
  std::string_view line;  // with its LF, if it has one
};

// The text's lines as patch reads them: each up to and with its LF; the last may lack one.
void AppendLines(std::string_view text, char kind, std::vector<Op>& ops) {
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
    ops.push_back({kind, text.substr(0, length)});
    text.remove_prefix(length);
  }
}

std::string Range(std::size_t first, std::size_t count) {
  // A side without lines in the hunk names the line before it, as diff does.
  if (count == 0) return std::to_string(first - 1) + ",0";
  return count == 1 ? std::to_string(first) : std::to_string(first) + "," + std::to_string(count);
}

void AppendHunk(const std::vector<Op>& ops, std::size_t begin, std::size_t end, std::size_t oldFirst,
                std::size_t newFirst, std::string& text) {
  std::size_t oldCount = 0;
  std::size_t newCount = 0;
  for (std::size_t i = begin; i < end; ++i) {
    oldCount += ops[i].kind != '+' ? 1 : 0;
    newCount += ops[i].kind != '-' ? 1 : 0;
  }
  text += "@@ -" + Range(oldFirst, oldCount) + " +" + Range(newFirst, newCount) + " @@\n";
  const auto append = [&](const Op& op) {
    text += op.kind;
    text += op.line;
    if (!op.line.ends_with('\n')) text += "\n\\ No newline at end of file\n";
  };
  // Each block of changed lines as diff shows it: the removed lines, then the added ones.
  for (std::size_t i = begin; i < end;) {
    if (ops[i].kind == ' ') {
      append(ops[i++]);
      continue;
    }
    std::size_t blockEnd = i;
    while (blockEnd < end && ops[blockEnd].kind != ' ') ++blockEnd;
    for (const char kind : {'-', '+'}) {
      for (std::size_t j = i; j < blockEnd; ++j) {
        if (ops[j].kind == kind) append(ops[j]);
      }
    }
    i = blockEnd;
  }
}
}  // namespace

std::string UnifiedDiff(const std::vector<std::string_view>& before, const std::vector<std::string_view>& after,
                        std::string_view beforeName, std::string_view afterName, std::size_t context) {
  if (before.size() != after.size()) throw std::invalid_argument("UnifiedDiff: the lines do not correspond");
  // Runs of corresponding lines that end where a line of the standard file ends with LF: whole
  // lines to patch on the standard file's side. Each run is unchanged, or replaced whole.
  std::vector<Op> ops;
  std::deque<std::string> runs;  // the text the ops' views show
  for (std::size_t i = 0; i < before.size();) {
    std::string runBefore;
    std::string runAfter;
    do {
      runBefore += before[i];
      runAfter += after[i];
    } while (!before[i++].ends_with('\n') && i < before.size());
    if (runBefore == runAfter) {
      AppendLines(runs.emplace_back(std::move(runBefore)), ' ', ops);
    } else {
      AppendLines(runs.emplace_back(std::move(runBefore)), '-', ops);
      AppendLines(runs.emplace_back(std::move(runAfter)), '+', ops);
    }
  }

  std::string text;
  std::size_t oldLine = 1;  // of ops[i], on each side
  std::size_t newLine = 1;
  std::size_t shown = 0;  // where the last hunk ended
  for (std::size_t i = 0; i < ops.size();) {
    if (ops[i].kind == ' ') {
      ++oldLine, ++newLine, ++i;
      continue;
    }
    // A hunk: the context before this change, the changes up to where more than twice the context
    // of unchanged lines separates the next one, and the context after the last.
    const std::size_t lead = std::min(context, i - shown);
    std::size_t end = i;
    for (std::size_t same = 0; end < ops.size() && same <= 2 * context; ++end) {
      same = ops[end].kind == ' ' ? same + 1 : 0;
    }
    while (ops[end - 1].kind == ' ') --end;
    end = std::min(ops.size(), end + context);
    if (text.empty()) text += "--- " + std::string(beforeName) + "\n+++ " + std::string(afterName) + "\n";
    AppendHunk(ops, i - lead, end, oldLine - lead, newLine - lead, text);
    for (; i < end; ++i) {
      oldLine += ops[i].kind != '+' ? 1 : 0;
      newLine += ops[i].kind != '-' ? 1 : 0;
    }
    shown = end;
  }
  return text;
}

}  // namespace tessaly::cli
