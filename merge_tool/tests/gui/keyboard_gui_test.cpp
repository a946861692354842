// The three windows from the keyboard, keys arriving as a keyboard delivers them: the message
// window's Tab, Shift+Tab, Esc, Enter and Space; the file selector's tab order, Enter, Esc and
// access keys; and the focus kept when a window is left and activated again.
#include "common/core/utf8.h"
#include "gui_fixture.h"

namespace tessaly::gui {
namespace {

using corvanel::WideToUtf8;
using Held = Program::Held;

class Keyboard : public GuiTest {
 protected:
  HWND OpenMessage() {
    Program::Click(app->Main(), IDC_MAIN_COMMAND5);
    return app->WaitWindow(L"Message");
  }
  // The ID of the control with the focus, 0 when it is not a child of `window`.
  int FocusId(HWND window) const {
    const HWND focus = app->Focus();
    return focus != nullptr && IsChild(window, focus) ? GetDlgCtrlID(focus) : 0;
  }
};

TEST_F(Keyboard, MessageWindowMovesBetweenTextAndOkAndOnlyOkEndsIt) {
  Start();
  const HWND message = OpenMessage();
  ASSERT_NE(message, nullptr);
  const std::wstring text = TextOf(message, IDC_WARN_TEXT1);
  ASSERT_EQ(FocusId(message), IDC_WARN_TEXT1);
  // Esc does nothing, in the text box or on OK: the window has no cancel button.
  const struct {
    WORD key;
    Held held;
    int focusAfter;
  } steps[] = {
      {VK_TAB, Held::kNothing, IDC_WARN_COMMAND1},    {VK_TAB, Held::kShift, IDC_WARN_TEXT1},
      {VK_ESCAPE, Held::kNothing, IDC_WARN_TEXT1},    {VK_TAB, Held::kShift, IDC_WARN_COMMAND1},
      {VK_ESCAPE, Held::kNothing, IDC_WARN_COMMAND1}, {VK_TAB, Held::kNothing, IDC_WARN_TEXT1},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(::testing::Message() << "key " << s.key << (s.held == Held::kShift ? " with Shift" : ""));
    app->PressKey(s.key, s.held);
    EXPECT_TRUE(IsWindowVisible(message));
    EXPECT_EQ(FocusId(message), s.focusAfter);
  }
  EXPECT_EQ(TextOf(message, IDC_WARN_TEXT1), text) << "Tab and Esc do not edit the text";

  // Enter or Space on the focused OK presses it; each showing starts in the text box.
  for (const WORD key : {VK_RETURN, VK_SPACE}) {
    SCOPED_TRACE(::testing::Message() << "key " << key);
    if (!IsWindowVisible(message)) {
      ASSERT_EQ(OpenMessage(), message);
    }
    EXPECT_EQ(FocusId(message), IDC_WARN_TEXT1);
    app->PressKey(VK_TAB);
    ASSERT_EQ(FocusId(message), IDC_WARN_COMMAND1);
    app->PressKey(key);
    EXPECT_TRUE(Program::WaitHidden(message));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(app->Main()) != FALSE; }));
  }
  EXPECT_TRUE(app->Running());
}

TEST_F(Keyboard, FileSelectorTabOrder) {
  Start();
  const HWND selector = OpenSelector(IDC_MAIN_COMMAND1, kStandardCaption);
  ASSERT_NE(selector, nullptr);
  ASSERT_EQ(FocusId(selector), IDC_FSEL_FILE1);
  const int forward[] = {IDC_FSEL_COMMAND1, IDC_FSEL_TEXT1,  IDC_FSEL_COMMAND2,
                         IDC_FSEL_DIR1,     IDC_FSEL_DRIVE1, IDC_FSEL_FILE1};
  for (const int id : forward) {
    app->PressKey(VK_TAB);
    EXPECT_EQ(FocusId(selector), id);
  }
  for (auto it = std::rbegin(forward) + 1; it != std::rend(forward); ++it) {
    app->PressKey(VK_TAB, Held::kShift);
    EXPECT_EQ(FocusId(selector), *it);
  }
  app->PressKey(VK_TAB, Held::kShift);
  EXPECT_EQ(FocusId(selector), IDC_FSEL_FILE1);
  EXPECT_TRUE(IsWindowVisible(selector));
}

TEST_F(Keyboard, FileSelectorEnterEscAndAccessKeys) {
  Start();
  // A chosen name that does not exist is reported by the load step, naming the path: the sign
  // that the dialog accepted it.
  const struct {
    const char* what;
    int tabs;  // from the file list
    WORD key;
    Held held;
    bool chosen;
  } cases[] = {
      {"Enter in the file list", 0, VK_RETURN, Held::kNothing, true},
      {"Enter in the name box", 2, VK_RETURN, Held::kNothing, true},
      {"Alt+O", 0, 'O', Held::kAlt, true},
      {"Alt+O in the name box", 2, 'O', Held::kAlt, true},
      {"Esc in the file list", 0, VK_ESCAPE, Held::kNothing, false},
      {"Esc in the name box", 2, VK_ESCAPE, Held::kNothing, false},
      {"Esc in the directory list", 4, VK_ESCAPE, Held::kNothing, false},
      {"Alt+C", 0, 'C', Held::kAlt, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const HWND selector = OpenSelector(IDC_MAIN_COMMAND1, kStandardCaption);
    ASSERT_NE(selector, nullptr);
    SetName(selector, L"missing.inc");
    for (int i = 0; i < c.tabs; ++i) app->PressKey(VK_TAB);
    app->PressKey(c.key, c.held);
    ASSERT_TRUE(Program::WaitHidden(selector));
    if (c.chosen) {
      const MessageBoxView box = app->WaitMessageBox(L"Tessaly");
      EXPECT_NE(box.text.find((dir / "missing.inc").wstring()), std::wstring::npos) << WideToUtf8(box.text);
      Program::Answer(box, IDOK);
    }
    ExpectNoMessageBox();
  }
}

TEST_F(Keyboard, EachWindowKeepsItsFocusWhenActivatedAgain) {
  Start();
  const HWND main = app->Main();
  // Tab moves past the disabled step buttons: 1, Exit, Instructions.
  app->PressKey(VK_TAB);
  app->PressKey(VK_TAB);
  ASSERT_EQ(FocusId(main), IDC_MAIN_COMMAND5);
  app->SwitchAwayAndBack(main);
  EXPECT_EQ(FocusId(main), IDC_MAIN_COMMAND5) << "main window, switched away and back";
  app->MinimiseAndRestore(main);
  EXPECT_EQ(FocusId(main), IDC_MAIN_COMMAND5) << "main window, minimised and restored";

  const HWND message = OpenMessage();
  ASSERT_NE(message, nullptr);
  app->PressKey(VK_TAB);
  ASSERT_EQ(FocusId(message), IDC_WARN_COMMAND1);
  app->Screenshot("message-window-ok-focused", message);
  app->SwitchAwayAndBack(message);
  EXPECT_EQ(FocusId(message), IDC_WARN_COMMAND1) << "message window, switched away and back";
  app->MinimiseAndRestore(message);
  EXPECT_EQ(FocusId(message), IDC_WARN_COMMAND1) << "message window, minimised and restored";
  app->PressKey(VK_RETURN);
  ASSERT_TRUE(Program::WaitHidden(message));
  EXPECT_TRUE(WaitUntil([&] { return FocusId(main) == IDC_MAIN_COMMAND5; })) << "back in the main window";

  const HWND selector = OpenSelector(IDC_MAIN_COMMAND1, kStandardCaption);
  ASSERT_NE(selector, nullptr);
  app->PressKey(VK_TAB);
  app->PressKey(VK_TAB);
  ASSERT_EQ(FocusId(selector), IDC_FSEL_TEXT1);
  app->SwitchAwayAndBack(selector);
  EXPECT_EQ(FocusId(selector), IDC_FSEL_TEXT1) << "file selector, switched away and back";
}

}  // namespace
}  // namespace tessaly::gui
