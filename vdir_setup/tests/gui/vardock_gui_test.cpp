// vardock.exe end to end under Wine, against the IIS stand-in: started with a command line as the
// setup program starts it, its chooser driven through window messages, its effects read from the
// stand-in's configuration file and the registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "common/core/utf8.h"
#include "vardock_driver.h"
#include "vdir_setup/win/resource.h"

namespace vardock::gui {
namespace {

const wchar_t kSettings[] = L"Software\\Corvanel";
const wchar_t kMobileKey[] = L"Software\\Corvanel\\Mobile";
const std::wstring kAdd = L"/N=Mobile /O=ADD /P=C:\\Web\\Mobile";

// Three sites numbered as an administrator's server numbers them, among other children of the
// web service.
const char kServer[] =
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

  void SetUp() override {
    std::filesystem::create_directories(dir);
    std::filesystem::remove(file);
    ASSERT_TRUE(SetEnvironmentVariableW(L"CORVANEL_IIS_STANDIN", file.wstring().c_str()));
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettings);
    WriteConfig(kServer);
  }
  void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettings); }

  void WriteConfig(const std::string& text) const { std::ofstream(file, std::ios::binary) << text; }
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

TEST_F(VardockGui, ChooserListsTheSitesAndPreselectsTheRememberedOne) {
  Remember(L"5", L"Mobile");
  Vardock vardock(kAdd);
  const HWND form = vardock.WaitForm1();
  ASSERT_NE(form, nullptr);
  vardock.Screenshot("vardock-chooser");
  EXPECT_EQ(TextOf(form), L"Vardock");
  const LONG style = GetWindowLongW(form, GWL_STYLE);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0) << "fixed border, no minimise or maximise";
  EXPECT_NE(style & WS_SYSMENU, 0) << "the close box is there";
  const HWND combo = vardock.Control(IDC_COMBO1);
  EXPECT_EQ(ComboEntries(combo), (std::vector<std::wstring>{L"Default Web Site", L"Extranet", L"Mobile Access"}));
  EXPECT_EQ(ComboSelection(combo), 1);
  EXPECT_EQ(TextOf(combo), L"Extranet");
  EXPECT_EQ(vardock.Focus(), vardock.Control(IDC_COMMAND1)) << "the focus starts on OK";
  const std::wstring text = TextOf(vardock.Control(IDC_TEXT1));
  EXPECT_EQ(text.substr(0, 53), L"The following Web Sites are available on this server.");
  EXPECT_NE(text.find(L"'Administration Web Site'.\r\n\r\nSome administrators"), std::wstring::npos);

  // Esc in the text box and Enter in the list leave the window open: there is no cancel or
  // default button. Tab walks OK, list, Cancel, text, OK.
  vardock.Key(VK_TAB);
  vardock.Key(VK_TAB);
  EXPECT_EQ(vardock.Focus(), vardock.Control(IDC_COMMAND2));
  vardock.Key(VK_TAB);
  EXPECT_EQ(vardock.Focus(), vardock.Control(IDC_TEXT1));
  vardock.Key(VK_ESCAPE);
  vardock.Key(VK_TAB);
  EXPECT_EQ(vardock.Focus(), vardock.Control(IDC_COMMAND1)) << "Tab leaves the text box";
  vardock.Key(VK_TAB);
  vardock.Key(VK_RETURN);
  vardock.Key(VK_ESCAPE);
  EXPECT_TRUE(vardock.Running());
  EXPECT_TRUE(IsWindowVisible(form));

  // Cancel by its access key ends the program without a change.
  vardock.Key('C', true);
  EXPECT_TRUE(vardock.WaitExit());
  EXPECT_EQ(ReadConfig(), kServer);
  EXPECT_EQ(Stored(L"IISWebServer"), L"5");
}

TEST_F(VardockGui, OkCreatesTheDirectoryThenAnotherSiteMovesItThenDelRemovesIt) {
  {
    Vardock vardock(kAdd);
    ASSERT_NE(vardock.WaitForm1(), nullptr);
    ChooseEntry(vardock, 2);
    vardock.Key(VK_TAB);
    vardock.Key(VK_TAB);
    vardock.Key(VK_TAB);
    ASSERT_EQ(vardock.Focus(), vardock.Control(IDC_COMMAND1));
    vardock.Key(VK_RETURN);
    ASSERT_TRUE(vardock.WaitExit());
  }
  std::string config = ReadConfig();
  const auto at = config.find("[W3SVC/1423684589/ROOT/Mobile] IIsWebVirtualDir\n");
  ASSERT_NE(at, std::string::npos) << config;
  const std::string directory = config.substr(at);
  for (const char* line :
       {"DefaultDoc = \"Default.asp\"", "AuthFlags = 2", "DefaultLogonDomain = \"CORVANEL\"", "AppIsolated = 2",
        "AspAllowSessionState = true", "Path = \"C:\\\\Web\\\\Mobile\"", "\"404,*,URL,/Mobile/AT2.asp\""}) {
    EXPECT_NE(directory.find(line), std::string::npos) << line << "\n" << directory;
  }
  EXPECT_EQ(Stored(L"IISWebServer"), L"1423684589");
  EXPECT_EQ(Stored(L"IISWebVirtualDir"), L"Mobile");

  {
    Vardock vardock(kAdd);
    ASSERT_NE(vardock.WaitForm1(), nullptr);
    EXPECT_EQ(ComboSelection(vardock.Control(IDC_COMBO1)), 2) << "the remembered site by its instance number";
    ChooseEntry(vardock, 0);
    vardock.Key(VK_TAB);
    vardock.Key(VK_TAB);
    vardock.Key(VK_TAB);
    vardock.Key(VK_SPACE);
    ASSERT_TRUE(vardock.WaitExit());
  }
  config = ReadConfig();
  EXPECT_EQ(config.find("[W3SVC/1423684589/ROOT/Mobile]"), std::string::npos) << config;
  EXPECT_NE(config.find("[W3SVC/1/ROOT/Mobile] IIsWebVirtualDir"), std::string::npos) << config;
  EXPECT_EQ(Stored(L"IISWebServer"), L"1");

  {
    Vardock vardock(L"/N=Mobile /O=DEL");
    ASSERT_TRUE(vardock.WaitExit());
    EXPECT_TRUE(vardock.TopWindows(L"#32770").empty());
  }
  EXPECT_EQ(ReadConfig().find("ROOT/Mobile]"), std::string::npos);
  EXPECT_EQ(Stored(L"IISWebServer"), std::nullopt);
  EXPECT_EQ(Stored(L"IISWebVirtualDir"), std::nullopt);
  EXPECT_TRUE(KeyExists(kMobileKey)) << "the key stays";
}

TEST_F(VardockGui, CloseBoxAndCancelChangeNothing) {
  for (const bool closeBox : {true, false}) {
    Vardock vardock(kAdd);
    const HWND form = vardock.WaitForm1();
    ASSERT_NE(form, nullptr);
    if (closeBox) {
      PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
      PostMessageW(form, WM_COMMAND, MAKEWPARAM(IDC_COMMAND2, BN_CLICKED),
                   reinterpret_cast<LPARAM>(vardock.Control(IDC_COMMAND2)));
    }
    EXPECT_TRUE(vardock.WaitExit());
  }
  EXPECT_EQ(ReadConfig(), kServer);
  EXPECT_FALSE(KeyExists(kSettings));
}

TEST_F(VardockGui, OkWithoutAChosenSiteAsksForOne) {
  Vardock vardock(kAdd + L" ");
  ASSERT_NE(vardock.WaitForm1(), nullptr);
  vardock.Key(VK_TAB);
  vardock.Key('X');  // typing into the list's text field leaves no entry chosen
  vardock.Key(VK_TAB);
  vardock.Key(VK_TAB);
  vardock.Key(VK_TAB);
  ASSERT_EQ(vardock.Focus(), vardock.Control(IDC_COMMAND1));
  vardock.Key(VK_RETURN);
  const BoxView box = vardock.WaitMessageBox();
  EXPECT_EQ(box.title, L"Vardock");
  EXPECT_EQ(box.text, L"Please choose a web site from the list.");
  Vardock::AnswerOk(box);
  EXPECT_TRUE(vardock.Running()) << "the chooser stays open";
  EXPECT_EQ(ReadConfig(), kServer);
  PostMessageW(vardock.WaitForm1(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(vardock.WaitExit());
}

TEST_F(VardockGui, MessagesAndFailureReports) {
  const struct {
    const char* what;
    std::string config;  // put before the server
    std::wstring arguments;
    bool pressOk;  // the chooser opens and OK is pressed on the preselected site
    std::wstring text;
    bool icon;
    bool existing;  // the server has the directory already
  } cases[] = {
      {"an unknown operation", "", L"/N=Mobile /O=REMOVE", false,
       L"This program is used by Pellinor / Quastrel\r\nto create IIS Virtual Directories.", false, false},
      {"no web service", "fail no-web-service\n", kAdd, false,
       L"GetObject failed: The system cannot find the path specified.\r\nHRESULT 0x80070003", true, false},
      {"a directory that can be neither found nor created", "fail create-fails\n", kAdd, true,
       L"Unable to create or locate Virtual Directory Mobile.", true, false},
      {"IIS refuses the removal", "fail delete-fails\n", L"/N=Mobile /O=DEL", false,
       L"The Virtual Directory Mobile on web site 1 could not be removed.\r\n\r\n"
       L"Delete failed: Access is denied.\r\nHRESULT 0x80070005\r\n\r\n"
       L"Its settings are kept, so that it can still be removed later.",
       true, true},
      {"the last SetInfo fails", "fail setinfo-fails\n", kAdd, true,
       L"SetInfo failed: There is not enough space on the disk.\r\nHRESULT 0x80070070", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteConfig(c.config + kServer +
                (c.existing ? "[W3SVC/1/ROOT/Mobile] IIsWebVirtualDir\nPath = \"C:\\\\Old\"\n" : ""));
    const std::string before = ReadConfig();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettings);
    Remember(L"1", L"Mobile");
    Vardock vardock(c.arguments);
    if (c.pressOk) {
      ASSERT_NE(vardock.WaitForm1(), nullptr);
      vardock.Key(VK_SPACE);
    }
    const BoxView box = vardock.WaitMessageBox();
    EXPECT_EQ(box.title, L"Vardock");
    EXPECT_EQ(box.text, c.text);
    EXPECT_EQ(box.hasIcon, c.icon);
    Vardock::AnswerOk(box);
    EXPECT_TRUE(vardock.WaitExit());
    EXPECT_EQ(Stored(L"IISWebServer"), L"1");
    EXPECT_EQ(Stored(L"IISWebVirtualDir"), L"Mobile");
    EXPECT_EQ(ReadConfig(), before) << "the stand-in's server is unchanged";
  }
}

// Failures that the creation works around, without a message.
TEST_F(VardockGui, FallbacksOfTheCreation) {
  const struct {
    std::string fault;
    std::string expected;  // a line of the new directory
    std::string absent;    // a line it must not have
  } cases[] = {
      {"fail no-system-info\n", "DefaultLogonDomain = \"\\\\\"", "DefaultLogonDomain = \"CORVANEL\""},
      {"fail domainname-fails\n", "DefaultLogonDomain = \"\"", "DefaultLogonDomain = \"CORVANEL\""},
      {"fail appcreate2-unknown\n", "AppIsolated = 0", "AppIsolated = 2"},
      {"fail appcreate2-unknown\nfail appcreate-fails\n", "AspAllowSessionState = true", "AppRoot ="},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    WriteConfig(c.fault + kServer);
    {
      Vardock vardock(kAdd);
      ASSERT_NE(vardock.WaitForm1(), nullptr);
      vardock.Key(VK_RETURN);
      ASSERT_TRUE(vardock.WaitExit());
      EXPECT_TRUE(vardock.TopWindows(L"#32770").empty());
    }
    const std::string config = ReadConfig();
    const auto at = config.find("[W3SVC/1/ROOT/Mobile] IIsWebVirtualDir\n");
    ASSERT_NE(at, std::string::npos) << config;
    const std::string directory = config.substr(at);
    EXPECT_NE(directory.find(c.expected), std::string::npos) << directory;
    EXPECT_EQ(directory.find(c.absent), std::string::npos) << directory;
    EXPECT_EQ(Stored(L"IISWebVirtualDir"), L"Mobile");
  }
}

// Runs Wine's regsvr32 on the stand-in; /u takes "IISNamespace" away as on a server without IIS.
void RegisterStandIn(bool unregister) {
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  std::wstring dll = corvanel::Utf8ToWide(IIS_STANDIN_DLL);
  std::replace(dll.begin(), dll.end(), L'/', L'\\');
  std::wstring commandLine =
      L"\"" + std::wstring(system) + L"\\regsvr32.exe\" /s " + (unregister ? L"/u " : L"") + L"\"Z:" + dll + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(
      CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  WaitForSingleObject(process.hProcess, kTimeoutMs);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
}

TEST_F(VardockGui, WithoutIisTheFailureIsReportedAndNothingChanges) {
  Remember(L"5", L"Mobile");
  RegisterStandIn(true);
  struct Reregister {
    ~Reregister() { RegisterStandIn(false); }
  } reregister;
  for (const wchar_t* operation : {L"ADD", L"DEL"}) {
    Vardock vardock(L"/N=Mobile /O=" + std::wstring(operation) + L" /P=C:\\Web\\Mobile");
    const BoxView box = vardock.WaitMessageBox();
    EXPECT_EQ(box.title, L"Vardock");
    EXPECT_EQ(box.text.substr(0, 20), L"IISNamespace failed:") << corvanel::WideToUtf8(box.text);
    EXPECT_NE(box.text.find(L"HRESULT 0x800401F3"), std::wstring::npos) << corvanel::WideToUtf8(box.text);
    EXPECT_TRUE(box.hasIcon);
    EXPECT_TRUE(vardock.TopWindows(L"VardockForm1").empty()) << "the chooser is never shown";
    Vardock::AnswerOk(box);
    EXPECT_TRUE(vardock.WaitExit());
  }
  EXPECT_EQ(ReadConfig(), kServer);
  EXPECT_EQ(Stored(L"IISWebServer"), L"5");
}

}  // namespace
}  // namespace vardock::gui
