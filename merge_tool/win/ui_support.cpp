#include "ui_support.h"

#include <cwchar>
#include <exception>

#include "common/core/app_error.h"
#include "common/core/utf8.h"

namespace tessaly {

void MoveControl(HWND parent, int id, const TwipRect& rect, UINT dpi) {
  corvanel::MoveControl(GetDlgItem(parent, id), rect, dpi);
}

int TextWidthTwips(HWND hwnd, HFONT font, const wchar_t* text, UINT dpi) {
  HDC dc = GetDC(hwnd);
  if (dc == nullptr) return 0;
  const HGDIOBJ previous = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
  SelectObject(dc, previous);
  ReleaseDC(hwnd, dc);
  return MulDiv(size.cx, 1440, static_cast<int>(dpi));
}

void ShowCurrentError(HWND owner, std::wstring_view after) noexcept {
  try {
    std::wstring text;
    try {
      throw;
    } catch (const corvanel::AppError& e) {
      text = e.Message();
    } catch (const std::exception& e) {
      text = corvanel::Utf8ToWide(e.what());
    } catch (...) {
      text = L"An unexpected error occurred.";
    }
    if (!after.empty()) text.append(L"\r\n").append(after);
    MessageBoxW(owner, text.c_str(), kProgramTitle, MB_OK | MB_ICONERROR);
  } catch (...) {
    // Out of memory while composing the text: the platform's own words still reach the user.
    MessageBoxW(owner, L"Not enough memory to complete the operation.", kProgramTitle, MB_OK | MB_ICONERROR);
  }
}

void EndProgram() { ExitProcess(0); }

}  // namespace tessaly
