#pragma once
// What the end-to-end tests of vardock.exe share: the stand-in's server, the fixture that gives
// every test a configuration file of its own and a clean registry, and the stand-in's
// registration.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "common/core/utf8.h"
#include "vardock_driver.h"
#include "vdir_setup/win/resource.h"
#include "common/tests/win/build_path_win.h"
#include "common/tests/win/start_process_win.h"

namespace vardock::gui {

// Where a 64-bit test process sees the registry's 32-bit view, which Vardock's settings use.
inline const wchar_t kSettings[] = L"Software\\WOW6432Node\\Corvanel";
inline const wchar_t kMobileKey[] = L"Software\\WOW6432Node\\Corvanel\\Mobile";
inline const std::wstring kAdd = L"/N=Mobile /O=ADD /P=C:\\Web\\Mobile";

// Three sites numbered as an administrator's server numbers them, among other children of the
// web service.
inline const char kServer[] =
    "domain \"CORVANEL\"\n"
    "[W3SVC] IIsWebService\n"
    "[W3SVC/AppPools] IIsApplicationPools\n"
    "[W3SVC/1] IIsWebServer\n"
    "ServerComment = \"Default Web Site\"\n"
    "[W3SVC/1/ROOT] IIsWebVirtualDir\n"
    "[W3SVC/Info] IIsWebInfo\n"
    "[W3SVC/Extensions] IIsObject\n"
    "[W3SVC/5] IIsWebServer\n"
    "ServerComment = \"Extranet\"\n"
    "[W3SVC/5/ROOT] IIsWebVirtualDir\n"
    "[W3SVC/1423684589] IIsWebServer\n"
    "ServerComment = \"Mobile Access\"\n"
    "[W3SVC/1423684589/ROOT] IIsWebVirtualDir\n";

class VardockGui : public ::testing::Test {
 protected:
  std::filesystem::path dir = std::filesystem::temp_directory_path() / L"vardock gui tests";
  std::filesystem::path file =
      dir / (corvanel::Utf8ToWide(::testing::UnitTest::GetInstance()->current_test_info()->name()) + L".txt");
  std::filesystem::path logFile = std::filesystem::path(file).replace_extension(L".log");

  void SetUp() override {
    std::filesystem::create_directories(dir);
    std::filesystem::remove(file);
    std::filesystem::remove(logFile);
    ASSERT_TRUE(SetEnvironmentVariableW(L"CORVANEL_IIS_STANDIN", file.wstring().c_str()));
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettings);
    WriteConfig(kServer);
  }
  void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettings); }

  void WriteConfig(const std::string& text) const { std::ofstream(file, std::ios::binary) << text; }
  // The /L switch for the test's own log, and what the runs wrote there.
  std::wstring LogSwitch() const { return L" /L=" + logFile.wstring(); }
  std::string ReadLog() const {
    std::ostringstream text;
    text << std::ifstream(logFile, std::ios::binary).rdbuf();
    return text.str();
  }
  std::string ReadConfig() const {
    std::ostringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    return text.str();
  }
  static void Remember(const wchar_t* site, const wchar_t* name) {
    for (const auto& [value, text] : {std::pair(L"IISWebServer", site), std::pair(L"IISWebVirtualDir", name)}) {
      ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, kMobileKey, value, REG_SZ, text,
                                static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t))),
                ERROR_SUCCESS);
    }
  }
  static std::optional<std::wstring> Stored(const wchar_t* value) {
    wchar_t text[256] = {};
    DWORD size = sizeof text;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kMobileKey, value, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    return std::wstring(text);
  }
  static bool KeyExists(const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }
  // Picks the entry of the list as a user would: the focus to the list, then the arrow keys.
  static void ChooseEntry(Vardock& vardock, int entry) {
    vardock.Key(VK_TAB);
    ASSERT_EQ(GetParent(vardock.Focus()), vardock.Control(IDC_COMBO1)) << "Tab from OK reaches the list";
    for (int i = 0; i < 3; ++i) vardock.Key(VK_UP);
    for (int i = 0; i < entry; ++i) vardock.Key(VK_DOWN);
    ASSERT_EQ(ComboSelection(vardock.Control(IDC_COMBO1)), entry);
  }
};

// Runs the system's regsvr32 on the stand-in with the switches: "/u" takes every class away as on
// a server without IIS, "/u /n /i:iis6" only "IISNamespace", "" registers everything again.
inline void RegisterStandIn(std::wstring_view switches) {
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  std::wstring commandLine = L"\"" + std::wstring(system) + L"\\regsvr32.exe\" /s " + std::wstring(switches) + L" \"" +
                             corvanel::testing::BuildPath(IIS_STANDIN_DLL) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(
      corvanel::testing::StartProcess(nullptr, commandLine.data(), FALSE, 0, nullptr, &startup, &process));
  WaitForSingleObject(process.hProcess, kTimeoutMs);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
}

}  // namespace vardock::gui
