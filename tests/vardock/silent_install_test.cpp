// Installs without the chooser: /S chooses the site, /Q keeps every message box away, /L keeps a
// record, and the exit status tells the setup program what happened. Also the choice of back end.
#include <gtest/gtest.h>

#include <set>

#include "vardock_fixture.h"
#include "vdir_setup/core/error_text.h"
#include "vdir_setup/core/automation.h"

namespace vardock::testing {
namespace {

constexpr std::wstring_view kAdd = L"/N=Mobile /O=ADD /P=C:\\Web\\Mobile";

class SilentInstall : public VardockTest {
 public:
  SilentInstall() {
    config->Add(L"W3SVC/7", L"IIsWebServer").SetProperty(L"ServerComment", L"Twin");
    config->Add(L"W3SVC/7/ROOT", L"IIsWebVirtualDir");
    config->Add(L"W3SVC/8", L"IIsWebServer").SetProperty(L"ServerComment", L"TWIN");
    config->Add(L"W3SVC/8/ROOT", L"IIsWebVirtualDir");
  }
  // One run of the program: a fresh Module1, as each process has.
  int Run(std::wstring_view line) {
    Module1 run(registry, objects, host);
    run.Run(line);
    return run.Finish();
  }
  // The sites that hold the directory now.
  std::set<std::wstring> Holders() const {
    std::set<std::wstring> sites;
    for (const wchar_t* site : {L"1", L"2", L"5", L"7", L"8"}) {
      if (Dir(site, L"Mobile") != nullptr) sites.insert(site);
    }
    return sites;
  }
};

TEST_F(SilentInstall, SitesStatusesAndMessages) {
  using Sites = std::set<std::wstring>;
  const std::wstring unknown = L"There is no web site \"Nowhere\" on this server.\r\n\r\nNothing was changed.";
  const std::wstring usage(kUsageText);
  const struct {
    const char* what;
    std::wstring line;
    std::string fault;  // an IIS failure switched on for the run
    Sites holders;      // where the directory is afterwards (it starts on site 1, remembered)
    int status;
    std::wstring message;  // the one message box, if any
    int chooser;
  } cases[] = {
      {"by number, moving from the remembered site", std::wstring(kAdd) + L" /S=5", "", {L"5"}, 0, L"", 0},
      {"by description, without regard to case", std::wstring(kAdd) + L" /S=extra", "", {L"5"}, 0, L"", 0},
      {"the remembered site: only the path", std::wstring(kAdd) + L" /S=1", "", {L"1"}, 0, L"", 0},
      {"a number is not read as a description", std::wstring(kAdd) + L" /S=05", "", {L"1"}, 1,
       L"There is no web site \"05\" on this server.\r\n\r\nNothing was changed.", 0},
      {"an unknown site changes nothing", std::wstring(kAdd) + L" /S=Nowhere", "", {L"1"}, 1, unknown, 0},
      {"quietly", std::wstring(kAdd) + L" /S=Nowhere /Q=1", "", {L"1"}, 1, L"", 0},
      {"two sites of that description", std::wstring(kAdd) + L" /S=twin", "", {L"1"}, 1,
       L"More than one web site is named \"twin\": please give its number.\r\n\r\nNothing was changed.", 0},
      {"IIS refuses the creation", std::wstring(kAdd) + L" /S=5 /Q=1", "create-fails", {}, 1, L"", 0},
      {"a failing SetInfo is reported, and leaves nothing", std::wstring(kAdd) + L" /S=5", "setinfo-fails", {}, 1,
       L"SetInfo failed: There is not enough space on the disk.\r\nHRESULT 0x80070070", 0},
      {"no folder: nothing to do", L"/N=Mobile /O=ADD /S=5 /Q=1", "", {L"1"}, 1, L"", 0},
      {"/Q alone still shows the chooser", std::wstring(kAdd) + L" /Q=1", "", {L"1"}, 1, L"", 1},
      {"without silent keys: the chooser, status 0", std::wstring(kAdd), "", {L"1"}, 0, L"", 1},
      {"DEL", L"/N=Mobile /O=DEL /Q=1", "", {}, 0, L"", 0},
      {"a refused DEL", L"/N=Mobile /O=DEL /Q=1", "delete-fails", {L"1"}, 1, L"", 0},
      // The root that deleted no longer finds the directory; objects obtained anew still do.
      {"a DEL whose SetInfo is refused", L"/N=Mobile /O=DEL /Q=1", "delete-setinfo-fails", {L"1"}, 1, L"", 0},
      {"/Q=0 shows, and still asks for a status", L"/N=Mobile /O=DEL /Q=0", "delete-fails", {L"1"}, 1,
       L"The Virtual Directory \"Mobile\" on web site 1 could not be removed.\r\n\r\nDelete failed: Access is denied.\r\n"
       L"HRESULT 0x80070005\r\n\r\nIts settings are kept, so that it can still be removed later.",
       0},
      {"the usage, quietly", L"/N=Mobile /O=REMOVE /Q=1", "", {L"1"}, 1, L"", 0},
      {"the usage without silent keys", L"/N=Mobile /O=REMOVE", "", {L"1"}, 0,
       usage + L"\r\n\r\nThe operation (/O) \"REMOVE\" is none of ADD, DEL, UNDOADD and UNDODEL.", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Remember(kKey, "1", "Mobile");
    for (const wchar_t* site : {L"1", L"2", L"5", L"7", L"8"}) {
      config->Find(L"W3SVC/" + std::wstring(site) + L"/ROOT")->RemoveChild(L"Mobile");
    }
    config->failures = {};
    config->failures.createFails = c.fault == "create-fails";
    config->failures.setInfoFails = c.fault == "setinfo-fails";
    config->failures.deleteFails = c.fault == "delete-fails";
    config->failures.deletionSetInfoFails = c.fault == "delete-setinfo-fails";
    if (c.fault != "create-fails" && c.fault != "setinfo-fails") {
      config->Add(L"W3SVC/1/ROOT/Mobile", L"IIsWebVirtualDir").SetProperty(L"Path", L"C:\\Old");
    }
    host = {};

    EXPECT_EQ(Run(c.line), c.status);
    EXPECT_EQ(Holders(), c.holders);
    EXPECT_EQ(host.form1Shown, c.chooser);
    if (c.message.empty()) {
      EXPECT_TRUE(host.messages.empty()) << corvanel::WideToUtf8(host.messages.front().text);
    } else {
      ASSERT_EQ(host.messages.size(), 1u);
      EXPECT_EQ(host.messages[0].text, c.message);
    }
    if (c.status == 1 && c.holders == Sites{L"1"}) EXPECT_EQ(Stored("IISWebServer"), "1") << "the record stays";
    if (c.holders == Sites{L"5"} && c.status == 0) {
      EXPECT_EQ(Stored("IISWebServer"), "5");
      EXPECT_EQ(Property(Dir(L"5", L"Mobile"), L"Path"), L"\"C:\\Web\\Mobile\"");
    }
  }
}

TEST_F(SilentInstall, TheLogHasALinePerStepAndTheFailure) {
  Remember(kKey, "1", "Mobile");
  config->Add(L"W3SVC/1/ROOT/Mobile", L"IIsWebVirtualDir");
  EXPECT_EQ(Run(std::wstring(kAdd) + L" /S=Extra /Q=1 /L=C:\\Setup\\vardock.log"), 0);
  EXPECT_EQ(host.logPath, L"C:\\Setup\\vardock.log");
  EXPECT_EQ(host.logLines, (std::vector<std::wstring>{
                               L"Vardock started: /N=Mobile /O=ADD /P=C:\\Web\\Mobile /S=Extra /Q=1 "
                               L"/L=C:\\Setup\\vardock.log",
                               L"IIS is reached through the IIS 6 administration objects (IISNamespace).",
                               L"Web site 5 (\"Extra\") was chosen.",
                               L"Creating the Virtual Directory \"Mobile\" on web site 5 for \"C:\\Web\\Mobile\".",
                               L"The Virtual Directory \"Mobile\" on web site 5 is in place, and remembered.",
                               L"Removing the Virtual Directory \"Mobile\" from web site 1.",
                               L"The old Virtual Directory \"Mobile\" is gone from web site 1.",
                               L"Finished with exit status 0.",
                           }));

  host = {};
  config->failures.noWebService = true;
  EXPECT_EQ(Run(L"/N=Mobile /O=DEL /L=v.log"), 1 - 1) << "no silent key: no status of its own";
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.logLines.end()[-2], host.messages[0].text) << "the failure is logged as shown";
  EXPECT_EQ(host.messages[0].icon, MessageIcon::Error);
}

TEST_F(SilentInstall, AnUnwritableLogChangesNothing) {
  for (const wchar_t* quiet : {L"", L" /Q=1"}) {
    host = {};
    const std::wstring line = std::wstring(kAdd) + L" /S=5 /L=" + std::wstring(RecordingHost::kUnwritableLog) + quiet;
    EXPECT_EQ(Run(line), 1);
    EXPECT_EQ(host.messages.size(), quiet[0] == 0 ? 1u : 0u);
    EXPECT_TRUE(log.empty()) << "IIS is not touched";
    EXPECT_FALSE(registryApi.KeyExists(kHKeyLocalMachine, kKey));
  }
  EXPECT_EQ(host.messages.size(), 0u);
}

// Creation refused by class for the listed identifiers, as on a server without them.
class SelectiveFactory final : public ObjectFactory {
 public:
  SelectiveFactory(ObjectFactory& inner, std::set<std::wstring> missing, std::wstring text = L"Invalid class string")
      : inner_(inner), missing_(std::move(missing)), text_(std::move(text)) {}
  ObjectRef Create(std::wstring_view progId) override {
    if (missing_.contains(std::wstring(progId))) throw AutomationError(hr::kInvalidClassString, progId, text_);
    return inner_.Create(progId);
  }

 private:
  ObjectFactory& inner_;
  std::set<std::wstring> missing_;
  std::wstring text_;
};

TEST_F(VardockTest, WithoutEitherBackEndTheReportSaysWhatItMeansThenNamesBoth) {
  const std::wstring both =
      L"\r\n\r\nIISNamespace failed: Invalid class string\r\nHRESULT 0x800401F3\r\n\r\n"
      L"Microsoft.ApplicationHost.WritableAdminManager failed: Invalid class string\r\nHRESULT 0x800401F3";
  const std::wstring missing = L"IIS is not installed on this computer, or its management components are missing.";
  const struct {
    bool wow64;
    std::wstring systemText;
    std::wstring message;
  } cases[] = {
      {false, L"Invalid class string", missing + both},
      {true, L"Invalid class string", missing + L"\r\nOn this server, use the 64-bit vardock.exe." + both},
      // Without a text from the system the code is said once.
      {false, L"Error 0x800401F3",
       missing + L"\r\n\r\nIISNamespace failed: Error 0x800401F3\r\n\r\n"
                 L"Microsoft.ApplicationHost.WritableAdminManager failed: Error 0x800401F3"},
  };
  for (const auto& c : cases) {
    log.clear();
    host = {};
    SelectiveFactory none(memoryObjects, {L"IISNamespace", L"Microsoft.ApplicationHost.WritableAdminManager"},
                          c.systemText);
    RecordingFactory recorded(none, log);
    Module1 run(registry, recorded, host);
    run.wow64 = c.wow64;
    run.Run(L"/N=Mobile /O=ADD /P=C:\\x /S=1");
    EXPECT_EQ(run.Finish(), 1);
    EXPECT_EQ(host.messages, (std::vector<RecordingHost::Message>{{c.message, MessageIcon::Error}}));
    EXPECT_EQ(log, (CallLog{L"create IISNamespace -> 0x800401F3",
                            L"create Microsoft.ApplicationHost.WritableAdminManager -> 0x800401F3"}))
        << "each identifier is tried once";
  }
}

}  // namespace
}  // namespace vardock::testing
