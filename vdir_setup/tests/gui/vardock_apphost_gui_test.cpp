// vardock.exe on a server that offers only IIS 10's native configuration objects: the stand-in
// with "IISNamespace" unregistered and applicationHost.config in a file of the test's own.
#include "vardock_gui_fixture.h"

namespace vardock::gui {
namespace {

class VardockAppHost : public VardockGui {
 protected:
  std::filesystem::path apphostFile = dir / L"applicationHost.config";

  void SetUp() override {
    VardockGui::SetUp();
    // The build passes a Unix path; under Wine the Unix root is drive Z:.
    std::filesystem::copy_file(corvanel::testing::BuildPath(VARDOCK_DEMO_DIR "/applicationHost-demo.config"),
                               apphostFile, std::filesystem::copy_options::overwrite_existing);
    ASSERT_TRUE(SetEnvironmentVariableW(L"CORVANEL_APPHOST_STANDIN", apphostFile.wstring().c_str()));
    RegisterStandIn(L"/u /n /i:iis6");
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"CORVANEL_APPHOST_FAIL", nullptr);
    RegisterStandIn(L"");
    VardockGui::TearDown();
  }
  std::string ReadAppHost() const {
    std::ostringstream text;
    text << std::ifstream(apphostFile, std::ios::binary).rdbuf();
    return text.str();
  }
  // The <location> element for path, empty when there is none.
  std::string Location(const std::string& path) const {
    const std::string file = ReadAppHost();
    const auto start = file.find("<location path=\"" + path + "\"");
    if (start == std::string::npos) return {};
    return file.substr(start, file.find("</location>", start) - start);
  }
};

TEST_F(VardockAppHost, AddThroughTheChooserThenOnAnotherSiteThenDel) {
  {
    Vardock vardock(kAdd);
    ASSERT_NE(vardock.WaitForm1(), nullptr);
    EXPECT_EQ(ComboEntries(vardock.Control(IDC_COMBO1)),
              (std::vector<std::wstring>{L"Default Web Site", L"Extranet", L"Mobile Access"}));
    EXPECT_EQ(ComboSelection(vardock.Control(IDC_COMBO1)), 0) << "site 1 by default";
    vardock.Key(VK_RETURN);
    ASSERT_TRUE(vardock.WaitExit());
    EXPECT_TRUE(vardock.TopWindows(L"#32770").empty());
  }
  EXPECT_EQ(Stored(L"IISWebServer"), L"1");
  std::string file = ReadAppHost();
  EXPECT_NE(file.find("<application path=\"/Mobile\""), std::string::npos) << file;
  const std::string location = Location("Default Web Site/Mobile");
  for (const char* setting :
       {"<clear />", "<add value=\"Default.asp\" />", "defaultLogonDomain=\"CORVANEL\"", "allowSessionState=\"true\"",
        "path=\"/Mobile/AT2.asp\"", "responseMode=\"ExecuteURL\"", "<remove statusCode=\"404\""}) {
    EXPECT_NE(location.find(setting), std::string::npos) << setting << "\n" << location;
  }

  {
    Vardock vardock(kAdd + L" /S=Extranet /Q=1");
    ASSERT_TRUE(vardock.WaitExit());
    EXPECT_EQ(vardock.ExitCode(), 0u);
  }
  EXPECT_EQ(Stored(L"IISWebServer"), L"5");
  EXPECT_EQ(Location("Default Web Site/Mobile"), "") << "moved with its settings";
  EXPECT_NE(Location("Extranet/Mobile").find("path=\"/Mobile/AT2.asp\""), std::string::npos) << ReadAppHost();

  {
    Vardock vardock(L"/N=Mobile /O=DEL /Q=1");
    ASSERT_TRUE(vardock.WaitExit());
    EXPECT_EQ(vardock.ExitCode(), 0u);
  }
  file = ReadAppHost();
  EXPECT_EQ(file.find("/Mobile\""), std::string::npos) << file;
  EXPECT_NE(file.find("<site name=\"Extranet\" id=\"5\""), std::string::npos) << file;
  EXPECT_FALSE(Stored(L"IISWebServer"));
}

TEST_F(VardockAppHost, AFailingCommitChangesNothingAndSaysWhy) {
  const std::string before = ReadAppHost();
  ASSERT_TRUE(SetEnvironmentVariableW(L"CORVANEL_APPHOST_FAIL", L"commit-denied"));
  Vardock vardock(kAdd + L" /S=5");
  const BoxView box = vardock.WaitMessageBox();
  EXPECT_EQ(box.text, L"CommitChanges failed: Access is denied.\r\nHRESULT 0x80070005");
  EXPECT_TRUE(box.hasIcon);
  Vardock::AnswerOk(box);
  ASSERT_TRUE(vardock.WaitExit());
  EXPECT_EQ(vardock.ExitCode(), 1u);
  EXPECT_EQ(ReadAppHost(), before);
  EXPECT_FALSE(Stored(L"IISWebServer"));
}

// Another tool commits before each of the first N commits of a run: a redo from a fresh read
// survives one, and five attempts in a row that fail change nothing (about 10 s of pauses).
TEST_F(VardockAppHost, ChangesSurviveAnotherToolsCommit) {
  const struct {
    const wchar_t* faults;
    std::wstring arguments;
    unsigned status;
    std::size_t failedAttempts;
    bool present;
  } cases[] = {
      {L"changed-on-disk=1", kAdd + L" /S=5 /Q=1", 0, 1, true},
      {L"changed-on-disk=1", L"/N=Mobile /O=DEL /Q=1", 0, 1, false},
      {L"changed-on-disk=9", kAdd + L" /S=5 /Q=1", 1, 5, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(corvanel::WideToUtf8(c.arguments));
    std::filesystem::remove(logFile);
    ASSERT_TRUE(SetEnvironmentVariableW(L"CORVANEL_APPHOST_FAIL", c.faults));
    Vardock vardock(c.arguments + LogSwitch());
    ASSERT_TRUE(vardock.WaitExit(4 * kTimeoutMs));
    EXPECT_EQ(vardock.ExitCode(), c.status);
    const std::string log = ReadLog();
    std::size_t failed = 0;
    for (auto at = log.find("Storing the change failed"); at != std::string::npos; at = log.find("Storing", at + 1)) ++failed;
    EXPECT_EQ(failed, c.failedAttempts) << log;
    EXPECT_EQ(Location("Extranet/Mobile").empty(), !c.present) << ReadAppHost();
    EXPECT_EQ(Stored(L"IISWebServer").has_value(), c.present);
  }
}

TEST_F(VardockAppHost, WhereTheIis6ObjectsAreRegisteredTooTheyAreUsed) {
  RegisterStandIn(L"/n /i:iis6");
  const std::string before = ReadAppHost();
  Vardock vardock(kAdd + L" /S=5 /Q=1");
  ASSERT_TRUE(vardock.WaitExit());
  EXPECT_EQ(vardock.ExitCode(), 0u);
  EXPECT_NE(ReadConfig().find("[W3SVC/5/ROOT/Mobile] IIsWebVirtualDir"), std::string::npos) << ReadConfig();
  EXPECT_EQ(ReadAppHost(), before);
}

}  // namespace
}  // namespace vardock::gui
