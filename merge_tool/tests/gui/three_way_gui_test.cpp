// The system menu's "Previous standard file...": chosen through the menu as a user does, it makes
// step 2 merge three ways; chosen again, it is cleared.
#include "gui_fixture.h"
#include "merge_tool/tests/support/report_texts.h"

namespace tessaly::gui {
namespace {

using tessaly::testing::kConflictsHeader;
using tessaly::testing::kGoneHeader;
using tessaly::testing::kHeader;

class ThreeWay : public GuiTest {
 protected:
  // Opens the system menu and chooses its last item, ours, with the arrow keys and Enter.
  void ChoosePreviousStandardItem(const std::string& shot) {
    const HWND menu = app->OpenSystemMenu(app->Main());
    ASSERT_NE(menu, nullptr);
    app->Screenshot(shot, menu);
    app->PressKey(VK_END);
    app->PressKey(VK_RETURN);
    ASSERT_TRUE(Program::WaitHidden(menu));
  }
};

TEST_F(ThreeWay, ThePreviousStandardFileMakesStepTwoMergeThreeWays) {
  Write(dir / "shipped.inc",
        "CONST PRODUCT_VERSION = \"4.0\"\r\nCONST txtLogin = \"Log in\"\r\nCONST txtSent = \"Sent items\"\r\n"
        "CONST txtSignature = \"Sent from Pellinor\"\r\n");
  Write(dir / "std.inc",
        "CONST PRODUCT_VERSION = \"4.1\"\r\nCONST txtLogin = \"Sign in\"\r\nCONST txtSent = \"Sent messages\"\r\n"
        "CONST txtTasks = \"Tasks\"\r\n");
  Write(dir / "custom.inc",
        "CONST PRODUCT_VERSION = \"4.0\"\nconst txtLogin = \"Log in\"\nCONST txtSent = \"Sent mail\"\n"
        "CONST txtSignature = \"Sent from Contoso\"\n");
  Start();

  ChoosePreviousStandardItem("system-menu");
  Choose(app->WaitWindow(L"Locate previous standard .inc file"), L"shipped.inc");
  ExpectNoMessageBox();
  EXPECT_FALSE(app->Enabled(IDC_MAIN_COMMAND2)) << "choosing the previous file is no step";

  LoadStandard(L"std.inc");
  Choose(IDC_MAIN_COMMAND2, kCustomCaption, L"custom.inc");
  const HWND message = app->WaitWindow(L"Message");
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(TextOf(message, IDC_WARN_TEXT1), kHeader + L"CONST txtTasks = \"Tasks\"\r\n\r\n" + kConflictsHeader +
                                                 L"CONST txtSent = \"Sent messages\"\r\n\r\n" + kGoneHeader +
                                                 L"CONST txtSignature = \"Sent from Contoso\"\r\n");
  app->Screenshot("three-way-report", message);
  Program::Click(message, IDC_WARN_COMMAND1);
  ASSERT_TRUE(Program::WaitHidden(message));
  Choose(IDC_MAIN_COMMAND3, kSaveCaption, L"merged.inc");
  ExpectNoMessageBox();
  EXPECT_EQ(Read(dir / "merged.inc"),
            "CONST PRODUCT_VERSION = \"4.1\"\r\nCONST txtLogin = \"Sign in\"\r\nCONST txtSent = \"Sent mail\"\r\n"
            "CONST txtTasks = \"Tasks\"\r\n");

  // The item now has its check mark; choosing it clears the previous file without a dialog, and
  // step 2 merges two ways again: every entry carried, the vendor's new values lost as before.
  ChoosePreviousStandardItem("system-menu-checked");
  ExpectNoMessageBox();
  EXPECT_TRUE(app->Windows(L"Locate previous standard .inc file").empty());
  LoadStandard(L"std.inc");
  EXPECT_EQ(MergeCustom(L"custom.inc"), kHeader + L"CONST txtTasks = \"Tasks\"\r\n");
  Choose(IDC_MAIN_COMMAND3, kSaveCaption, L"merged.inc");
  Program::Answer(app->WaitMessageBox(L"Save"), IDOK);
  app->Barrier();
  EXPECT_EQ(Read(dir / "merged.inc"),
            "CONST PRODUCT_VERSION = \"4.0\"\r\nconst txtLogin = \"Log in\"\r\nCONST txtSent = \"Sent mail\"\r\n"
            "CONST txtTasks = \"Tasks\"\r\n");
}

}  // namespace
}  // namespace tessaly::gui
