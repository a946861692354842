#include "module1.h"

#include <array>

#include "command_line.h"
#include "error_text.h"
#include "iis_access.h"
#include "suppress_errors.h"

namespace vardock {

namespace {
constexpr std::wstring_view kSiteValue = L"IISWebServer";
constexpr std::wstring_view kDirValue = L"IISWebVirtualDir";

Variant Call(AutomationObject& object, std::wstring_view method, std::initializer_list<Variant> args) {
  return object.CallMethod(method, std::span<const Variant>(args.begin(), args.size()));
}

// The entry IIS serves for status 404 becomes the product's own page; other entries stay.
void SetNotFoundPage(std::vector<Variant>& errors, std::wstring_view name) {
  for (Variant& entry : errors) {
    if (entry.kind() == Variant::Kind::Text && entry.AsText().starts_with(L"404,")) {
      entry = L"404,*,URL,/" + std::wstring(name) + L"/AT2.asp";
      return;
    }
  }
}
}  // namespace

std::wstring Module1::SettingsKey() const { return L"Software\\Corvanel\\" + ArgName; }

void Module1::Main(std::wstring_view argumentText) {
  const ArgumentValues values = TakeValues(SplitArguments(argumentText));
  ArgName = values.name;
  ArgOperation = values.operation;
  ArgPath = values.path;

  SiteNumber = registry_.ReadRegSetting(kHKeyLocalMachine, SettingsKey(), kSiteValue).ToText();
  if (SiteNumber.empty()) SiteNumber = L"1";
  VirtualDirName = registry_.ReadRegSetting(kHKeyLocalMachine, SettingsKey(), kDirValue).ToText();
  if (VirtualDirName.empty()) VirtualDirName = ArgName;

  const std::wstring operation = AsciiUpper(ArgOperation);
  if (operation == L"ADD") {
    if (!ArgName.empty() && !ArgPath.empty()) host_.ShowForm1();
  } else if (operation == L"DEL") {
    if (const auto refused = DeleteVirtualDir(SiteNumber, VirtualDirName)) {
      host_.ShowMessage(RemovalRefusedText(SiteNumber, VirtualDirName, *refused) +
                            L"\r\n\r\nIts settings are kept, so that it can still be removed later.",
                        MessageIcon::Exclamation);
    }
  } else {
    host_.ShowMessage(kUsageText, MessageIcon::None);
  }
}

void Module1::CreateVirtualDir(std::wstring_view site, std::wstring_view name) {
  if (site.empty() || name.empty()) return;
  const ObjectRef root = SiteRoot(objects_, site);

  ObjectRef directory;
  const bool existing = !Suppressed([&] { directory = GetChild(*root, kVirtualDirClass, name); });
  const bool created = !existing && !Suppressed([&] {
    directory = Call(*root, L"Create", {kVirtualDirClass, name}).AsObject();
  });
  if (!existing && !created) {
    host_.ShowMessage(L"Unable to create or locate Virtual Directory " + ArgName + L".", MessageIcon::Exclamation);
    return;
  }

  if (created) {
    directory->PutProperty(L"keytype", kVirtualDirClass);
    directory->PutProperty(L"DefaultDoc", L"Default.asp");
    directory->PutProperty(L"AuthFlags", std::int16_t{2});
    std::wstring domain;
    if (Suppressed([&] {
          const ObjectRef systemInfo = objects_.Create(L"WinNTSystemInfo");
          Suppressed([&] { domain = PropertyText(*systemInfo, L"DomainName"); });
        })) {
      domain = L"\\";
    }
    directory->PutProperty(L"DefaultLogonDomain", domain);
    if (Suppressed([&] { Call(*directory, L"AppCreate2", {std::int16_t{2}}); })) {
      Suppressed([&] { Call(*directory, L"AppCreate", {true}); });
    }
    directory->PutProperty(L"appfriendlyName", name);
    directory->PutProperty(L"AspAllowSessionState", true);
    Call(*directory, L"SetInfo", {});
    std::vector<Variant> errors = PropertyArray(*directory, L"HttpErrors");
    SetNotFoundPage(errors, name);
    directory->PutProperty(L"HttpErrors", std::move(errors));
    Call(*directory, L"SetInfo", {});
  }
  directory->PutProperty(L"Path", ArgPath);
  Call(*directory, L"SetInfo", {});

  registry_.WriteRegSetting(kHKeyLocalMachine, SettingsKey(), kSiteValue, std::wstring(site));
  registry_.WriteRegSetting(kHKeyLocalMachine, SettingsKey(), kDirValue, std::wstring(name));
}

std::optional<corvanel::AppError> Module1::DeleteVirtualDir(std::wstring_view site, std::wstring_view name) {
  if (site.empty() || name.empty()) return std::nullopt;
  {
    const ObjectRef root = SiteRoot(objects_, site);
    auto refused = Suppressed([&] { Call(*root, L"Delete", {kVirtualDirClass, name}); });
    if (!refused) refused = Suppressed([&] { Call(*root, L"SetInfo", {}); });
    // A directory that is already gone is forgotten; one that IIS would not remove is kept.
    if (refused && !Suppressed([&] { GetChild(*root, kVirtualDirClass, name); })) return refused;
  }
  registry_.DeleteRegSetting(kHKeyLocalMachine, SettingsKey(), kSiteValue);
  registry_.DeleteRegSetting(kHKeyLocalMachine, SettingsKey(), kDirValue);
  return std::nullopt;
}

std::wstring RemovalRefusedText(std::wstring_view site, std::wstring_view name, const corvanel::AppError& error) {
  return L"The Virtual Directory " + std::wstring(name) + L" on web site " + std::wstring(site) +
         L" could not be removed.\r\n\r\n" + ErrorText(error);
}

}  // namespace vardock
