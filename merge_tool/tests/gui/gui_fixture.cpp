#include "gui_fixture.h"

#include <algorithm>
#include <fstream>

#include "common/core/utf8.h"

namespace tessaly::gui {

void GuiTest::SetUp() {
  std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::replace(name.begin(), name.end(), '/', '_');
  dir = fs::current_path() / L"gui-work" / corvanel::Utf8ToWide(name);
  fs::remove_all(dir);
  fs::create_directories(dir);
}

void GuiTest::TearDown() {
  app.reset();
  std::error_code ignored;
  fs::remove_all(dir, ignored);
}

void GuiTest::Write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string GuiTest::Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void GuiTest::Start(const fs::path& workDir) {
  app = std::make_unique<Program>(workDir.wstring());
  ASSERT_NE(app->Main(), nullptr);
}

HWND GuiTest::OpenSelector(int stepId, const std::wstring& caption) {
  Program::Click(app->Main(), stepId);
  return app->WaitWindow(caption);
}

void GuiTest::SetName(HWND selector, const std::wstring& text) {
  SendMessageTimeoutW(GetDlgItem(selector, IDC_FSEL_TEXT1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                      SMTO_NORMAL, kTimeoutMs, nullptr);
}

void GuiTest::Choose(HWND selector, const std::wstring& name) {
  ASSERT_NE(selector, nullptr);
  SetName(selector, name);
  Program::Click(selector, IDC_FSEL_COMMAND1);
  ASSERT_TRUE(Program::WaitHidden(selector));
}

void GuiTest::LoadStandard(const std::wstring& name) {
  Choose(IDC_MAIN_COMMAND1, kStandardCaption, name);
  app->Barrier();
  ExpectNoMessageBox();
}

std::wstring GuiTest::MergeCustom(const std::wstring& name) {
  Choose(IDC_MAIN_COMMAND2, kCustomCaption, name);
  app->Barrier();
  const auto shown = app->Windows(L"Message");
  if (shown.empty()) return {};
  const std::wstring report = TextOf(shown[0], IDC_WARN_TEXT1);
  Program::Click(shown[0], IDC_WARN_COMMAND1);
  EXPECT_TRUE(Program::WaitHidden(shown[0]));
  return report;
}

std::vector<std::wstring> GuiTest::Items(HWND selector, int listId) {
  const HWND list = GetDlgItem(selector, listId);
  const bool combo = listId == IDC_FSEL_DRIVE1;
  const UINT countMessage = combo ? CB_GETCOUNT : LB_GETCOUNT;
  const UINT lengthMessage = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
  const UINT textMessage = combo ? CB_GETLBTEXT : LB_GETTEXT;
  std::vector<std::wstring> items;
  const auto count = SendMessageW(list, countMessage, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring text(static_cast<std::size_t>(SendMessageW(list, lengthMessage, i, 0)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(SendMessageW(list, textMessage, i, reinterpret_cast<LPARAM>(text.data()))));
    items.push_back(text);
  }
  return items;
}

void GuiTest::PickItem(HWND selector, int listId, const std::wstring& text, int notification) {
  const auto items = Items(selector, listId);
  const auto found = std::find(items.begin(), items.end(), text);
  ASSERT_NE(found, items.end()) << corvanel::WideToUtf8(text);
  const HWND list = GetDlgItem(selector, listId);
  SendMessageW(list, listId == IDC_FSEL_DRIVE1 ? CB_SETCURSEL : LB_SETCURSEL, found - items.begin(), 0);
  PostMessageW(selector, WM_COMMAND, MAKEWPARAM(listId, notification), reinterpret_cast<LPARAM>(list));
}

void GuiTest::ExpectNoMessageBox() {
  app->Barrier();
  for (HWND box : app->MessageBoxes()) {
    ADD_FAILURE() << "unexpected message box \"" << corvanel::WideToUtf8(TextOf(box)) << "\"";
  }
}

}  // namespace tessaly::gui
