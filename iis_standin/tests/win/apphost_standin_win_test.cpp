// The stand-in's "Microsoft.ApplicationHost.WritableAdminManager" through real IDispatch under
// Wine: Vardock's late-binding wrapper, raw IDispatch calls as script engines make them, and the
// registration of one back end at a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "common/core/app_error.h"
#include "common/core/utf8.h"
#include "common/core/unique_any.h"
#include "common/win/handles_win.h"
#include "standin_fixture.h"
#include "iis_standin/model/vocabulary.h"
#include "common/win/dispatch_win.h"
#include "common/tests/win/start_process_win.h"

namespace iis_standin::testing {
namespace {

using corvanel::AppError;
using corvanel::ObjectRef;
using corvanel::Variant;
using Args = std::vector<Variant>;

constexpr wchar_t kManager[] = L"Microsoft.ApplicationHost.WritableAdminManager";
constexpr wchar_t kServer[] = L"MACHINE/WEBROOT/APPHOST";
constexpr wchar_t kMobile[] = L"MACHINE/WEBROOT/APPHOST/Default Web Site/Mobile";

class NativeObjects : public StandInTest {
 public:
  corvanel::ComObjectFactory factory;
  ObjectRef manager = factory.Create(kManager);

  ObjectRef Section(const wchar_t* section, const wchar_t* path = kServer) const {
    return manager->CallMethod(L"GetAdminSection", Args{section, path}).AsObject();
  }
  static ObjectRef Collection(const ObjectRef& element) { return element->GetProperty(L"Collection").AsObject(); }
  static ObjectRef Property(const ObjectRef& element, const wchar_t* name) {
    return element->CallMethod(L"GetPropertyByName", Args{name}).AsObject();
  }
  static ObjectRef NewElement(const ObjectRef& collection, std::initializer_list<std::pair<const wchar_t*, Variant>> values) {
    const ObjectRef element = collection->CallMethod(L"CreateNewElement", {}).AsObject();
    for (const auto& [name, value] : values) Property(element, name)->PutProperty(L"Value", value);
    return element;
  }
  static IDispatch* Raw(const ObjectRef& object) { return dynamic_cast<corvanel::DispatchObject&>(*object).get(); }
  // Invokes a member as a script engine would, giving the HRESULT and the result.
  static HRESULT Invoke(const ObjectRef& object, DISPID id, WORD flags, std::vector<VARIANT> args,
                        corvanel::unique_variant* result = nullptr) {
    std::reverse(args.begin(), args.end());
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    EXCEPINFO exception{};
    const HRESULT hr = Raw(object)->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                           result != nullptr ? result->put() : nullptr, &exception, nullptr);
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    return hr == DISP_E_EXCEPTION ? exception.scode : hr;
  }
  static DISPID IdOf(const ObjectRef& object, const wchar_t* name) {
    std::wstring buffer(name);
    LPOLESTR names[] = {buffer.data()};
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(Raw(object)->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    return id;
  }
};

TEST_F(NativeObjects, ElementsPassedBackAndCommittedToTheFile) {
  const ObjectRef site =
      Collection(Section(L"system.applicationHost/sites"))->GetIndexed(L"Item", Args{Variant::I4(0)}).AsObject();
  EXPECT_EQ(Property(site, L"id")->GetProperty(L"Value"), Variant::UI4(1));
  const ObjectRef applications = Collection(site);
  EXPECT_EQ(applications->GetProperty(L"Count"), Variant::UI4(1));
  const ObjectRef application =
      NewElement(applications, {{L"path", L"/Mobile"}, {L"applicationPool", L"DefaultAppPool"}});
  applications->CallMethod(L"AddElement", Args{application});
  Collection(application)
      ->CallMethod(L"AddElement",
                   Args{NewElement(Collection(application), {{L"path", L"/"}, {L"physicalPath", L"C:\\Web\\Mobile"}})});
  const ObjectRef errors = Collection(Section(L"system.webServer/httpErrors", kMobile));
  errors->CallMethod(L"DeleteElement", Args{std::int16_t{2}});
  errors->CallMethod(L"AddElement", Args{NewElement(errors, {{L"statusCode", Variant::UI4(404)},
                                                             {L"path", L"/Mobile/AT2.asp"},
                                                             {L"responseMode", Variant::I4(1)}}),
                                         Variant::I4(-1)});
  EXPECT_FALSE(std::filesystem::exists(apphostFile)) << "nothing written before the commit";
  manager->CallMethod(L"CommitChanges", {});

  const std::string written = ReadApphost();
  EXPECT_NE(written.find("<application path=\"/Mobile\" applicationPool=\"DefaultAppPool\">\n"
                         "                    <virtualDirectory path=\"/\" physicalPath=\"C:\\Web\\Mobile\" />"),
            std::string::npos)
      << written;
  EXPECT_NE(written.find("<remove statusCode=\"404\" subStatusCode=\"-1\" />\n"
                         "                <error statusCode=\"404\" path=\"/Mobile/AT2.asp\" responseMode=\"ExecuteURL\" />"),
            std::string::npos)
      << written;
  // A new manager reads the file anew.
  const ObjectRef again = Collection(
      factory.Create(kManager)->CallMethod(L"GetAdminSection", Args{L"system.webServer/httpErrors", kMobile}).AsObject());
  const ObjectRef added = again->GetIndexed(L"Item", Args{Variant::UI4(8)}).AsObject();
  EXPECT_EQ(Property(added, L"responseMode")->GetProperty(L"Value"), Variant::I4(1));
  EXPECT_EQ(Property(added, L"path")->GetProperty(L"Value"), Variant(L"/Mobile/AT2.asp"));
}

TEST_F(NativeObjects, ItemAndAddElementAsScriptEnginesCallThem) {
  const ObjectRef files =
      Collection(Section(L"system.webServer/defaultDocument")->CallMethod(L"GetElementByName", Args{L"files"}).AsObject());
  EXPECT_EQ(files->GetProperty(L"Count"), Variant::UI4(5));
  for (const DISPID id : {IdOf(files, L"item"), DISPID{DISPID_VALUE}}) {
    for (const WORD flags : {WORD{DISPATCH_PROPERTYGET}, WORD{DISPATCH_METHOD | DISPATCH_PROPERTYGET}}) {
      SCOPED_TRACE(::testing::Message() << "DISPID " << id << ", flags " << flags);
      VARIANT index{};
      index.vt = VT_I2;
      index.iVal = 1;
      corvanel::unique_variant result;
      ASSERT_EQ(Invoke(files, id, flags, {index}, &result), S_OK);
      ASSERT_EQ(result.get().vt, VT_DISPATCH);
      const ObjectRef entry =
          std::make_shared<corvanel::DispatchObject>(corvanel::com_ptr<IDispatch>::copy(result.get().pdispVal));
      EXPECT_EQ(Property(entry, L"value")->GetProperty(L"Value"), Variant(L"Default.asp"));
    }
  }
  EXPECT_EQ(Invoke(files, IdOf(files, L"Item"), DISPATCH_PROPERTYGET, {}), DISP_E_BADPARAMCOUNT);

  // An IDispatch of another server cannot be an element.
  const ObjectRef foreign = factory.Create(L"Scripting.Dictionary");
  VARIANT other{};
  other.vt = VT_DISPATCH;
  other.pdispVal = Raw(foreign);
  EXPECT_EQ(Invoke(files, IdOf(files, L"AddElement"), DISPATCH_METHOD, {other}), DISP_E_TYPEMISMATCH);
  // The stand-in's own object that is not an element: the model says so.
  VARIANT own{};
  own.vt = VT_DISPATCH;
  own.pdispVal = Raw(files);
  EXPECT_EQ(Invoke(files, IdOf(files, L"AddElement"), DISPATCH_METHOD, {own}), DISP_E_TYPEMISMATCH);
}

TEST_F(NativeObjects, ErrorsCarryIisCodesAndTexts) {
  const struct {
    const char* what;
    const wchar_t* switches;  // CORVANEL_APPHOST_FAIL
    const char* file;         // applicationHost.config, none when null
    std::function<void(NativeObjects&)> action;
    std::uint32_t code;
    std::wstring description;  // a part of it
  } cases[] = {
      {"a locked section below the commit path", nullptr, nullptr,
       [](NativeObjects& t) {
         t.manager->PutProperty(L"CommitPath", kMobile);
         t.Section(L"system.webServer/security/authentication/windowsAuthentication", kMobile);
       },
       0x80070021,
       L"This configuration section cannot be used at this path. This happens when the section is locked at a parent "
       L"level."},
      {"a duplicate entry", nullptr, nullptr,
       [](NativeObjects& t) {
         const ObjectRef errors = Collection(t.Section(L"system.webServer/httpErrors"));
         errors->CallMethod(L"AddElement",
                            Args{NewElement(errors, {{L"statusCode", Variant::UI4(401)}, {L"path", L"x.htm"}})});
       },
       hr::kAlreadyExists, L"Cannot add duplicate collection entry of type 'error'"},
      {"a boolean as text", nullptr, nullptr,
       [](NativeObjects& t) {
         Property(t.Section(L"system.webServer/defaultDocument"), L"enabled")->PutProperty(L"Value", L"true");
       },
       hr::kTypeMismatch, L"boolean"},
      {"an unknown attribute", nullptr, nullptr,
       [](NativeObjects& t) { Property(t.Section(L"system.webServer/defaultDocument"), L"colour"); },
       hr::kInvalidArg, L"'colour'"},
      {"unreadable", L"unreadable", nullptr,
       [](NativeObjects& t) { t.factory.Create(kManager)->CallMethod(L"GetAdminSection", Args{L"system.webServer/asp", kServer}); },
       hr::kInvalidData, L"Cannot read configuration file"},
      {"malformed", nullptr, "<configuration>\r\n<sites>",
       [](NativeObjects& t) { t.Section(L"system.webServer/asp"); }, hr::kInvalidData,
       L"line 2: the file ends before </sites>"},
      {"access denied", L"access-denied", nullptr,
       [](NativeObjects& t) { t.factory.Create(kManager)->CallMethod(L"GetAdminSection", Args{L"system.webServer/asp", kServer}); },
       hr::kAccessDenied, L"Access is denied"},
      {"disk full", L"commit-fails", nullptr,
       [](NativeObjects& t) {
         Property(t.Section(L"system.webServer/defaultDocument"), L"enabled")->PutProperty(L"Value", false);
         t.manager->CallMethod(L"CommitChanges", {});
       },
       hr::kDiskFull, L"not enough space"},
      {"a mistyped switch", L"comit-fails", nullptr, [](NativeObjects& t) { t.Section(L"system.webServer/asp"); },
       hr::kInvalidArg, L"comit-fails"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(apphostFile);
    if (c.file != nullptr) WriteApphost(c.file);
    ::SetEnvironmentVariableW(L"CORVANEL_APPHOST_FAIL", c.switches);
    manager = factory.Create(kManager);  // creation works whatever the switches say
    try {
      c.action(*this);
      ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
      EXPECT_EQ(e.Code(), c.code) << std::hex << e.Code();
      EXPECT_NE(e.Reason().find(c.description), std::wstring::npos) << corvanel::WideToUtf8(e.Reason());
    }
    EXPECT_EQ(std::filesystem::exists(apphostFile), c.file != nullptr) << "nothing written";
  }
}

// regsvr32 /n /i:iis6 and /i:native register one back end, each with the system information.
TEST_F(NativeObjects, RegistersOneBackEndAtATime) {
  const std::wstring dll = BuildPath(IIS_STANDIN_DLL);
  const auto regsvr32 = [&](const std::wstring& options) {
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring program = std::wstring(system) + L"\\regsvr32.exe";
    std::wstring command = L"\"" + program + L"\" /s " + options + L" \"" + dll + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    EXPECT_TRUE(corvanel::testing::StartProcess(program.c_str(), command.data(), FALSE, CREATE_NO_WINDOW, nullptr,
                                                 &startup, &process));
    corvanel::unique_handle processHandle(process.hProcess), threadHandle(process.hThread);
    EXPECT_EQ(::WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    return exitCode;
  };
  const auto registered = [](const wchar_t* progId) {
    CLSID clsid{};
    return SUCCEEDED(::CLSIDFromProgID(progId, &clsid));
  };
  corvanel::scope_exit everything([&] { regsvr32(L""); });
  const struct {
    const wchar_t* options;
    bool iis6, native, systemInfo;
  } steps[] = {
      {L"/u /n /i:iis6", false, true, true},   {L"/u /n /i:native", false, false, false},
      {L"/n /i:iis6", true, false, true},      {L"/n /i:NATIVE", true, true, true},
      {L"/u /n /i:native", true, false, true}, {L"/u", false, false, false},
      {L"", true, true, true},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(corvanel::WideToUtf8(step.options));
    EXPECT_EQ(regsvr32(step.options), 0u);
    EXPECT_EQ(registered(L"IISNamespace"), step.iis6);
    EXPECT_EQ(registered(kManager), step.native);
    EXPECT_EQ(registered(L"WinNTSystemInfo"), step.systemInfo);
  }
  EXPECT_NE(regsvr32(L"/n /i:iis5"), 0u) << "an unknown back end is refused";
}

}  // namespace
}  // namespace iis_standin::testing
