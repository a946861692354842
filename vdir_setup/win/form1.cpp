#include "form1.h"

#include <commctrl.h>

#include <string>

#include "common/core/app_error.h"
#include "common/win/ui_metrics_win.h"
#include "common/win/window_object_win.h"
#include "resource.h"
#include "vdir_setup/core/form1_rules.h"

namespace vardock {

namespace {

constexpr wchar_t kClassName[] = L"VardockForm1";
constexpr int kClientWidth = 7215;
constexpr int kClientHeight = 3015;
// Combo1's rectangle includes its drop-down list.
constexpr int kComboListHeight = 2400;

struct ControlSpec {
  int id;
  const wchar_t* className;
  const wchar_t* text;
  DWORD style;
  DWORD exStyle;
  corvanel::TwipRect rect;
};

// In tab order: creation order is the order Tab walks.
const ControlSpec kControls[] = {
    {IDC_COMMAND1, L"BUTTON", L"&OK", BS_PUSHBUTTON, 0, {1800, 2400, 1575, 375}},
    {IDC_COMBO1, L"COMBOBOX", L"", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, 0, {240, 1800, 6735, kComboListHeight}},
    {IDC_COMMAND2, L"BUTTON", L"&Cancel", BS_PUSHBUTTON, 0, {3840, 2400, 1575, 375}},
    {IDC_TEXT1,
     L"EDIT",
     L"",
     ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL,
     WS_EX_CLIENTEDGE,
     {240, 240, 6735, 1215}},
};

// The multi-line text box in a window driven by IsDialogMessage would take Tab and Esc for
// itself (moving the focus through its parent, and closing the window on Esc). Leaving both keys
// to the dialog manager makes Tab move on and Esc do nothing, as the window has no cancel button.
LRESULT CALLBACK TextBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message == WM_GETDLGCODE) {
    LRESULT code = DefSubclassProc(hwnd, message, wParam, lParam);
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (msg != nullptr && (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) &&
        (msg->wParam == VK_TAB || msg->wParam == VK_ESCAPE)) {
      code &= ~(DLGC_WANTALLKEYS | DLGC_WANTTAB);
    }
    return code;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, TextBoxProc, 0);
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

void RegisterClassOnce(WNDPROC proc) {
  static const ATOM atom = [proc] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc);
  }();
  if (atom == 0)
    throw corvanel::AppError(L"RegisterClassExW", L"The window class cannot be registered", GetLastError());
}

}  // namespace

Form1::~Form1() {
  if (hwnd_ != nullptr) {
    ending_ = true;
    DestroyWindow(hwnd_);
  }
}

void Form1::Show() {
  RegisterClassOnce(&Form1::Proc);
  // WM_NCCREATE hands `this` to the window procedure and sets hwnd_.
  CreateWindowExW(0, kClassName, L"Vardock", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, CW_USEDEFAULT,
                  CW_USEDEFAULT, 100, 100, nullptr, nullptr, GetModuleHandleW(nullptr), this);
  if (hwnd_ == nullptr) throw corvanel::AppError(L"CreateWindowExW", L"Form1 cannot be created", GetLastError());
  CreateControls();
  ApplyDpi(corvanel::DpiOf(hwnd_));
  corvanel::CenterOn(hwnd_, nullptr);

  Form_Load();

  ShowWindow(hwnd_, SW_SHOWNORMAL);
  SetForegroundWindow(hwnd_);
  SetFocus(Control(IDC_COMMAND1));
}

void Form1::CreateControls() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  for (const ControlSpec& spec : kControls) {
    const HWND control =
        CreateWindowExW(spec.exStyle, spec.className, spec.text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | spec.style, 0, 0,
                        10, 10, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr);
    if (control == nullptr)
      throw corvanel::AppError(L"CreateWindowExW", L"A control of Form1 cannot be created", GetLastError());
  }
  SetWindowSubclass(Control(IDC_TEXT1), TextBoxProc, 0, 0);
  SetWindowTextW(Control(IDC_COMBO1), std::wstring(kComboInitialText).c_str());
}

void Form1::ApplyDpi(UINT dpi) {
  // The controls take the new font before the old one goes.
  corvanel::unique_hfont font = corvanel::MakeFont(L"MS Sans Serif", 825, false, dpi);
  for (const ControlSpec& spec : kControls) {
    SendMessageW(Control(spec.id), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  }
  font_ = std::move(font);
  corvanel::SetClientSize(hwnd_, corvanel::TwipsToPixels(kClientWidth, dpi),
                          corvanel::TwipsToPixels(kClientHeight, dpi));
  for (const ControlSpec& spec : kControls) corvanel::MoveControl(Control(spec.id), spec.rect, dpi);
}

void Form1::Form_Load() {
  SetWindowTextW(Control(IDC_TEXT1), std::wstring(Form1Text()).c_str());
  sites_ = module_.Iis().ListWebSites();
  const HWND combo = Control(IDC_COMBO1);
  for (const WebSite& site : sites_) {
    const LRESULT added = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(site.description.c_str()));
    if (added == CB_ERR || added == CB_ERRSPACE) {
      throw corvanel::AppError(L"Combo1", L"Not enough memory to list the web site " + site.description);
    }
  }
  if (const auto entry = PreselectedEntry(sites_, module_.SiteNumber)) {
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(*entry), 0);
  }
}

bool Form1::Clickable(int id) const noexcept {
  return !ending_ && IsWindowEnabled(hwnd_) && IsWindowEnabled(Control(id));
}

void Form1::Command1_Click() {
  if (!Clickable(IDC_COMMAND1)) return;
  const HWND combo = Control(IDC_COMBO1);
  const int selected = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
  const auto chosen = ChosenSite(sites_, selected, corvanel::WindowText(combo));
  if (Form1Confirm(module_, chosen)) EndProgram();
}

void Form1::Command2_Click() {
  if (!Clickable(IDC_COMMAND2)) return;
  Form_Unload();
}

void Form1::Form_Unload() {
  // A setup program that waited on the chooser learns from the log why nothing happened.
  if (!ending_) module_.Log(L"The chooser was closed without a choice: nothing was changed.");
  EndProgram();
}

void Form1::EndProgram() {
  if (ending_) return;
  ending_ = true;
  DestroyWindow(hwnd_);
  PostQuitMessage(0);
}

LRESULT CALLBACK Form1::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Form1* self = corvanel::BoundWindowObject(hwnd, message, lParam, &Form1::hwnd_);
  if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  // No exception may unwind through user32: an unhandled error ends the program here.
  try {
    return self->OnMessage(message, wParam, lParam);
  } catch (...) {
    self->module_.ReportFailure(std::current_exception());
    self->EndProgram();
    return 0;
  }
}

LRESULT Form1::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_COMMAND1) Command1_Click();
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_COMMAND2) Command2_Click();
      // IDOK and IDCANCEL, which the dialog manager sends for Enter and Esc, name no button here.
      return 0;
    case DM_GETDEFID: {
      // No default button: Enter presses the push button that has the focus, and only that.
      const HWND focus = GetFocus();
      const int id = focus != nullptr && GetParent(focus) == hwnd_ ? GetDlgCtrlID(focus) : 0;
      if (id == IDC_COMMAND1 || id == IDC_COMMAND2) return MAKELRESULT(id, DC_HASDEFID);
      return 0;
    }
    case WM_NEXTDLGCTL: {
      const HWND target =
          LOWORD(lParam) != 0 ? reinterpret_cast<HWND>(wParam) : GetNextDlgTabItem(hwnd_, GetFocus(), wParam != 0);
      if (target != nullptr) SetFocus(target);
      return 0;
    }
    case WM_ACTIVATE:
      // The control that had the focus gets it back when the window is activated again.
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd_, focus)) lastFocus_ = focus;
      } else if (!ending_) {
        SetFocus(lastFocus_ != nullptr && IsWindow(lastFocus_) ? lastFocus_ : Control(IDC_COMMAND1));
      }
      return 0;
    case WM_DPICHANGED:
      ApplyDpi(corvanel::MoveToSuggestedRect(hwnd_, wParam, lParam));
      return 0;
    case WM_CLOSE:
      Form_Unload();
      return 0;
    default:
      return DefWindowProcW(hwnd_, message, wParam, lParam);
  }
}

}  // namespace vardock
