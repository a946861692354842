#pragma once
// Window geometry given in twips (1/1440 inch), scaled to the DPI of the window's monitor, and
// the fonts and placement that go with it.
#include <windows.h>

#include <string>

#include "handles_win.h"

namespace corvanel {

// A rectangle in twips.
struct TwipRect {
  int left, top, width, height;
};

// The DPI of the monitor the window is on (the system DPI where the platform cannot tell).
UINT DpiOf(HWND hwnd);
int TwipsToPixels(int twips, UINT dpi);
// A font of the given face and size (in hundredths of a point) at that DPI.
unique_hfont MakeFont(const wchar_t* face, int centiPoints, bool bold, UINT dpi);
// Sizes the window so that its client area has the given size, keeping its position.
void SetClientSize(HWND hwnd, int width, int height);
// Centres the window on its owner, or on its monitor's work area when it has none.
void CenterOn(HWND hwnd, HWND owner);
void MoveControl(HWND control, const TwipRect& rect, UINT dpi);
// WM_DPICHANGED: moves the window to the rectangle the system suggests (lParam) and returns the
// new DPI (wParam), for which the caller then lays out its controls.
UINT MoveToSuggestedRect(HWND hwnd, WPARAM wParam, LPARAM lParam);
std::wstring WindowText(HWND hwnd);

}  // namespace corvanel
