// Failures of the engine reach the user in one message box with the program's title and the
// error icon, naming the file and the reason; the state and the buttons stay as they were.
#include "common/core/utf8.h"
#include "gui_fixture.h"

namespace tessaly::gui {
namespace {

using corvanel::WideToUtf8;

class Failures : public GuiTest {
 protected:
  // Runs a step whose file fails and checks the box; returns when it has been answered.
  void ExpectFailure(int stepId, const std::wstring& caption, const std::wstring& name, const std::wstring& reason) {
    Choose(stepId, caption, name);
    const MessageBoxView box = app->WaitMessageBox(L"Tessaly");
    EXPECT_TRUE(box.errorIcon);
    EXPECT_NE(box.text.find((dir / name).wstring()), std::wstring::npos) << WideToUtf8(box.text);
    EXPECT_NE(box.text.find(reason), std::wstring::npos) << WideToUtf8(box.text);
    Program::Answer(box, IDOK);
    app->Barrier();
  }
  void ExpectButtons(bool command2, bool command3) {
    EXPECT_EQ(app->Enabled(IDC_MAIN_COMMAND2), command2);
    EXPECT_EQ(app->Enabled(IDC_MAIN_COMMAND3), command3);
  }
  void ExpectCloseAsks() {
    Program::Click(app->Main(), IDC_MAIN_COMMAND4);
    Program::Answer(app->WaitMessageBox(L"Exit"), IDCANCEL);
  }
  void WriteFiles() {
    Write(dir / "std.inc", "CONST a = 1\r\n");
    Write(dir / "custom.inc", "CONST a = 2\r\n");
    std::string big;
    for (int i = 0; i < 1001; ++i) big += "CONST x = 1\r\n";
    Write(dir / "big.inc", big);
    fs::create_directory(dir / "folder.inc");
  }
};

struct BadFile {
  const wchar_t* name;
  const wchar_t* reason;  // part of the message
};
const BadFile kBadFiles[] = {
    {L"missing.inc", L"Cannot read"},
    {L"big.inc", L"1000"},
    {L"folder.inc", L"folder"},
};

TEST_F(Failures, AStandardFileThatCannotBeLoadedChangesNoState) {
  WriteFiles();
  Start();
  for (const auto& bad : kBadFiles) {
    SCOPED_TRACE(WideToUtf8(bad.name));
    ExpectFailure(IDC_MAIN_COMMAND1, kStandardCaption, bad.name, bad.reason);
    ExpectButtons(false, false);
  }
  // After a merge, a failed load keeps the merged result, its Save button and its guard.
  LoadStandard(L"std.inc");
  EXPECT_EQ(MergeCustom(L"custom.inc"), L"");
  for (const auto& bad : kBadFiles) {
    SCOPED_TRACE(WideToUtf8(bad.name));
    ExpectFailure(IDC_MAIN_COMMAND1, kStandardCaption, bad.name, bad.reason);
    ExpectButtons(true, true);
  }
  ExpectCloseAsks();
}

TEST_F(Failures, AMergeThatFailsDoesNotEnableSave) {
  WriteFiles();
  Start();
  LoadStandard(L"std.inc");
  ExpectFailure(IDC_MAIN_COMMAND2, kCustomCaption, L"missing.inc", L"Cannot read");
  ExpectButtons(true, false);
  // The folder of the failed choice is remembered for the next dialog all the same.
  const HWND selector = OpenSelector(IDC_MAIN_COMMAND2, kCustomCaption);
  EXPECT_EQ(Dir1Path(selector), dir.wstring());
  Program::Click(selector, IDC_FSEL_COMMAND2);
  ASSERT_TRUE(Program::WaitHidden(selector));
  Program::Click(app->Main(), IDC_MAIN_COMMAND4);
  EXPECT_TRUE(app->WaitExit()) << "nothing unsaved";
}

TEST_F(Failures, ASaveThatFailsKeepsTheGuard) {
  WriteFiles();
  Start();
  LoadStandard(L"std.inc");
  EXPECT_EQ(MergeCustom(L"custom.inc"), L"");
  ExpectFailure(IDC_MAIN_COMMAND3, kSaveCaption, L"no such folder\\merged.inc", L"Cannot");
  EXPECT_FALSE(fs::exists(dir / "no such folder"));
  ExpectButtons(true, true);
  ExpectCloseAsks();
  // Saving still works afterwards.
  Choose(IDC_MAIN_COMMAND3, kSaveCaption, L"merged.inc");
  ExpectNoMessageBox();
  EXPECT_EQ(Read(dir / "merged.inc"), "CONST a = 2\r\n");
}

}  // namespace
}  // namespace tessaly::gui
