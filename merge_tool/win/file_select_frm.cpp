#include "file_select_frm.h"

#include <commctrl.h>

#include "common/core/app_error.h"
#include "merge_tool/core/module1.h"
#include "resource.h"
#include "ui_support.h"

namespace tessaly {

namespace {
constexpr UINT kFolderGoneMessage = WM_APP + 1;
constexpr int kClientWidth = 7215, kClientHeight = 3615;
constexpr int kDirItemHeight = 240;  // twips, one line of the bold 8.25-point font
constexpr int kDirIndent = 180;      // twips per level

struct ControlSpec {
  const wchar_t* cls;
  const wchar_t* text;
  DWORD style;
  DWORD exStyle;
  int id;
  TwipRect rect;
};

// In tab order (File1, OK, Text1, Cancel, Dir1, Drive1); the labels take no focus.
constexpr ControlSpec kControls[] = {
    {L"STATIC", L"Filename:", SS_LEFT, 0, IDC_FSEL_LABEL3, {120, 120, 3375, 240}},
    {L"STATIC", L"Files:", SS_LEFT, 0, IDC_FSEL_LABEL4, {120, 780, 3375, 240}},
    {L"STATIC", L"Drive:", SS_LEFT, 0, IDC_FSEL_LABEL1, {3720, 120, 3375, 240}},
    {L"STATIC", L"Directory:", SS_LEFT, 0, IDC_FSEL_LABEL2, {3720, 780, 3375, 240}},
    {L"LISTBOX",
     L"",
     WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
     WS_EX_CLIENTEDGE,
     IDC_FSEL_FILE1,
     {120, 1020, 3375, 2475}},
    {L"BUTTON", L"&OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDC_FSEL_COMMAND1, {3720, 3120, 1620, 375}},
    {L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, IDC_FSEL_TEXT1, {120, 360, 3375, 315}},
    {L"BUTTON", L"&Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, IDC_FSEL_COMMAND2, {5475, 3120, 1620, 375}},
    {L"LISTBOX",
     L"",
     WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
     WS_EX_CLIENTEDGE,
     IDC_FSEL_DIR1,
     {3720, 1020, 3375, 1935}},
    // A drop-down list's height includes its open list.
    {L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, IDC_FSEL_DRIVE1, {3720, 360, 3375, 2400}},
};
}  // namespace

void FileSelectFrm::Form_Load(HWND owner) {
  Create(L"Tessaly.fileSelectFrm", L"File Selector", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
         WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, owner);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  for (const auto& c : kControls) {
    CreateWindowExW(c.exStyle, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style, 0, 0, 0, 0, hwnd_,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
  }
  SetWindowSubclass(GetDlgItem(hwnd_, IDC_FSEL_TEXT1), &FileSelectFrm::Text1Proc, 1, reinterpret_cast<DWORD_PTR>(this));
  Layout(DpiOf(hwnd_));

  const HWND drive1 = GetDlgItem(hwnd_, IDC_FSEL_DRIVE1);
  for (const auto& root : LogicalDrives()) {
    const auto index = SendMessageW(drive1, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(DriveItemText(root).c_str()));
    SendMessageW(drive1, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(root[0]));
  }
  savedFocus_ = nullptr;
  pattern_ = L"*.*";
  folderReported_ = false;
  // A current folder that cannot be read leaves the lists empty here; fSelect reads the folder
  // again when it opens the dialog, and reports it then.
  dirPath_ = CurrentDirPath();
  try {
    SetDirPath(dirPath_, pattern_);
  } catch (const corvanel::AppError&) {
    SetWindowTextW(GetDlgItem(hwnd_, IDC_FSEL_DIR1), dirPath_.c_str());
  }
  SelectDriveOf(dirPath_);
  CenterOn(hwnd_, owner);
}

void FileSelectFrm::SetCaption(const std::wstring& caption) { SetWindowTextW(hwnd_, caption.c_str()); }

void FileSelectFrm::SetFileName(const std::wstring& name) { SetDlgItemTextW(hwnd_, IDC_FSEL_TEXT1, name.c_str()); }

void FileSelectFrm::OpenFolder(const std::wstring& path, const std::wstring& pattern) {
  try {
    SetDirPath(path, pattern);
    folderReported_ = false;
  } catch (const corvanel::AppError&) {
    ShowNearestFolder(path, pattern);
  }
}

void FileSelectFrm::ShowNearestFolder(const std::wstring& wanted, const std::wstring& pattern) {
  bool shown = false;
  for (const auto& folder : FallbackFolders(wanted, CurrentDirPath(), LogicalDrives())) {
    try {
      SetDirPath(folder, pattern);
      shown = true;
      break;
    } catch (const corvanel::AppError&) {
      // Not readable either: the next one.
    }
  }
  if (!shown) ShowFiles({});
  // Reported once: the activation that follows the message box finds the same state.
  folderReported_ = !shown;
  ShowCurrentError(ErrorOwner(), shown ? L"The file selector shows \"" + dirPath_ + L"\" instead."
                                       : std::wstring(L"No folder can be read."));
}

void FileSelectFrm::SetDirPath(const std::wstring& path, const std::wstring& pattern) {
  const std::wstring full = AbsoluteDirPath(path);
  std::vector<DirItem> items = DirectoryItems(full);
  const std::vector<std::wstring> files = MatchingFiles(full, pattern);
  dirPath_ = full;
  pattern_ = pattern;
  dirItems_ = std::move(items);

  const HWND dir1 = GetDlgItem(hwnd_, IDC_FSEL_DIR1);
  SendMessageW(dir1, WM_SETREDRAW, FALSE, 0);
  SendMessageW(dir1, LB_RESETCONTENT, 0, 0);
  std::size_t current = 0;
  for (std::size_t i = 0; i < dirItems_.size(); ++i) {
    SendMessageW(dir1, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(dirItems_[i].name.c_str()));
    if (dirItems_[i].path == dirPath_) current = i;
  }
  SendMessageW(dir1, LB_SETCURSEL, current, 0);
  SendMessageW(dir1, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(dir1, nullptr, TRUE);
  // The list's name is its path: readers of the window (and its tests) see where it stands.
  SetWindowTextW(dir1, dirPath_.c_str());
  Dir1_Change(files);
}

void FileSelectFrm::RefreshFiles(const std::wstring& pattern) {
  const std::vector<std::wstring> names = MatchingFiles(dirPath_, pattern);
  pattern_ = pattern;
  ShowFiles(names);
}

void FileSelectFrm::ShowFiles(const std::vector<std::wstring>& names) {
  const std::wstring selected = SelectedFile();
  const HWND file1 = GetDlgItem(hwnd_, IDC_FSEL_FILE1);
  SendMessageW(file1, WM_SETREDRAW, FALSE, 0);
  SendMessageW(file1, LB_RESETCONTENT, 0, 0);
  for (const auto& name : names) {
    const auto index = SendMessageW(file1, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    if (!selected.empty() && name == selected) SendMessageW(file1, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  SendMessageW(file1, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(file1, nullptr, TRUE);
}

std::wstring FileSelectFrm::SelectedFile() const {
  const HWND file1 = GetDlgItem(hwnd_, IDC_FSEL_FILE1);
  const auto index = SendMessageW(file1, LB_GETCURSEL, 0, 0);
  if (index == LB_ERR) return {};
  std::wstring name(static_cast<std::size_t>(SendMessageW(file1, LB_GETTEXTLEN, index, 0)) + 1, L'\0');
  name.resize(static_cast<std::size_t>(SendMessageW(file1, LB_GETTEXT, index, reinterpret_cast<LPARAM>(name.data()))));
  return name;
}

void FileSelectFrm::SelectDriveOf(const std::wstring& path) {
  // Selecting by message sends no change notification, so restoring cannot run Drive1_Change.
  const HWND drive1 = GetDlgItem(hwnd_, IDC_FSEL_DRIVE1);
  const wchar_t letter = DriveLetterOf(path);
  const auto count = SendMessageW(drive1, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    if (SendMessageW(drive1, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == letter) {
      SendMessageW(drive1, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
      return;
    }
  }
  SendMessageW(drive1, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

void FileSelectFrm::Accept(AcceptTrigger trigger) {
  const std::wstring box = WindowText(GetDlgItem(hwnd_, IDC_FSEL_TEXT1));
  switch (AcceptRule(box)) {
    case AcceptAction::kNothing:
      return;
    case AcceptAction::kApplyPattern:
      RefreshFiles(box);
      return;
    case AcceptAction::kChoose:
      Module1.selPath = FormSelPath(dirPath_, trigger);
      Module1.selFile = box;
      EndModal();
      return;
  }
}

void FileSelectFrm::Command1_Click() { Accept(AcceptTrigger::kOkButton); }
void FileSelectFrm::Command2_Click() { EndModal(); }
void FileSelectFrm::Text1_DblClick() { Accept(AcceptTrigger::kNameBoxDoubleClick); }

void FileSelectFrm::File1_Click() {
  const std::wstring name = SelectedFile();
  if (!name.empty()) SetFileName(name);
}

void FileSelectFrm::File1_DblClick() {
  const std::wstring name = SelectedFile();
  if (name.empty()) return;
  SetFileName(name);
  Accept(AcceptTrigger::kFileListDoubleClick);
}

void FileSelectFrm::Dir1_DblClick() {
  const auto index = SendDlgItemMessageW(hwnd_, IDC_FSEL_DIR1, LB_GETCURSEL, 0, 0);
  if (index == LB_ERR || static_cast<std::size_t>(index) >= dirItems_.size()) return;
  SetDirPath(dirItems_[static_cast<std::size_t>(index)].path, pattern_);
}

void FileSelectFrm::Dir1_Change(const std::vector<std::wstring>& files) { ShowFiles(files); }

void FileSelectFrm::Drive1_Change() {
  const HWND drive1 = GetDlgItem(hwnd_, IDC_FSEL_DRIVE1);
  const auto index = SendMessageW(drive1, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return;
  const auto letter = static_cast<wchar_t>(SendMessageW(drive1, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
  try {
    SetDirPath(CurrentDirectoryOf(letter), pattern_);
  } catch (const corvanel::AppError& e) {
    MessageBoxW(hwnd_, e.Reason().c_str(), L"File Selection Error!", MB_OK | MB_ICONQUESTION);
    // Back to the drive the directory list stands on, which it has not left: one message per
    // pick, even if that drive has become unreadable too.
    SelectDriveOf(dirPath_);
  }
}

void FileSelectFrm::Form_Activate() {
  RestoreFocus();
  // Files created since the last use (or while a message box was up) appear.
  if (dirPath_.empty()) return;
  try {
    RefreshFiles(pattern_);
    folderReported_ = false;
  } catch (const corvanel::AppError&) {
    if (folderReported_) {
      ShowFiles({});
      return;
    }
    // A message box now would take the activation away in the middle of it.
    folderReported_ = true;
    PostMessageW(hwnd_, kFolderGoneMessage, 0, 0);
  }
}

int FileSelectFrm::FirstControlId() const noexcept { return IDC_FSEL_FILE1; }

void FileSelectFrm::Form_FolderGone() {
  // Hidden meanwhile: the next fSelect reads the folder again.
  if (!IsWindowVisible(hwnd_)) {
    folderReported_ = false;
    return;
  }
  OpenFolder(dirPath_, pattern_);
}

void FileSelectFrm::DrawDir1Item(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1) || item.itemID >= dirItems_.size()) {
    if ((item.itemState & ODS_FOCUS) != 0) DrawFocusRect(item.hDC, &item.rcItem);
    return;
  }
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  SetBkMode(item.hDC, TRANSPARENT);
  const HGDIOBJ previous = SelectObject(item.hDC, font_.get());
  RECT text = item.rcItem;
  text.left += TwipsToPixels(60 + kDirIndent * dirItems_[item.itemID].depth, dpi_);
  DrawTextW(item.hDC, dirItems_[item.itemID].name.c_str(), -1, &text,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  SelectObject(item.hDC, previous);
  if ((item.itemState & ODS_FOCUS) != 0) DrawFocusRect(item.hDC, &item.rcItem);
}

void FileSelectFrm::Layout(UINT dpi) {
  dpi_ = dpi;
  corvanel::unique_hfont font = MakeFont(L"MS Sans Serif", 825, true, dpi);
  SetClientSize(hwnd_, TwipsToPixels(kClientWidth, dpi), TwipsToPixels(kClientHeight, dpi));
  for (const auto& c : kControls) {
    MoveControl(hwnd_, c.id, c.rect, dpi);
    SendDlgItemMessageW(hwnd_, c.id, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  }
  // Only now that no control uses it any more is the previous font deleted (Dir1 draws its
  // lines with it).
  font_ = std::move(font);
  SendDlgItemMessageW(hwnd_, IDC_FSEL_DIR1, LB_SETITEMHEIGHT, 0, TwipsToPixels(kDirItemHeight, dpi));
}

LRESULT FileSelectFrm::OnCommand(int id, int code) {
  // Esc arrives as IDCANCEL, for Cancel.
  if (id == IDCANCEL) id = IDC_FSEL_COMMAND2;
  // Nothing while a message box of the dialog is up, nor from a disabled control, also when
  // posted by another program.
  if (!TakesInput(id)) return 0;
  switch (id) {
    case IDC_FSEL_COMMAND1:
      if (code == BN_CLICKED) Command1_Click();
      break;
    case IDC_FSEL_COMMAND2:
      if (code == BN_CLICKED) Command2_Click();
      break;
    case IDC_FSEL_DRIVE1:
      if (code == CBN_SELCHANGE) Drive1_Change();
      break;
    case IDC_FSEL_DIR1:
      if (code == LBN_DBLCLK) Dir1_DblClick();
      break;
    case IDC_FSEL_FILE1:
      if (code == LBN_SELCHANGE) File1_Click();
      if (code == LBN_DBLCLK) File1_DblClick();
      break;
    default:
      break;
  }
  return 0;
}

LRESULT FileSelectFrm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case DM_GETDEFID: {
      // Enter presses the focused button, otherwise OK.
      const HWND focus = GetFocus();
      const int id = GetDlgCtrlID(focus);
      const bool button = id == IDC_FSEL_COMMAND1 || id == IDC_FSEL_COMMAND2;
      return MAKELRESULT(button ? id : IDC_FSEL_COMMAND1, DC_HASDEFID);
    }
    case kFolderGoneMessage:
      Form_FolderGone();
      return 0;
    case WM_CTLCOLORSTATIC:
      SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_MEASUREITEM:
      reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight =
          static_cast<UINT>(TwipsToPixels(kDirItemHeight, DpiOf(hwnd_)));
      return TRUE;
    case WM_DRAWITEM:
      DrawDir1Item(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_CLOSE:
      return OnClose();
    case WM_DPICHANGED:
      Layout(MoveToSuggestedRect(hwnd_, wParam, lParam));
      return 0;
    default:
      return DefaultProc(message, wParam, lParam);
  }
}

LRESULT CALLBACK FileSelectFrm::Text1Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR self) {
  if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &FileSelectFrm::Text1Proc, id);
  const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
  auto* frm = reinterpret_cast<FileSelectFrm*>(self);
  if (message == WM_LBUTTONDBLCLK && frm->TakesInput(IDC_FSEL_TEXT1)) {
    try {
      frm->Text1_DblClick();
    } catch (...) {
      ShowCurrentError(frm->ErrorOwner());
    }
  }
  return result;
}

}  // namespace tessaly
