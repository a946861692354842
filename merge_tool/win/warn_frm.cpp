#include "warn_frm.h"

#include <commctrl.h>

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
  // Each showing starts in the text box, whatever had the focus at the end of the last one.
  savedFocus_ = text1;
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
  SetWindowSubclass(GetDlgItem(hwnd_, IDC_WARN_TEXT1), &WarnFrm::Text1Proc, 1, reinterpret_cast<DWORD_PTR>(this));
  // Reports of a thousand long lines exceed the default limit of 32767 characters.
  SendDlgItemMessageW(hwnd_, IDC_WARN_TEXT1, EM_SETLIMITTEXT, 0, 0);
  Layout(DpiOf(hwnd_));
  CenterOn(hwnd_, owner);
}

void WarnFrm::Layout(UINT dpi) {
  corvanel::unique_hfont font = MakeFont(L"MS Sans Serif", 825, false, dpi);
  SetClientSize(hwnd_, TwipsToPixels(kClientWidth, dpi), TwipsToPixels(kClientHeight, dpi));
  MoveControl(hwnd_, IDC_WARN_TEXT1, kText1, dpi);
  MoveControl(hwnd_, IDC_WARN_COMMAND1, kCommand1, dpi);
  for (const int id : {IDC_WARN_TEXT1, IDC_WARN_COMMAND1}) {
    SendDlgItemMessageW(hwnd_, id, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  }
  // Only now that no control uses it any more is the previous font deleted.
  font_ = std::move(font);
}

void WarnFrm::Command1_Click() { EndModal(); }

bool WarnFrm::Text1_KeyDown(WPARAM key) {
  // The window has no cancel button: Esc ends nothing. A multi-line text box would ask the
  // window to close.
  return key == VK_ESCAPE;
}

int WarnFrm::FirstControlId() const noexcept { return IDC_WARN_TEXT1; }

LRESULT WarnFrm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // OK is neither default nor cancel button: Enter and Esc do nothing here.
      if (LOWORD(wParam) == IDC_WARN_COMMAND1 && HIWORD(wParam) == BN_CLICKED && TakesInput(IDC_WARN_COMMAND1)) {
        Command1_Click();
      }
      return 0;
    case DM_GETDEFID:
      // No default button; Enter on the focused OK presses it.
      return GetFocus() == GetDlgItem(hwnd_, IDC_WARN_COMMAND1) ? MAKELRESULT(IDC_WARN_COMMAND1, DC_HASDEFID) : 0;
    case WM_CLOSE:
      return OnClose();
    case WM_DPICHANGED:
      Layout(MoveToSuggestedRect(hwnd_, wParam, lParam));
      return 0;
    default:
      return DefaultProc(message, wParam, lParam);
  }
}

LRESULT CALLBACK WarnFrm::Text1Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR self) {
  if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &WarnFrm::Text1Proc, id);
  if (message == WM_KEYDOWN && reinterpret_cast<WarnFrm*>(self)->Text1_KeyDown(wParam)) return 0;
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace tessaly
