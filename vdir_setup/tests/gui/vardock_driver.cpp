#include "vardock_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "common/core/utf8.h"
#include "common/tests/win/window_shot_win.h"
#include "vdir_setup/win/resource.h"
#include "common/tests/win/build_path_win.h"
#include "common/tests/win/start_process_win.h"

namespace vardock::gui {

namespace {
std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

LRESULT SendWait(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_NORMAL, kTimeoutMs, &result);
  return static_cast<LRESULT>(result);
}
}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!condition()) {
    if (GetTickCount64() > end) return false;
    Sleep(10);
  }
  return true;
}

std::wstring TextOf(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(SendWait(hwnd, WM_GETTEXTLENGTH)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(SendWait(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

std::vector<std::wstring> ComboEntries(HWND combo) {
  std::vector<std::wstring> entries;
  const auto count = SendWait(combo, CB_GETCOUNT);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring text(static_cast<std::size_t>(SendWait(combo, CB_GETLBTEXTLEN, i)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(SendWait(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
    entries.push_back(text);
  }
  return entries;
}

int ComboSelection(HWND combo) { return static_cast<int>(SendWait(combo, CB_GETCURSEL)); }

Vardock::Vardock(const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + corvanel::testing::BuildPath(VARDOCK_EXE) + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!corvanel::testing::StartProcess(nullptr, commandLine.data(), FALSE, 0, nullptr, &startup, &process_)) {
    ADD_FAILURE() << "cannot start vardock.exe: error " << GetLastError();
  }
}

Vardock::~Vardock() {
  if (process_.hProcess == nullptr) return;
  if (Running()) {
    ADD_FAILURE() << "vardock.exe was still running at the end of the test";
    TerminateProcess(process_.hProcess, 1);
    WaitForSingleObject(process_.hProcess, kTimeoutMs);
  }
  CloseHandle(process_.hProcess);
  CloseHandle(process_.hThread);
}

std::vector<HWND> Vardock::TopWindows(const wchar_t* className) const {
  struct Search {
    DWORD pid;
    const wchar_t* className;
    std::vector<HWND> found;
  } search{process_.dwProcessId, className, {}};
  EnumWindows(
      [](HWND hwnd, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(data);
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid == s.pid && IsWindowVisible(hwnd) && ClassOf(hwnd) == s.className) s.found.push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND Vardock::WaitForm1() {
  std::vector<HWND> found;
  if (!WaitUntil([&] { return !(found = TopWindows(L"VardockForm1")).empty() || !Running(); }) || found.empty()) {
    ADD_FAILURE() << "the chooser did not appear";
    return nullptr;
  }
  form1_ = found[0];
  Settle();
  return form1_;
}

BoxView Vardock::WaitMessageBox() {
  BoxView box;
  std::vector<HWND> found;
  if (!WaitUntil([&] { return !(found = TopWindows(L"#32770")).empty() || !Running(); }) || found.size() != 1) {
    ADD_FAILURE() << found.size() << " message boxes";
    return box;
  }
  box.hwnd = found[0];
  box.title = TextOf(box.hwnd);
  for (HWND child = GetWindow(box.hwnd, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) != L"Static") continue;
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      box.hasIcon = box.hasIcon || (IsWindowVisible(child) && SendWait(child, STM_GETICON) != 0);
    } else if (const std::wstring text = TextOf(child); text.size() > box.text.size()) {
      box.text = text;
    }
  }
  return box;
}

void Vardock::AnswerOk(const BoxView& box) {
  if (box.hwnd == nullptr) return;
  PostMessageW(box.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box.hwnd, IDOK)));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box.hwnd); })) << "the message box stays";
}

HWND Vardock::Focus() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(process_.dwThreadId, &info);
  return info.hwndFocus;
}

void Vardock::Key(WORD virtualKey, bool alt) const {
  const HWND target = Focus();
  ASSERT_NE(target, nullptr) << "no control has the focus";
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
  const LPARAM altBit = alt ? (1L << 29) : 0;
  PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, virtualKey, 1 | scan | altBit);
  PostMessageW(target, alt ? WM_SYSKEYUP : WM_KEYUP, virtualKey, 1 | scan | altBit | (1L << 30) | (1L << 31));
  Settle();
}

void Vardock::Settle() const {
  // One GUI thread handles its posted messages in order: a message posted now and answered means
  // those posted before have been handled (a modal loop may still be running them).
  if (form1_ == nullptr || !IsWindow(form1_)) return;
  const HWND marker = Control(IDC_TEXT1);
  const LRESULT before = SendWait(marker, EM_GETMODIFY);
  PostMessageW(marker, EM_SETMODIFY, !before, 0);
  WaitUntil([&] { return !IsWindow(marker) || SendWait(marker, EM_GETMODIFY) == !before; });
  PostMessageW(marker, EM_SETMODIFY, before, 0);
  WaitUntil([&] { return !IsWindow(marker) || SendWait(marker, EM_GETMODIFY) == before; });
}

bool Vardock::Running() const {
  return process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD Vardock::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

bool Vardock::WaitExit(DWORD timeoutMs) const {
  return process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

void Vardock::Screenshot(const std::string& name, HWND window) const {
  if (std::getenv("VARDOCK_GUI_SHOTS") == nullptr) return;
  // Painted whole before the picture: on a busy machine a window can wait for its texts.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Settle();
  EXPECT_EQ(corvanel::testing::ShootWindow("VARDOCK_GUI_SHOTS", name, window), "") << "screenshot " << name;
}

}  // namespace vardock::gui
