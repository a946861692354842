// The window rules of the file selector and the main window, as tables.
#include <gtest/gtest.h>

#include "common/core/utf8.h"
#include "merge_tool/core/window_rules.h"

namespace tessaly {
namespace {

using corvanel::WideToUtf8;
using namespace std::string_literals;

TEST(AcceptRule, ClassifiesTheNameBox) {
  struct Case {
    std::wstring_view box;
    AcceptAction action;
  };
  const Case cases[] = {
      {L"", AcceptAction::kNothing},
      {L"*.inc", AcceptAction::kApplyPattern},
      {L"Lang.in?", AcceptAction::kApplyPattern},
      {L"a.inc;*.txt", AcceptAction::kApplyPattern},  // a wildcard anywhere, even after a plain name
      {L"Lang.inc*", AcceptAction::kApplyPattern},    // in the last position too
      {L"Lang.inc", AcceptAction::kChoose},
      {L" ", AcceptAction::kChoose},  // not trimmed: a space is a name
      {L"sub\\x.inc", AcceptAction::kChoose},
      {L"C:\\other\\x.inc", AcceptAction::kChoose},
  };
  for (const auto& c : cases) EXPECT_EQ(AcceptRule(c.box), c.action) << WideToUtf8(c.box);
}

TEST(FormSelPath, AppendsTheSeparatorPerTrigger) {
  struct Case {
    std::wstring_view dir;
    AcceptTrigger trigger;
    std::wstring_view selPath;
  };
  using enum AcceptTrigger;
  const Case cases[] = {
      {L"C:\\inc", kOkButton, L"C:\\inc\\"},
      {L"C:\\inc", kNameBoxDoubleClick, L"C:\\inc\\"},
      {L"C:\\inc", kFileListDoubleClick, L"C:\\inc\\"},
      {L"C:\\", kOkButton, L"C:\\\\"},
      {L"C:\\", kNameBoxDoubleClick, L"C:\\\\"},
      {L"C:\\", kFileListDoubleClick, L"C:\\"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormSelPath(c.dir, c.trigger), c.selPath) << WideToUtf8(c.dir) << " " << static_cast<int>(c.trigger);
  }
}

TEST(NormalizedDirPath, KeepsOneFormPerFolder) {
  struct Case {
    std::wstring_view in;
    std::wstring_view out;
  };
  const Case cases[] = {
      {L"C:\\", L"C:\\"},
      {L"C:\\\\", L"C:\\"},  // the doubled separator that OK gives at a root
      {L"C:\\\\\\", L"C:\\"},
      {L"C:\\inc", L"C:\\inc"},
      {L"C:\\inc\\", L"C:\\inc"},
      {L"C:\\inc\\\\sub\\\\", L"C:\\inc\\sub"},
      {L"c:/inc/sub/", L"c:\\inc\\sub"},
      {L"\\\\server\\share\\dir\\", L"\\\\server\\share\\dir"},
      {L"\\\\server\\\\share", L"\\\\server\\share"},
      {L"\\", L"\\"},
      {L"C:", L"C:"},  // a drive's current directory, resolved by the caller
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizedDirPath(c.in), c.out) << WideToUtf8(c.in);
}

TEST(NormalizedDirPath, IsStableUnderTheOkRoundTrip) {
  // OK hands back the path plus "\"; the next use sets the list to that again.
  for (std::wstring_view dir : {L"C:\\", L"C:\\inc", L"\\\\server\\share"}) {
    std::wstring path(dir);
    for (int use = 0; use < 3; ++use) path = NormalizedDirPath(FormSelPath(path, AcceptTrigger::kOkButton));
    EXPECT_EQ(path, dir) << WideToUtf8(dir);
  }
}

TEST(ParentDirPath, ClimbsToTheRootAndStops) {
  struct Case {
    std::wstring_view in;
    std::wstring_view out;
  };
  const Case cases[] = {
      {L"C:\\inc\\sub", L"C:\\inc"},
      {L"C:\\inc", L"C:\\"},
      {L"C:\\", L""},
      {L"\\\\server\\share\\dir\\sub", L"\\\\server\\share\\dir"},
      {L"\\\\server\\share\\dir", L"\\\\server\\share"},
      {L"\\\\server\\share", L""},  // a share has no folder above it
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(ParentDirPath(c.in), c.out) << WideToUtf8(c.in);
}

TEST(FallbackFolders, NearestFirstEachOnce) {
  using Folders = std::vector<std::wstring>;
  const Folders roots{L"A:\\", L"C:\\", L"D:\\"};
  struct Case {
    const char* what;
    std::wstring_view wanted;
    std::wstring_view current;
    Folders folders;
  };
  const Case cases[] = {
      {"above the folder, then the current folder, then the roots",
       L"D:\\stick\\inc",
       L"C:\\work",
       {L"D:\\stick", L"D:\\", L"C:\\work", L"C:\\", L"A:\\"}},
      {"a current folder inside the wanted one's chain comes once",
       L"C:\\work\\inc\\sub",
       L"C:\\work",
       {L"C:\\work\\inc", L"C:\\work", L"C:\\", L"A:\\", L"D:\\"}},
      {"the current folder itself gone: the folders above it", L"C:\\work", L"C:\\work", {L"C:\\", L"A:\\", L"D:\\"}},
      {"a drive root", L"D:\\", L"C:\\", {L"C:\\", L"A:\\"}},
      {"a remembered form with two separators", L"D:\\inc\\\\", L"C:\\", {L"D:\\", L"C:\\", L"A:\\"}},
      {"a network folder", L"\\\\srv\\share\\inc", L"C:\\", {L"\\\\srv\\share", L"C:\\", L"A:\\", L"D:\\"}},
  };
  for (const auto& c : cases) EXPECT_EQ(FallbackFolders(c.wanted, c.current, roots), c.folders) << c.what;
}

TEST(MergeStateTable, StepsButtonsAndCloseGuard) {
  struct Case {
    std::int16_t state;
    StepButtons buttons;
    bool closeAsks;
  };
  const Case cases[] = {
      {0, {false, false}, false},
      {1, {true, false}, false},
      {2, {true, true}, true},
      {3, {true, true}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StepButtonsFor(c.state), c.buttons) << c.state;
    EXPECT_EQ(CloseAsks(c.state), c.closeAsks) << c.state;
  }
  // A new standard file after a merge disables saving and drops the guard; a new merge after a
  // save sets the guard again.
  EXPECT_EQ(StepButtonsFor(StateAfter(Step::kLoadStandard)), (StepButtons{true, false}));
  EXPECT_FALSE(CloseAsks(StateAfter(Step::kLoadStandard)));
  EXPECT_TRUE(CloseAsks(StateAfter(Step::kMergeCustom)));
  EXPECT_FALSE(CloseAsks(StateAfter(Step::kSave)));
  EXPECT_EQ(StepButtonsFor(StateAfter(Step::kSave)), (StepButtons{true, true}));
}

TEST(WithVisibleNuls, ShowsEveryCharacter) {
  struct Case {
    std::wstring in;
    std::wstring out;
  };
  const Case cases[] = {
      {L"", L""},
      {L"CONST a = 1\r\n", L"CONST a = 1\r\n"},
      {L"CONST a\0b = 1\r\nCONST c = 2\r\n"s, L"CONST a\u2400b = 1\r\nCONST c = 2\r\n"},
      {L"\0\0"s, L"\u2400\u2400"},
  };
  for (const auto& c : cases) EXPECT_EQ(WithVisibleNuls(c.in), c.out) << WideToUtf8(c.out);
}

}  // namespace
}  // namespace tessaly
