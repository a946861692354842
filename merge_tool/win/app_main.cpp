// Tessaly starts by showing its main window and does nothing else; everything then happens in
// the windows' handlers on this one thread.
#include <windows.h>

#include <commctrl.h>

#include "main_frm.h"
#include "ui_support.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  try {
    static tessaly::MainFrm mainFrm;
    mainFrm.Form_Load();
    ShowWindow(mainFrm.hwnd(), showCommand);
    UpdateWindow(mainFrm.hwnd());
    MSG msg;
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
      if (got == -1) return 0;
      if (mainFrm.hwnd() == nullptr || !IsDialogMessageW(mainFrm.hwnd(), &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
  } catch (...) {
    tessaly::ShowCurrentError(nullptr);
  }
  return 0;
}
