// Creating and removing the product's virtual directory: the exact IIS calls, what IIS then
// holds, and what the registry remembers.
#include <gtest/gtest.h>

#include "vardock_fixture.h"
#include "vdir_setup/core/automation.h"

namespace vardock::testing {
namespace {

using Log = std::vector<std::wstring>;

Log ReachRoot(const std::wstring& site) {
  return {
      L"create IISNamespace",
      L"call IISNamespace.GetObject(BSTR \"IISWebService\", BSTR \"127.0.0.1/w3svc\")",
      L"call 127.0.0.1/w3svc.GetObject(BSTR \"IISWebServer\", BSTR \"" + site + L"\")",
      L"call " + site + L".GetObject(BSTR \"IISWebVirtualDir\", BSTR \"Root\")",
  };
}

Log Then(Log first, const Log& more) {
  first.insert(first.end(), more.begin(), more.end());
  return first;
}

// IIS 6's default list with its "404," entry pointing at the product's page.
Variant DefaultErrorsFor(const std::wstring& name) {
  std::vector<Variant> errors = DefaultHttpErrors();
  for (Variant& entry : errors) {
    if (entry.AsText().starts_with(L"404,")) entry = L"404,*,URL,/" + name + L"/AT2.asp";
  }
  return errors;
}

class CreateVirtualDir : public VardockTest {
 protected:
  void SetUp() override { Start(); }
  // An ADD run up to the chooser, with what the registry remembers now.
  void Start() {
    host = {};
    module.Main(L"/N=Mobile /O=ADD /P=C:\\Web\\Mobile");
    log.clear();
  }
};

TEST_F(CreateVirtualDir, NewDirectoryIsConfiguredInThisOrder) {
  config->domainName = L"CORVANEL";
  module.CreateVirtualDir(L"5", L"Mobile");
  EXPECT_EQ(log,
            Then(ReachRoot(L"5"), {
                                      L"call Root.GetObject(BSTR \"IISWebVirtualDir\", BSTR \"Mobile\") -> 0x80070003",
                                      L"call Root.Create(BSTR \"IISWebVirtualDir\", BSTR \"Mobile\")",
                                      L"put Mobile.keytype = BSTR \"IISWebVirtualDir\"",
                                      L"put Mobile.DefaultDoc = BSTR \"Default.asp\"",
                                      L"put Mobile.AuthFlags = I2 2",
                                      L"create WinNTSystemInfo",
                                      L"get WinNTSystemInfo.DomainName",
                                      L"put Mobile.DefaultLogonDomain = BSTR \"CORVANEL\"",
                                      L"call Mobile.AppCreate2(I2 2)",
                                      L"put Mobile.appfriendlyName = BSTR \"Mobile\"",
                                      L"put Mobile.AspAllowSessionState = BOOL True",
                                      L"call Mobile.SetInfo()",
                                      L"get Mobile.HttpErrors",
                                      L"put Mobile.HttpErrors = " + Typed(DefaultErrorsFor(L"Mobile")),
                                      L"call Mobile.SetInfo()",
                                      L"put Mobile.Path = BSTR \"C:\\Web\\Mobile\"",
                                      L"call Mobile.SetInfo()",
                                  }));
  const ConfigNode* dir = Dir(L"5", L"Mobile");
  ASSERT_NE(dir, nullptr);
  EXPECT_EQ(Property(dir, L"Path"), L"\"C:\\Web\\Mobile\"");
  EXPECT_EQ(Property(dir, L"AppIsolated"), L"2");
  EXPECT_EQ(Stored("IISWebServer"), "5");
  EXPECT_EQ(Stored("IISWebVirtualDir"), "Mobile");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(CreateVirtualDir, ExistingDirectoryOnlyGetsItsPath) {
  ConfigNode& existing = config->Add(L"W3SVC/1/ROOT/mobile", L"IIsWebVirtualDir");
  existing.SetProperty(L"Path", L"C:\\Old");
  existing.SetProperty(L"AuthFlags", std::int16_t{5});
  Remember(kKey, "1", "Mobile");
  Start();
  module.CreateVirtualDir(L"1", L"Mobile");
  EXPECT_EQ(log, Then(ReachRoot(L"1"), {
                                           L"call Root.GetObject(BSTR \"IISWebVirtualDir\", BSTR \"Mobile\")",
                                           L"put Mobile.Path = BSTR \"C:\\Web\\Mobile\"",
                                           L"call Mobile.SetInfo()",
                                       }));
  EXPECT_EQ(Property(&existing, L"Path"), L"\"C:\\Web\\Mobile\"");
  EXPECT_EQ(Property(&existing, L"AuthFlags"), L"5");
  EXPECT_EQ(Stored("IISWebServer"), "1");
  EXPECT_EQ(Stored("IISWebVirtualDir"), "Mobile");
}

TEST_F(CreateVirtualDir, FallbacksForDomainAndApplication) {
  const struct {
    const char* what;
    IisFailures failures;
    std::wstring domainLine;  // the DefaultLogonDomain written
    Log appCalls;
  } cases[] = {
      {"no system information: the domain is a backslash",
       {.noSystemInfo = true},
       L"BSTR \"\\\"",
       {L"call Mobile.AppCreate2(I2 2)"}},
      {"older IIS: AppCreate in-process",
       {.appCreate2Unknown = true},
       L"BSTR \"WORKGROUP\"",
       {L"call Mobile.AppCreate2(I2 2) -> 0x80020006", L"call Mobile.AppCreate(BOOL True)"}},
      {"the domain cannot be read: it stays empty",
       {.domainNameFails = true},
       L"BSTR \"\"",
       {L"call Mobile.AppCreate2(I2 2)"}},
      {"no application at all: the steps go on",
       {.appCreate2Unknown = true, .appCreateFails = true},
       L"BSTR \"WORKGROUP\"",
       {L"call Mobile.AppCreate2(I2 2) -> 0x80020006", L"call Mobile.AppCreate(BOOL True) -> 0x80004005"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    config->machine.FindChild(L"W3SVC")->FindChild(L"1")->FindChild(L"ROOT")->RemoveChild(L"Mobile");
    config->failures = c.failures;
    log.clear();
    module.CreateVirtualDir(L"1", L"Mobile");
    const auto domain =
        std::ranges::find_if(log, [](const auto& l) { return l.starts_with(L"put Mobile.DefaultLogonDomain"); });
    ASSERT_NE(domain, log.end());
    EXPECT_EQ(*domain, L"put Mobile.DefaultLogonDomain = " + c.domainLine);
    const auto app = std::find(domain, log.end(), L"put Mobile.appfriendlyName = BSTR \"Mobile\"");
    EXPECT_EQ(Log(domain + 1, app), c.appCalls);
    EXPECT_NE(Dir(L"1", L"Mobile"), nullptr);
    EXPECT_EQ(Stored("IISWebVirtualDir"), "Mobile");
  }
}

TEST_F(CreateVirtualDir, OnlyTheFirst404EntryBecomesTheProductsPage) {
  const struct {
    const char* what;
    std::vector<Variant> inherited;
    std::vector<Variant> written;
  } cases[] = {
      {"one entry",
       {L"400,*,FILE,400.htm", L"404,*,FILE,404b.htm", L"500,*,FILE,500.htm"},
       {L"400,*,FILE,400.htm", L"404,*,URL,/Mobile/AT2.asp", L"500,*,FILE,500.htm"}},
      {"two entries: the lower index",
       {L"404,1,FILE,a.htm", L"404,*,FILE,404b.htm"},
       {L"404,*,URL,/Mobile/AT2.asp", L"404,*,FILE,404b.htm"}},
      {"none: written back unchanged",
       {L"400,*,FILE,400.htm", L"4040,*,FILE,x.htm", L" 404,*,FILE,y.htm"},
       {L"400,*,FILE,400.htm", L"4040,*,FILE,x.htm", L" 404,*,FILE,y.htm"}},
      {"empty list", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    config->machine.FindChild(L"W3SVC")->FindChild(L"1")->FindChild(L"ROOT")->RemoveChild(L"Mobile");
    config->Find(L"W3SVC/1/ROOT")->SetProperty(L"HttpErrors", c.inherited);
    module.CreateVirtualDir(L"1", L"Mobile");
    EXPECT_EQ(Property(Dir(L"1", L"Mobile"), L"HttpErrors"), Describe(c.written));
  }
}

TEST_F(CreateVirtualDir, EmptyInputsChangeNothing) {
  for (const auto& [site, name] : {std::pair(L"", L"Mobile"), std::pair(L"1", L""), std::pair(L"", L"")}) {
    module.CreateVirtualDir(site, name);
  }
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(registryApi.KeyExists(kHKeyLocalMachine, "Software\\Corvanel"));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(CreateVirtualDir, WarnsWhenItCanNeitherFindNorCreate) {
  config->failures.createFails = true;
  module.ArgName = L"My Site";
  module.CreateVirtualDir(L"1", L"Mobile");
  EXPECT_EQ(host.messages, (std::vector<RecordingHost::Message>{
                               {L"Unable to create or locate Virtual Directory My Site.\r\n\r\n"
                                L"Create failed: Access is denied.\r\nHRESULT 0x80070005",
                                MessageIcon::Exclamation}}));
  EXPECT_EQ(log.back(), L"call Root.Create(BSTR \"IISWebVirtualDir\", BSTR \"Mobile\") -> 0x80070005");
  EXPECT_FALSE(registryApi.KeyExists(kHKeyLocalMachine, "Software\\Corvanel"));
}

// A creation that fails after IIS stored part of it takes that part away again.
TEST_F(CreateVirtualDir, AFailedStepLeavesNoDirectoryAndRemembersNothing) {
  const struct {
    const char* what;
    IisFailures failures;
    Variant httpErrors;  // the root's list; empty: IIS's default
    std::wstring failingCall;  // the call after which the removal follows
  } cases[] = {
      {"the last SetInfo", {.setInfoFails = true}, {}, L"call Mobile.SetInfo() -> 0x80070070"},
      {"HttpErrors of another type", {}, L"404,*,FILE,x.htm", L"get Mobile.HttpErrors"},
      {"AppCreate2 refused, then AppCreate too, then the last SetInfo",
       {.appCreate2Unknown = true, .appCreateFails = true, .setInfoFails = true}, {},
       L"call Mobile.SetInfo() -> 0x80070070"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    config->failures = c.failures;
    if (!c.httpErrors.IsEmpty()) config->Find(L"W3SVC/1/ROOT")->SetProperty(L"HttpErrors", c.httpErrors);
    log.clear();
    EXPECT_THROW(module.CreateVirtualDir(L"1", L"Mobile"), corvanel::AppError);
    const auto failed = std::ranges::find(log, c.failingCall);
    ASSERT_NE(failed, log.end());
    EXPECT_EQ(Log(failed + 1, log.end()),
              (Log{L"call Root.Delete(BSTR \"IISWebVirtualDir\", BSTR \"Mobile\")", L"call Root.SetInfo()"}));
    EXPECT_EQ(Dir(L"1", L"Mobile"), nullptr);
    EXPECT_FALSE(registryApi.KeyExists(kHKeyLocalMachine, "Software\\Corvanel"));
    config->Find(L"W3SVC/1/ROOT")->SetProperty(L"HttpErrors", DefaultHttpErrors());
  }
}

TEST_F(CreateVirtualDir, UnreachableSitePropagatesAndWritesNothing) {
  const struct {
    const char* what;
    std::wstring site;
    bool noWebService;
    std::wstring member;
  } cases[] = {
      {"a site that does not exist", L"3", false, L"GetObject"},
      {"no web service", L"1", true, L"GetObject"},
  };
  for (const auto& c : cases) {
    config->failures.noWebService = c.noWebService;
    try {
      module.CreateVirtualDir(c.site, L"Mobile");
      ADD_FAILURE() << c.what << ": no error";
    } catch (const corvanel::AppError& error) {
      EXPECT_EQ(error.Code(), hr::kPathNotFound) << c.what;
      EXPECT_EQ(error.Context(), c.member) << c.what;
    }
  }
  EXPECT_FALSE(registryApi.KeyExists(kHKeyLocalMachine, "Software\\Corvanel"));
}

class DeleteVirtualDir : public VardockTest {
 protected:
  void SetUp() override {
    module.ArgName = L"Mobile";
    Remember(kKey, "5", "Phone");
  }
};

TEST_F(DeleteVirtualDir, RemovesTheDirectoryAndForgetsItsValues) {
  config->Add(L"W3SVC/5/ROOT/Phone", L"IIsWebVirtualDir");
  EXPECT_FALSE(module.DeleteVirtualDir(L"5", L"Phone"));
  EXPECT_EQ(log, Then(ReachRoot(L"5"), {
                                           L"call Root.Delete(BSTR \"IISWebVirtualDir\", BSTR \"Phone\")",
                                           L"call Root.SetInfo()",
                                       }));
  EXPECT_EQ(Dir(L"5", L"Phone"), nullptr);
  EXPECT_EQ(Stored("IISWebServer"), "<none>");
  EXPECT_EQ(Stored("IISWebVirtualDir"), "<none>");
  EXPECT_TRUE(registryApi.KeyExists(kHKeyLocalMachine, kKey)) << "the key itself stays";
}

TEST_F(DeleteVirtualDir, AGoneDirectoryIsForgottenSilently) {
  EXPECT_FALSE(module.DeleteVirtualDir(L"5", L"Phone"));
  EXPECT_EQ(log.back(), L"call Root.GetObject(BSTR \"IISWebVirtualDir\", BSTR \"Phone\") -> 0x80070003");
  EXPECT_EQ(Stored("IISWebServer"), "<none>");
  EXPECT_EQ(Stored("IISWebVirtualDir"), "<none>");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(DeleteVirtualDir, ARefusedRemovalKeepsTheRecordOfWhereTheDirectoryLives) {
  config->Add(L"W3SVC/5/ROOT/Phone", L"IIsWebVirtualDir");
  config->failures.deleteFails = true;
  const auto refused = module.DeleteVirtualDir(L"5", L"Phone");
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->Context(), L"Delete");
  EXPECT_EQ(refused->Code(), hr::kAccessDenied);
  EXPECT_NE(Dir(L"5", L"Phone"), nullptr);
  EXPECT_EQ(Stored("IISWebServer"), "5");
  EXPECT_EQ(Stored("IISWebVirtualDir"), "Phone");
  EXPECT_TRUE(host.messages.empty()) << "the callers decide what to show";

  module.Main(L"/N=Mobile /O=DEL");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(host.messages[0].text,
            L"The Virtual Directory \"Phone\" on web site 5 could not be removed.\r\n\r\n"
            L"Delete failed: Access is denied.\r\nHRESULT 0x80070005\r\n\r\n"
            L"Its settings are kept, so that it can still be removed later.");
  EXPECT_EQ(Stored("IISWebVirtualDir"), "Phone");
}

TEST_F(DeleteVirtualDir, EmptyInputsChangeNothing) {
  EXPECT_FALSE(module.DeleteVirtualDir(L"", L"Phone"));
  EXPECT_FALSE(module.DeleteVirtualDir(L"5", L""));
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(Stored("IISWebServer"), "5");
  EXPECT_EQ(Stored("IISWebVirtualDir"), "Phone");
}

TEST_F(DeleteVirtualDir, UnreachableSitePropagatesAndKeepsTheValues) {
  EXPECT_THROW(module.DeleteVirtualDir(L"3", L"Phone"), corvanel::AppError);
  EXPECT_EQ(Stored("IISWebServer"), "5");
  EXPECT_EQ(Stored("IISWebVirtualDir"), "Phone");
}

}  // namespace
}  // namespace vardock::testing
