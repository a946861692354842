// Vardock's late-binding wrapper against the registered stand-in, run under Wine.
#include <gtest/gtest.h>

#include <functional>

#include "common/core/app_error.h"
#include "common/core/utf8.h"
#include "standin_fixture.h"
#include "iis_standin/tests/support/iis6_path.h"
#include "iis_standin/model/vocabulary.h"
#include "common/win/dispatch_win.h"

namespace iis_standin::testing {
namespace {

using corvanel::AppError;
using corvanel::ObjectRef;
using corvanel::Variant;
using Args = std::vector<Variant>;

class Wrapper : public StandInTest {
 public:
  corvanel::ComObjectFactory factory;

  ObjectRef Service() { return testing::WebService(factory); }
  ObjectRef Root(const wchar_t* site = L"1") { return testing::SiteRoot(factory, site); }
  // What the object gives for a property, seen through IDispatch itself rather than the wrapper.
  static VARTYPE WireType(const ObjectRef& object, const wchar_t* name) {
    IDispatch* dispatch = dynamic_cast<corvanel::DispatchObject&>(*object).get();
    std::wstring buffer(name);
    LPOLESTR names[] = {buffer.data()};
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    DISPPARAMS none{};
    corvanel::unique_variant result;
    EXPECT_EQ(dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result.put(), nullptr,
                               nullptr),
              S_OK);
    VARTYPE type = result.get().vt;
    if (type == (VT_ARRAY | VT_VARIANT)) {
      // Arrays must hold texts.
      LONG index = 0;
      corvanel::unique_variant first;
      if (SUCCEEDED(::SafeArrayGetElement(result.get().parray, &index, first.put())) && first.get().vt != VT_BSTR) {
        type = VT_EMPTY;
      }
    }
    return type;
  }
};

TEST_F(Wrapper, EnumerationWithTheClassFilter) {
  WriteConfig(kThreeSites);
  std::vector<std::wstring> names, comments;
  for (const Variant& child : Service()->Children()) {
    const ObjectRef object = child.AsObject();
    const std::wstring className = object->GetProperty(L"Class").AsText();
    names.push_back(object->GetProperty(L"Name").AsText());
    if (_wcsicmp(className.c_str(), L"IISWEBSERVER") == 0) {
      comments.push_back(object->GetProperty(L"ServerComment").AsText());
    }
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{L"AppPools", L"Filters", L"1", L"Info", L"2", L"5"}));
  EXPECT_EQ(comments, (std::vector<std::wstring>{L"Default Web Site", L"Administration Web Site", L"Extra"}));
}

TEST_F(Wrapper, PropertiesTravelWithTheirAutomationTypes) {
  WriteConfig(kThreeSites);
  const struct {
    const wchar_t* name;
    Variant value;
    VARTYPE wire;
    const char* stored;
  } cases[] = {
      {L"keytype", L"IISWebVirtualDir", VT_BSTR, "KeyType = \"IISWebVirtualDir\""},
      {L"DefaultDoc", L"Default.asp", VT_BSTR, "DefaultDoc = \"Default.asp\""},
      {L"AuthFlags", std::int16_t{2}, VT_I2, "AuthFlags = 2"},
      {L"DefaultLogonDomain", L"\\", VT_BSTR, "DefaultLogonDomain = \"\\\\\""},
      {L"appfriendlyName", L"M\u00F6bile", VT_BSTR,
       "AppFriendlyName = \"M\xC3\xB6"
       "bile\""},
      {L"AspAllowSessionState", true, VT_BOOL, "AspAllowSessionState = true"},
      {L"HttpErrors", Args{L"404,*,URL,/Mobile/AT2.asp", L"500,*,FILE,x"}, VT_ARRAY | VT_VARIANT,
       "HttpErrors = {\"404,*,URL,/Mobile/AT2.asp\", \"500,*,FILE,x\"}"},
      {L"Path", L"C:\\Web\\Mobile", VT_BSTR, "Path = \"C:\\\\Web\\\\Mobile\""},
  };
  const ObjectRef dir = Root()->CallMethod(L"Create", Args{L"IISWebVirtualDir", L"Mobile"}).AsObject();
  for (const auto& c : cases) {
    SCOPED_TRACE(corvanel::WideToUtf8(c.name));
    dir->PutProperty(c.name, c.value);
    dir->CallMethod(L"SetInfo", {});
    EXPECT_EQ(dir->GetProperty(c.name), c.value);
    EXPECT_EQ(WireType(dir, c.name), c.wire);
    EXPECT_NE(ReadConfig().find(c.stored), std::string::npos) << ReadConfig();
  }
}

TEST_F(Wrapper, MethodsChangeTheStoredConfiguration) {
  WriteConfig(kThreeSites);
  const ObjectRef dir = Root()->CallMethod(L"Create", Args{L"IISWebVirtualDir", L"Mobile"}).AsObject();
  const Variant errors = dir->GetProperty(L"HttpErrors");
  int entries404 = 0;
  for (const Variant& entry : errors.AsArray()) entries404 += entry.AsText().starts_with(L"404,");
  EXPECT_EQ(entries404, 1) << "a new directory reads IIS's defaults";
  EXPECT_TRUE(dir->CallMethod(L"AppCreate2", Args{std::int16_t{2}}).IsEmpty());
  dir->CallMethod(L"SetInfo", {});
  EXPECT_NE(ReadConfig().find("[W3SVC/1/ROOT/Mobile] IIsWebVirtualDir\nAppRoot = \"/LM/W3SVC/1/ROOT/Mobile\"\n"
                              "AppIsolated = 2\n"),
            std::string::npos)
      << ReadConfig();

  // A new namespace reads the file again and finds the directory.
  const ObjectRef found = Root()->CallMethod(L"GetObject", Args{L"IISWebVirtualDir", L"mobile"}).AsObject();
  EXPECT_EQ(found->GetProperty(L"Name"), Variant(L"Mobile"));
  const ObjectRef root = Root();
  root->CallMethod(L"Delete", Args{L"IISWebVirtualDir", L"Mobile"});
  root->CallMethod(L"SetInfo", {});
  EXPECT_EQ(ReadConfig().find("Mobile"), std::string::npos);
}

TEST_F(Wrapper, ErrorsCarryHresultMemberAndDescription) {
  const struct {
    const char* what;
    std::string prefix;  // failures configured before the sites
    std::function<void(Wrapper&)> action;
    std::uint32_t code;
    std::wstring member;
    std::wstring description;  // a part of it
  } cases[] = {
      {"missing directory", "",
       [](Wrapper& t) {
         t.Root()->CallMethod(L"GetObject", Args{L"IISWebVirtualDir", L"Mobile"});
       },
       hr::kPathNotFound, L"GetObject", L"cannot find the path"},
      {"existing directory", "",
       [](Wrapper& t) {
         t.Root()->CallMethod(L"Create", Args{L"IISWebVirtualDir", L"PHONE"});
       },
       hr::kAlreadyExists, L"Create", L"already exists"},
      {"deleting a missing directory", "",
       [](Wrapper& t) {
         t.Root()->CallMethod(L"Delete", Args{L"IISWebVirtualDir", L"Mobile"});
       },
       hr::kPathNotFound, L"Delete", L"cannot find the path"},
      {"site number naming no site", "", [](Wrapper& t) { t.Root(L"3"); }, hr::kPathNotFound, L"GetObject",
       L"cannot find the path"},
      {"no web service", "fail no-web-service\n", [](Wrapper& t) { t.Service(); }, hr::kPathNotFound,
       L"GetObject", L"cannot find the path"},
      {"older IIS", "fail appcreate2-unknown\n",
       [](Wrapper& t) {
         t.Root()
             ->CallMethod(L"Create", Args{L"IISWebVirtualDir", L"Mobile"})
             .AsObject()
             ->CallMethod(L"AppCreate2", Args{std::int16_t{2}});
       },
       hr::kUnknownName, L"AppCreate2", L""},
      {"AppCreate refused", "fail appcreate-fails\n",
       [](Wrapper& t) {
         t.Root()
             ->CallMethod(L"Create", Args{L"IISWebVirtualDir", L"Mobile"})
             .AsObject()
             ->CallMethod(L"AppCreate", Args{true});
       },
       hr::kFail, L"AppCreate", L"Unspecified"},
      {"creation refused", "fail create-fails\n",
       [](Wrapper& t) {
         t.Root()->CallMethod(L"Create", Args{L"IISWebVirtualDir", L"Mobile"});
       },
       hr::kAccessDenied, L"Create", L"Access is denied"},
      {"deletion refused", "fail delete-fails\n",
       [](Wrapper& t) {
         t.Root()->CallMethod(L"Delete", Args{L"IISWebVirtualDir", L"Phone"});
       },
       hr::kAccessDenied, L"Delete", L"Access is denied"},
      {"storing a directory's path refused", "fail setinfo-fails\n",
       [](Wrapper& t) {
         const ObjectRef dir = t.Root()->CallMethod(L"GetObject", Args{L"IISWebVirtualDir", L"Phone"}).AsObject();
         dir->PutProperty(L"Path", L"C:\\Web\\Other");
         dir->CallMethod(L"SetInfo", {});
       },
       hr::kDiskFull, L"SetInfo", L"not enough space"},
      {"domain unreadable", "fail domainname-fails\n",
       [](Wrapper& t) { t.factory.Create(L"WinNTSystemInfo")->GetProperty(L"DomainName"); }, hr::kNoSuchDomain,
       L"DomainName", L"domain"},
      {"flags as text", "",
       [](Wrapper& t) {
         t.Root()
             ->CallMethod(L"GetObject", Args{L"IISWebVirtualDir", L"Phone"})
             .AsObject()
             ->PutProperty(L"AuthFlags", L"2");
       },
       hr::kTypeMismatch, L"AuthFlags", L"16-bit integer"},
      {"an object as an argument", "",
       [](Wrapper& t) {
         t.Root()->CallMethod(L"GetObject", Args{L"IISWebVirtualDir", Variant(t.Root())});
       },
       hr::kTypeMismatch, L"GetObject", L""},
      {"too few arguments", "", [](Wrapper& t) { t.Root()->CallMethod(L"GetObject", Args{L"IISWebVirtualDir"}); },
       hr::kBadParamCount, L"GetObject", L""},
      {"no such member", "", [](Wrapper& t) { t.Root()->GetProperty(L"Colour"); }, hr::kUnknownName, L"Colour",
       L""},
      {"malformed file", "[W3SVC/9/ROOT] IIsWebVirtualDir\n", [](Wrapper& t) { t.Service(); },
       hr::kInvalidData, L"GetObject", L"line 1"},
      {"no system information", "fail no-system-info\n", [](Wrapper& t) { t.factory.Create(L"WinNTSystemInfo"); },
       hr::kClassNotRegistered, L"WinNTSystemInfo", L""},
      {"unregistered identifier", "", [](Wrapper& t) { t.factory.Create(L"Corvanel.NoSuchObject"); },
       hr::kInvalidClassString, L"Corvanel.NoSuchObject", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteConfig(c.prefix + kThreeSites);
    try {
      c.action(*this);
      ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
      EXPECT_EQ(e.Code(), c.code) << std::hex << e.Code();
      EXPECT_EQ(e.Context(), c.member);
      EXPECT_FALSE(e.Reason().empty()) << "the platform's text when the server gives none";
      EXPECT_NE(e.Reason().find(c.description), std::wstring::npos) << corvanel::WideToUtf8(e.Reason());
    }
  }
}

TEST_F(Wrapper, SystemInformationGivesTheDomain) {
  WriteConfig(kThreeSites);
  EXPECT_EQ(factory.Create(L"WinNTSystemInfo")->GetProperty(L"DomainName"), Variant(L"CORVANEL"));
}

TEST_F(Wrapper, MissingFileIsAFreshIis) {
  const ObjectRef root = Root();
  EXPECT_EQ(root->GetProperty(L"Path"), Variant(L"C:\\Inetpub\\wwwroot"));
  root->CallMethod(L"Create", Args{L"IISWebVirtualDir", L"Mobile"}).AsObject()->CallMethod(L"SetInfo", {});
  EXPECT_NE(ReadConfig().find("[W3SVC/1/ROOT/Mobile]"), std::string::npos);
}

}  // namespace
}  // namespace iis_standin::testing
