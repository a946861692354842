// fileSelectFrm and fSelect end to end: the accept rule, the pattern, the ways out, typed and
// relative names, the folder remembered between steps, a drive root, and a drive not ready.
#include "common/core/utf8.h"
#include "gui_fixture.h"

namespace tessaly::gui {
namespace {

using corvanel::WideToUtf8;
using Names = std::vector<std::wstring>;

// The test prefix maps drive T: to an empty folder and U: to a folder that does not exist.
const fs::path kRootDrive = L"T:\\";
constexpr wchar_t kNotReadyDrive[] = L"u:";

class FileSelector : public GuiTest {
 protected:
  void WriteTree() {
    Write(dir / "a.inc", "CONST a = 1\r\n");
    Write(dir / "b.inc", "CONST b = 1\r\n");
    Write(dir / "c.txt", "CONST c = 1\r\n");
    fs::create_directory(dir / "sub");
    Write(dir / "sub" / "s.inc", "CONST s = 1\r\n");
    Write(dir / "sub" / "x.inc", "CONST x = 1\r\n");
  }
  // Waits until the dialog's state has settled after a posted action.
  void Settle() { app->Barrier(); }
  // The file named in the error box of a failed load: how the dialog formed the path.
  std::wstring FailedPath() {
    const MessageBoxView box = app->WaitMessageBox(L"Tessaly");
    Program::Answer(box, IDOK);
    const auto open = box.text.find(L'"');
    const auto close = box.text.find(L'"', open + 1);
    return open == std::wstring::npos || close == std::wstring::npos ? box.text
                                                                     : box.text.substr(open + 1, close - open - 1);
  }
};

TEST_F(FileSelector, OpensInTheWorkingFolderAndAppliesPatterns) {
  WriteTree();
  Start();
  const HWND selector = OpenSelector(IDC_MAIN_COMMAND1, kStandardCaption);
  ASSERT_NE(selector, nullptr);
  EXPECT_EQ(Dir1Path(selector), dir.wstring());
  EXPECT_EQ(TextOf(selector, IDC_FSEL_TEXT1), L"*.inc");
  EXPECT_EQ(Items(selector, IDC_FSEL_FILE1), (Names{L"a.inc", L"b.inc"}));
  EXPECT_EQ(app->Focus(), GetDlgItem(selector, IDC_FSEL_FILE1));
  app->Screenshot("file-selector", selector);

  // OK with a pattern only filters again; an empty box does nothing.
  struct Case {
    const wchar_t* box;
    Names files;
  };
  const Case cases[] = {
      {L"*.inc", {L"a.inc", L"b.inc"}},
      {L"*.txt", {L"c.txt"}},
      {L"?.inc", {L"a.inc", L"b.inc"}},
      {L"", {L"a.inc", L"b.inc"}},
  };
  for (const auto& c : cases) {
    SetName(selector, c.box);
    Program::Click(selector, IDC_FSEL_COMMAND1);
    Settle();
    EXPECT_TRUE(IsWindowVisible(selector)) << WideToUtf8(c.box);
    EXPECT_EQ(TextOf(selector, IDC_FSEL_TEXT1), c.box);
    EXPECT_EQ(Items(selector, IDC_FSEL_FILE1), c.files) << WideToUtf8(c.box);
  }
  // A click in the list puts the name into the box; Enter presses OK.
  PickItem(selector, IDC_FSEL_FILE1, L"b.inc", LBN_SELCHANGE);
  Settle();
  EXPECT_EQ(TextOf(selector, IDC_FSEL_TEXT1), L"b.inc");
  app->PressKey(VK_RETURN);
  ASSERT_TRUE(Program::WaitHidden(selector));
  Settle();
  EXPECT_TRUE(app->Enabled(IDC_MAIN_COMMAND2));
}

enum class WayOut { kCancel, kEsc, kCloseBox };

class WaysOut : public FileSelector, public ::testing::WithParamInterface<WayOut> {};

TEST_P(WaysOut, ReturnNothingAndChangeNothing) {
  WriteTree();
  Start();
  // A first choice in sub, so that lastPath is set.
  HWND selector = OpenSelector(IDC_MAIN_COMMAND1, kStandardCaption);
  PickItem(selector, IDC_FSEL_DIR1, L"sub", LBN_DBLCLK);
  Settle();
  Choose(selector, L"s.inc");
  Settle();

  // Move to the parent folder, type a name, then leave.
  selector = OpenSelector(IDC_MAIN_COMMAND2, kCustomCaption);
  PickItem(selector, IDC_FSEL_DIR1, dir.filename().wstring(), LBN_DBLCLK);
  Settle();
  EXPECT_EQ(Dir1Path(selector), dir.wstring());
  SetName(selector, L"a.inc");
  switch (GetParam()) {
    case WayOut::kCancel:
      Program::Click(selector, IDC_FSEL_COMMAND2);
      break;
    case WayOut::kEsc:
      app->PressKey(VK_ESCAPE);
      break;
    case WayOut::kCloseBox:
      CloseBox(selector);
      break;
  }
  ASSERT_TRUE(Program::WaitHidden(selector));
  Settle();
  EXPECT_EQ(IsWindow(selector) != FALSE, GetParam() != WayOut::kCloseBox) << "only the frame destroys it";
  EXPECT_TRUE(IsWindowEnabled(app->Main()));
  EXPECT_FALSE(app->Enabled(IDC_MAIN_COMMAND3)) << "no merge happened";
  ExpectNoMessageBox();

  // lastPath is unchanged: the next dialog opens in sub again.
  selector = OpenSelector(IDC_MAIN_COMMAND2, kCustomCaption);
  EXPECT_EQ(Dir1Path(selector), (dir / "sub").wstring());
  EXPECT_EQ(TextOf(selector, IDC_FSEL_TEXT1), L"*.inc");
  Choose(selector, L"x.inc");
  Settle();
  EXPECT_TRUE(app->Enabled(IDC_MAIN_COMMAND3));
}

INSTANTIATE_TEST_SUITE_P(All, WaysOut, ::testing::Values(WayOut::kCancel, WayOut::kEsc, WayOut::kCloseBox));

TEST_F(FileSelector, TypedRelativeNameIsTakenUnchanged) {
  WriteTree();
  Start();
  LoadStandard(L"sub\\s.inc");
  EXPECT_TRUE(app->Enabled(IDC_MAIN_COMMAND2));
  // The folder is the one shown, not the relative part of the name.
  const HWND selector = OpenSelector(IDC_MAIN_COMMAND2, kCustomCaption);
  EXPECT_EQ(Dir1Path(selector), dir.wstring());
  Program::Click(selector, IDC_FSEL_COMMAND2);
  ASSERT_TRUE(Program::WaitHidden(selector));
}

TEST_F(FileSelector, RemembersTheFolderAndRereadsItsFiles) {
  WriteTree();
  Start();
  HWND selector = OpenSelector(IDC_MAIN_COMMAND1, kStandardCaption);
  PickItem(selector, IDC_FSEL_DIR1, L"sub", LBN_DBLCLK);
  Settle();
  EXPECT_EQ(Dir1Path(selector), (dir / "sub").wstring());
  const Names dirItems = Items(selector, IDC_FSEL_DIR1);
  ASSERT_GE(dirItems.size(), 2u);
  EXPECT_EQ(dirItems[dirItems.size() - 2], dir.filename().wstring());
  EXPECT_EQ(dirItems.back(), L"sub") << "sub has no subdirectories";
  EXPECT_EQ(Items(selector, IDC_FSEL_FILE1), (Names{L"s.inc", L"x.inc"}));
  PickItem(selector, IDC_FSEL_FILE1, L"s.inc", LBN_DBLCLK);
  ASSERT_TRUE(Program::WaitHidden(selector));
  Settle();
  ExpectNoMessageBox();
  EXPECT_TRUE(app->Enabled(IDC_MAIN_COMMAND2));

  Write(dir / "sub" / "new.inc", "CONST s = 2\r\n");
  selector = OpenSelector(IDC_MAIN_COMMAND2, kCustomCaption);
  EXPECT_EQ(Dir1Path(selector), (dir / "sub").wstring());
  EXPECT_EQ(TextOf(selector, IDC_FSEL_TEXT1), L"*.inc");
  EXPECT_EQ(Items(selector, IDC_FSEL_FILE1), (Names{L"new.inc", L"s.inc", L"x.inc"}));
  Choose(selector, L"new.inc");
  Settle();
  // The save step opens in the customised file's folder.
  selector = OpenSelector(IDC_MAIN_COMMAND3, kSaveCaption);
  EXPECT_EQ(Dir1Path(selector), (dir / "sub").wstring());
  Program::Click(selector, IDC_FSEL_COMMAND2);
  ASSERT_TRUE(Program::WaitHidden(selector));
}

TEST_F(FileSelector, DoubledSeparatorAtADriveRoot) {
  ASSERT_TRUE(fs::is_directory(kRootDrive)) << "the test prefix maps T: to a folder";
  fs::remove(kRootDrive / "missing.inc");
  std::string big;
  for (int i = 0; i < 1001; ++i) big += "CONST x = 1\r\n";
  Write(kRootDrive / "big.inc", big);
  Start();

  HWND selector = OpenSelector(IDC_MAIN_COMMAND1, kStandardCaption);
  PickItem(selector, IDC_FSEL_DRIVE1, L"t:", CBN_SELCHANGE);
  Settle();
  EXPECT_EQ(Dir1Path(selector), L"T:\\");
  EXPECT_EQ(Items(selector, IDC_FSEL_FILE1), (Names{L"big.inc"}));

  // OK appends a separator even at the root.
  Choose(selector, L"missing.inc");
  EXPECT_EQ(FailedPath(), L"T:\\\\missing.inc");
  // The doubled separator does not grow: the list opens at T:\ and OK gives two again.
  selector = OpenSelector(IDC_MAIN_COMMAND1, kStandardCaption);
  EXPECT_EQ(Dir1Path(selector), L"T:\\");
  Choose(selector, L"missing.inc");
  EXPECT_EQ(FailedPath(), L"T:\\\\missing.inc");
  // A double-click in the name box forms the folder as OK does.
  selector = OpenSelector(IDC_MAIN_COMMAND1, kStandardCaption);
  SetName(selector, L"missing.inc");
  PostMessageW(GetDlgItem(selector, IDC_FSEL_TEXT1), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  ASSERT_TRUE(Program::WaitHidden(selector));
  EXPECT_EQ(FailedPath(), L"T:\\\\missing.inc");
  // A double-click in the file list adds none.
  selector = OpenSelector(IDC_MAIN_COMMAND1, kStandardCaption);
  PickItem(selector, IDC_FSEL_FILE1, L"big.inc", LBN_DBLCLK);
  ASSERT_TRUE(Program::WaitHidden(selector));
  EXPECT_EQ(FailedPath(), L"T:\\big.inc");
  fs::remove(kRootDrive / "big.inc");
}

TEST_F(FileSelector, ADriveNotReadyGivesOneMessageAndReturns) {
  WriteTree();
  Start();
  const HWND selector = OpenSelector(IDC_MAIN_COMMAND1, kStandardCaption);
  const Names filesBefore = Items(selector, IDC_FSEL_FILE1);
  PickItem(selector, IDC_FSEL_DRIVE1, kNotReadyDrive, CBN_SELCHANGE);
  const MessageBoxView box = app->WaitMessageBox(L"File Selection Error!");
  EXPECT_TRUE(box.questionIcon);
  EXPECT_FALSE(box.text.empty());
  EXPECT_EQ(GetDlgItem(box.hwnd, IDCANCEL), nullptr) << "OK only";
  app->Screenshot("drive-not-ready", box.hwnd);
  // While the box is up the dialog takes no input, also none posted to it.
  SetName(selector, L"a.inc");
  Program::Click(selector, IDC_FSEL_COMMAND1);
  Settle();
  EXPECT_TRUE(IsWindowVisible(selector)) << "OK was obeyed behind the message box";
  Program::Answer(box, IDOK);
  Settle();
  ExpectNoMessageBox();

  // The drive list is back on the directory list's drive, which has not moved.
  EXPECT_EQ(Dir1Path(selector), dir.wstring());
  const std::wstring driveShown = TextOf(GetDlgItem(selector, IDC_FSEL_DRIVE1));
  ASSERT_FALSE(driveShown.empty());
  EXPECT_EQ(towupper(driveShown[0]), towupper(dir.wstring()[0]));
  EXPECT_EQ(Items(selector, IDC_FSEL_FILE1), filesBefore);
  Choose(selector, L"a.inc");
  Settle();
  EXPECT_TRUE(app->Enabled(IDC_MAIN_COMMAND2));
}

}  // namespace
}  // namespace tessaly::gui
