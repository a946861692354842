// What Vardock refuses before it changes anything, what it leaves alone, and what it says when
// IIS or the registry fails it half-way: on the IIS 6 objects over the in-memory model (the
// native configuration objects have their own rows in apphost_admin_test.cpp).
#include <gtest/gtest.h>

#include "vardock_fixture.h"
#include "vdir_setup/core/form1_rules.h"

namespace vardock::testing {
namespace {

constexpr std::wstring_view kAdd = L"/N=Mobile /O=ADD /P=C:\\Web\\Mobile";

class Safety : public VardockTest {
 public:
  std::wstring Message() const { return host.messages.empty() ? L"" : host.messages.front().text; }
  void Reset() {
    registryApi = {};
    for (const wchar_t* site : {L"1", L"2", L"5"}) config->Find(L"W3SVC/" + std::wstring(site) + L"/ROOT")->RemoveChild(L"Mobile");
    config->failures = {};
    log.clear();
  }
};

// A directory of the product's name that the product never made is someone else's.
TEST_F(Safety, OnlyWhatTheRecordNamesIsRemovedOrTakenOver) {
  const struct {
    const char* what;
    std::string remembered;  // the site the record names for Mobile; "" nothing
    std::wstring existing;   // Mobile's folder on site 1 before; "" none
    std::wstring line;
    int status;
    std::wstring site1, site5;  // Mobile's folder afterwards, "<none>" when it is not there
    std::string recorded;       // IISWebServer afterwards
    std::wstring said;          // in the message or the log
  } cases[] = {
      {"nothing remembered: another site's directory stays", "", L"C:\\Other", std::wstring(kAdd) + L" /S=5", 0,
       L"\"C:\\Other\"", L"\"C:\\Web\\Mobile\"", "5", L"nothing is removed"},
      {"nothing remembered: a foreign directory is refused", "", L"C:\\Other", std::wstring(kAdd) + L" /S=1 /Q=1", 1,
       L"\"C:\\Other\"", L"<none>", "<none>",
       L"The Virtual Directory \"Mobile\" on web site 1 already exists and serves \"C:\\Other\", not "
       L"\"C:\\Web\\Mobile\"; nothing records that this product made it. Nothing was changed. Remove that "
       L"directory with IIS Manager, or install under another name (/N) or on another web site."},
      {"one without a folder is refused too", "", L"", std::wstring(kAdd) + L" /S=1 /Q=1", 1, L"<unset>", L"<none>",
       "<none>", L"serves no folder"},
      {"one that serves the product's folder already is taken over", "", L"c:\\web\\mobile\\",
       std::wstring(kAdd) + L" /S=1", 0, L"\"C:\\Web\\Mobile\"", L"<none>", "1", L"is in place, and remembered"},
      {"the record's own is pointed at the new folder", "1", L"C:\\Other", std::wstring(kAdd) + L" /S=1", 0,
       L"\"C:\\Web\\Mobile\"", L"<none>", "1", L"is in place, and remembered"},
      {"the record's own moves", "1", L"C:\\Other", std::wstring(kAdd) + L" /S=5", 0, L"<none>",
       L"\"C:\\Web\\Mobile\"", "5", L"The old Virtual Directory \"Mobile\" is gone from web site 1."},
      {"a record naming the site itself is never removed", "5/", L"C:\\Other", std::wstring(kAdd) + L" /S=2", 0,
       L"\"C:\\Other\"", L"<none>", "2", L"the record names \"/\", and it holds"},
      {"DEL without a record guesses site 1, and says so", "", L"C:\\Other", L"/N=Mobile /O=DEL /Q=1", 0, L"<none>",
       L"<none>", "<none>", L"Nothing is remembered under HKEY_LOCAL_MACHINE\\Software\\Corvanel\\Mobile: web site 1 "
                              L"and the name \"Mobile\" are a guess."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    // "5/": site 5 and the name "/".
    if (!c.remembered.empty()) {
      Remember(kKey, c.remembered.substr(0, 1), c.remembered.size() > 1 ? c.remembered.substr(1) : "Mobile");
    }
    if (!c.existing.empty() || c.said.find(L"no folder") != std::wstring::npos) {
      ConfigNode& dir = config->Add(L"W3SVC/1/ROOT/Mobile", L"IIsWebVirtualDir");
      if (!c.existing.empty()) dir.SetProperty(L"Path", c.existing);
    }
    EXPECT_EQ(Run(c.line), c.status);
    EXPECT_EQ(Dir(L"1", L"Mobile") ? Property(Dir(L"1", L"Mobile"), L"Path") : L"<none>", c.site1);
    EXPECT_EQ(Dir(L"5", L"Mobile") ? Property(Dir(L"5", L"Mobile"), L"Path") : L"<none>", c.site5);
    EXPECT_EQ(Stored("IISWebServer"), c.recorded);
    EXPECT_TRUE(Logged(c.said)) << corvanel::WideToUtf8(c.said);
  }
}

TEST_F(Safety, TheChooserStaysOpenWhenAForeignDirectoryIsInTheWay) {
  config->Add(L"W3SVC/1/ROOT/Mobile", L"IIsWebVirtualDir").SetProperty(L"Path", L"C:\\Other");
  module.Main(kAdd);
  ASSERT_EQ(host.form1Shown, 1);
  EXPECT_FALSE(Form1Confirm(module, L"1")) << "another site can still be chosen";
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_TRUE(Form1Confirm(module, L"5"));
  EXPECT_EQ(Property(Dir(L"1", L"Mobile"), L"Path"), L"\"C:\\Other\"");
  EXPECT_NE(Dir(L"5", L"Mobile"), nullptr);
}

TEST_F(Safety, NamesAreCheckedBeforeAnythingChanges) {
  const std::wstring tooLong(243, L'n');
  const struct {
    std::wstring name;
    bool add, del;  // refused by ADD, by DEL
    std::wstring rule;
  } cases[] = {
      {L".", true, true, L"it names the web site itself or the one above it"},
      {L"..", true, true, L"it names the web site itself or the one above it"},
      {L"/", true, true, L"it holds \"/\" or \"\\\""},
      {L"a\\b", true, true, L"it holds \"/\" or \"\\\""},
      {L"../Extranet", true, true, L"it holds \"/\" or \"\\\""},
      {L"a?b", true, false, L"it holds \"?\", which cannot stand unescaped in a web address"},
      {L"a*b", true, false, L"\"*\""},
      {L"a:b", true, false, L"\":\""},
      {L"a|b", true, false, L"\"|\""},
      {L"a<b", true, false, L"\"<\""},
      {L"a>b", true, false, L"\">\""},
      {L"a\"b", true, false, L"\"\"\""},
      {L"100%", true, false, L"\"%\""},
      {L"a#b", true, false, L"\"#\""},
      {L"a\x01" L"b", true, false, L"the control character U+0001"},
      {tooLong, true, false, L"longer than the 242 characters that the registry key"},
      {L"\u041C\u043E\u0431\u0430\u0439\u043B", true, false, L"outside code page 1252, in which the registry key"},
      {L" My Site ", false, false, L""},
      {L"R&D", false, false, L""},
      {L"M\u00FCller", false, false, L""},
      {std::wstring(242, L'n'), false, false, L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(corvanel::WideToUtf8(c.name));
    for (const bool add : {true, false}) {
      Reset();
      const bool refused = add ? c.add : c.del;
      const int status =
          Run(L"/N=" + c.name + (add ? L" /O=ADD /P=C:\\Web\\Mobile /S=5 /Q=1" : L" /O=DEL /Q=1"));
      EXPECT_EQ(status, refused ? 1 : 0) << (add ? "ADD" : "DEL");
      if (refused) {
        EXPECT_TRUE(Logged(c.rule)) << (add ? "ADD" : "DEL");
        EXPECT_TRUE(Logged(L"Nothing was changed."));
        EXPECT_TRUE(log.empty()) << "IIS is not reached";
        EXPECT_TRUE(std::ranges::none_of(registryApi.KeyCalls(), [](const auto& call) { return call.create; }))
            << "the record is only read";
      }
    }
  }
  // Refused with a box when nothing asks for quiet.
  Reset();
  EXPECT_EQ(Run(L"/N=a?b /O=ADD /P=C:\\x"), 0);
  EXPECT_EQ(Message(), L"The Virtual Directory cannot be named \"a?b\": it holds \"?\", which cannot stand unescaped "
                       L"in a web address.\r\n\r\nNothing was changed.");
  EXPECT_EQ(host.form1Shown, 0);
}

TEST_F(Safety, RegistryValuesThatAreNotTextOrCannotBeRead) {
  const struct {
    const char* what;
    MemoryRegistry::StoredValue site, name;
    bool unreadable;
    int status;
    std::wstring removed;  // the directory the DEL removed: on site 5 or 1
    std::wstring said;
  } cases[] = {
      {"a number for the site", {reg::kDword, {5, 0, 0, 0}}, {reg::kSz, Bytes("Mobile")}, false, 0, L"5", L""},
      {"expandable text for the name", {reg::kSz, Bytes("5")}, {reg::kExpandSz, Bytes("Mobile")}, false, 0, L"5",
       L"The value IISWebVirtualDir under HKEY_LOCAL_MACHINE\\Software\\Corvanel\\Mobile is not text "
       L"(REG_EXPAND_SZ): it is taken as not remembered."},
      {"binary for the site", {reg::kBinary, Bytes("5")}, {reg::kSz, Bytes("Mobile")}, false, 0, L"1",
       L"is not text (REG_BINARY)"},
      {"a record that cannot be read", {reg::kSz, Bytes("5")}, {reg::kSz, Bytes("Mobile")}, true, 1, L"",
       L"The record of the last installation, HKEY_LOCAL_MACHINE\\Software\\Corvanel\\Mobile, cannot be read. "
       L"RegOpenKeyExA failed: Access is denied. HRESULT 0x80070005 Nothing was changed."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    registryApi.Put(kHKeyLocalMachine, kKey, "IISWebServer", c.site);
    registryApi.Put(kHKeyLocalMachine, kKey, "IISWebVirtualDir", c.name);
    if (c.unreadable) registryApi.unreadableBelow = kKey;
    for (const wchar_t* site : {L"1", L"5"}) config->Add(L"W3SVC/" + std::wstring(site) + L"/ROOT/Mobile", L"IIsWebVirtualDir");
    EXPECT_EQ(Run(L"/N=Mobile /O=DEL /Q=1"), c.status);
    EXPECT_EQ(Dir(L"5", L"Mobile") == nullptr, c.removed == L"5");
    EXPECT_EQ(Dir(L"1", L"Mobile") == nullptr, c.removed == L"1");
    if (!c.said.empty()) EXPECT_TRUE(Logged(c.said)) << corvanel::WideToUtf8(host.logLines[1]);
    // ADD with an unreadable record changes nothing either.
    if (c.unreadable) {
      EXPECT_EQ(Run(std::wstring(kAdd) + L" /S=2 /Q=1"), 1);
      EXPECT_EQ(Dir(L"2", L"Mobile"), nullptr);
    }
  }
}

// A record that cannot be written would leave the directory to a guess at uninstall.
TEST_F(Safety, RefusedRegistryWritesAreReportedAndUndone) {
  const struct {
    const char* what;
    std::wstring line;
    bool remembered;  // the record names site 1's Mobile
    int status;
    bool site1, site5;  // Mobile there afterwards
    std::wstring message;
  } cases[] = {
      {"a new directory goes again", std::wstring(kAdd) + L" /S=5", false, 1, false, false,
       L"The Virtual Directory \"Mobile\" on web site 5 could not be remembered under HKEY_LOCAL_MACHINE\\Software\\"
       L"Corvanel\\Mobile.\r\n\r\nRegCreateKeyExA failed: Access is denied.\r\nHRESULT 0x80070005\r\n\r\n"
       L"It was removed again, so that nothing is left half-done."},
      {"a move keeps the old one and its record", std::wstring(kAdd) + L" /S=5 /Q=1", true, 1, true, false, L""},
      {"an existing directory stays", std::wstring(kAdd) + L" /S=1 /Q=1", true, 1, true, false, L""},
      {"a DEL removes, and names the values left", L"/N=Mobile /O=DEL", true, 0, false, false,
       L"The Virtual Directory \"Mobile\" is gone from web site 1, but its record could not be deleted: the values "
       L"IISWebServer and IISWebVirtualDir are left under HKEY_LOCAL_MACHINE\\Software\\Corvanel\\Mobile.\r\n\r\n"
       L"RegOpenKeyExA failed: Access is denied.\r\nHRESULT 0x80070005"},
      {"... with status 1 when unattended", L"/N=Mobile /O=DEL /Q=1", true, 1, false, false, L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    if (c.remembered) {
      Remember(kKey, "1", "Mobile");
      config->Add(L"W3SVC/1/ROOT/Mobile", L"IIsWebVirtualDir").SetProperty(L"Path", L"C:\\Old");
    }
    registryApi.readOnlyBelow = "Software\\Corvanel";
    EXPECT_EQ(Run(c.line), c.status);
    EXPECT_EQ(Dir(L"1", L"Mobile") != nullptr, c.site1);
    EXPECT_EQ(Dir(L"5", L"Mobile") != nullptr, c.site5);
    EXPECT_EQ(Stored("IISWebServer"), c.remembered ? "1" : "<none>");
    if (!c.message.empty()) EXPECT_EQ(Message(), c.message);
    EXPECT_TRUE(Logged(L"could not be")) << "the log says so too";
  }
}

TEST_F(Safety, UnattendedRunsRefuseWhatTheyDoNotUnderstand) {
  const std::wstring usage(kUsageText);
  const struct {
    std::wstring line;
    int status;
    int chooser;
    std::wstring reason;  // after the usage
  } cases[] = {
      {std::wstring(kAdd) + L" /S= /Q=1", 1, 0, L"The web site (/S) is empty: give its number or its description."},
      {std::wstring(kAdd) + L" /S=", 1, 0, L"The web site (/S) is empty: give its number or its description."},
      {std::wstring(kAdd) + L" /Site=5 /Q=1", 1, 0,
       L"Vardock does not understand the argument \"/Site=5\": it takes /N, /O, /P, /S, /Q and /L, each followed by "
       L"\"=\" and its value."},
      {std::wstring(kAdd) + L" /S 5 /Q=1", 1, 0, L"Vardock does not understand the argument \"/S 5\""},
      {L"/N=Mobile /O=INSTALL /P=C:\\x /Q=1", 1, 0, L"The operation (/O) \"INSTALL\" is none of ADD, DEL, UNDOADD and UNDODEL."},
      // Without /S and /Q the interactive way stays: an unknown key is ignored.
      {std::wstring(kAdd) + L" /Site=5", 0, 1, L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(corvanel::WideToUtf8(c.line));
    Reset();
    EXPECT_EQ(Run(c.line), c.status);
    EXPECT_EQ(host.form1Shown, c.chooser);
    EXPECT_TRUE(log.empty()) << "IIS is not reached";
    if (!c.reason.empty()) {
      EXPECT_TRUE(Logged(usage.substr(0, 20) + L"")) << "the usage is logged";
      EXPECT_TRUE(Logged(c.reason));
    }
  }
}

TEST_F(Safety, FallbacksAreLoggedAndAMissingApplicationIsSaid) {
  config->failures = {.appCreate2Unknown = true, .appCreateFails = true, .noSystemInfo = true};
  EXPECT_EQ(Run(std::wstring(kAdd) + L" /S=5 /Q=1"), 0) << "the directory serves the pages all the same";
  for (const wchar_t* line : {
           L"The domain cannot be learned (WinNTSystemInfo failed: Class not registered (HRESULT 0x80040154)): the "
           L"logon domain is \"\\\".",
           L"AppCreate2 failed (AppCreate2 failed: Unknown name. (HRESULT 0x80020006)): the application is made "
           L"in-process (AppCreate).",
           L"The Virtual Directory \"Mobile\" on web site 5 is in place, but not an application: AppCreate failed: "
           L"Unspecified error (HRESULT 0x80004005).",
       }) {
    EXPECT_TRUE(Logged(line)) << corvanel::WideToUtf8(line);
  }
  Reset();
  config->failures.domainNameFails = true;
  EXPECT_EQ(Run(std::wstring(kAdd) + L" /S=5 /Q=1"), 0);
  EXPECT_TRUE(Logged(L"The domain name cannot be read (DomainName failed: "));
}

}  // namespace
}  // namespace vardock::testing
