// vardock.exe as a setup program runs it without a window: /S chooses the site, /Q=1 keeps every
// message box away, /L keeps a record, and the exit status says what happened.
#include <algorithm>

#include "vardock_gui_fixture.h"

namespace vardock::gui {
namespace {

using VardockSilent = VardockGui;

TEST_F(VardockSilent, AddOnANamedSiteMovesThenDelRemovesWithoutAWindow) {
  Remember(L"1", L"Mobile");
  WriteConfig(std::string(kServer) + "[W3SVC/1/ROOT/Mobile] IIsWebVirtualDir\nPath = \"C:\\\\Old\"\n");
  const struct {
    std::wstring arguments;
    DWORD status;
    std::optional<std::wstring> site;
  } runs[] = {
      {kAdd + L" /S=extranet /Q=1", 0, L"5"},
      {kAdd + L" /S=1423684589 /Q=1", 0, L"1423684589"},
      {L"/N=Mobile /O=DEL /Q=1", 0, std::nullopt},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(corvanel::WideToUtf8(run.arguments));
    Vardock vardock(run.arguments + LogSwitch());
    ASSERT_TRUE(vardock.WaitExit()) << "nothing waits for the administrator";
    EXPECT_EQ(vardock.ExitCode(), run.status);
    EXPECT_EQ(Stored(L"IISWebServer"), run.site);
  }
  const std::string config = ReadConfig();
  EXPECT_EQ(config.find("/ROOT/Mobile]"), std::string::npos) << config;

  const std::string log = ReadLog();
  for (const char* line : {"Web site 5 (\"Extranet\") was chosen.\r\n",
                           "The Virtual Directory \"Mobile\" on web site 5 is in place, and remembered.\r\n",
                           "The old Virtual Directory \"Mobile\" is gone from web site 1.\r\n",
                           "Removing the Virtual Directory \"Mobile\" from web site 5.\r\n",
                           "The Virtual Directory \"Mobile\" is gone from web site 1423684589, and forgotten.\r\n"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
  }
  // Three runs appended to one file, each line stamped "yyyy-mm-dd hh:mm:ss".
  std::size_t finished = 0;
  for (std::size_t at = 0; (at = log.find("Finished with exit status 0.\r\n", at)) != std::string::npos; ++at) ++finished;
  EXPECT_EQ(finished, 3u) << log;
  ASSERT_GT(log.size(), 21u);
  EXPECT_EQ(log[4], '-');
  EXPECT_EQ(log.substr(19, 2), "  ");
}

TEST_F(VardockSilent, AnUnknownSiteChangesNothingAndSaysSo) {
  Remember(L"1", L"Mobile");
  const std::string before = ReadConfig();
  {
    Vardock vardock(kAdd + L" /S=Nowhere /Q=1" + LogSwitch());
    ASSERT_TRUE(vardock.WaitExit());
    EXPECT_EQ(vardock.ExitCode(), 1u);
  }
  EXPECT_NE(ReadLog().find("There is no web site \"Nowhere\" on this server. Nothing was changed.\r\n"), std::string::npos)
      << ReadLog();
  {
    Vardock vardock(kAdd + L" /S=Nowhere");
    const BoxView box = vardock.WaitMessageBox();
    EXPECT_EQ(box.text, L"There is no web site \"Nowhere\" on this server.\r\n\r\nNothing was changed.");
    EXPECT_TRUE(vardock.TopWindows(L"VardockForm1").empty());
    Vardock::AnswerOk(box);
    ASSERT_TRUE(vardock.WaitExit());
    EXPECT_EQ(vardock.ExitCode(), 1u);
  }
  EXPECT_EQ(ReadConfig(), before);
  EXPECT_EQ(Stored(L"IISWebServer"), L"1");
}

TEST_F(VardockSilent, FailuresGiveStatusOneQuietlyOrWithTheirMessage) {
  const struct {
    const char* what;
    std::string fault;
    std::wstring arguments;
  } cases[] = {
      {"IIS cannot be reached", "fail no-web-service\n", kAdd + L" /S=5 /Q=1"},
      {"the last SetInfo fails", "fail setinfo-fails\n", kAdd + L" /S=5 /Q=1"},
      {"a refused removal", "fail delete-fails\n", L"/N=Mobile /O=DEL /Q=1"},
      // The root that deleted no longer finds the directory; the objects obtained anew still do.
      {"a removal whose SetInfo is refused", "fail delete-setinfo-fails\n", L"/N=Mobile /O=DEL /Q=1"},
      {"a log that cannot be opened", "", kAdd + L" /S=5 /Q=1 /L=Q:\\no\\such\\folder\\v.log"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteConfig(c.fault + kServer + "[W3SVC/5/ROOT/Mobile] IIsWebVirtualDir\n");
    Remember(L"5", L"Mobile");
    Vardock vardock(c.arguments);
    ASSERT_TRUE(vardock.WaitExit()) << "no message box waits";
    EXPECT_EQ(vardock.ExitCode(), 1u);
    EXPECT_EQ(Stored(L"IISWebServer"), L"5");
    if (c.fault.find("delete") != std::string::npos) {
      EXPECT_NE(ReadConfig().find("[W3SVC/5/ROOT/Mobile]"), std::string::npos);
    }
  }
  // Without /S or /Q the program keeps its old way: the failure shown, no status of its own.
  WriteConfig(std::string("fail no-web-service\n") + kServer);
  Vardock vardock(L"/N=Mobile /O=DEL");
  const BoxView box = vardock.WaitMessageBox();
  EXPECT_EQ(box.text, L"GetObject failed: The system cannot find the path specified.\r\nHRESULT 0x80070003");
  Vardock::AnswerOk(box);
  ASSERT_TRUE(vardock.WaitExit());
  EXPECT_EQ(vardock.ExitCode(), 0u);
}

// What a setup program meets when Vardock refuses or undoes: status 1 at once, the reason in the
// log, and the server and the registry as they were.
TEST_F(VardockSilent, RefusalsAndUndoneCreationsLeaveNothingBehind) {
  const std::string foreign = std::string(kServer) + "[W3SVC/1/ROOT/Mobile] IIsWebVirtualDir\nPath = \"C:\\\\Other\"\n";
  const struct {
    const char* what;
    std::string config;
    std::wstring arguments;
    bool volatileSettings;  // the settings' parent key is volatile: the record cannot be written
    const char* logged;
  } cases[] = {
      {"a foreign directory of that name", foreign, kAdd + L" /S=1 /Q=1", false,
       "The Virtual Directory \"Mobile\" on web site 1 already exists and serves \"C:\\Other\", not \"C:\\Web\\Mobile\""},
      {"the site itself as the name", kServer, L"/N=/ /O=ADD /P=C:\\Web\\Mobile /S=1 /Q=1", false,
       "The Virtual Directory cannot be named \"/\": it holds \"/\" or \"\\\""},
      {"a Cyrillic name", kServer, L"/N=\u041C\u043E\u0431\u0430\u0439\u043B /O=ADD /P=C:\\Web\\Mobile /S=1 /Q=1",
       false, "it holds characters outside the ANSI code page 1252"},
      {"an empty /S", kServer, kAdd + L" /S= /Q=1", false, "The web site (/S) is empty"},
      {"a failed IIS 6 creation", "fail setinfo-fails\n" + std::string(kServer), kAdd + L" /S=5 /Q=1", false,
       "The Virtual Directory \"Mobile\" that this run began on web site 5 was removed again."},
      {"a record that cannot be written", kServer, kAdd + L" /S=5 /Q=1", true,
       "It was removed again, so that nothing is left half-done."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteConfig(c.config);
    std::filesystem::remove(logFile);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettings);
    if (c.volatileSettings) {
      HKEY key = nullptr;
      ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSettings, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                nullptr, &key, nullptr),
                ERROR_SUCCESS);
      RegCloseKey(key);
    }
    const std::string before = ReadConfig();
    Vardock vardock(c.arguments + LogSwitch());
    ASSERT_TRUE(vardock.WaitExit()) << "nothing waits";
    EXPECT_EQ(vardock.ExitCode(), 1u);
    EXPECT_TRUE(vardock.TopWindows(L"VardockForm1").empty());
    // The stand-in writes its file anew on every stored change: an undone creation leaves it in
    // its own layout, with the same keys.
    const std::string after = ReadConfig();
    if (after != before) {
      EXPECT_EQ(after.find("/ROOT/Mobile]"), std::string::npos) << after;
      EXPECT_EQ(std::count(after.begin(), after.end(), '['), std::count(before.begin(), before.end(), '[')) << after;
    }
    EXPECT_FALSE(KeyExists(kMobileKey));
    const std::string log = ReadLog();
    EXPECT_NE(log.find(c.logged), std::string::npos) << c.logged << "\n" << log;
  }
}

TEST_F(VardockSilent, AForeignDirectoryIsNamedWithItsFolderAndTheWayOut) {
  WriteConfig(std::string(kServer) + "[W3SVC/1/ROOT/Mobile] IIsWebVirtualDir\nPath = \"C:\\\\Other\"\n");
  Vardock vardock(kAdd + L" /S=1");
  const BoxView box = vardock.WaitMessageBox();
  vardock.Screenshot("vardock-foreign-directory", box.hwnd);
  EXPECT_EQ(box.text,
            L"The Virtual Directory \"Mobile\" on web site 1 already exists and serves \"C:\\Other\", not "
            L"\"C:\\Web\\Mobile\"; nothing records that this product made it.\r\n\r\nNothing was changed. Remove that "
            L"directory with IIS Manager, or install under another name (/N) or on another web site.");
  EXPECT_TRUE(box.hasIcon);
  Vardock::AnswerOk(box);
  ASSERT_TRUE(vardock.WaitExit());
  EXPECT_EQ(vardock.ExitCode(), 1u);
}

}  // namespace
}  // namespace vardock::gui
