#pragma once
// What the GUI tests share: a fresh working folder per test, files in it, the running program,
// and the steps a user takes through the file selector.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "gui_driver.h"
#include "merge_tool/win/resource.h"

namespace tessaly::gui {

namespace fs = std::filesystem;

inline constexpr wchar_t kStandardCaption[] = L"Locate standard .inc file";
inline constexpr wchar_t kCustomCaption[] = L"Locate customized .inc file";
inline constexpr wchar_t kSaveCaption[] = L"Save merged .inc file";

class GuiTest : public ::testing::Test {
 protected:
  fs::path dir;
  std::unique_ptr<Program> app;

  void SetUp() override;
  void TearDown() override;

  static void Write(const fs::path& path, const std::string& bytes);
  static std::string Read(const fs::path& path);
  void Start() { Start(dir); }
  void Start(const fs::path& workDir);

  // Clicks a step button and waits for the file selector with that caption.
  HWND OpenSelector(int stepId, const std::wstring& caption);
  // Types a name into the file-name box and presses OK; waits until the dialog is hidden.
  void Choose(HWND selector, const std::wstring& name);
  void Choose(int stepId, const std::wstring& caption, const std::wstring& name) {
    Choose(OpenSelector(stepId, caption), name);
  }
  // Steps whose file is read without a failure.
  void LoadStandard(const std::wstring& name);
  // Merges; answers the report (when one comes) and returns its text.
  std::wstring MergeCustom(const std::wstring& name);

  static void SetName(HWND selector, const std::wstring& text);
  static std::wstring Dir1Path(HWND selector) { return TextOf(selector, IDC_FSEL_DIR1); }
  static std::vector<std::wstring> Items(HWND selector, int listId);
  // Selects an item of a list box (or the drop-down list) by its text and reports the change or
  // double-click as the control does.
  static void PickItem(HWND selector, int listId, const std::wstring& text, int notification);
  // Requests closing as the caption bar's close button does.
  static void CloseBox(HWND hwnd) { PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0); }
  // The program shows no message box now (after everything posted has been handled).
  void ExpectNoMessageBox();
};

}  // namespace tessaly::gui
