#pragma once
// fileSelectFrm, the file selector dialog: drive list, directory list, file list with a pattern,
// and the file-name box. It leaves an accepted choice in Module1.selPath and Module1.selFile and
// hides itself; fSelect (mainFrm) prepares it through the setters and shows it.
#include <string>
#include <vector>

#include "common/win/handles_win.h"
#include "file_lists.h"
#include "merge_tool/core/window_rules.h"
#include "window_base.h"

namespace tessaly {

class FileSelectFrm final : public ModalWindow {
 public:
  // Creates the window with the drive and directory lists at the process's current directory.
  void Form_Load(HWND owner);
  void SetCaption(const std::wstring& caption);
  void SetFileName(const std::wstring& name);
  // Dir1.Path: normalised, so "C:\\" opens as "C:\". Runs Dir1_Change. Throws AppError when the
  // folder cannot be read, and then nothing changes.
  void SetDirPath(const std::wstring& path);
  // File1.Pattern; throws AppError when the files cannot be listed, and then nothing changes.
  void SetPattern(const std::wstring& pattern);

 private:
  void Command1_Click();
  void Command2_Click();
  void Drive1_Change();
  void Dir1_DblClick();
  void Dir1_Change();
  void File1_Click();
  void File1_DblClick();
  void Text1_DblClick();
  void Form_Activate();
  void Form_Deactivate();

  void Accept(AcceptTrigger trigger);
  void RefreshFiles(const std::wstring& pattern);
  void SelectDriveOf(const std::wstring& path);
  [[nodiscard]] std::wstring SelectedFile() const;
  void DrawDir1Item(const DRAWITEMSTRUCT& item);
  void Layout(UINT dpi);
  LRESULT OnCommand(int id, int code);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  static LRESULT CALLBACK Text1Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);

  corvanel::unique_hfont font_;
  UINT dpi_ = 96;
  std::wstring dirPath_;           // Dir1.Path, also File1.Path
  std::wstring pattern_ = L"*.*";  // File1.Pattern
  std::vector<DirItem> dirItems_;  // Dir1's lines
  HWND savedFocus_ = nullptr;      // restored when the dialog is activated again
  bool refreshFailed_ = false;     // the last activation could not re-read the files
};

}  // namespace tessaly
