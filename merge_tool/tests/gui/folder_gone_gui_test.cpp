// A folder that disappears while Tessaly runs (removed, renamed, its stick unplugged): the file
// selector still opens, after one message, in the nearest folder above that can be read, so that
// a merge can always be saved; a folder that cannot be opened leaves the lists where they were.
#include <initializer_list>

#include "common/core/utf8.h"
#include "gui_fixture.h"

namespace tessaly::gui {
namespace {

using corvanel::WideToUtf8;
using Names = std::vector<std::wstring>;

class FolderGone : public GuiTest {
 protected:
  // f.inc in every folder, so that each can be chosen from.
  void WriteTree() {
    fs::create_directories(dir / "sub" / "deeper");
    Write(dir / "a.inc", "CONST a = 1\r\n");
    Write(dir / "b.inc", "CONST b = 1\r\n");
    for (const auto& folder : {dir, dir / "sub", dir / "sub" / "deeper"}) Write(folder / "f.inc", "CONST f = 1\r\n");
  }
  const Names kTopFiles{L"a.inc", L"b.inc", L"f.inc"};

  // Opens folders one below the other by double-clicks in the directory list.
  void OpenFolders(HWND selector, std::initializer_list<const wchar_t*> names) {
    for (const wchar_t* name : names) {
      PickItem(selector, IDC_FSEL_DIR1, name, LBN_DBLCLK);
      app->Barrier();
    }
  }
  // The one message about a folder that cannot be read: it names the folder and, when the
  // selector moved, where it shows instead.
  void AnswerFolderMessage(const fs::path& gone, const fs::path& instead) {
    const MessageBoxView box = app->WaitMessageBox(L"Tessaly");
    EXPECT_TRUE(box.errorIcon);
    EXPECT_NE(box.text.find(L"\"" + gone.wstring() + L"\""), std::wstring::npos) << WideToUtf8(box.text);
    EXPECT_NE(box.text.find(L"\"" + instead.wstring() + L"\""), std::wstring::npos) << WideToUtf8(box.text);
    app->Screenshot("folder-gone", box.hwnd);
    Program::Answer(box, IDOK);
  }
  // The selector shows the working folder, and a file chosen there is read.
  void ExpectShowsTheTopFolderAndChooses(HWND selector) {
    ASSERT_NE(selector, nullptr);
    EXPECT_TRUE(IsWindowVisible(selector));
    EXPECT_EQ(Dir1Path(selector), dir.wstring());
    EXPECT_EQ(Items(selector, IDC_FSEL_FILE1), kTopFiles);
    ExpectNoMessageBox();
    Choose(selector, L"f.inc");
    app->Barrier();
    ExpectNoMessageBox();
  }
};

TEST_F(FolderGone, AMergeCanStillBeSavedWhenItsFolderHasGone) {
  WriteTree();
  Write(dir / "sub" / "custom.inc", "CONST f = 2\r\n");
  Start();
  const HWND selector = OpenSelector(IDC_MAIN_COMMAND1, kStandardCaption);
  OpenFolders(selector, {L"sub"});
  Choose(selector, L"f.inc");
  app->Barrier();
  ExpectNoMessageBox();
  EXPECT_EQ(MergeCustom(L"custom.inc"), L"");
  fs::remove_all(dir / "sub");

  Program::Click(app->Main(), IDC_MAIN_COMMAND3);
  AnswerFolderMessage(dir / "sub", dir);
  const HWND save = app->WaitWindow(kSaveCaption);
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(Dir1Path(save), dir.wstring());
  EXPECT_EQ(Items(save, IDC_FSEL_FILE1), kTopFiles);
  ExpectNoMessageBox();
  Choose(save, L"merged.inc");
  ExpectNoMessageBox();
  EXPECT_EQ(Read(dir / "merged.inc"), "CONST f = 2\r\n");
  Program::Click(app->Main(), IDC_MAIN_COMMAND4);
  EXPECT_TRUE(app->WaitExit()) << "saved: closing asks nothing";
}

TEST_F(FolderGone, TheSelectorOpensInTheNearestFolderAbove) {
  const struct {
    const char* what;
    std::initializer_list<const wchar_t*> chosenIn;  // a file chosen there: the remembered folder
    std::initializer_list<const wchar_t*> listsIn;   // then the lists moved there and Cancel
    fs::path gone;                                   // the folder the message names
  } cases[] = {
      {"the remembered folder", {L"sub"}, {}, "sub"},
      {"the remembered folder and its parent", {L"sub", L"deeper"}, {}, "sub/deeper"},
      {"the folder the lists stand in, nothing remembered", {}, {L"sub"}, "sub"},
      {"the remembered folder and the one the lists stand in", {L"sub"}, {L"deeper"}, "sub"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteTree();
    Start();
    HWND selector = nullptr;
    if (c.chosenIn.size() != 0) {
      selector = OpenSelector(IDC_MAIN_COMMAND1, kStandardCaption);
      OpenFolders(selector, c.chosenIn);
      Choose(selector, L"f.inc");
      app->Barrier();
      ExpectNoMessageBox();
    }
    const int step = c.chosenIn.size() != 0 ? IDC_MAIN_COMMAND2 : IDC_MAIN_COMMAND1;
    const std::wstring caption = c.chosenIn.size() != 0 ? kCustomCaption : kStandardCaption;
    if (c.listsIn.size() != 0) {
      selector = OpenSelector(step, caption);
      OpenFolders(selector, c.listsIn);
      Program::Click(selector, IDC_FSEL_COMMAND2);
      ASSERT_TRUE(Program::WaitHidden(selector));
    }
    fs::remove_all(dir / "sub");

    Program::Click(app->Main(), step);
    AnswerFolderMessage((dir / c.gone).make_preferred(), dir);
    ExpectShowsTheTopFolderAndChooses(app->WaitWindow(caption));
    app.reset();
  }
}

TEST_F(FolderGone, AStickUnpluggedOpensInTheWorkingFolder) {
  // Drive T: of the test prefix stands for the stick: its folder is moved away and back.
  const fs::path stick = fs::current_path() / "gui-drive-t";
  const fs::path away = fs::current_path() / "gui-drive-t.unplugged";
  ASSERT_TRUE(fs::is_directory(stick));
  fs::create_directories(stick / "inc");
  Write(stick / "inc" / "f.inc", "CONST f = 1\r\n");
  WriteTree();
  Start();
  HWND selector = OpenSelector(IDC_MAIN_COMMAND1, kStandardCaption);
  PickItem(selector, IDC_FSEL_DRIVE1, L"t:", CBN_SELCHANGE);
  app->Barrier();
  OpenFolders(selector, {L"inc"});
  Choose(selector, L"f.inc");
  app->Barrier();
  ExpectNoMessageBox();

  fs::rename(stick, away);
  struct PlugBackIn {
    const fs::path& stick;
    const fs::path& away;
    ~PlugBackIn() {
      fs::rename(away, stick);
      fs::remove_all(stick / "inc");
    }
  } plugBackIn{stick, away};
  Program::Click(app->Main(), IDC_MAIN_COMMAND2);
  AnswerFolderMessage(L"T:\\inc", dir);
  ExpectShowsTheTopFolderAndChooses(app->WaitWindow(kCustomCaption));
}

TEST_F(FolderGone, TheRereadOnActivationMovesUpAfterOneMessage) {
  WriteTree();
  Start();
  const HWND selector = OpenSelector(IDC_MAIN_COMMAND1, kStandardCaption);
  OpenFolders(selector, {L"sub", L"deeper"});
  ASSERT_EQ(Dir1Path(selector), (dir / "sub" / "deeper").wstring());
  app->SwitchAwayAndBack(selector, [&] { fs::remove_all(dir / "sub"); });
  AnswerFolderMessage(dir / "sub" / "deeper", dir);
  ExpectShowsTheTopFolderAndChooses(selector);
}

TEST_F(FolderGone, ADirectoryThatCannotBeOpenedLeavesTheListsWhereTheyWere) {
  WriteTree();
  Start();
  const HWND selector = OpenSelector(IDC_MAIN_COMMAND1, kStandardCaption);
  ASSERT_NE(selector, nullptr);
  const Names dirItems = Items(selector, IDC_FSEL_DIR1);
  fs::remove_all(dir / "sub");
  PickItem(selector, IDC_FSEL_DIR1, L"sub", LBN_DBLCLK);
  const MessageBoxView box = app->WaitMessageBox(L"Tessaly");
  EXPECT_NE(box.text.find(L"\"" + (dir / "sub").wstring() + L"\""), std::wstring::npos) << WideToUtf8(box.text);
  Program::Answer(box, IDOK);
  EXPECT_EQ(Dir1Path(selector), dir.wstring());
  EXPECT_EQ(Items(selector, IDC_FSEL_DIR1), dirItems);
  ExpectShowsTheTopFolderAndChooses(selector);
}

}  // namespace
}  // namespace tessaly::gui
