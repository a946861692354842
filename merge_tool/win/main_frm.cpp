#include "main_frm.h"

#include <algorithm>

#include "merge_tool/core/module1.h"
#include "merge_tool/core/window_rules.h"
#include "resource.h"
#include "ui_support.h"

namespace tessaly {

namespace {
constexpr int kClientWidth = 3390, kClientHeight = 3135;
constexpr int kButtonWidth = 2655;
constexpr int kCaptionPadding = 480;  // twips around a caption, both sides together

struct ButtonSpec {
  int id;
  const wchar_t* caption;
  int top;
  bool stepFont;
};
// In tab order; the five buttons are 2655 x 375 twips, 360 twips from the left edge.
constexpr ButtonSpec kButtons[] = {
    {IDC_MAIN_COMMAND1, L"1. Load standard .inc file", 840, true},
    {IDC_MAIN_COMMAND2, L"2. Load customized .inc file", 1320, true},
    {IDC_MAIN_COMMAND3, L"3. Save merged .inc file", 1800, true},
    {IDC_MAIN_COMMAND4, L"Exit", 2400, false},
    {IDC_MAIN_COMMAND5, L"Instructions", 240, false},
};

constexpr wchar_t kInstructions[] =
    L"This program will merge the changes in your customized Include.inc or Lang.inc file\r\n"
    L"with the entries in a new Include.inc or Lang.inc file\r\n"
    L"\r\n"
    L"1. Locate the original product's .inc file.\r\n"
    L"2. Locate your customized .inc file.\r\n"
    L"3. Save the merged .inc file over the product's .inc file.\r\n"
    L"\r\n"
    L"You ought to make a copy of your .inc files before you use this program.";
}  // namespace

void MainFrm::Form_Load() {
  Create(L"Tessaly.mainFrm", L"Import .inc file", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, nullptr);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  for (const auto& b : kButtons) {
    CreateWindowExW(0, L"BUTTON", b.caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, hwnd_,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(b.id)), instance, nullptr);
  }
  const HMENU systemMenu = GetSystemMenu(hwnd_, FALSE);
  AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(systemMenu, MF_STRING, IDM_MAIN_PREVIOUS_STANDARD, L"Previous standard file...");
  Layout(DpiOf(hwnd_));
  SetMergeState(Module1.mergeState);
  savedFocus_ = GetDlgItem(hwnd_, IDC_MAIN_COMMAND1);
}

std::int16_t MainFrm::fSelect(const std::wstring& Caption, const std::wstring& InName, const std::wstring& Spec,
                              std::wstring& pName, std::wstring& fName) {
  Module1.selFile.clear();
  if (fileSelectFrm_.hwnd() == nullptr) fileSelectFrm_.Form_Load(hwnd_);
  fileSelectFrm_.SetCaption(Caption);
  fileSelectFrm_.SetFileName(InName);
  // With nothing chosen yet the lists stay where they stand, read afresh. A folder that has gone
  // meanwhile is reported and the dialog opens above it: it must always open, or a merge could
  // no longer be saved.
  fileSelectFrm_.OpenFolder(pName.empty() ? fileSelectFrm_.DirPath() : pName, Spec);
  fileSelectFrm_.ShowModal(hwnd_);
  if (Module1.selFile.empty()) return 0;
  pName = Module1.selPath;
  fName = Module1.selFile;
  return 1;
}

// Each step changes the state only once its file was read or written, so that a failure leaves
// the state and the buttons as they were; the new choice is kept in lastPath and lastFile.
void MainFrm::Command1_Click() {
  if (fSelect(L"Locate standard .inc file", L"*.inc", L"*.inc", Module1.lastPath, Module1.lastFile) == 0) return;
  Module1.LoadStandardFile(Module1.lastPath + Module1.lastFile);
  SetMergeState(StateAfter(Step::kLoadStandard));
}

void MainFrm::Command2_Click() {
  if (fSelect(L"Locate customized .inc file", L"*.inc", L"*.inc", Module1.lastPath, Module1.lastFile) == 0) return;
  if (Module1.basePath.empty()) {
    Module1.MergeCustomFile(Module1.lastPath + Module1.lastFile);
  } else {
    Module1.MergeCustomFile(Module1.lastPath + Module1.lastFile, Module1.basePath);
  }
  SetMergeState(StateAfter(Step::kMergeCustom));
  const std::wstring report = Module1.BuildReportText();
  if (!report.empty()) warnFrm_.ShowText(hwnd_, report);
}

void MainFrm::Command3_Click() {
  if (fSelect(L"Save merged .inc file", L"*.inc", L"*.inc", Module1.lastPath, Module1.lastFile) == 0) return;
  const std::wstring target = Module1.lastPath + Module1.lastFile;
  if (Module1.Files().Exists(target) && MessageBoxW(hwnd_, L"File Exists - overwrite existing file?", L"Save",
                                                    MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) != IDOK) {
    return;
  }
  Module1.SaveMergedFile(target);
  SetMergeState(StateAfter(Step::kSave));
}

void MainFrm::Command4_Click() { SendMessageW(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0); }

void MainFrm::Command5_Click() { warnFrm_.ShowText(hwnd_, kInstructions); }

// The base is read by each merge, so a file replaced meanwhile counts as it is then.
void MainFrm::mnuPrevious_Click() {
  if (Module1.basePath.empty()) {
    if (fSelect(L"Locate previous standard .inc file", L"*.inc", L"*.inc", Module1.lastPath, Module1.lastFile) == 0) {
      return;
    }
    Module1.basePath = Module1.lastPath + Module1.lastFile;
  } else {
    Module1.basePath.clear();
  }
  CheckMenuItem(GetSystemMenu(hwnd_, FALSE), IDM_MAIN_PREVIOUS_STANDARD,
                MF_BYCOMMAND | (Module1.basePath.empty() ? MF_UNCHECKED : MF_CHECKED));
}

void MainFrm::Form_QueryUnload(bool& Cancel) {
  if (!CloseAsks(Module1.mergeState)) EndProgram();
  const int answer = MessageBoxW(hwnd_, L"You have unsaved changes.\r\nDo you really want to exit?", L"Exit",
                                 MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
  if (answer == IDOK) EndProgram();
  Cancel = true;
}

int MainFrm::FirstControlId() const noexcept { return IDC_MAIN_COMMAND1; }

void MainFrm::SetMergeState(std::int16_t state) {
  Module1.mergeState = state;
  const StepButtons buttons = StepButtonsFor(state);
  const HWND focus = GetFocus();
  EnableWindow(GetDlgItem(hwnd_, IDC_MAIN_COMMAND2), buttons.command2);
  EnableWindow(GetDlgItem(hwnd_, IDC_MAIN_COMMAND3), buttons.command3);
  // A disabled button cannot keep the focus.
  if (focus != nullptr && IsChild(hwnd_, focus) && !IsWindowEnabled(focus)) {
    SetFocus(GetDlgItem(hwnd_, IDC_MAIN_COMMAND1));
  }
}

void MainFrm::Layout(UINT dpi) {
  corvanel::unique_hfont windowFont = MakeFont(L"MS Sans Serif", 825, false, dpi);
  corvanel::unique_hfont stepFont = MakeFont(L"MS Sans Serif", 825, true, dpi);
  const auto fontOf = [&](const ButtonSpec& b) { return b.stepFont ? stepFont.get() : windowFont.get(); };
  // Where the face is replaced by a wider one the bold captions would be clipped: the buttons
  // and the window then grow together, keeping the margins.
  int width = kButtonWidth;
  for (const auto& b : kButtons) {
    width = std::max(width, TextWidthTwips(hwnd_, fontOf(b), b.caption, dpi) + kCaptionPadding);
  }
  SetClientSize(hwnd_, TwipsToPixels(kClientWidth - kButtonWidth + width, dpi), TwipsToPixels(kClientHeight, dpi));
  for (const auto& b : kButtons) {
    MoveControl(hwnd_, b.id, {360, b.top, width, 375}, dpi);
    SendDlgItemMessageW(hwnd_, b.id, WM_SETFONT, reinterpret_cast<WPARAM>(fontOf(b)), TRUE);
  }
  // Only now that no button uses them any more are the previous fonts deleted.
  windowFont_ = std::move(windowFont);
  stepFont_ = std::move(stepFont);
}

LRESULT MainFrm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // While a modal window or message box is up the main window takes no input, and a
      // disabled button none either, also none that was posted to it.
      if (HIWORD(wParam) != BN_CLICKED || !TakesInput(LOWORD(wParam))) return 0;
      switch (LOWORD(wParam)) {
        case IDC_MAIN_COMMAND1:
          Command1_Click();
          break;
        case IDC_MAIN_COMMAND2:
          Command2_Click();
          break;
        case IDC_MAIN_COMMAND3:
          Command3_Click();
          break;
        case IDC_MAIN_COMMAND4:
          Command4_Click();
          break;
        case IDC_MAIN_COMMAND5:
          Command5_Click();
          break;
        default:
          break;
      }
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) != IDM_MAIN_PREVIOUS_STANDARD) return DefaultProc(message, wParam, lParam);
      if (IsWindowEnabled(hwnd_)) mnuPrevious_Click();
      return 0;
    case DM_GETDEFID: {
      // No default button: Enter presses the focused one.
      const int id = GetDlgCtrlID(GetFocus());
      return id >= IDC_MAIN_COMMAND1 && id <= IDC_MAIN_COMMAND5 ? MAKELRESULT(id, DC_HASDEFID) : 0;
    }
    case WM_CLOSE: {
      if (!IsWindowEnabled(hwnd_)) return 0;
      bool cancel = false;
      Form_QueryUnload(cancel);
      return 0;
    }
    case WM_QUERYENDSESSION: {
      bool cancel = false;
      Form_QueryUnload(cancel);
      return cancel ? FALSE : TRUE;
    }
    case WM_DPICHANGED:
      Layout(MoveToSuggestedRect(hwnd_, wParam, lParam));
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefaultProc(message, wParam, lParam);
  }
}

}  // namespace tessaly
