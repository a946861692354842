#pragma once
// What every Tessaly window needs besides the shared twips, fonts and placement: control
// layout by ID, text widths, and the one place where an error reaches the user.
#include <windows.h>

#include <string>
#include <string_view>

#include "common/win/handles_win.h"
#include "common/win/ui_metrics_win.h"

namespace tessaly {

inline constexpr wchar_t kProgramTitle[] = L"Tessaly";

using corvanel::CenterOn;
using corvanel::DpiOf;
using corvanel::MakeFont;
using corvanel::MoveToSuggestedRect;
using corvanel::SetClientSize;
using corvanel::TwipRect;
using corvanel::TwipsToPixels;
using corvanel::WindowText;

void MoveControl(HWND parent, int id, const TwipRect& rect, UINT dpi);
// The width of a single-line text in that font, in twips.
int TextWidthTwips(HWND hwnd, HFONT font, const wchar_t* text, UINT dpi);

// Shows the exception being handled in a message box with the program's title and the error
// icon; a non-empty `after` follows on a line of its own. For use inside a catch block only;
// never throws.
void ShowCurrentError(HWND owner, std::wstring_view after = {}) noexcept;

// Ends the process at once: no further event of any window runs.
[[noreturn]] void EndProgram();

}  // namespace tessaly
