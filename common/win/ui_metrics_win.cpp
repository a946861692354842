#include "ui_metrics_win.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

namespace corvanel {

UINT DpiOf(HWND hwnd) {
  // GetDpiForWindow exists from Windows 10 1607 on; before that all monitors share the system DPI.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow != nullptr && hwnd != nullptr) {
    if (const UINT dpi = getDpiForWindow(hwnd); dpi != 0) return dpi;
  }
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

int TwipsToPixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }

unique_hfont MakeFont(const wchar_t* face, int centiPoints, bool bold, UINT dpi) {
  LOGFONTW font{};
  font.lfHeight = -static_cast<LONG>(std::lround(centiPoints * static_cast<double>(dpi) / 7200.0));
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = CLEARTYPE_QUALITY;
  wcsncpy_s(font.lfFaceName, face, LF_FACESIZE - 1);
  return unique_hfont(CreateFontIndirectW(&font));
}

void SetClientSize(HWND hwnd, int width, int height) {
  RECT window{}, client{};
  GetWindowRect(hwnd, &window);
  GetClientRect(hwnd, &client);
  const int frameX = (window.right - window.left) - client.right;
  const int frameY = (window.bottom - window.top) - client.bottom;
  SetWindowPos(hwnd, nullptr, 0, 0, width + frameX, height + frameY, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CenterOn(HWND hwnd, HWND owner) {
  RECT self{}, around{};
  GetWindowRect(hwnd, &self);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(owner != nullptr ? owner : hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
  if (owner == nullptr || !GetWindowRect(owner, &around)) around = monitor.rcWork;
  const int width = self.right - self.left;
  const int height = self.bottom - self.top;
  int x = around.left + ((around.right - around.left) - width) / 2;
  int y = around.top + ((around.bottom - around.top) - height) / 2;
  x = std::max(static_cast<int>(monitor.rcWork.left), std::min(x, static_cast<int>(monitor.rcWork.right) - width));
  y = std::max(static_cast<int>(monitor.rcWork.top), std::min(y, static_cast<int>(monitor.rcWork.bottom) - height));
  SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MoveControl(HWND control, const TwipRect& rect, UINT dpi) {
  MoveWindow(control, TwipsToPixels(rect.left, dpi), TwipsToPixels(rect.top, dpi), TwipsToPixels(rect.width, dpi),
             TwipsToPixels(rect.height, dpi), TRUE);
}

UINT MoveToSuggestedRect(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  const auto* suggested = reinterpret_cast<const RECT*>(lParam);
  SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
               suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  return HIWORD(wParam);
}

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace corvanel
