#include "gui_driver.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "common/core/utf8.h"
#include "common/tests/win/window_shot_win.h"
#include "merge_tool/win/resource.h"
#include "common/tests/win/build_path_win.h"
#include "common/tests/win/start_process_win.h"

namespace tessaly::gui {

namespace {
std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

// Whether the static shows this system icon: its pixels on the screen against the icon drawn
// here (icon handles of another process cannot be compared).
bool ShowsIcon(HWND iconStatic, LPCWSTR which) {
  RECT rect{};
  GetWindowRect(iconStatic, &rect);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC shot = CreateCompatibleDC(screen), drawn = CreateCompatibleDC(screen);
  HBITMAP shotBitmap = CreateCompatibleBitmap(screen, width, height);
  HBITMAP drawnBitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ oldShot = SelectObject(shot, shotBitmap), oldDrawn = SelectObject(drawn, drawnBitmap);
  BitBlt(shot, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  HBRUSH background = CreateSolidBrush(GetPixel(shot, 0, 0));
  const RECT all{0, 0, width, height};
  FillRect(drawn, &all, background);
  DrawIconEx(drawn, 0, 0, LoadIconW(nullptr, which), 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
  int differences = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) differences += GetPixel(shot, x, y) != GetPixel(drawn, x, y) ? 1 : 0;
  }
  DeleteObject(background);
  SelectObject(shot, oldShot);
  SelectObject(drawn, oldDrawn);
  DeleteObject(shotBitmap);
  DeleteObject(drawnBitmap);
  DeleteDC(shot);
  DeleteDC(drawn);
  ReleaseDC(nullptr, screen);
  return differences == 0;
}

bool Ping(HWND hwnd) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, &ignored) != 0;
}

// A window of the driver's own, which takes the activation away from the program.
HWND ElsewhereWindow() {
  static const HWND window = [] {
    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"TessalyGuiDriver.Elsewhere";
    RegisterClassW(&cls);
    return CreateWindowExW(0, cls.lpszClassName, L"Elsewhere", WS_OVERLAPPEDWINDOW, 0, 0, 160, 120, nullptr, nullptr,
                           cls.hInstance, nullptr);
  }();
  return window;
}

// Holds Shift down in the key state of the program's GUI thread: attached to its input, the
// driver's thread shares that state.
class ShiftHeld {
 public:
  explicit ShiftHeld(DWORD programThread) : programThread_(programThread) {
    attached_ = AttachThreadInput(GetCurrentThreadId(), programThread_, TRUE) != FALSE;
    EXPECT_TRUE(attached_) << "cannot attach to the program's input: error " << GetLastError();
    Set(0x80);
  }
  ShiftHeld(const ShiftHeld&) = delete;
  ShiftHeld& operator=(const ShiftHeld&) = delete;
  ~ShiftHeld() {
    Set(0);
    if (attached_) AttachThreadInput(GetCurrentThreadId(), programThread_, FALSE);
  }

 private:
  static void Set(BYTE state) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = keys[VK_LSHIFT] = state;
    SetKeyboardState(keys);
  }
  DWORD programThread_;
  bool attached_ = false;
};
}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!condition()) {
    if (GetTickCount64() > end) return false;
    // The driver's own window answers what the system sends it meanwhile.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
  return true;
}

std::wstring TextOf(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kTimeoutMs, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL, kTimeoutMs,
                      &copied);
  text.resize(copied);
  return text;
}

std::wstring TextOf(HWND parent, int id) { return TextOf(GetDlgItem(parent, id)); }

Program::Program(const std::wstring& workDir) {
  std::wstring commandLine = L"\"" + corvanel::testing::BuildPath(TESSALY_EXE) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!corvanel::testing::StartProcess(nullptr, commandLine.data(), FALSE, 0, workDir.c_str(), &startup, &process_)) {
    ADD_FAILURE() << "cannot start tessaly.exe: error " << GetLastError();
    return;
  }
  main_ = WaitWindow(L"Import .inc file");
  if (main_ != nullptr) Ping(main_);
}

Program::~Program() {
  if (process_.hProcess != nullptr) {
    if (Running()) {
      TerminateProcess(process_.hProcess, 1);
      WaitForSingleObject(process_.hProcess, kTimeoutMs);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
}

std::vector<HWND> Program::Windows(const std::wstring& title, const wchar_t* className) const {
  struct Search {
    DWORD pid;
    const std::wstring* title;
    const wchar_t* className;
    std::vector<HWND> found;
  } search{process_.dwProcessId, &title, className, {}};
  EnumWindows(
      [](HWND hwnd, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(data);
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid != s.pid || !IsWindowVisible(hwnd)) return TRUE;
        wchar_t title[256] = {};
        GetWindowTextW(hwnd, title, 256);
        if (!s.title->empty() && *s.title != title) return TRUE;
        if (s.className != nullptr && ClassOf(hwnd) != s.className) return TRUE;
        s.found.push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND Program::WaitWindow(const std::wstring& title, const wchar_t* className) const {
  std::vector<HWND> found;
  if (!WaitUntil([&] { return !(found = Windows(title, className)).empty() || !Running(); })) {
    ADD_FAILURE() << "no window \"" << corvanel::WideToUtf8(title) << "\"";
    return nullptr;
  }
  if (found.size() != 1) {
    ADD_FAILURE() << found.size() << " windows \"" << corvanel::WideToUtf8(title) << "\"";
    return nullptr;
  }
  Ping(found[0]);
  return found[0];
}

bool Program::WaitHidden(HWND hwnd) {
  return WaitUntil([&] { return !IsWindow(hwnd) || !IsWindowVisible(hwnd); });
}

std::vector<HWND> Program::MessageBoxes() const { return Windows(L"", L"#32770"); }

MessageBoxView Program::WaitMessageBox(const std::wstring& title) const {
  MessageBoxView box;
  box.hwnd = WaitWindow(title, L"#32770");
  if (box.hwnd == nullptr) return box;
  box.title = title;
  // The text is the box's longest static text; the icon is a static of its own.
  for (HWND child = GetWindow(box.hwnd, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    const std::wstring cls = ClassOf(child);
    const auto style = GetWindowLongW(child, GWL_STYLE);
    if (cls == L"Static" && (style & SS_TYPEMASK) == SS_ICON) {
      if (IsWindowVisible(child)) {
        // The box may not have painted yet.
        WaitUntil(
            [&] {
              box.questionIcon = ShowsIcon(child, IDI_QUESTION);
              box.errorIcon = ShowsIcon(child, IDI_ERROR);
              return box.questionIcon || box.errorIcon;
            },
            3000);
      }
    } else if (cls == L"Static") {
      const std::wstring text = TextOf(child);
      if (text.size() > box.text.size()) box.text = text;
    } else if (cls == L"Button" && (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      box.defaultButton = GetDlgCtrlID(child);
    }
  }
  return box;
}

void Program::Click(HWND parent, int id) {
  PostMessageW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(parent, id)));
}

void Program::PressKey(WORD key, Held held) const {
  const HWND focus = Focus();
  ASSERT_NE(focus, nullptr) << "no control has the focus";
  const bool alt = held == Held::kAlt;
  // Repeat count 1, the scan code, the context bit for Alt; a release also has the previous-state
  // and transition bits.
  const LPARAM down = 1 | static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC) << 16) | (alt ? 1L << 29 : 0);
  const LPARAM up = down | (1L << 30) | (1L << 31);
  std::optional<ShiftHeld> shift;
  if (held == Held::kShift) shift.emplace(process_.dwThreadId);
  PostMessageW(focus, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, down);
  PostMessageW(focus, alt ? WM_SYSKEYUP : WM_KEYUP, key, up);
  Barrier();
}

HWND Program::OpenSystemMenu(HWND window) const {
  // Menus belong to their process: another program can neither read nor invoke them by handle.
  const LPARAM down = 1 | static_cast<LPARAM>(MapVirtualKeyW(VK_SPACE, MAPVK_VK_TO_VSC) << 16) | (1L << 29);
  PostMessageW(window, WM_SYSKEYDOWN, VK_SPACE, down);
  PostMessageW(window, WM_SYSKEYUP, VK_SPACE, down | (1L << 30) | (1L << 31));
  return WaitWindow(L"", L"#32768");
}

void Program::SwitchAwayAndBack(HWND window, const std::function<void()>& meanwhile) const {
  const HWND elsewhere = ElsewhereWindow();
  ShowWindow(elsewhere, SW_SHOWNA);
  SetForegroundWindow(elsewhere);
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == elsewhere; })) << "cannot switch away";
  Barrier();
  if (meanwhile) meanwhile();
  SetForegroundWindow(window);
  EXPECT_TRUE(WaitUntil([&] {
    DWORD pid = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &pid);
    return pid == process_.dwProcessId;
  })) << "cannot switch back";
  ShowWindow(elsewhere, SW_HIDE);
  Barrier();
}

void Program::MinimiseAndRestore(HWND window) const {
  PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; })) << "not minimised";
  Barrier();
  PostMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(WaitUntil([&] { return IsIconic(window) == FALSE; })) << "not restored";
  Barrier();
}

void Program::Answer(const MessageBoxView& box, int button) {
  Click(box.hwnd, button);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box.hwnd); })) << "message box stays";
}

void Program::Barrier() const {
  // The program has one GUI thread, whose posted messages are handled in order: once a state
  // posted now is visible, everything posted before it has been handled.
  const HWND marker = Control(IDC_MAIN_COMMAND5);
  for (const BOOL pushed : {TRUE, FALSE}) {
    PostMessageW(marker, BM_SETSTATE, pushed, 0);
    EXPECT_TRUE(WaitUntil([&] {
      DWORD_PTR state = 0;
      SendMessageTimeoutW(marker, BM_GETSTATE, 0, 0, SMTO_NORMAL, kTimeoutMs, &state);
      return ((state & BST_PUSHED) != 0) == (pushed != FALSE);
    }));
  }
}

bool Program::Running() const {
  return process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

bool Program::WaitExit() const {
  return process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, kTimeoutMs) == WAIT_OBJECT_0;
}

HWND Program::Focus() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(process_.dwThreadId, &info);
  return info.hwndFocus;
}

void Program::Screenshot(const std::string& name, HWND window) const {
  if (std::getenv("TESSALY_GUI_SHOTS") == nullptr) return;
  for (HWND hwnd : Windows(L"")) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Ping(hwnd);
  }
  const std::string error = corvanel::testing::ShootWindow("TESSALY_GUI_SHOTS", name, window);
  if (!error.empty()) ADD_FAILURE() << "screenshot " << name << ": " << error;
}

}  // namespace tessaly::gui
