#pragma once
// incmerge --diff: the merge as a unified diff that patch applies to the standard file. The merge
// replaces lines one for one, so the diff needs no search for the longest common subsequence.
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::cli {

// before[i] is line i of the standard file as the file holds it, its terminator included (CR LF,
// CR or LF; the first one with the file's byte-order mark); after[i] is what the merge made of
// it, with its terminator. Lines are compared and shown as patch sees them, ended by LF: a run of
// lines that only lone CRs separate is one line to patch, and changes as a whole. Hunks have
// `context` unchanged lines around each change; no change gives no text at all.
std::string UnifiedDiff(const std::vector<std::string_view>& before, const std::vector<std::string_view>& after,
                        std::string_view beforeName, std::string_view afterName, std::size_t context = 3);

}  // namespace tessaly::cli
