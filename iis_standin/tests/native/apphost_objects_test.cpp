// IIS 7+'s configuration objects over an applicationHost.config in memory: effective views along
// a path, where writes land in the file, pending changes, locks, and the fault switches.
#include <gtest/gtest.h>

#include <functional>

#include "common/core/utf8.h"
#include "iis_standin/model/apphost_config.h"
#include "iis_standin/model/apphost_objects.h"
#include "iis_standin/model/vocabulary.h"

namespace iis_standin {
namespace {

using Args = std::vector<Variant>;
constexpr wchar_t kServer[] = L"MACHINE/WEBROOT/APPHOST";
constexpr wchar_t kMobile[] = L"MACHINE/WEBROOT/APPHOST/Default Web Site/Mobile";
constexpr wchar_t kSites[] = L"system.applicationHost/sites";
constexpr wchar_t kHttpErrors[] = L"system.webServer/httpErrors";
constexpr wchar_t kDefaultDocument[] = L"system.webServer/defaultDocument";
constexpr wchar_t kAnonymous[] = L"system.webServer/security/authentication/anonymousAuthentication";
constexpr wchar_t kBasic[] = L"system.webServer/security/authentication/basicAuthentication";

std::string FreshFile() { return apphost::FormatXml(apphost::ApphostConfig::Fresh().xml()); }

// Public: the tables' actions reach the fixture through a parameter.
class Apphost : public ::testing::Test {
 public:
  std::shared_ptr<apphost::MemoryApphostStore> store = std::make_shared<apphost::MemoryApphostStore>();
  MemoryObjectFactory factory{nullptr, store};
  ObjectRef manager = NewManager();

  ObjectRef NewManager() { return factory.Create(kAdminManagerProgId); }
  ObjectRef Section(const wchar_t* section, const wchar_t* path = kServer) const {
    return manager->CallMethod(L"GetAdminSection", Args{section, path}).AsObject();
  }
  static ObjectRef Child(const ObjectRef& element, const wchar_t* name) {
    return element->CallMethod(L"GetElementByName", Args{name}).AsObject();
  }
  static ObjectRef Collection(const ObjectRef& element) { return element->GetProperty(L"Collection").AsObject(); }
  static ObjectRef Item(const ObjectRef& collection, int index) {
    return collection->GetIndexed(L"Item", Args{Variant::I4(index)}).AsObject();
  }
  static std::uint32_t Count(const ObjectRef& collection) { return collection->GetProperty(L"Count").AsUInt32(); }
  static Variant Get(const ObjectRef& element, const wchar_t* attribute) {
    return element->CallMethod(L"GetPropertyByName", Args{attribute}).AsObject()->GetProperty(L"Value");
  }
  static void Set(const ObjectRef& element, const wchar_t* attribute, const Variant& value) {
    element->CallMethod(L"GetPropertyByName", Args{attribute}).AsObject()->PutProperty(L"Value", value);
  }
  static ObjectRef NewElement(const ObjectRef& collection, std::initializer_list<std::pair<const wchar_t*, Variant>> values) {
    const ObjectRef element = collection->CallMethod(L"CreateNewElement", {}).AsObject();
    for (const auto& [name, value] : values) Set(element, name, value);
    return element;
  }
  // The index of the entry whose attribute has the value, -1 when none has.
  static int Find(const ObjectRef& collection, const wchar_t* attribute, const Variant& value) {
    for (int i = 0; i < static_cast<int>(Count(collection)); ++i) {
      if (Get(Item(collection, i), attribute) == value) return i;
    }
    return -1;
  }
  ObjectRef Applications() const { return Collection(Item(Collection(Section(kSites)), 0)); }
  void Commit() const { manager->CallMethod(L"CommitChanges", {}); }
  std::string File() const {
    std::string text = store->bytes.value_or("(no file)");
    std::erase(text, '\r');
    return text;
  }
};

// Vardock's creation as the native objects see it, committed in one step.
void AddMobile(Apphost& t) {
  const ObjectRef application = Apphost::NewElement(
      t.Applications(), {{L"path", L"/Mobile"}, {L"applicationPool", L"DefaultAppPool"}});
  Apphost::Collection(application)
      ->CallMethod(L"AddElement", Args{Apphost::NewElement(Apphost::Collection(application),
                                                           {{L"physicalPath", L"C:\\Web\\Mobile"}, {L"path", L"/"}})});
  t.Applications()->CallMethod(L"AddElement", Args{application});
  const ObjectRef files = Apphost::Collection(Apphost::Child(t.Section(kDefaultDocument, kMobile), L"files"));
  files->CallMethod(L"Clear", {});
  files->CallMethod(L"AddElement", Args{Apphost::NewElement(files, {{L"value", L"Default.asp"}})});
  const ObjectRef errors = Apphost::Collection(t.Section(kHttpErrors, kMobile));
  errors->CallMethod(L"DeleteElement", Args{Variant::I4(Apphost::Find(errors, L"statusCode", Variant::UI4(404)))});
  errors->CallMethod(L"AddElement", Args{Apphost::NewElement(errors, {{L"responseMode", L"executeurl"},
                                                                       {L"path", L"/Mobile/AT2.asp"},
                                                                       {L"statusCode", Variant::UI4(404)}})});
  t.Commit();
}

constexpr char kMobileApplication[] =
    "                <application path=\"/\" applicationPool=\"DefaultAppPool\">\n"
    "                    <virtualDirectory path=\"/\" physicalPath=\"%SystemDrive%\\inetpub\\wwwroot\" />\n"
    "                </application>\n"
    "                <application path=\"/Mobile\" applicationPool=\"DefaultAppPool\">\n"
    "                    <virtualDirectory path=\"/\" physicalPath=\"C:\\Web\\Mobile\" />\n"
    "                </application>\n"
    "                <bindings>\n";

constexpr char kMobileLocation[] =
    "    <location path=\"Default Web Site/Mobile\">\n"
    "        <system.webServer>\n"
    "            <defaultDocument>\n"
    "                <files>\n"
    "                    <clear />\n"
    "                    <add value=\"Default.asp\" />\n"
    "                </files>\n"
    "            </defaultDocument>\n"
    "            <httpErrors>\n"
    "                <remove statusCode=\"404\" subStatusCode=\"-1\" />\n"
    "                <error statusCode=\"404\" path=\"/Mobile/AT2.asp\" responseMode=\"ExecuteURL\" />\n"
    "            </httpErrors>\n"
    "        </system.webServer>\n"
    "    </location>\n"
    "</configuration>\n";

TEST_F(Apphost, CommitsWriteIisShapedXml) {
  const struct {
    const char* what;
    std::function<void(Apphost&)> change;
    std::vector<std::string> expected;  // parts of the file
  } cases[] = {
      {"application and directory under a site, clear and add at a location, a 404 removed and added again",
       AddMobile, {kMobileApplication, kMobileLocation}},
      {"the directory added after its application",
       [](Apphost& t) {
         t.Applications()->CallMethod(L"AddElement", Args{NewElement(t.Applications(), {{L"path", L"/Mobile"}})});
         const ObjectRef application = Item(t.Applications(), 1);
         Set(application, L"applicationPool", L"DefaultAppPool");
         Collection(application)
             ->CallMethod(L"AddElement",
                          Args{NewElement(Collection(application), {{L"path", L"/"}, {L"physicalPath", L"C:\\Web\\Mobile"}})});
         t.Commit();
       },
       {kMobileApplication}},
      {"an attribute at a location, an inherited entry changed there",
       [](Apphost& t) {
         Set(t.Section(kBasic, kMobile), L"defaultLogonDomain", L"CORVANEL");
         Set(Item(Collection(t.Section(kHttpErrors, kMobile)), 0), L"path", L"/Mobile/401.asp");
         t.Commit();
       },
       {"    <location path=\"Default Web Site/Mobile\">\n"
        "        <system.webServer>\n"
        "            <security>\n"
        "                <authentication>\n"
        "                    <basicAuthentication defaultLogonDomain=\"CORVANEL\" />\n"
        "                </authentication>\n"
        "            </security>\n"
        "            <httpErrors>\n"
        "                <remove statusCode=\"401\" subStatusCode=\"-1\" />\n"
        "                <error statusCode=\"401\" prefixLanguageFilePath=\"%SystemDrive%\\inetpub\\custerr\" "
        "path=\"/Mobile/401.asp\" />\n"}},
      {"the application and the location deleted again: the fresh file",
       [](Apphost& t) {
         AddMobile(t);
         t.manager = t.NewManager();
         const ObjectRef applications = t.Applications();
         applications->CallMethod(L"DeleteElement", Args{Variant::UI4(1)});
         const ObjectRef locations =
             t.manager->GetProperty(L"ConfigManager").AsObject()->CallMethod(L"GetConfigFile", Args{kServer}).AsObject()
                 ->GetProperty(L"Locations").AsObject();
         ASSERT_EQ(Count(locations), 1u);
         EXPECT_EQ(locations->GetIndexed(L"Item", Args{std::int16_t{0}}).AsObject()->GetProperty(L"Path"),
                   Variant(L"Default Web Site/Mobile"));
         locations->CallMethod(L"DeleteLocation", Args{Variant::I4(0)});
         t.Commit();
         std::string fresh = FreshFile();
         std::erase(fresh, '\r');
         EXPECT_EQ(t.File(), fresh);
       },
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    store->bytes.reset();
    manager = NewManager();
    c.change(*this);
    for (const std::string& part : c.expected) EXPECT_NE(File().find(part), std::string::npos) << File();
  }
}

TEST_F(Apphost, ReadsTheEffectiveConfigurationAlongThePath) {
  store->bytes = FreshFile();
  store->bytes->insert(store->bytes->rfind("</configuration>"),
                       "<location path=\"Default Web Site\"><system.webServer><security><authentication>"
                       "<basicAuthentication enabled=\"true\" realm=\"site\" /></authentication></security>"
                       "</system.webServer></location>"
                       "<location path=\"default web site/Mobile/\"><system.webServer><httpErrors>"
                       "<clear /><error statusCode=\"500\" subStatusCode=\"100\" path=\"/m.asp\" responseMode=\"Redirect\" />"
                       "</httpErrors><asp><session allowSessionState=\"false\" /></asp></system.webServer></location>");
  const std::wstring deeper = std::wstring(kMobile) + L"/Deeper";
  const struct {
    const wchar_t* section;
    std::wstring path;
    std::function<ObjectRef(const ObjectRef&)> element;
    const wchar_t* attribute;
    Variant expected;
  } cases[] = {
      {kBasic, kServer, {}, L"enabled", false},
      {kBasic, L"MACHINE/WEBROOT/APPHOST/Default Web Site", {}, L"enabled", true},
      {kBasic, deeper, {}, L"realm", L"site"},
      {kBasic, deeper, {}, L"defaultLogonDomain", L""},
      {kAnonymous, kMobile, {}, L"userName", L"IUSR"},
      {kAnonymous, kMobile, {}, L"ENABLED", true},
      {L"system.webServer/asp", kServer, [](const ObjectRef& e) { return Child(e, L"session"); }, L"allowSessionState", true},
      {L"system.webServer/asp", deeper, [](const ObjectRef& e) { return Child(e, L"Session"); }, L"allowSessionState", false},
      {kHttpErrors, L"MACHINE/WEBROOT/APPHOST/Default Web Site", [](const ObjectRef& e) { return Item(Collection(e), 2); },
       L"statusCode", Variant::UI4(404)},
      {kHttpErrors, kServer, [](const ObjectRef& e) { return Item(Collection(e), 2); }, L"subStatusCode", Variant::I4(-1)},
      {kHttpErrors, kServer, [](const ObjectRef& e) { return Item(Collection(e), 2); }, L"responseMode", Variant::I4(0)},
      {kHttpErrors, deeper, [](const ObjectRef& e) { return Item(Collection(e), 0); }, L"responseMode", Variant::I4(2)},
      {kHttpErrors, deeper, [](const ObjectRef& e) { return Item(Collection(e), 0); }, L"subStatusCode", Variant::I4(100)},
      {kSites, kServer, [](const ObjectRef& e) { return Item(Collection(e), 0); }, L"id", Variant::UI4(1)},
      {kSites, kServer, [](const ObjectRef& e) { return Item(Collection(e), 0); }, L"serverAutoStart", true},
      {kSites, kServer, [](const ObjectRef& e) { return Child(e, L"applicationDefaults"); }, L"applicationPool",
       L"DefaultAppPool"},
      {kSites, kServer, [](const ObjectRef& e) { return Item(Collection(Child(Item(Collection(e), 0), L"bindings")), 0); },
       L"bindingInformation", L"*:80:"},
      {kDefaultDocument, kMobile, [](const ObjectRef& e) { return Item(Collection(Child(e, L"files")), 4); }, L"value",
       L"iisstart.htm"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(corvanel::WideToUtf8(c.path + L" " + c.section + L" " + c.attribute));
    const ObjectRef section = Section(c.section, c.path.c_str());
    EXPECT_EQ(Get(c.element ? c.element(section) : section, c.attribute), c.expected);
  }
  EXPECT_EQ(Count(Collection(Section(kHttpErrors, deeper.c_str()))), 1u) << "cleared below the site";
  EXPECT_EQ(Count(Collection(Section(kHttpErrors, L"MACHINE/WEBROOT/APPHOST/Default Web Site"))), 9u);
  EXPECT_EQ(Section(kHttpErrors)->GetProperty(L"Name"), Variant(kHttpErrors));
}

TEST_F(Apphost, ChangesWaitForCommitChangesOfTheirManager) {
  Set(Section(kAnonymous, kMobile), L"enabled", false);
  EXPECT_EQ(Get(Section(kAnonymous, kMobile), L"enabled"), Variant(false)) << "read back through the same manager";
  const ObjectRef other = NewManager();
  EXPECT_EQ(Get(other->CallMethod(L"GetAdminSection", Args{kAnonymous, kMobile}).AsObject(), L"enabled"), Variant(true));
  EXPECT_FALSE(store->bytes) << "nothing written before the commit";

  store->faults.commitFails = true;
  EXPECT_THROW(Commit(), corvanel::AppError);
  EXPECT_FALSE(store->bytes) << "a failed commit writes nothing";
  store->faults.commitFails = false;
  Commit();
  EXPECT_NE(File().find("<anonymousAuthentication enabled=\"false\" />"), std::string::npos) << File();

  const std::string committed = *store->bytes;
  Set(Section(kAnonymous, kMobile), L"userName", L"Guest");
  store->faults.commitBusy = 1;
  EXPECT_THROW(Commit(), corvanel::AppError);
  EXPECT_EQ(*store->bytes, committed) << "a refused commit leaves the file as it was";
  Commit();
  EXPECT_EQ(Get(NewManager()->CallMethod(L"GetAdminSection", Args{kAnonymous, kMobile}).AsObject(), L"userName"),
            Variant(L"Guest"))
      << "a new manager reads the file anew; the commit after the refused one wrote the change";
}

TEST_F(Apphost, UnknownSectionsAndElementsPassThrough) {
  store->bytes = FreshFile();
  store->bytes->replace(store->bytes->find("<bindings>"), 10,
                        "<logFile directory=\"D:\\logs\" /><!-- kept --><bindings>");
  store->bytes->insert(store->bytes->rfind("</system.webServer>"),
                       "<rewrite><rules><rule name=\"a &amp; b\" stopProcessing=\"true\" /></rules></rewrite>");
  Set(Item(Collection(Section(kSites)), 0), L"serverAutoStart", false);
  Commit();
  for (const char* kept : {"<site name=\"Default Web Site\" id=\"1\" serverAutoStart=\"false\">",
                           "<logFile directory=\"D:\\logs\" />\n                <!-- kept -->\n                <bindings>",
                           "<rule name=\"a &amp; b\" stopProcessing=\"true\" />"}) {
    EXPECT_NE(File().find(kept), std::string::npos) << kept << "\n" << File();
  }
}

TEST_F(Apphost, FailsWhereIisFails) {
  const std::wstring locked =
      L"This configuration section cannot be used at this path. This happens when the section is locked at a parent level.";
  const struct {
    const char* what;
    std::function<void(Apphost&)> action;
    std::uint32_t code;
    std::wstring description;  // a part of it
  } cases[] = {
      {"a locked section through a commit path below the server",
       [](Apphost& t) {
         t.manager->PutProperty(L"CommitPath", kMobile);
         t.Section(kAnonymous, kMobile);
       },
       hr::kLockViolation, locked},
      {"asp is locked too",
       [](Apphost& t) {
         t.manager->PutProperty(L"CommitPath", L"MACHINE/WEBROOT/APPHOST/Default Web Site");
         t.Section(L"system.webServer/asp", kMobile);
       },
       hr::kLockViolation, locked},
      {"an unlocked section would go to a web.config",
       [](Apphost& t) {
         t.manager->PutProperty(L"CommitPath", kMobile);
         Set(t.Section(kDefaultDocument, kMobile), L"enabled", false);
         t.Commit();
       },
       hr::kNotSupported, L"web.config"},
      {"sites below the server", [](Apphost& t) { t.Section(kSites, kMobile); }, hr::kLockViolation, locked},
      {"a commit path not above the path",
       [](Apphost& t) {
         t.manager->PutProperty(L"CommitPath", L"MACHINE/WEBROOT/APPHOST/Other Site");
         t.Section(kHttpErrors, kMobile);
       },
       hr::kInvalidArg, L"neither"},
      {"a path outside the server", [](Apphost& t) { t.Section(kHttpErrors, L"MACHINE/WEBROOT/APPHOSTX"); },
       hr::kInvalidArg, L"Invalid configuration path"},
      {"an empty segment", [](Apphost& t) { t.Section(kHttpErrors, L"MACHINE/WEBROOT/APPHOST//Mobile"); },
       hr::kInvalidArg, L"Invalid configuration path"},
      {"an unknown section", [](Apphost& t) { t.Section(L"system.webServer/rewrite"); }, hr::kInvalidArg,
       L"system.webServer/rewrite"},
      {"an unknown attribute", [](Apphost& t) { Get(t.Section(kBasic), L"colour"); }, hr::kInvalidArg, L"'colour'"},
      {"an unknown child element", [](Apphost& t) { Child(t.Section(kBasic), L"session"); }, hr::kInvalidArg,
       L"'session'"},
      {"no collection", [](Apphost& t) { Collection(t.Section(kBasic)); }, hr::kInvalidArg, L"no collection"},
      {"an index past the end", [](Apphost& t) { Item(Collection(t.Section(kHttpErrors)), 9); }, hr::kInvalidArg,
       L"Invalid index 9"},
      {"a negative index", [](Apphost& t) { Item(Collection(t.Section(kHttpErrors)), -1); }, hr::kInvalidArg,
       L"Invalid index"},
      {"an index as text",
       [](Apphost& t) { Collection(t.Section(kHttpErrors))->GetIndexed(L"Item", Args{L"0"}); },
       hr::kTypeMismatch, L"not a number"},
      {"Item without its index", [](Apphost& t) { Collection(t.Section(kHttpErrors))->GetProperty(L"Item"); },
       hr::kBadParamCount, L""},
      {"a boolean as text", [](Apphost& t) { Set(t.Section(kBasic), L"enabled", L"true"); }, hr::kTypeMismatch,
       L"boolean"},
      {"a string as a number", [](Apphost& t) { Set(t.Section(kBasic), L"realm", std::int16_t{1}); },
       hr::kTypeMismatch, L"string"},
      {"a negative status code",
       [](Apphost& t) { Set(Item(Collection(t.Section(kHttpErrors)), 0), L"statusCode", Variant::I4(-4)); },
       hr::kInvalidArg, L"-4"},
      {"a sub-status code beyond 32 bits",
       [](Apphost& t) { Set(Item(Collection(t.Section(kHttpErrors)), 0), L"subStatusCode", Variant::UI4(3000000000u)); },
       hr::kInvalidArg, L"3000000000"},
      {"an unknown response mode",
       [](Apphost& t) { Set(Item(Collection(t.Section(kHttpErrors)), 0), L"responseMode", L"Forward"); },
       hr::kInvalidArg, L"File, ExecuteURL, Redirect"},
      {"a response mode number out of range",
       [](Apphost& t) { Set(Item(Collection(t.Section(kHttpErrors)), 0), L"responseMode", Variant::I4(3)); },
       hr::kInvalidArg, L"3"},
      {"a duplicate entry",
       [](Apphost& t) {
         const ObjectRef errors = Collection(t.Section(kHttpErrors, kMobile));
         errors->CallMethod(L"AddElement", Args{NewElement(errors, {{L"statusCode", Variant::UI4(404)}, {L"path", L"x"}})});
       },
       hr::kAlreadyExists,
       L"Cannot add duplicate collection entry of type 'error' with combined key attributes 'statusCode, subStatusCode' "
       L"respectively set to '404, -1'"},
      {"a duplicate application",
       [](Apphost& t) { t.Applications()->CallMethod(L"AddElement", Args{NewElement(t.Applications(), {{L"path", L"/"}})}); },
       hr::kAlreadyExists, L"Cannot add duplicate collection entry of type 'application' with unique key attribute 'path' set to '/'"},
      {"a key changed to one that exists",
       [](Apphost& t) { Set(Item(Collection(t.Section(kHttpErrors)), 0), L"statusCode", Variant::UI4(404)); },
       hr::kAlreadyExists, L"set to '404, -1'"},
      {"an entry without its required attribute",
       [](Apphost& t) { t.Applications()->CallMethod(L"AddElement", Args{NewElement(t.Applications(), {})}); },
       hr::kInvalidArg, L"'path'"},
      {"an element added twice",
       [](Apphost& t) {
         const ObjectRef element = NewElement(t.Applications(), {{L"path", L"/M"}});
         t.Applications()->CallMethod(L"AddElement", Args{element});
         t.Applications()->CallMethod(L"AddElement", Args{element});
       },
       hr::kInvalidArg, L"already in a collection"},
      {"an entry added to another kind of collection",
       [](Apphost& t) {
         const ObjectRef site = Item(Collection(t.Section(kSites)), 0);
         t.Applications()->CallMethod(
             L"AddElement", Args{NewElement(Collection(Child(site, L"bindings")), {{L"protocol", L"http"}})});
       },
       hr::kInvalidArg, L"'binding'"},
      {"something else than an element",
       [](Apphost& t) { t.Applications()->CallMethod(L"AddElement", Args{L"<application />"}); }, hr::kTypeMismatch,
       L"not an element"},
      {"an element of another manager",
       [](Apphost& t) {
         const ObjectRef theirs =
             Collection(Item(Collection(t.NewManager()->CallMethod(L"GetAdminSection", Args{kSites, kServer}).AsObject()), 0))
                 ->CallMethod(L"CreateNewElement", Args{L"application"}).AsObject();
         t.Applications()->CallMethod(L"AddElement", Args{theirs});
       },
       hr::kInvalidArg, L"another admin manager"},
      {"a new element of another name",
       [](Apphost& t) { t.Applications()->CallMethod(L"CreateNewElement", Args{L"site"}); }, hr::kInvalidArg,
       L"'site'"},
      {"a location that exists",
       [](Apphost& t) {
         const ObjectRef locations = t.manager->GetProperty(L"ConfigManager").AsObject()
                                         ->CallMethod(L"GetConfigFile", Args{kServer}).AsObject()
                                         ->GetProperty(L"Locations").AsObject();
         locations->CallMethod(L"AddLocation", Args{L"Default Web Site"});
         locations->CallMethod(L"AddLocation", Args{L"default web site/"});
       },
       hr::kAlreadyExists, L"already exists"},
      {"another configuration file",
       [](Apphost& t) {
         t.manager->GetProperty(L"ConfigManager").AsObject()->CallMethod(L"GetConfigFile", Args{L"MACHINE/WEBROOT"});
       },
       hr::kInvalidArg, L"MACHINE/WEBROOT"},
      {"an element deleted under an object",
       [](Apphost& t) {
         const ObjectRef application = Item(t.Applications(), 0);
         t.Applications()->CallMethod(L"Clear", {});
         Get(application, L"path");
       },
       apphost::kNotFound, L"no longer in the configuration"},
      {"unknown member", [](Apphost& t) { t.manager->CallMethod(L"CommitChangesNow", {}); }, hr::kUnknownName, L""},
      {"CommitPath as a number", [](Apphost& t) { t.manager->PutProperty(L"CommitPath", std::int16_t{1}); },
       hr::kTypeMismatch, L"not a string"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    store->bytes.reset();
    manager = NewManager();
    try {
      c.action(*this);
      ADD_FAILURE() << "no error";
    } catch (const corvanel::AppError& e) {
      EXPECT_EQ(e.Code(), c.code) << std::hex << e.Code() << " " << corvanel::WideToUtf8(e.Message());
      EXPECT_NE(e.Message().find(c.description), std::wstring::npos) << corvanel::WideToUtf8(e.Message());
    }
    EXPECT_FALSE(store->bytes) << "nothing written";
  }
}

TEST_F(Apphost, FaultSwitches) {
  const struct {
    const wchar_t* switches;
    const wchar_t* member;
    std::uint32_t code;
    const wchar_t* description;
  } cases[] = {
      {L"unreadable", L"GetAdminSection", hr::kInvalidData, L"Cannot read configuration file"},
      {L"unreadable", L"GetConfigFile", hr::kInvalidData, L"Cannot read configuration file"},
      {L"access-denied", L"GetAdminSection", hr::kAccessDenied, L"Access is denied."},
      {L" access-denied ,", L"CommitChanges", hr::kAccessDenied, L"Access is denied."},
      {L"commit-fails", L"CommitChanges", hr::kDiskFull, L"not enough space"},
      {L"commit-busy=1,commit-fails", L"CommitChanges", hr::kSharingViolation, L"used by another process"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(corvanel::WideToUtf8(c.switches));
    store->faults = apphost::ParseApphostFaults(c.switches);
    store->busyCommits = 0;
    manager = NewManager();  // creation works whatever the switches say
    try {
      if (std::wstring_view(c.member) == L"GetAdminSection") Section(kBasic);
      if (std::wstring_view(c.member) == L"GetConfigFile") {
        manager->GetProperty(L"ConfigManager").AsObject()->CallMethod(L"GetConfigFile", Args{kServer});
      }
      if (std::wstring_view(c.member) == L"CommitChanges") Commit();
      ADD_FAILURE() << "no error";
    } catch (const corvanel::AppError& e) {
      EXPECT_EQ(e.Code(), c.code) << std::hex << e.Code();
      EXPECT_EQ(e.Context(), c.member);
      EXPECT_NE(e.Reason().find(c.description), std::wstring::npos) << corvanel::WideToUtf8(e.Reason());
    }
  }

  store->faults = apphost::ParseApphostFaults(L"commit-busy=2");
  store->busyCommits = 0;
  Set(Section(kBasic), L"realm", L"R");
  for (int refused = 0; refused < 2; ++refused) EXPECT_THROW(Commit(), corvanel::AppError);
  Commit();
  EXPECT_NE(File().find("realm=\"R\""), std::string::npos) << "the third commit of the process works";

  // Another tool commits between this manager's read and its commit: refused, nothing written,
  // and so is every later commit of this manager; a new manager reads the file again and commits.
  store->faults = apphost::ParseApphostFaults(L"changed-on-disk=1");
  Set(Section(kBasic), L"realm", L"S");
  try {
    Commit();
    ADD_FAILURE() << "no error";
  } catch (const corvanel::AppError& e) {
    EXPECT_EQ(e.Code(), hr::kFileInvalid) << std::hex << e.Code();
    EXPECT_EQ(e.Reason(), L"Cannot commit configuration changes because the file has changed on disk");
  }
  const std::string rewritten = File();
  EXPECT_EQ(rewritten.find("realm=\"S\""), std::string::npos);
  EXPECT_THROW(Commit(), corvanel::AppError) << "the manager still holds the old file";
  EXPECT_EQ(File(), rewritten);
  manager = NewManager();
  Set(Section(kBasic), L"realm", L"S");
  Commit();
  EXPECT_NE(File().find("realm=\"S\""), std::string::npos);

  for (const wchar_t* bad : {L"commit-fail", L"commit-busy=", L"commit-busy=x", L"changed-on-disk", L"unreadable,disk-full"}) {
    EXPECT_THROW(apphost::ParseApphostFaults(bad), corvanel::AppError) << corvanel::WideToUtf8(bad);
  }
}

TEST_F(Apphost, MalformedFileNamesTheFault) {
  const struct {
    const char* file;
    const wchar_t* description;
  } cases[] = {
      {"<configuration>\n<system.webServer>\n</configuration>\n",
       L"Cannot read configuration file: applicationHost.config (in memory), line 3: "},
      {"<settings />", L"Cannot read configuration file: applicationHost.config (in memory), the root element is "
                       L"<settings>, not <configuration>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    store->bytes = c.file;
    manager = NewManager();
    for (int call = 0; call < 2; ++call) {  // and again: a bad file is never taken as read
      try {
        Section(kBasic);
        ADD_FAILURE() << "no error";
      } catch (const corvanel::AppError& e) {
        EXPECT_EQ(e.Code(), hr::kInvalidData);
        EXPECT_NE(e.Reason().find(c.description), std::wstring::npos) << corvanel::WideToUtf8(e.Reason());
      }
    }
  }
}

TEST_F(Apphost, NewElementsTakeTheirPositionAndSchemaOrder) {
  const ObjectRef files = Collection(Child(Section(kDefaultDocument, kMobile), L"files"));
  files->CallMethod(L"AddElement", Args{NewElement(files, {{L"value", L"first.asp"}}), std::int16_t{0}});
  files->CallMethod(L"AddElement", Args{NewElement(files, {{L"value", L"last.asp"}}), Variant::I4(-1)});
  EXPECT_EQ(Count(files), 7u);
  EXPECT_EQ(Get(Item(files, 6), L"value"), Variant(L"last.asp"));
  // Before the inherited first entry: only after what is defined above, as no clear is written.
  EXPECT_EQ(Get(Item(files, 5), L"value"), Variant(L"first.asp"));
  const ObjectRef local = Collection(Section(kHttpErrors, kMobile));
  local->CallMethod(L"Clear", {});
  local->CallMethod(L"AddElement", Args{NewElement(local, {{L"path", L"b"}, {L"statusCode", Variant::UI4(2)}})});
  local->CallMethod(L"AddElement", Args{NewElement(local, {{L"path", L"a"}, {L"statusCode", Variant::UI4(1)}}),
                                        Variant::UI4(0)});
  EXPECT_EQ(Get(Item(local, 0), L"path"), Variant(L"a")) << "before a local entry";
  Commit();
  EXPECT_NE(File().find("<clear />\n                <error statusCode=\"1\" path=\"a\" />\n"
                        "                <error statusCode=\"2\" path=\"b\" />"),
            std::string::npos)
      << File();
}

}  // namespace
}  // namespace iis_standin
