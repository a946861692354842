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
  // Dir1.Path and File1.Pattern as fSelect sets them. When the folder cannot be read, says so
  // once and shows the nearest readable folder above it, else the process's current folder, else
  // a drive's root; when none can be read, an empty file list. Never fails for a folder.
  void OpenFolder(const std::wstring& path, const std::wstring& pattern);
  // Dir1.Path, also File1.Path.
  [[nodiscard]] const std::wstring& DirPath() const noexcept { return dirPath_; }

 private:
  void Command1_Click();
  void Command2_Click();
  void Drive1_Change();
  void Dir1_DblClick();
  void Dir1_Change(const std::vector<std::wstring>& files);
  void File1_Click();
  void File1_DblClick();
  void Text1_DblClick();
  // Also re-reads the files, so that files created since the last use appear.
  void Form_Activate() override;
  [[nodiscard]] int FirstControlId() const noexcept override;
  // The folder shown has gone while the dialog was up; runs after the activation that found it.
  void Form_FolderGone();

  // Dir1.Path, normalised, so "C:\\" opens as "C:\"; runs Dir1_Change. Both lists are read
  // before anything changes: throws AppError when the folder cannot be listed, and then the
  // lists, their path and the pattern stay as they were.
  void SetDirPath(const std::wstring& path, const std::wstring& pattern);
  // For use in the catch block of the error that `wanted` cannot be read.
  void ShowNearestFolder(const std::wstring& wanted, const std::wstring& pattern);
  void Accept(AcceptTrigger trigger);
  // File1.Pattern; throws AppError when the files cannot be listed, and then nothing changes.
  void RefreshFiles(const std::wstring& pattern);
  void ShowFiles(const std::vector<std::wstring>& names);
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
  bool folderReported_ = false;    // the folder shown cannot be read, and the user was told
};

}  // namespace tessaly
