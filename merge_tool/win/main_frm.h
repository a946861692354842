#pragma once
// mainFrm, Tessaly's main window: the three steps of a merge, the instructions and the exit,
// with the guard against closing on an unsaved merge. All state lives in Module1.
#include <cstdint>
#include <string>

#include "common/win/handles_win.h"
#include "file_select_frm.h"
#include "warn_frm.h"
#include "window_base.h"

namespace tessaly {

class MainFrm final : public Window {
 public:
  void Form_Load();

  // Runs the file selector. Returns 1 when a file was chosen: pName then holds its folder (ending
  // in "\") and fName its name; 0 when cancelled or closed, and both are unchanged.
  std::int16_t fSelect(const std::wstring& Caption, const std::wstring& InName, const std::wstring& Spec,
                       std::wstring& pName, std::wstring& fName);

 private:
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command4_Click();
  void Command5_Click();
  // The system menu's "Previous standard file...": chooses the base of three-way merges, or
  // clears the one chosen.
  void mnuPrevious_Click();
  // Every close request, whatever its reason. Ends the program at once unless Cancel is set.
  void Form_QueryUnload(bool& Cancel);
  [[nodiscard]] int FirstControlId() const noexcept override;

  // Sets mergeState and the step buttons with it.
  void SetMergeState(std::int16_t state);
  void Layout(UINT dpi);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  WarnFrm warnFrm_;
  FileSelectFrm fileSelectFrm_;
  corvanel::unique_hfont windowFont_;
  corvanel::unique_hfont stepFont_;
};

}  // namespace tessaly
