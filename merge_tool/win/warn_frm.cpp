#include "warn_frm.h"

#include "merge_tool/core/window_rules.h"
#include "resource.h"
#include "ui_support.h"

namespace tessaly {

namespace {
constexpr int kClientWidth = 7320, kClientHeight = 3615;
constexpr TwipRect kText1{120, 120, 7095, 2895};
constexpr TwipRect kCommand1{(kClientWidth - 1815) / 2, 3135, 1815, 375};
}  // namespace

void WarnFrm::ShowText(HWND owner, std::wstring_view text) {
  if (hwnd_ == nullptr) Form_Load(owner);
  const HWND text1 = GetDlgItem(hwnd_, IDC_WARN_TEXT1);
  // An edit control would end the text at a NUL and hide the rest of the report.
  SetWindowTextW(text1, WithVisibleNuls(text).c_str());
  SendMessageW(text1, EM_SETSEL, 0, 0);
  SendMessageW(text1, EM_SCROLLCARET, 0, 0);
  SetFocus(text1);
  ShowModal(owner);
}

void WarnFrm::Form_Load(HWND owner) {
  Create(L"Tessaly.warnFrm", L"Message", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, owner);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const auto control = [&](const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle, int id) {
    CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  };
  // Creation order is the tab order: the text box first, so it has the focus.
  control(L"EDIT", L"Text1", WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL,
          WS_EX_CLIENTEDGE, IDC_WARN_TEXT1);
  control(L"BUTTON", L"OK", WS_TABSTOP | BS_PUSHBUTTON, 0, IDC_WARN_COMMAND1);
  // Reports of a thousand long lines exceed the default limit of 32767 characters.
  SendDlgItemMessageW(hwnd_, IDC_WARN_TEXT1, EM_SETLIMITTEXT, 0, 0);
  Layout(DpiOf(hwnd_));
  CenterOn(hwnd_, owner);
}

void WarnFrm::Layout(UINT dpi) {
  font_ = MakeFont(L"MS Sans Serif", 825, false, dpi);
  SetClientSize(hwnd_, TwipsToPixels(kClientWidth, dpi), TwipsToPixels(kClientHeight, dpi));
  MoveControl(hwnd_, IDC_WARN_TEXT1, kText1, dpi);
  MoveControl(hwnd_, IDC_WARN_COMMAND1, kCommand1, dpi);
  for (const int id : {IDC_WARN_TEXT1, IDC_WARN_COMMAND1}) {
    SendDlgItemMessageW(hwnd_, id, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
  }
}

void WarnFrm::Command1_Click() { EndModal(); }

LRESULT WarnFrm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // OK is neither default nor cancel button: Enter and Esc do nothing here.
      if (LOWORD(wParam) == IDC_WARN_COMMAND1 && HIWORD(wParam) == BN_CLICKED) Command1_Click();
      return 0;
    case WM_CLOSE:
      return OnClose();
    case WM_DPICHANGED:
      Layout(MoveToSuggestedRect(hwnd_, wParam, lParam));
      return 0;
    default:
      return DefaultProc(message, wParam, lParam);
  }
}

}  // namespace tessaly
