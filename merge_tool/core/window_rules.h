#pragma once
// The rules of Tessaly's windows that need no window: what the file selector makes of its
// file-name box, how it forms the chosen folder and its directory list's path, which buttons each
// merge state enables, and how a text is prepared for the message window.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// What accepting the file-name box does with its text.
enum class AcceptAction {
  kNothing,       // the box is empty
  kApplyPattern,  // the text holds "*" or "?": it becomes the file list's pattern, the dialog stays
  kChoose,        // the text is a file name in the directory shown, taken unchanged
};
AcceptAction AcceptRule(std::wstring_view boxText);

enum class AcceptTrigger { kOkButton, kNameBoxDoubleClick, kFileListDoubleClick };

// selPath from the directory list's path. OK and a double-click in the name box always append
// "\", so a drive root gives two separators; a double-click in the file list appends it only
// when the path does not already end in one.
std::wstring FormSelPath(std::wstring_view dirPath, AcceptTrigger trigger);

// The directory list's form of a path: "/" read as "\", runs of separators collapsed (a leading
// "\\" of a network name kept), no trailing separator except at a root ("C:\", "\"). So a folder
// handed back as "C:\\" opens as "C:\" and never grows by a separator per use.
std::wstring NormalizedDirPath(std::wstring_view path);

// The length of the root of a path in that form: 3 for "C:\", the whole "\\server\share".
std::size_t DirRootLength(std::wstring_view path);
// The folder above, in the same form; empty at a root.
std::wstring ParentDirPath(std::wstring_view path);
// Where the file selector opens when `wanted` cannot be read, nearest first: the folders above
// it, then the process's current folder and the folders above that, then the drives' roots.
// Each folder once, `wanted` not among them; all paths in the directory list's form.
std::vector<std::wstring> FallbackFolders(std::wstring_view wanted, std::wstring_view currentDir,
                                          const std::vector<std::wstring>& driveRoots);

// mergeState: 0 nothing loaded, 1 standard file loaded, 2 merged and unsaved, 3 merged and saved.
enum class Step { kLoadStandard, kMergeCustom, kSave };
inline constexpr std::int16_t StateAfter(Step step) {
  return step == Step::kLoadStandard ? 1 : step == Step::kMergeCustom ? 2 : 3;
}

// "2. Load customized .inc file" and "3. Save merged .inc file"; the other buttons are always on.
struct StepButtons {
  bool command2 = false;
  bool command3 = false;
  friend bool operator==(const StepButtons&, const StepButtons&) = default;
};
StepButtons StepButtonsFor(std::int16_t mergeState);

// Only an unsaved merge makes closing ask first.
inline constexpr bool CloseAsks(std::int16_t mergeState) { return mergeState == 2; }

// An edit control ends its text at the first NUL, which would hide every later phrase of a
// report; each NUL is shown as this visible mark instead.
inline constexpr wchar_t kVisibleNul = L'\u2400';
std::wstring WithVisibleNuls(std::wstring_view text);

}  // namespace tessaly
