#pragma once
// What every Tessaly window needs: twips at the monitor's DPI, fonts, placement, and the one
// place where an error reaches the user.
#include <windows.h>

#include <string>
#include <string_view>

#include "common/win/handles_win.h"

namespace tessaly {

inline constexpr wchar_t kProgramTitle[] = L"Tessaly";

// A rectangle in twips (1440 per inch).
struct TwipRect {
  int left, top, width, height;
};

// The DPI of the monitor the window is on (the system DPI where the platform cannot tell).
UINT DpiOf(HWND hwnd);
int TwipsToPixels(int twips, UINT dpi);

// A font of the given face and size (in hundredths of a point) at that DPI.
corvanel::unique_hfont MakeFont(const wchar_t* face, int centiPoints, bool bold, UINT dpi);

// Sizes the window so that its client area has the given size, keeping its position.
void SetClientSize(HWND hwnd, int width, int height);
// Places the window centred on its owner, inside the owner's monitor work area.
void CenterOn(HWND hwnd, HWND owner);
void MoveControl(HWND parent, int id, const TwipRect& rect, UINT dpi);
// WM_DPICHANGED: moves the window to the rectangle the system suggests (lParam) and returns the
// new DPI (wParam), for which the caller then lays out its controls.
UINT MoveToSuggestedRect(HWND hwnd, WPARAM wParam, LPARAM lParam);
// The width of a single-line text in that font, in twips.
int TextWidthTwips(HWND hwnd, HFONT font, const wchar_t* text, UINT dpi);

std::wstring WindowText(HWND hwnd);

// Shows the exception being handled in a message box with the program's title and the error
// icon; a non-empty `after` follows on a line of its own. For use inside a catch block only;
// never throws.
void ShowCurrentError(HWND owner, std::wstring_view after = {}) noexcept;

// Ends the process at once: no further event of any window runs.
[[noreturn]] void EndProgram();

}  // namespace tessaly
