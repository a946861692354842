// Vardock on IIS 7 and later through the native configuration objects, over the in-memory
// applicationHost.config of the stand-in's model (a fresh IIS 10 plus two sites): what a creation
// writes and where, the existing directory, moving, removal, failed and busy commits.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>

#include "vardock_fixture.h"
#include "vdir_setup/core/apphost_admin.h"

namespace vardock::testing {
namespace {

constexpr std::wstring_view kAdd = L"/N=Mobile /O=ADD /P=C:\\Web\\Mobile";
const std::wstring kHere = L"MACHINE/WEBROOT/APPHOST/Extranet/Mobile";
const std::wstring kServer(kAppHostPath);

class AppHostTest : public ProgramTest {
 public:
  // No IIS 6 configuration: "IISNamespace" is not registered, as on a server without the IIS 6
  // compatibility component.
  std::shared_ptr<apphost::MemoryApphostStore> store = std::make_shared<apphost::MemoryApphostStore>();
  MemoryObjectFactory memoryObjects{nullptr, store};
  RecordingFactory objects{memoryObjects, log};
  std::vector<int> pauses;
  // What another tool does while Vardock waits to try again; runs once.
  std::function<void()> meanwhile;

  AppHostTest() {
    // Two more sites, as IIS Manager numbers them.
    const ObjectRef manager = memoryObjects.Create(kAppHostProgId);
    const ObjectRef sites = Collection(*Section(*manager, L"system.applicationHost/sites", kServer));
    for (const auto& [name, id] : {std::pair(L"Extranet", 5u), std::pair(L"Mobile Access", 1423684589u)}) {
      const ObjectRef site = Call(*sites, L"CreateNewElement", {L"site"}).AsObject();
      Set(*site, L"name", name);
      Set(*site, L"id", Variant::UI4(id));
      Call(*sites, L"AddElement", {site});
      const ObjectRef applications = Collection(*site);
      const ObjectRef root = Call(*applications, L"CreateNewElement", {L"application"}).AsObject();
      Set(*root, L"path", L"/");
      Call(*applications, L"AddElement", {root});
      const ObjectRef directories = Collection(*root);
      const ObjectRef directory = Call(*directories, L"CreateNewElement", {L"virtualDirectory"}).AsObject();
      Set(*directory, L"path", L"/");
      Set(*directory, L"physicalPath", L"D:\\Sites\\" + std::wstring(name));
      Call(*directories, L"AddElement", {directory});
    }
    Call(*manager, L"CommitChanges", {});
  }

  static ObjectRef Section(AutomationObject& manager, std::wstring_view name, std::wstring_view path) {
    return Call(manager, L"GetAdminSection", {name, path}).AsObject();
  }
  static ObjectRef Collection(AutomationObject& element) { return element.GetProperty(L"Collection").AsObject(); }
  static void Set(AutomationObject& element, std::wstring_view name, const Variant& value) {
    Call(element, L"GetPropertyByName", {name}).AsObject()->PutProperty(L"Value", value);
  }
  static std::wstring Get(AutomationObject& element, std::wstring_view name) {
    return Call(element, L"GetPropertyByName", {name}).AsObject()->GetProperty(L"Value").ToText();
  }
  static std::vector<ObjectRef> Items(AutomationObject& collection) {
    std::vector<ObjectRef> items;
    const std::uint32_t count = collection.GetProperty(L"Count").AsUInt32();
    for (std::uint32_t i = 0; i < count; ++i) {
      const Variant index[] = {Variant::I4(static_cast<std::int32_t>(i))};
      items.push_back(collection.GetIndexed(L"Item", index).AsObject());
    }
    return items;
  }

  // The effective value at path of an attribute of a section, or of one of its child elements
  // ("session/allowSessionState"), read through a manager of its own.
  std::wstring Effective(std::wstring_view section, const std::wstring& path, std::wstring_view attribute) {
    const ObjectRef manager = memoryObjects.Create(kAppHostProgId);
    ObjectRef element = Section(*manager, section, path);
    std::wstring_view name = attribute;
    if (const auto slash = attribute.find(L'/'); slash != std::wstring_view::npos) {
      element = Call(*element, L"GetElementByName", {attribute.substr(0, slash)}).AsObject();
      name = attribute.substr(slash + 1);
    }
    return Get(*element, name);
  }
  // The effective entries of a section's collection at path, each as "key attribute=value, ...".
  std::vector<std::wstring> Entries(std::wstring_view section, const std::wstring& path, std::wstring_view child,
                                    std::initializer_list<std::wstring_view> attributes) {
    const ObjectRef manager = memoryObjects.Create(kAppHostProgId);
    ObjectRef element = Section(*manager, section, path);
    if (!child.empty()) element = Call(*element, L"GetElementByName", {child}).AsObject();
    std::vector<std::wstring> entries;
    for (const ObjectRef& entry : Items(*Collection(*element))) {
      std::wstring text;
      for (const std::wstring_view attribute : attributes) text += (text.empty() ? L"" : L" ") + Get(*entry, attribute);
      entries.push_back(text);
    }
    return entries;
  }
  // The applications of a site as "path=physical path of its root directory".
  std::vector<std::wstring> Applications(std::wstring_view siteName) {
    const ObjectRef manager = memoryObjects.Create(kAppHostProgId);
    std::vector<std::wstring> list;
    for (const ObjectRef& site : Items(*Collection(*Section(*manager, L"system.applicationHost/sites", kServer)))) {
      if (Get(*site, L"name") != siteName) continue;
      for (const ObjectRef& application : Items(*Collection(*site))) {
        std::wstring text = Get(*application, L"path") + L"=";
        for (const ObjectRef& directory : Items(*Collection(*application))) {
          text += Get(*directory, L"path") + L":" + Get(*directory, L"physicalPath") + L";";
        }
        list.push_back(text);
      }
    }
    return list;
  }

  int Run(std::wstring_view line) {
    Module1 run(registry, objects, host);
    run.retryPause = [this](int retry) {
      pauses.push_back(retry);
      if (auto other = std::exchange(meanwhile, nullptr)) other();
    };
    run.Run(line);
    return run.Finish();
  }
  std::string File() const { return store->bytes.value_or(""); }
  // The file less the marks another writer left.
  static std::string WithoutOtherWriters(std::string text) {
    const std::string mark = "<!-- rewritten by another tool -->\r\n";
    for (std::size_t at; (at = text.find(mark)) != std::string::npos;) text.erase(at, mark.size());
    return text;
  }
};

TEST_F(AppHostTest, ANewDirectoryGetsTheProductsSettingsInItsOwnLocation) {
  ASSERT_EQ(Run(std::wstring(kAdd) + L" /S=extranet"), 0);
  EXPECT_TRUE(host.messages.empty()) << corvanel::WideToUtf8(host.messages.front().text);

  const struct {
    const wchar_t* section;
    const wchar_t* attribute;
    std::wstring here, server;  // the value at the directory, and at the server as before
  } settings[] = {
      {L"system.webServer/security/authentication/anonymousAuthentication", L"enabled", L"False", L"True"},
      {L"system.webServer/security/authentication/windowsAuthentication", L"enabled", L"False", L"False"},
      {L"system.webServer/security/authentication/digestAuthentication", L"enabled", L"False", L"False"},
      {L"system.webServer/security/authentication/basicAuthentication", L"enabled", L"True", L"False"},
      {L"system.webServer/security/authentication/basicAuthentication", L"defaultLogonDomain", L"WORKGROUP", L""},
      {L"system.webServer/asp", L"session/allowSessionState", L"True", L"True"},
      {L"system.webServer/defaultDocument", L"enabled", L"True", L"True"},
  };
  for (const auto& s : settings) {
    SCOPED_TRACE(corvanel::WideToUtf8(std::wstring(s.section) + L" " + s.attribute));
    EXPECT_EQ(Effective(s.section, kHere, s.attribute), s.here);
    EXPECT_EQ(Effective(s.section, kServer, s.attribute), s.server);
  }
  EXPECT_EQ(Entries(L"system.webServer/defaultDocument", kHere, L"files", {L"value"}),
            (std::vector<std::wstring>{L"Default.asp"}));
  EXPECT_EQ(Entries(L"system.webServer/defaultDocument", kServer, L"files", {L"value"}).size(), 5u);

  // The 404 entry is replaced; the other entries stay as the server has them.
  const auto errors = Entries(L"system.webServer/httpErrors", kHere, L"", {L"statusCode", L"subStatusCode", L"path", L"responseMode"});
  EXPECT_EQ(errors.size(), 9u);
  EXPECT_EQ(std::ranges::count(errors, L"404 -1 /Mobile/AT2.asp 1"), 1) << corvanel::WideToUtf8(errors[2]);
  EXPECT_EQ(std::ranges::count(errors, L"401 -1 401.htm 0"), 1);
  EXPECT_EQ(std::ranges::count(Entries(L"system.webServer/httpErrors", kServer, L"", {L"path"}), L"404.htm"), 1);

  EXPECT_EQ(Applications(L"Extranet"),
            (std::vector<std::wstring>{L"/=/:D:\\Sites\\Extranet;", L"/Mobile=/:C:\\Web\\Mobile;"}));
  EXPECT_EQ(Stored("IISWebServer"), "5");
  EXPECT_EQ(Stored("IISWebVirtualDir"), "Mobile");

  // One location, in applicationHost.config; one commit, with its path set first.
  const std::string file = File();
  EXPECT_NE(file.find("<location path=\"Extranet/Mobile\""), std::string::npos) << file;
  EXPECT_EQ(file.find("<location", file.find("<location") + 1), std::string::npos) << file;
  EXPECT_EQ(std::ranges::count(log, L"put Microsoft.ApplicationHost.WritableAdminManager.CommitPath = BSTR "
                                    L"\"MACHINE/WEBROOT/APPHOST\""),
            3)
      << "a manager each for the listing, the look-up kept for the undo and the creation: with nothing "
         "remembered nothing is removed";
  EXPECT_EQ(std::ranges::count_if(log, [](const std::wstring& line) { return line.ends_with(L".CommitChanges()"); }), 1);
}

TEST_F(AppHostTest, AnExistingDirectoryOnlyPointsElsewhere) {
  const struct {
    const char* what;
    std::wstring setup;  // the run that makes the directory first
    std::vector<std::wstring> applications;
  } cases[] = {
      {"an application of its own", std::wstring(kAdd) + L" /S=5",
       {L"/=/:D:\\Sites\\Extranet;", L"/Mobile=/:C:\\New;"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(Run(c.setup), 0);
    const std::string before = File();
    ASSERT_EQ(Run(L"/N=MOBILE /O=ADD /P=C:\\New /S=5"), 0);
    EXPECT_EQ(Applications(L"Extranet"), c.applications);
    const std::string after = File();
    EXPECT_EQ(after.substr(after.find("<location")), before.substr(before.find("<location"))) << "settings stay";
  }
}

TEST_F(AppHostTest, MovingThenRemovingLeavesTheFileAsItWas) {
  const std::string original = File();
  ASSERT_EQ(Run(std::wstring(kAdd) + L" /S=5"), 0);
  ASSERT_EQ(Run(std::wstring(kAdd) + L" /S=Mobile Access"), 0);
  EXPECT_EQ(Stored("IISWebServer"), "1423684589");
  EXPECT_EQ(Applications(L"Extranet"), (std::vector<std::wstring>{L"/=/:D:\\Sites\\Extranet;"}));
  EXPECT_EQ(Applications(L"Mobile Access").size(), 2u);
  EXPECT_EQ(File().find("Extranet/Mobile"), std::string::npos) << "the old location goes too";

  ASSERT_EQ(Run(L"/N=Mobile /O=DEL /Q=1"), 0);
  EXPECT_EQ(File(), original);
  EXPECT_EQ(Stored("IISWebServer"), "<none>");
}

TEST_F(AppHostTest, FailedCommitsChangeNothingAndBusyOnesAreRetried) {
  const struct {
    const char* what;
    apphost::ApphostFaults faults;
    int status;
    std::vector<int> pauses;
    std::wstring message;
  } cases[] = {
      {"commit fails", {.commitFails = true}, 1, {1, 2, 3, 4},
       L"CommitChanges failed: There is not enough space on the disk.\r\nHRESULT 0x80070070"},
      {"another tool commits first", {.changedOnDisk = 1}, 0, {1}, L""},
      {"another tool commits every time", {.changedOnDisk = 9}, 1, {1, 2, 3, 4},
       L"CommitChanges failed: Cannot commit configuration changes because the file has changed on disk\r\n"
       L"HRESULT 0x800703EE"},
      {"access denied to the commit: not redone", {.commitDenied = true}, 1, {},
       L"CommitChanges failed: Access is denied.\r\nHRESULT 0x80070005"},
      {"busy twice", {.commitBusy = 2}, 0, {1, 2}, L""},
      {"busy for good", {.commitBusy = 99}, 1, {1, 2, 3, 4},
       L"CommitChanges failed: The process cannot access the file because it is being used by another process.\r\n"
       L"HRESULT 0x80070020"},
      {"access denied", {.accessDenied = true}, 1, {}, L"GetAdminSection failed: Access is denied.\r\nHRESULT 0x80070005"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string before = File();
    store->faults = c.faults;
    store->busyCommits = 0;
    store->rewrites = 0;
    pauses.clear();
    host = {};
    EXPECT_EQ(Run(std::wstring(kAdd) + L" /S=5"), c.status);
    EXPECT_EQ(pauses, c.pauses);
    if (c.status != 0) {
      EXPECT_EQ(WithoutOtherWriters(File()), WithoutOtherWriters(before));
      EXPECT_EQ(Stored("IISWebServer"), "<none>");
      ASSERT_EQ(host.messages.size(), 1u);
      EXPECT_EQ(host.messages[0].text, c.message);
    }
    store->faults = {};
    Run(L"/N=Mobile /O=DEL");
  }
}

// Each attempt reads the file anew on a manager of its own, and stores its change in one commit.
TEST_F(AppHostTest, AChangeAnotherToolSpoiledIsRedoneOnAFreshManager) {
  for (const std::wstring& line : {std::wstring(kAdd) + L" /S=5 /L=v.log", std::wstring(L"/N=Mobile /O=DEL /L=v.log")}) {
    SCOPED_TRACE(corvanel::WideToUtf8(line));
    store->faults.changedOnDisk = 1;
    store->rewrites = 0;
    log.clear();
    host = {};
    ASSERT_EQ(Run(line), 0);
    CallLog attempts;
    std::ranges::copy_if(log, std::back_inserter(attempts), [](const std::wstring& call) {
      return call.starts_with(L"create Microsoft") || call.find(L"CommitChanges") != std::wstring::npos;
    });
    // The last two managers: the attempt that failed and its redo (earlier ones only read).
    ASSERT_GE(attempts.size(), 4u);
    EXPECT_EQ(CallLog(attempts.end() - 4, attempts.end()), (CallLog{L"create Microsoft.ApplicationHost.WritableAdminManager",
                                 L"call Microsoft.ApplicationHost.WritableAdminManager.CommitChanges() -> 0x800703EE",
                                 L"create Microsoft.ApplicationHost.WritableAdminManager",
                                 L"call Microsoft.ApplicationHost.WritableAdminManager.CommitChanges()"}));
    EXPECT_EQ(std::ranges::count_if(host.logLines, [](const std::wstring& l) { return l.starts_with(L"Storing"); }), 1);
    EXPECT_NE(std::ranges::find(host.logLines,
                                L"Storing the change failed (attempt 1 of 5): CommitChanges failed: Cannot commit "
                                L"configuration changes because the file has changed on disk (HRESULT 0x800703EE); "
                                L"it is made again from a fresh read."),
              host.logLines.end());
  }
  EXPECT_EQ(Stored("IISWebServer"), "<none>");
  EXPECT_EQ(File().find("Extranet/Mobile"), std::string::npos);
}

// Another tool did the work while Vardock waited: the redo stores nothing and succeeds.
TEST_F(AppHostTest, ARedoThatFindsItsWorkDoneSucceeds) {
  for (const std::wstring& line : {std::wstring(kAdd) + L" /S=5", std::wstring(L"/N=Mobile /O=DEL /Q=1")}) {
    SCOPED_TRACE(corvanel::WideToUtf8(line));
    store->faults.changedOnDisk = 1;
    store->rewrites = 0;
    meanwhile = [&] { ASSERT_EQ(Run(line), 0); };
    log.clear();
    EXPECT_EQ(Run(line), 0);
    EXPECT_EQ(std::ranges::count(log, L"call Microsoft.ApplicationHost.WritableAdminManager.CommitChanges()"), 1)
        << "only the other tool's commit";
  }
  EXPECT_EQ(Applications(L"Extranet"), (std::vector<std::wstring>{L"/=/:D:\\Sites\\Extranet;"}));
}

TEST_F(AppHostTest, ARefusedRemovalKeepsTheRecord) {
  ASSERT_EQ(Run(std::wstring(kAdd) + L" /S=5"), 0);
  const std::string before = File();
  store->faults.commitFails = true;
  EXPECT_EQ(Run(L"/N=Mobile /O=DEL /Q=1"), 1);
  EXPECT_EQ(File(), before);
  EXPECT_EQ(Stored("IISWebServer"), "5");
  store->faults = {};
  EXPECT_EQ(Run(L"/N=Mobile /O=DEL /Q=1"), 0);
  EXPECT_EQ(Run(L"/N=Mobile /O=DEL /Q=1"), 0) << "a directory already gone counts as removed";
}

TEST_F(AppHostTest, WithoutA404EntryNothingIsAdded) {
  {
    const ObjectRef manager = memoryObjects.Create(kAppHostProgId);
    const ObjectRef errors = Collection(*Section(*manager, L"system.webServer/httpErrors", kServer));
    Call(*errors, L"DeleteElement", {Variant::I4(2)});
    Call(*manager, L"CommitChanges", {});
  }
  ASSERT_EQ(Run(std::wstring(kAdd) + L" /S=5"), 0);
  const auto errors = Entries(L"system.webServer/httpErrors", kHere, L"", {L"statusCode"});
  EXPECT_EQ(errors.size(), 8u);
  EXPECT_EQ(std::ranges::count(errors, L"404"), 0);
}

TEST_F(AppHostTest, TheChooserListsTheSitesOfTheNativeObjects) {
  Module1 run(registry, objects, host);
  EXPECT_EQ(run.Iis().ListWebSites(), (std::vector<WebSite>{{L"Default Web Site", L"1"},
                                                            {L"Extranet", L"5"},
                                                            {L"Mobile Access", L"1423684589"}}));
}

// An application another tool made: its own folder, and nothing in Vardock's record.
TEST_F(AppHostTest, OnlyWhatTheRecordNamesIsTakenOverOrRemoved) {
  const auto addForeign = [&](std::wstring_view siteName, const std::wstring& folder) {
    const ObjectRef manager = memoryObjects.Create(kAppHostProgId);
    for (const ObjectRef& site : Items(*Collection(*Section(*manager, L"system.applicationHost/sites", kServer)))) {
      if (Get(*site, L"name") != siteName) continue;
      const ObjectRef applications = Collection(*site);
      const ObjectRef application = Call(*applications, L"CreateNewElement", {L"application"}).AsObject();
      Set(*application, L"path", L"/Mobile");
      Call(*applications, L"AddElement", {application});
      const ObjectRef directory = Call(*Collection(*application), L"CreateNewElement", {L"virtualDirectory"}).AsObject();
      Set(*directory, L"path", L"/");
      Set(*directory, L"physicalPath", folder);
      Call(*Collection(*application), L"AddElement", {directory});
    }
    Call(*manager, L"CommitChanges", {});
  };
  const struct {
    const char* what;
    std::wstring foreignSite, folder;  // where the other tool's /Mobile is, and its folder
    std::string remembered;            // the record's site, "" none
    std::wstring line;
    int status;
    std::vector<std::wstring> extranet, defaultSite;  // their applications afterwards
  } cases[] = {
      {"a foreign application is refused", L"Extranet", L"D:\\Other", "", std::wstring(kAdd) + L" /S=5 /Q=1", 1,
       {L"/=/:D:\\Sites\\Extranet;", L"/Mobile=/:D:\\Other;"}, {L"/=/:%SystemDrive%\\inetpub\\wwwroot;"}},
      {"one serving the product's folder is taken over", L"Extranet", L"c:\\web\\mobile\\", "",
       std::wstring(kAdd) + L" /S=5 /Q=1", 0, {L"/=/:D:\\Sites\\Extranet;", L"/Mobile=/:C:\\Web\\Mobile;"},
       {L"/=/:%SystemDrive%\\inetpub\\wwwroot;"}},
      {"the record's own is pointed at the new folder", L"Extranet", L"D:\\Other", "5",
       std::wstring(kAdd) + L" /S=5 /Q=1", 0, {L"/=/:D:\\Sites\\Extranet;", L"/Mobile=/:C:\\Web\\Mobile;"},
       {L"/=/:%SystemDrive%\\inetpub\\wwwroot;"}},
      {"nothing remembered: the default site's stays", L"Default Web Site", L"D:\\Other", "",
       std::wstring(kAdd) + L" /S=5 /Q=1", 0, {L"/=/:D:\\Sites\\Extranet;", L"/Mobile=/:C:\\Web\\Mobile;"},
       {L"/=/:%SystemDrive%\\inetpub\\wwwroot;", L"/Mobile=/:D:\\Other;"}},
  };
  const std::string original = File();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    store->bytes = original;
    registryApi = {};
    if (!c.remembered.empty()) Remember(kKey, c.remembered, "Mobile");
    addForeign(c.foreignSite, c.folder);
    const std::string before = File();
    EXPECT_EQ(Run(c.line), c.status);
    EXPECT_EQ(Applications(L"Extranet"), c.extranet);
    EXPECT_EQ(Applications(L"Default Web Site"), c.defaultSite);
    if (c.status != 0) EXPECT_EQ(File(), before) << "nothing changed";
    EXPECT_EQ(Stored("IISWebServer"), c.status == 0 ? "5" : "<none>");
  }
}

TEST_F(AppHostTest, ANewDirectoryThatCannotBeRememberedGoesAgain) {
  const std::string before = File();
  registryApi.readOnlyBelow = "Software\\Corvanel";
  EXPECT_EQ(Run(std::wstring(kAdd) + L" /S=5 /Q=1 /L=v.log"), 1);
  EXPECT_EQ(File(), before);
  EXPECT_NE(std::ranges::find_if(host.logLines,
                                 [](const std::wstring& l) { return l.find(L"It was removed again") != l.npos; }),
            host.logLines.end());
}

}  // namespace
}  // namespace vardock::testing
