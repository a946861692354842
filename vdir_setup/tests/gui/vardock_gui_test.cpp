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
#include "vardock_gui_fixture.h"
#include "vdir_setup/win/resource.h"

namespace vardock::gui {
namespace {


TEST_F(VardockGui, ChooserListsTheSitesAndPreselectsTheRememberedOne) {
  Remember(L"5", L"Mobile");
  Vardock vardock(kAdd);
  const HWND form = vardock.WaitForm1();
  ASSERT_NE(form, nullptr);
  vardock.Screenshot("vardock-chooser", form);
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
  EXPECT_FALSE(KeyExists(L"Software\\Corvanel")) << "nothing in the 64-bit view";

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
    Vardock vardock(kAdd + L" /Q=1" + LogSwitch());
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
  const std::string log = ReadLog();
  const std::string line = "The chooser was closed without a choice: nothing was changed.\r\n";
  EXPECT_NE(log.find(line), log.rfind(line)) << "both ways say so\n" << log;
  EXPECT_NE(log.find("Finished with exit status 1."), std::string::npos) << log;
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
       L"This program is used by Pellinor / Quastrel\r\nto create IIS Virtual Directories.\r\n\r\n"
       L"The operation (/O) \"REMOVE\" is none of ADD, DEL, UNDOADD and UNDODEL.",
       false, false},
      {"no web service", "fail no-web-service\n", kAdd, false,
       L"GetObject failed: The system cannot find the path specified.\r\nHRESULT 0x80070003", true, false},
      {"a directory that can be neither found nor created", "fail create-fails\n", kAdd, true,
       L"Unable to create or locate Virtual Directory Mobile.\r\n\r\nCreate failed: Access is denied.\r\n"
       L"HRESULT 0x80070005",
       true, false},
      {"IIS refuses the removal", "fail delete-fails\n", L"/N=Mobile /O=DEL", false,
       L"The Virtual Directory \"Mobile\" on web site 1 could not be removed.\r\n\r\n"
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


TEST_F(VardockGui, WithoutIisTheFailureIsReportedAndNothingChanges) {
  Remember(L"5", L"Mobile");
  RegisterStandIn(L"/u");
  struct Reregister {
    ~Reregister() { RegisterStandIn(L""); }
  } reregister;
  for (const wchar_t* operation : {L"ADD", L"DEL"}) {
    Vardock vardock(L"/N=Mobile /O=" + std::wstring(operation) + L" /P=C:\\Web\\Mobile");
    const BoxView box = vardock.WaitMessageBox();
    EXPECT_EQ(box.title, L"Vardock");
    EXPECT_TRUE(box.text.starts_with(L"IIS is not installed on this computer, or its management components are "
                                     L"missing.\r\n\r\nIISNamespace failed: "))
        << corvanel::WideToUtf8(box.text);
    EXPECT_NE(box.text.find(L"0x800401F3"), std::wstring::npos) << corvanel::WideToUtf8(box.text);
    if (std::wstring_view(operation) == L"ADD") vardock.Screenshot("vardock-without-iis", box.hwnd);
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
