// Vardock starts in Main, with no window of its own; when Main has shown the chooser, the
// program runs on until the chooser ends it.
#include <windows.h>

#include <commctrl.h>

#include "common/win/com_init_win.h"
#include "common/win/dispatch_win.h"
#include "fatal_error_win.h"
#include "registry_win.h"
#include "vdir_setup/core/command_line.h"
#include "vdir_setup/core/module1.h"
#include "win_host.h"

namespace {

// A 32-bit vardock.exe on 64-bit Windows, which may not reach IIS's management components.
bool RunningUnderWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// The exit status: meaningful with /S or /Q, else 0.
int Run() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  const vardock::Registry registry(vardock::SystemRegistryApi());
  corvanel::ComObjectFactory objects;
  vardock::WinHost host;
  vardock::Module1 module(registry, objects, host);
  module.wow64 = RunningUnderWow64();
  host.Attach(module);

  module.Run(vardock::ArgumentText(GetCommandLineW()));
  if (host.Form1Window() == nullptr) return module.Finish();

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    const HWND form = host.Form1Window();
    if (form == nullptr || !IsDialogMessageW(form, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return module.Finish();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    // COM first and last: every object reference is gone before the apartment is left.
    const corvanel::ComApartment apartment;
    return Run();
  } catch (...) {
    // Only what fails around Main (COM, the registry's setup, the message loop) arrives here; the
    // silent keys still hold.
    try {
      const auto values = vardock::TakeValues(vardock::SplitArguments(vardock::ArgumentText(GetCommandLineW())));
      if (values.quiet != L"1") vardock::ReportUnhandledError(nullptr, std::current_exception());
      return !values.quiet.empty() || values.siteGiven ? 1 : 0;
    } catch (...) {
      vardock::ReportUnhandledError(nullptr, std::current_exception());
    }
  }
  return 0;
}
