// The in-memory IIS objects: what callers rely on, and failing where IIS fails.
#include <gtest/gtest.h>

#include <functional>

#include "common/core/utf8.h"
#include "iis_standin/model/vocabulary.h"
#include "iis_standin/model/iis_objects.h"
#include "iis_standin/tests/support/iis6_path.h"

namespace iis_standin {
namespace {

using Args = std::vector<Variant>;

// Public: the table's actions reach the fixture through a parameter.
class IisModel : public ::testing::Test {
 public:
  std::shared_ptr<IisConfig> config = std::make_shared<IisConfig>(DefaultIisConfig());
  MemoryObjectFactory factory{config};
  int changes = 0;

  void SetUp() override {
    config->Add(L"W3SVC/2", L"IIsWebServer").SetProperty(L"ServerComment", L"Administration Web Site");
    config->Add(L"W3SVC/5", L"IIsWebServer").SetProperty(L"ServerComment", L"Extra");
    config->Add(L"W3SVC/5/ROOT", L"IIsWebVirtualDir");
    config->Add(L"W3SVC/1/ROOT/Mobile", L"IIsWebVirtualDir").SetProperty(L"Path", L"C:\\Web\\Mobile");
    config->onChange = [this](const IisConfig&) { ++changes; };
  }

  ObjectRef Service() { return testing::WebService(factory); }
  ObjectRef Root(const wchar_t* site = L"1") { return testing::SiteRoot(factory, site); }
  ObjectRef NewDir(const wchar_t* name) {
    return Root()->CallMethod(L"Create", Args{L"IISWebVirtualDir", name}).AsObject();
  }
};

TEST_F(IisModel, ServiceChildrenCarryClassAndName) {
  config->Add(L"W3SVC/Obj", L"IIsObject");  // a class the model does not know is listed all the same
  std::vector<std::wstring> classes, names, comments;
  for (const Variant& child : Service()->Children()) {
    const ObjectRef object = child.AsObject();
    classes.push_back(object->GetProperty(L"Class").AsText());
    names.push_back(object->GetProperty(L"Name").AsText());
    if (classes.back() == L"IIsWebServer") comments.push_back(object->GetProperty(L"ServerComment").AsText());
  }
  EXPECT_EQ(classes, (std::vector<std::wstring>{L"IIsApplicationPools", L"IIsFilters", L"IIsWebInfo", L"IIsWebServer",
                                                L"IIsWebServer", L"IIsWebServer", L"IIsObject"}));
  EXPECT_EQ(names, (std::vector<std::wstring>{L"AppPools", L"Filters", L"Info", L"1", L"2", L"5", L"Obj"}));
  EXPECT_EQ(comments, (std::vector<std::wstring>{L"Default Web Site", L"Administration Web Site", L"Extra"}));
}

TEST_F(IisModel, FailsWhereIisFails) {
  const struct {
    const char* what;
    std::function<void(IisModel&)> action;
    std::uint32_t code;
    std::wstring member;
  } cases[] = {
      {"missing directory",
       [](IisModel& t) {
         t.Root()->CallMethod(L"GetObject", Args{L"IISWebVirtualDir", L"None"});
       },
       hr::kPathNotFound, L"GetObject"},
      {"existing directory, other case", [](IisModel& t) { t.NewDir(L"mobile"); }, hr::kAlreadyExists, L"Create"},
      {"deleting a missing directory",
       [](IisModel& t) {
         t.Root()->CallMethod(L"Delete", Args{L"IISWebVirtualDir", L"None"});
       },
       hr::kPathNotFound, L"Delete"},
      {"a site number naming no site", [](IisModel& t) { t.Root(L"3"); }, hr::kPathNotFound, L"GetObject"},
      {"site 0", [](IisModel& t) { t.Root(L"0"); }, hr::kPathNotFound, L"GetObject"},
      {"a directory asked for as a site",
       [](IisModel& t) {
         t.Root()->CallMethod(L"GetObject", Args{L"IISWebServer", L"Mobile"});
       },
       hr::kPathNotFound, L"GetObject"},
      {"no web service",
       [](IisModel& t) {
         t.config->failures.noWebService = true;
         t.Service();
       },
       hr::kPathNotFound, L"GetObject"},
      {"another machine",
       [](IisModel& t) {
         t.factory.Create(L"IISNamespace")->CallMethod(L"GetObject", Args{L"IISWebService", L"other/w3svc"});
       },
       hr::kBadNetPath, L"GetObject"},
      {"older IIS without AppCreate2",
       [](IisModel& t) {
         t.config->failures.appCreate2Unknown = true;
         t.NewDir(L"New")->CallMethod(L"AppCreate2", Args{std::int16_t{2}});
       },
       hr::kUnknownName, L"AppCreate2"},
      {"AppCreate refused",
       [](IisModel& t) {
         t.config->failures.appCreateFails = true;
         t.NewDir(L"New")->CallMethod(L"AppCreate", Args{true});
       },
       hr::kFail, L"AppCreate"},
      {"creation refused",
       [](IisModel& t) {
         t.config->failures.createFails = true;
         t.NewDir(L"New");
       },
       hr::kAccessDenied, L"Create"},
      {"no system information",
       [](IisModel& t) {
         t.config->failures.noSystemInfo = true;
         t.factory.Create(L"WinNTSystemInfo");
       },
       hr::kClassNotRegistered, L"WinNTSystemInfo"},
      {"unknown identifier", [](IisModel& t) { t.factory.Create(L"IISNamespaceX"); }, hr::kInvalidClassString,
       L"IISNamespaceX"},
      {"flags as text", [](IisModel& t) { t.NewDir(L"New")->PutProperty(L"AuthFlags", L"2"); }, hr::kTypeMismatch,
       L"AuthFlags"},
      {"session state as a number",
       [](IisModel& t) { t.NewDir(L"New")->PutProperty(L"AspAllowSessionState", std::int16_t{1}); }, hr::kTypeMismatch,
       L"AspAllowSessionState"},
      {"errors list holding a number",
       [](IisModel& t) {
         t.NewDir(L"New")->PutProperty(L"HttpErrors", Args{L"404,*,URL,/x", std::int16_t{1}});
       },
       hr::kTypeMismatch, L"HttpErrors"},
      {"unknown property", [](IisModel& t) { t.NewDir(L"New")->PutProperty(L"Colour", L"red"); }, hr::kUnknownName,
       L"Colour"},
      {"read-only property", [](IisModel& t) { t.NewDir(L"New")->PutProperty(L"Class", L"x"); }, hr::kMemberNotFound,
       L"Class"},
      {"unset property", [](IisModel& t) { t.NewDir(L"New")->GetProperty(L"Path"); }, hr::kPropertyNotFound, L"Path"},
      {"too few arguments", [](IisModel& t) { t.Root()->CallMethod(L"GetObject", Args{L"IISWebVirtualDir"}); },
       hr::kBadParamCount, L"GetObject"},
      {"an object as a name",
       [](IisModel& t) {
         t.Root()->CallMethod(L"GetObject", Args{L"IISWebVirtualDir", Variant(t.Root())});
       },
       hr::kTypeMismatch, L"GetObject"},
      {"a name with a slash", [](IisModel& t) { t.NewDir(L"a/b"); }, hr::kInvalidName, L"Create"},
      {"deletion refused",
       [](IisModel& t) {
         t.config->failures.deleteFails = true;
         t.Root()->CallMethod(L"Delete", Args{L"IISWebVirtualDir", L"Mobile"});
       },
       hr::kAccessDenied, L"Delete"},
      {"storing a directory's path refused",
       [](IisModel& t) {
         t.config->failures.setInfoFails = true;
         const ObjectRef dir = t.Root()->CallMethod(L"GetObject", Args{L"IISWebVirtualDir", L"Mobile"}).AsObject();
         dir->PutProperty(L"Path", L"C:\\x");
         dir->CallMethod(L"SetInfo", {});
       },
       hr::kDiskFull, L"SetInfo"},
      {"domain unreadable",
       [](IisModel& t) {
         t.config->failures.domainNameFails = true;
         t.factory.Create(L"WinNTSystemInfo")->GetProperty(L"DomainName");
       },
       hr::kNoSuchDomain, L"DomainName"},
      {"an object whose directory was deleted",
       [](IisModel& t) {
         const ObjectRef dir = t.Root()->CallMethod(L"GetObject", Args{L"IISWebVirtualDir", L"Mobile"}).AsObject();
         const ObjectRef root = t.Root();
         root->CallMethod(L"Delete", Args{L"IISWebVirtualDir", L"Mobile"});
         root->CallMethod(L"SetInfo", {});
         dir->PutProperty(L"Path", L"C:\\x");
         dir->CallMethod(L"SetInfo", {});
       },
       hr::kPathNotFound, L"SetInfo"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    config->failures = {};
    try {
      c.action(*this);
      ADD_FAILURE() << "no error";
    } catch (const corvanel::AppError& e) {
      EXPECT_EQ(e.Code(), c.code) << std::hex << e.Code();
      EXPECT_EQ(e.Context(), c.member);
      EXPECT_FALSE(e.Reason().empty());
    }
  }
}

TEST_F(IisModel, NewDirectoryIsStoredBySetInfo) {
  const ObjectRef dir = NewDir(L"Phone");
  dir->PutProperty(L"keytype", L"IISWebVirtualDir");
  dir->PutProperty(L"AuthFlags", std::int16_t{2});
  EXPECT_EQ(dir->GetProperty(L"AuthFlags"), Variant(std::int16_t{2})) << "held on the object";
  EXPECT_EQ(config->Find(L"W3SVC/1/ROOT/Phone"), nullptr) << "not stored before SetInfo";
  EXPECT_THROW(Root()->CallMethod(L"GetObject", Args{L"IISWebVirtualDir", L"Phone"}), corvanel::AppError);

  dir->CallMethod(L"SetInfo", {});
  EXPECT_EQ(changes, 1);
  const ConfigNode* stored = config->Find(L"W3SVC/1/ROOT/Phone");
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->keyType, L"IIsWebVirtualDir");
  EXPECT_EQ(*stored->FindProperty(L"KeyType"), Variant(L"IISWebVirtualDir"));

  dir->PutProperty(L"Path", L"C:\\Web\\Phone");
  EXPECT_EQ(stored->FindProperty(L"Path"), nullptr) << "a later change waits for the next SetInfo";
  const ObjectRef found = Root()->CallMethod(L"GetObject", Args{L"IISWebVirtualDir", L"PHONE"}).AsObject();
  EXPECT_EQ(found->GetProperty(L"Name"), Variant(L"Phone"));
  dir->CallMethod(L"SetInfo", {});
  EXPECT_EQ(found->GetProperty(L"Path"), Variant(L"C:\\Web\\Phone"));
}

TEST_F(IisModel, RefusedChangesLeaveTheConfigurationAsItWas) {
  config->failures.deleteFails = true;
  config->failures.setInfoFails = true;
  EXPECT_THROW(Root()->CallMethod(L"Delete", Args{L"IISWebVirtualDir", L"Mobile"}), corvanel::AppError);
  EXPECT_NE(config->Find(L"W3SVC/1/ROOT/Mobile"), nullptr) << "the directory stays";

  // A creation stores its key and settings; only the SetInfo that carries the path fails.
  const ObjectRef dir = NewDir(L"Phone");
  dir->PutProperty(L"DefaultDoc", L"Default.asp");
  dir->CallMethod(L"SetInfo", {});
  dir->PutProperty(L"Path", L"C:\\Web\\Phone");
  EXPECT_THROW(dir->CallMethod(L"SetInfo", {}), corvanel::AppError);
  const ConfigNode* stored = config->Find(L"W3SVC/1/ROOT/Phone");
  ASSERT_NE(stored, nullptr);
  EXPECT_NE(stored->FindProperty(L"DefaultDoc"), nullptr);
  EXPECT_EQ(stored->FindProperty(L"Path"), nullptr);
  EXPECT_EQ(changes, 1);

  // A deletion is held on the root until its SetInfo: the root no longer finds the directory,
  // objects obtained anew still do, and a SetInfo that fails stores nothing.
  config->failures.deleteFails = false;
  config->failures.deletionSetInfoFails = true;
  const ObjectRef refusing = Root();
  refusing->CallMethod(L"Delete", Args{L"IISWebVirtualDir", L"Mobile"});
  EXPECT_THROW(refusing->CallMethod(L"GetObject", Args{L"IISWebVirtualDir", L"Mobile"}), corvanel::AppError);
  EXPECT_NO_THROW(Root()->CallMethod(L"GetObject", Args{L"IISWebVirtualDir", L"Mobile"}));
  EXPECT_THROW(refusing->CallMethod(L"SetInfo", {}), corvanel::AppError);
  EXPECT_NO_THROW(Root()->CallMethod(L"GetObject", Args{L"IISWebVirtualDir", L"Mobile"}));
  EXPECT_EQ(changes, 1);

  // The root's SetInfo after a deletion stores no path and works.
  config->failures.deletionSetInfoFails = false;
  const ObjectRef root = Root();
  root->CallMethod(L"Delete", Args{L"IISWebVirtualDir", L"Mobile"});
  EXPECT_NO_THROW(root->CallMethod(L"SetInfo", {}));
  EXPECT_EQ(config->Find(L"W3SVC/1/ROOT/Mobile"), nullptr);
}

TEST_F(IisModel, NewDirectoryReadsTheDefaultHttpErrors) {
  const Variant errors = NewDir(L"Phone")->GetProperty(L"HttpErrors");
  int entries404 = 0;
  for (const Variant& entry : errors.AsArray()) entries404 += entry.AsText().starts_with(L"404,");
  EXPECT_EQ(entries404, 1);
  EXPECT_EQ(errors, Variant(DefaultHttpErrors()));

  // A list kept by the site is inherited instead.
  const Variant own(Args{L"404,*,URL,/site.asp"});
  config->Find(L"W3SVC/1")->SetProperty(L"HttpErrors", own);
  EXPECT_EQ(NewDir(L"Other")->GetProperty(L"HttpErrors"), own);
}

TEST_F(IisModel, ApplicationsByModeAndDeletion) {
  const struct {
    const wchar_t* method;
    Variant arg;
    std::int16_t isolation;
  } cases[] = {{L"AppCreate2", std::int16_t{2}, 2}, {L"appcreate", true, 0}, {L"AppCreate", false, 1}};
  for (const auto& c : cases) {
    const ObjectRef dir = NewDir(L"App");
    dir->CallMethod(c.method, Args{c.arg});
    dir->CallMethod(L"SetInfo", {});
    const ConfigNode* stored = config->Find(L"W3SVC/1/ROOT/App");
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(*stored->FindProperty(L"AppIsolated"), Variant(c.isolation));
    EXPECT_EQ(*stored->FindProperty(L"AppRoot"), Variant(L"/LM/W3SVC/1/ROOT/App"));
    const ObjectRef root = Root();
    root->CallMethod(L"Delete", Args{L"IISWebVirtualDir", L"app"});
    root->CallMethod(L"SetInfo", {});
    EXPECT_EQ(config->Find(L"W3SVC/1/ROOT/App"), nullptr);
  }
}

TEST_F(IisModel, SystemInfoGivesTheDomain) {
  config->domainName = L"CORVANEL";
  EXPECT_EQ(factory.Create(L"WinNTSystemInfo")->GetProperty(L"DomainName"), Variant(L"CORVANEL"));
}

}  // namespace
}  // namespace iis_standin
