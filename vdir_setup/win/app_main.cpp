// Vardock starts in Main, with no window of its own; when Main has shown the chooser, the
// program runs on until the chooser ends it.
#include <windows.h>

#include <commctrl.h>

#include "com_init_win.h"
#include "dispatch_win.h"
#include "fatal_error_win.h"
#include "registry_win.h"
#include "vdir_setup/core/command_line.h"
#include "vdir_setup/core/module1.h"
#include "win_host.h"

namespace {

void Run() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  const vardock::Registry registry(vardock::SystemRegistryApi());
  vardock::ComObjectFactory objects;
  vardock::WinHost host;
  vardock::Module1 module(registry, objects, host);
  host.Attach(module);

  module.Main(vardock::ArgumentText(GetCommandLineW()));
  if (host.Form1Window() == nullptr) return;

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    const HWND form = host.Form1Window();
    if (form == nullptr || !IsDialogMessageW(form, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    // COM first and last: every object reference is gone before the apartment is left.
    const vardock::ComApartment apartment;
    Run();
  } catch (...) {
    vardock::ReportUnhandledError(nullptr, std::current_exception());
  }
  return 0;
}
