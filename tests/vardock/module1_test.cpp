// Start-up: the command line, the remembered settings and the dispatch.
#include <gtest/gtest.h>

#include "vardock_fixture.h"
#include "vdir_setup/core/command_line.h"
#include "vdir_setup/core/error_text.h"
#include "vdir_setup/core/site_number.h"

namespace vardock::testing {
namespace {

enum class Outcome { Usage, Chooser, Removal, Nothing };

TEST_F(VardockTest, CommandLineTable) {
  const struct {
    std::wstring line;
    std::wstring name, operation, path;
    Outcome outcome;
  } cases[] = {
      {L"", L"", L"", L"", Outcome::Usage},
      {L"/N=Mobile /O=ADD /P=C:\\Web\\Mobile", L"Mobile", L"ADD", L"C:\\Web\\Mobile", Outcome::Chooser},
      {L"/n=Mobile /o=del", L"Mobile", L"del", L"", Outcome::Removal},
      {L"/O=Add /P=C:\\x /N=Mobile", L"Mobile", L"Add", L"C:\\x", Outcome::Chooser},
      {L"/N Mobile /O=ADD /P=C:\\x", L"", L"ADD", L"C:\\x", Outcome::Nothing},
      {L"/N=Mobile /O=ADD /P=C:\\a=b", L"Mobile", L"ADD", L"", Outcome::Nothing},
      {L"/N=My Site /O=ADD /P=C:\\Program Files\\Site", L"My Site", L"ADD", L"C:\\Program Files\\Site",
       Outcome::Chooser},
      {L"/N=Mobile /O=ADD /P=C:/web/site", L"Mobile", L"ADD", L"C:/web/site", Outcome::Chooser},
      {L"/N=Mobile /O=ADD /P=C:\\a /b", L"Mobile", L"ADD", L"C:\\a", Outcome::Chooser},
      {L"/N=Mobile/O=ADD", L"", L"", L"", Outcome::Usage},
      {L"run /N=Mobile   /O=DEL", L"Mobile", L"DEL", L"", Outcome::Removal},
      {L"/N= Mobile /O=ADD /P=C:\\x", L" Mobile", L"ADD", L"C:\\x", Outcome::Chooser},
      {L"/N =Mobile /O=ADD /P=C:\\x", L"", L"ADD", L"C:\\x", Outcome::Nothing},
      {L"/N=A /N=B /O=DEL", L"B", L"DEL", L"", Outcome::Removal},
      {L"/N= /O=ADD /P=C:\\x", L"", L"ADD", L"C:\\x", Outcome::Nothing},
      {L"/N=\"My Site\" /O=DEL", L"\"My Site\"", L"DEL", L"", Outcome::Removal},
      {L"/O=DEL", L"", L"DEL", L"", Outcome::Removal},
      {L"/N=A\t/O=DEL", L"", L"", L"", Outcome::Usage},
      {L"/N=Mobile /O=ADDX /P=C:\\x", L"Mobile", L"ADDX", L"C:\\x", Outcome::Usage},
      {L"  /N=Mobile /O=ADD /P=C:\\x  ", L"Mobile", L"ADD", L"C:\\x", Outcome::Chooser},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(corvanel::WideToUtf8(c.line));
    host = {};
    log.clear();
    module.Main(c.line);
    EXPECT_EQ(module.ArgName, c.name);
    EXPECT_EQ(module.ArgOperation, c.operation);
    EXPECT_EQ(module.ArgPath, c.path);
    EXPECT_EQ(module.SiteNumber, L"1");
    EXPECT_EQ(module.VirtualDirName, c.name);
    EXPECT_EQ(host.form1Shown, c.outcome == Outcome::Chooser ? 1 : 0);
    if (c.outcome == Outcome::Usage) {
      // An operation given but unknown is named after the usage.
      const std::wstring usage = L"This program is used by Pellinor / Quastrel\r\nto create IIS Virtual Directories.";
      EXPECT_EQ(host.messages,
                (std::vector<RecordingHost::Message>{
                    {c.operation.empty() ? usage
                                         : usage + L"\r\n\r\nThe operation (/O) \"" + c.operation +
                                               L"\" is none of ADD, DEL, UNDOADD and UNDODEL.",
                     MessageIcon::None}}));
    } else {
      EXPECT_TRUE(host.messages.empty());
    }
    // A removal reaches IIS only with a name to remove.
    const bool removal = c.outcome == Outcome::Removal && !c.name.empty();
    EXPECT_EQ(std::ranges::count_if(log,
                                    [&](const auto& l) {
                                      return l.starts_with(L"call Root.Delete(BSTR \"IISWebVirtualDir\", BSTR \"" +
                                                           c.name + L"\")");
                                    }),
              removal ? 1 : 0);
    if (!removal) {
      EXPECT_TRUE(log.empty());
    }
  }
  EXPECT_FALSE(registryApi.KeyExists(kHKeyLocalMachine, "Software\\Corvanel")) << "nothing is written";
}

TEST_F(VardockTest, ArgumentTextLeavesOutTheProgramPath) {
  const struct {
    std::wstring commandLine, arguments;
  } cases[] = {
      {L"vardock.exe /N=Mobile /O=DEL", L" /N=Mobile /O=DEL"},
      {L"\"C:/Program Files/Corvanel/vardock.exe\" /N=Mobile", L" /N=Mobile"},
      {L"\"C:\\Program Files\\vardock.exe\"/O=DEL", L"/O=DEL"},
      {L"C:/Corvanel/vardock.exe\t/O=DEL", L"\t/O=DEL"},
      {L"vardock.exe", L""},
      {L"\"C:\\unterminated /O=DEL", L""},
      {L"", L""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ArgumentText(c.commandLine), c.arguments) << corvanel::WideToUtf8(c.commandLine);
}

TEST_F(VardockTest, RememberedSettingsAndTheirDefaults) {
  const struct {
    const char* what;
    std::string key, site, dir;  // empty key: nothing stored
    std::wstring line;
    std::wstring siteNumber, virtualDirName;
  } cases[] = {
      {"nothing stored", "", "", "", L"/N=Mobile /O=X", L"1", L"Mobile"},
      {"both stored", kKey, "3", "Phone", L"/N=Mobile /O=X", L"3", L"Phone"},
      {"empty values mean the defaults", kKey, "", "", L"/N=Mobile /O=X", L"1", L"Mobile"},
      {"the key of another name", "Software\\Corvanel\\Other", "3", "Phone", L"/N=Mobile /O=X", L"1", L"Mobile"},
      {"the key is found whatever the case of /N", kKey, "7", "Phone", L"/N=MOBILE /O=X", L"7", L"Phone"},
      {"no name: the parent key", "Software\\Corvanel\\", "4", "Phone", L"/O=X", L"4", L"Phone"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    registryApi = {};
    if (!c.key.empty()) Remember(c.key, c.site, c.dir);
    module.Main(c.line);
    EXPECT_EQ(module.SiteNumber, c.siteNumber);
    EXPECT_EQ(module.VirtualDirName, c.virtualDirName);
  }
}

TEST_F(VardockTest, DeleteRemovesTheRememberedDirectory) {
  Remember(kKey, "5", "Phone");
  config->Add(L"W3SVC/5/ROOT/Phone", L"IIsWebVirtualDir");
  module.Main(L"/N=Mobile /O=DEL");
  EXPECT_EQ(Dir(L"5", L"Phone"), nullptr);
  EXPECT_EQ(Stored("IISWebServer"), "<none>");
  EXPECT_EQ(Stored("IISWebVirtualDir"), "<none>");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(VardockTest, SiteNumbers) {
  const struct {
    std::wstring text;
    std::optional<std::uint32_t> number;
  } cases[] = {
      {L"1", 1u},
      {L"0", 0u},
      {L"1423684589", 1423684589u},
      {L"4294967295", 4294967295u},
      {L"4294967296", {}},
      {L"01", {}},
      {L"", {}},
      {L" 1", {}},
      {L"1 ", {}},
      {L"+1", {}},
      {L"-1", {}},
      {L"1x", {}},
      {L"99999999999", {}},
      {L"\u0661", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseSiteNumber(c.text), c.number) << corvanel::WideToUtf8(c.text);

  EXPECT_TRUE(SameSiteNumber(L"5", L"5"));
  EXPECT_TRUE(SameSiteNumber(L"05", L"5"));
  EXPECT_TRUE(SameSiteNumber(L"00", L"0"));
  EXPECT_FALSE(SameSiteNumber(L"5", L"50"));
  EXPECT_FALSE(SameSiteNumber(L"x", L"X"));
}

TEST_F(VardockTest, ErrorTextNamesTheMemberTheReasonAndTheCode) {
  EXPECT_EQ(ErrorText(corvanel::AppError(L"GetObject", L"The system cannot find the path specified.", 0x80070003)),
            L"GetObject failed: The system cannot find the path specified.\r\nHRESULT 0x80070003");
  EXPECT_EQ(ErrorText(corvanel::AppError(L"Main", L"no code")), L"Main failed: no code");
  EXPECT_EQ(ErrorText(std::make_exception_ptr(std::bad_alloc())), L"Vardock failed: not enough memory.");
}

}  // namespace
}  // namespace vardock::testing
