// mainFrm and warnFrm end to end: start-up, instructions, the three steps, the close guard, the
// overwrite question, and the main window's refusal of input while a modal window is up.
#include "common/core/utf8.h"
#include "gui_fixture.h"
#include "merge_tool/tests/support/report_texts.h"

namespace tessaly::gui {
namespace {

using tessaly::testing::kHeader;

using corvanel::WideToUtf8;

const std::wstring kInstructions =
    L"This program will merge the changes in your customized Include.inc or Lang.inc file\r\n"
    L"with the entries in a new Include.inc or Lang.inc file\r\n"
    L"\r\n"
    L"1. Locate the original product's .inc file.\r\n"
    L"2. Locate your customized .inc file.\r\n"
    L"3. Save the merged .inc file over the product's .inc file.\r\n"
    L"\r\n"
    L"You ought to make a copy of your .inc files before you use this program.";

class MainWindow : public GuiTest {
 protected:
  // A standard file and a customised file that supplies all of its phrases.
  void WriteMatchingPair() {
    Write(dir / "std.inc", "CONST a = 1\r\nCONST b = 2\r\n");
    Write(dir / "custom.inc", "CONST a = 10\r\nCONST b = 20\r\n");
  }
  void Merged() {
    WriteMatchingPair();
    LoadStandard(L"std.inc");
    EXPECT_EQ(MergeCustom(L"custom.inc"), L"");
    ASSERT_TRUE(app->Enabled(IDC_MAIN_COMMAND3));
  }
  void ExpectClosesWithoutQuestion() {
    Program::Click(app->Main(), IDC_MAIN_COMMAND4);
    EXPECT_TRUE(app->WaitExit()) << "the program is still running";
  }
  // Requests closing and returns the guard's question.
  MessageBoxView AskClose() {
    Program::Click(app->Main(), IDC_MAIN_COMMAND4);
    const MessageBoxView box = app->WaitMessageBox(L"Exit");
    EXPECT_EQ(box.text, L"You have unsaved changes.\r\nDo you really want to exit?");
    EXPECT_EQ(box.defaultButton, IDCANCEL);
    EXPECT_TRUE(box.questionIcon);
    return box;
  }
};

TEST_F(MainWindow, StartsWithOnlyStepOneExitAndInstructions) {
  Start();
  EXPECT_EQ(TextOf(app->Main()), L"Import .inc file");
  struct Button {
    int id;
    const wchar_t* caption;
    bool enabled;
  };
  const Button buttons[] = {
      {IDC_MAIN_COMMAND5, L"Instructions", true},
      {IDC_MAIN_COMMAND1, L"1. Load standard .inc file", true},
      {IDC_MAIN_COMMAND2, L"2. Load customized .inc file", false},
      {IDC_MAIN_COMMAND3, L"3. Save merged .inc file", false},
      {IDC_MAIN_COMMAND4, L"Exit", true},
  };
  for (const auto& b : buttons) {
    EXPECT_EQ(TextOf(app->Control(b.id)), b.caption);
    EXPECT_EQ(app->Enabled(b.id), b.enabled) << WideToUtf8(b.caption);
  }
  EXPECT_EQ(app->Focus(), app->Control(IDC_MAIN_COMMAND1));
  app->Screenshot("main-window", app->Main());
  ExpectClosesWithoutQuestion();
}

TEST_F(MainWindow, InstructionsInTheMessageWindowAtAnyTime) {
  Start();
  Program::Click(app->Main(), IDC_MAIN_COMMAND5);
  HWND message = app->WaitWindow(L"Message");
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(TextOf(message, IDC_WARN_TEXT1), kInstructions);
  EXPECT_FALSE(IsWindowEnabled(app->Main()));
  EXPECT_EQ(app->Focus(), GetDlgItem(message, IDC_WARN_TEXT1));
  app->Screenshot("message-window", message);

  // OK is not the default button: Enter in the text box only edits the text.
  app->PressKey(VK_RETURN);
  app->Barrier();
  EXPECT_TRUE(IsWindowVisible(message));
  Program::Click(message, IDC_WARN_COMMAND1);
  ASSERT_TRUE(Program::WaitHidden(message));
  EXPECT_TRUE(IsWindow(message)) << "OK hides the window, it does not destroy it";
  EXPECT_TRUE(IsWindowEnabled(app->Main()));
  EXPECT_FALSE(app->Enabled(IDC_MAIN_COMMAND2));

  // The next showing replaces whatever the user typed.
  Program::Click(app->Main(), IDC_MAIN_COMMAND5);
  ASSERT_EQ(app->WaitWindow(L"Message"), message);
  EXPECT_EQ(TextOf(message, IDC_WARN_TEXT1), kInstructions);

  // Closing through the frame destroys the window and ends the wait; the next use makes a new one.
  CloseBox(message);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(message); }));
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(app->Main()) != FALSE; }));
  Program::Click(app->Main(), IDC_MAIN_COMMAND5);
  const HWND again = app->WaitWindow(L"Message");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(TextOf(again, IDC_WARN_TEXT1), kInstructions);
  Program::Click(again, IDC_WARN_COMMAND1);
  EXPECT_TRUE(Program::WaitHidden(again));
  ExpectClosesWithoutQuestion();
}

TEST_F(MainWindow, ThreeStepsReportAndSave) {
  // Indented lines, a tab, a line the customised file supplies twice, and no final CR LF.
  Write(dir / "std.inc",
        "<%\r\n  CONST txtHello = 1\r\nCONST txtName = 2\r\n\tCONST txtTab = 3\r\nCONST txtLeft = 4\r\n"
        "CONST txtOther = 5\r\n%>");
  Write(dir / "custom.inc", "const txtHello = \"Hi\"  \r\nCONST txtName = 7\r\nCONST txtName = 8\r\n");
  Start();
  LoadStandard(L"std.inc");
  EXPECT_TRUE(app->Enabled(IDC_MAIN_COMMAND2));
  EXPECT_FALSE(app->Enabled(IDC_MAIN_COMMAND3));

  Choose(IDC_MAIN_COMMAND2, kCustomCaption, L"custom.inc");
  const HWND message = app->WaitWindow(L"Message");
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(TextOf(message, IDC_WARN_TEXT1), kHeader + L"CONST txtLeft = 4\r\nCONST txtOther = 5\r\n");
  EXPECT_TRUE(app->Enabled(IDC_MAIN_COMMAND3));
  Program::Click(message, IDC_WARN_COMMAND1);
  ASSERT_TRUE(Program::WaitHidden(message));

  // A new name typed into the box is created without a question.
  Choose(IDC_MAIN_COMMAND3, kSaveCaption, L"merged.inc");
  ExpectNoMessageBox();
  EXPECT_EQ(Read(dir / "merged.inc"),
            "<%\r\nconst txtHello = \"Hi\"\r\nCONST txtName = 8\r\n\tCONST txtTab = 3\r\nCONST txtLeft = 4\r\n"
            "CONST txtOther = 5\r\n%>\r\n");
  EXPECT_TRUE(app->Enabled(IDC_MAIN_COMMAND3)) << "the same result can be saved again";
  ExpectClosesWithoutQuestion();
}

TEST_F(MainWindow, ReportShowsEveryPhraseBehindANul) {
  Write(dir / "std.inc", std::string("CONST a\0b = 1\r\nCONST c = 2\r\n", 28));
  Write(dir / "custom.inc", "nothing here\r\n");
  Start();
  LoadStandard(L"std.inc");
  EXPECT_EQ(MergeCustom(L"custom.inc"), kHeader + L"CONST a\u2400b = 1\r\nCONST c = 2\r\n");
}

enum class CloseWay { kExitButton, kCloseBox, kEndOfSession };

class CloseGuard : public MainWindow, public ::testing::WithParamInterface<CloseWay> {
 protected:
  void RequestClose() {
    switch (GetParam()) {
      case CloseWay::kExitButton:
        Program::Click(app->Main(), IDC_MAIN_COMMAND4);
        break;
      case CloseWay::kCloseBox:
        CloseBox(app->Main());
        break;
      case CloseWay::kEndOfSession:
        PostMessageW(app->Main(), WM_QUERYENDSESSION, 0, 0);
        break;
    }
  }
};

TEST_P(CloseGuard, AsksAfterAMergeCancelKeepsEverythingOkEnds) {
  Start();
  Merged();
  RequestClose();
  MessageBoxView box = app->WaitMessageBox(L"Exit");
  EXPECT_EQ(box.text, L"You have unsaved changes.\r\nDo you really want to exit?");
  EXPECT_EQ(box.defaultButton, IDCANCEL);
  EXPECT_TRUE(box.questionIcon);
  app->Screenshot("exit-question", box.hwnd);
  Program::Answer(box, IDCANCEL);
  app->Barrier();
  EXPECT_TRUE(app->Running());
  EXPECT_TRUE(IsWindowVisible(app->Main()));
  EXPECT_TRUE(app->Enabled(IDC_MAIN_COMMAND3));

  // Still unsaved: the next request asks again; OK ends the program.
  RequestClose();
  box = app->WaitMessageBox(L"Exit");
  Program::Click(box.hwnd, IDOK);
  EXPECT_TRUE(app->WaitExit());
}

TEST_P(CloseGuard, EndsWithoutQuestionWhenNothingIsUnsaved) {
  Start();
  RequestClose();
  EXPECT_TRUE(app->WaitExit());
}

INSTANTIATE_TEST_SUITE_P(Ways, CloseGuard,
                         ::testing::Values(CloseWay::kExitButton, CloseWay::kCloseBox, CloseWay::kEndOfSession));

TEST_F(MainWindow, OverwriteQuestionCancelKeepsTheFileAndTheGuard) {
  Write(dir / "target.inc", "old\r\n");
  Start();
  Merged();
  Choose(IDC_MAIN_COMMAND3, kSaveCaption, L"target.inc");
  MessageBoxView box = app->WaitMessageBox(L"Save");
  EXPECT_EQ(box.text, L"File Exists - overwrite existing file?");
  EXPECT_EQ(box.defaultButton, IDCANCEL);
  EXPECT_TRUE(box.questionIcon);
  Program::Answer(box, IDCANCEL);
  EXPECT_EQ(Read(dir / "target.inc"), "old\r\n");
  Program::Answer(AskClose(), IDCANCEL);

  Choose(IDC_MAIN_COMMAND3, kSaveCaption, L"target.inc");
  box = app->WaitMessageBox(L"Save");
  Program::Answer(box, IDOK);
  app->Barrier();
  EXPECT_EQ(Read(dir / "target.inc"), "CONST a = 10\r\nCONST b = 20\r\n");

  // Saving over the standard file itself works too, after the same question.
  Choose(IDC_MAIN_COMMAND3, kSaveCaption, L"std.inc");
  Program::Answer(app->WaitMessageBox(L"Save"), IDOK);
  app->Barrier();
  EXPECT_EQ(Read(dir / "std.inc"), "CONST a = 10\r\nCONST b = 20\r\n");
  ExpectClosesWithoutQuestion();
}

TEST_F(MainWindow, AFurtherMergeAfterASaveAsksAgain) {
  Start();
  Merged();
  Choose(IDC_MAIN_COMMAND3, kSaveCaption, L"out.inc");
  ExpectNoMessageBox();
  EXPECT_EQ(MergeCustom(L"custom.inc"), L"");
  Program::Answer(AskClose(), IDCANCEL);
}

TEST_F(MainWindow, ANewStandardFileAfterAMergeDropsSaveAndGuard) {
  Start();
  Merged();
  LoadStandard(L"std.inc");
  EXPECT_TRUE(app->Enabled(IDC_MAIN_COMMAND2));
  EXPECT_FALSE(app->Enabled(IDC_MAIN_COMMAND3));
  ExpectClosesWithoutQuestion();
}

TEST_F(MainWindow, ClicksOnDisabledButtonsDoNothing) {
  WriteMatchingPair();
  Write(dir / "target.inc", "old\r\n");
  Start();
  // As an accessibility tool or another program may post them; a save would write the empty
  // model over the file chosen.
  const struct {
    bool standardLoaded;
    int button;
    const wchar_t* caption;
  } cases[] = {
      {false, IDC_MAIN_COMMAND2, kCustomCaption},
      {false, IDC_MAIN_COMMAND3, kSaveCaption},
      {true, IDC_MAIN_COMMAND3, kSaveCaption},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << (c.standardLoaded ? "loaded, " : "nothing loaded, ") << WideToUtf8(c.caption));
    if (c.standardLoaded && !app->Enabled(IDC_MAIN_COMMAND2)) LoadStandard(L"std.inc");
    ASSERT_FALSE(app->Enabled(c.button));
    Program::Click(app->Main(), c.button);
    app->Barrier();
    EXPECT_TRUE(app->Windows(c.caption).empty()) << "the disabled button opened the file selector";
    ExpectNoMessageBox();
  }
  EXPECT_EQ(Read(dir / "target.inc"), "old\r\n");
  ExpectClosesWithoutQuestion();
}

TEST_F(MainWindow, TakesNoInputWhileTheFileSelectorIsUp) {
  WriteMatchingPair();
  Start();
  const HWND selector = OpenSelector(IDC_MAIN_COMMAND1, kStandardCaption);
  ASSERT_NE(selector, nullptr);
  EXPECT_FALSE(IsWindowEnabled(app->Main()));
  Program::Click(app->Main(), IDC_MAIN_COMMAND1);
  Program::Click(app->Main(), IDC_MAIN_COMMAND4);
  PostMessageW(app->Main(), WM_CLOSE, 0, 0);
  app->Barrier();
  EXPECT_TRUE(app->Running());
  EXPECT_EQ(app->Windows(kStandardCaption).size(), 1u);
  EXPECT_TRUE(app->MessageBoxes().empty());
  Choose(selector, L"std.inc");
  app->Barrier();
  EXPECT_TRUE(IsWindowEnabled(app->Main()));
  EXPECT_TRUE(app->Enabled(IDC_MAIN_COMMAND2));
  EXPECT_TRUE(app->Windows(kStandardCaption).empty());
}

TEST_F(MainWindow, TakesNoInputDuringTheOverwriteQuestion) {
  Write(dir / "other.inc", "CONST a = 99\r\n");
  Write(dir / "target.inc", "old\r\n");
  Start();
  Merged();
  Choose(IDC_MAIN_COMMAND3, kSaveCaption, L"target.inc");
  const MessageBoxView box = app->WaitMessageBox(L"Save");
  // A click on step 1 would load another model, which OK would then save over the target.
  Program::Click(app->Main(), IDC_MAIN_COMMAND1);
  PostMessageW(app->Main(), WM_CLOSE, 0, 0);
  app->Barrier();
  EXPECT_TRUE(app->Running());
  EXPECT_TRUE(app->Windows(kStandardCaption).empty());
  EXPECT_TRUE(app->Windows(L"Exit").empty());
  Program::Answer(box, IDOK);
  app->Barrier();
  EXPECT_EQ(Read(dir / "target.inc"), "CONST a = 10\r\nCONST b = 20\r\n");
  ExpectClosesWithoutQuestion();
}

}  // namespace
}  // namespace tessaly::gui
