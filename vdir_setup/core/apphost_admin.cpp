#include "apphost_admin.h"

#include <cstddef>
#include <utility>

#include "automation.h"
#include "error_text.h"
#include "site_number.h"
#include "suppress_errors.h"

namespace vardock {

namespace {

constexpr std::wstring_view kSitesSection = L"system.applicationHost/sites";
// A change IIS would not store is redone this many times at most, from a fresh read each time.
constexpr int kAttempts = 5;

// Failures that no redo mends: the administrator must act first.
bool Final(const corvanel::AppError& failure) {
  return failure.Code() == hr::kAccessDenied || failure.Code() == hr::kLockViolation;
}

ObjectRef CallForObject(AutomationObject& object, std::wstring_view method, std::initializer_list<Variant> args) {
  return ObjectResult(Call(object, method, args), method);
}

// An attribute of a configuration element, through its property object.
Variant Value(AutomationObject& element, std::wstring_view attribute) {
  return CallForObject(element, L"GetPropertyByName", {attribute})->GetProperty(L"Value");
}
std::wstring ValueText(AutomationObject& element, std::wstring_view attribute) {
  return TextResult(Value(element, attribute), attribute);
}
void SetValue(AutomationObject& element, std::wstring_view attribute, const Variant& value) {
  CallForObject(element, L"GetPropertyByName", {attribute})->PutProperty(L"Value", value);
}

ObjectRef CollectionOf(AutomationObject& element) { return ObjectResult(element.GetProperty(L"Collection"), L"Collection"); }

std::int32_t CountOf(AutomationObject& collection) {
  const Variant count = collection.GetProperty(L"Count");
  std::int64_t n = -1;
  if (count.kind() == Variant::Kind::UInt32) n = count.AsUInt32();
  if (count.kind() == Variant::Kind::Int32) n = count.AsInt32();
  if (count.kind() == Variant::Kind::Int16) n = count.AsInt16();
  if (n < 0 || n > INT32_MAX) {
    throw AutomationError(hr::kTypeMismatch, L"Count", L"type mismatch: the value " + Describe(count) + L" is not a count");
  }
  return static_cast<std::int32_t>(n);
}

ObjectRef ItemOf(AutomationObject& collection, std::int32_t index) {
  const Variant args[] = {Variant::I4(index)};
  return ObjectResult(collection.GetIndexed(L"Item", args), L"Item");
}

// The index of the first element whose attribute is `wanted` (compared as IIS compares names).
std::optional<std::int32_t> FindElement(AutomationObject& collection, std::wstring_view attribute,
                                        std::wstring_view wanted) {
  const std::int32_t count = CountOf(collection);
  for (std::int32_t i = 0; i < count; ++i) {
    if (IisNamesEqual(ValueText(*ItemOf(collection, i), attribute), wanted)) return i;
  }
  return std::nullopt;
}

struct Site {
  ObjectRef element;
  std::wstring name;
};

// Where the product's directory lives on a site: an application of its own, or a virtual
// directory of the site's root application.
struct Placement {
  ObjectRef collection;  // the collection holding it
  std::int32_t index;
  ObjectRef element;
  bool application;
};

class AppHostAdmin final : public IisAdmin {
 public:
  AppHostAdmin(ObjectFactory& factory, ObjectRef firstManager, RetryHooks retry)
      : factory_(factory), firstManager_(std::move(firstManager)), retry_(std::move(retry)) {}

  [[nodiscard]] std::wstring_view Description() const override {
    return L"the IIS configuration objects (Microsoft.ApplicationHost.WritableAdminManager)";
  }

  std::vector<WebSite> ListWebSites() override {
    const ObjectRef manager = Manager();
    const ObjectRef sites = SitesCollection(*manager);
    std::vector<WebSite> list;
    const std::int32_t count = CountOf(*sites);
    for (std::int32_t i = 0; i < count; ++i) {
      const ObjectRef site = ItemOf(*sites, i);
      std::wstring number = ValueText(*site, L"id");
      if (!ParseSiteNumber(number)) continue;
      list.push_back({ValueText(*site, L"name"), std::move(number)});
    }
    return list;
  }

  Creation CreateVirtualDir(std::wstring_view siteNumber, std::wstring_view name, std::wstring_view path,
                            bool ours) override {
    const std::wstring urlPath = L"/" + std::wstring(name);
    Creation made;
    const auto failed = Redo([&](AutomationObject& manager, bool redo) {
      const Site site = FindSite(manager, siteNumber);
      if (const auto existing = Locate(site, urlPath)) {
        // An existing directory keeps its settings: only where it points changes, and only when
        // it is the product's own or serves the product's folder already.
        const std::wstring folder = FolderOf(*existing);
        if (!ours && !SameFolder(folder, path)) {
          made = Creation{};
          made.result = Creation::Result::Foreign;
          made.folder = folder;
          return false;
        }
        made = Creation{};
        made.result = Creation::Result::Existing;
        // An attempt that IIS reported as failed may have been stored all the same.
        if (redo && IisNamesEqual(folder, path)) return false;
        ObjectRef directory = existing->element;
        if (existing->application) directory = RootDirectory(*directory, path);
        SetValue(*directory, L"physicalPath", path);
        return true;
      }

      made = Creation{};
      made.result = Creation::Result::Created;
      const ObjectRef applications = CollectionOf(*site.element);
      const ObjectRef application = CallForObject(*applications, L"CreateNewElement", {L"application"});
      SetValue(*application, L"path", urlPath);
      Call(*applications, L"AddElement", {application});
      AddRootDirectory(*application, path);
      ConfigureLocation(manager, std::wstring(kAppHostPath) + L"/" + site.name + urlPath, name);
      return true;
    });
    if (failed) throw *failed;
    return made;
  }

  std::optional<corvanel::AppError> DeleteVirtualDir(std::wstring_view siteNumber, std::wstring_view name) override {
    const std::wstring urlPath = L"/" + std::wstring(name);
    // Nothing left to remove, on the first attempt or a redo, is a removal done.
    const auto refused = Redo([&](AutomationObject& manager, bool) {
      const Site site = FindSite(manager, siteNumber);
      bool changed = false;
      if (const auto placement = Locate(site, urlPath)) {
        Call(*placement->collection, L"DeleteElement", {Variant::I4(placement->index)});
        changed = true;
      }
      return DeleteLocations(manager, site.name + urlPath) || changed;
    });
    if (!refused) return std::nullopt;
    // Read anew: the failed manager still holds the removal it could not store.
    const ObjectRef manager = Manager();
    if (!Locate(FindSite(*manager, siteNumber), urlPath)) return std::nullopt;
    return refused;
  }

  std::optional<std::wstring> FolderOf(std::wstring_view siteNumber, std::wstring_view name) override {
    const ObjectRef manager = Manager();
    const auto placement = Locate(FindSite(*manager, siteNumber), L"/" + std::wstring(name));
    if (!placement) return std::nullopt;
    return FolderOf(*placement);
  }

 private:
  // Every operation works on a manager of its own, so that changes a failed commit left pending
  // never reach a later one.
  ObjectRef Manager() {
    ObjectRef manager = firstManager_ ? std::exchange(firstManager_, nullptr) : factory_.Create(kAppHostProgId);
    // Settings go into location tags of applicationHost.config: the sections the product needs are
    // locked for web.config files, and its folder must not get one.
    manager->PutProperty(L"CommitPath", kAppHostPath);
    return manager;
  }

  static ObjectRef Section(AutomationObject& manager, std::wstring_view section, std::wstring_view path) {
    return CallForObject(manager, L"GetAdminSection", {section, path});
  }

  static ObjectRef SitesCollection(AutomationObject& manager) {
    return CollectionOf(*Section(manager, kSitesSection, kAppHostPath));
  }

  static Site FindSite(AutomationObject& manager, std::wstring_view siteNumber) {
    const ObjectRef sites = SitesCollection(manager);
    const std::int32_t count = CountOf(*sites);
    for (std::int32_t i = 0; i < count; ++i) {
      const ObjectRef site = ItemOf(*sites, i);
      if (SameSiteNumber(ValueText(*site, L"id"), siteNumber)) return {site, ValueText(*site, L"name")};
    }
    throw AutomationError(hr::kPathNotFound, kSitesSection,
                          L"There is no web site with the id " + std::wstring(siteNumber) + L".");
  }

  static std::optional<Placement> Locate(const Site& site, std::wstring_view urlPath) {
    const ObjectRef applications = CollectionOf(*site.element);
    if (const auto index = FindElement(*applications, L"path", urlPath)) {
      return Placement{applications, *index, ItemOf(*applications, *index), true};
    }
    if (const auto root = FindElement(*applications, L"path", L"/")) {
      const ObjectRef directories = CollectionOf(*ItemOf(*applications, *root));
      if (const auto index = FindElement(*directories, L"path", urlPath)) {
        return Placement{directories, *index, ItemOf(*directories, *index), false};
      }
    }
    return std::nullopt;
  }

  static ObjectRef AddRootDirectory(AutomationObject& application, std::wstring_view path) {
    const ObjectRef directories = CollectionOf(application);
    const ObjectRef directory = CallForObject(*directories, L"CreateNewElement", {L"virtualDirectory"});
    SetValue(*directory, L"path", L"/");
    SetValue(*directory, L"physicalPath", path);
    Call(*directories, L"AddElement", {directory});
    return directory;
  }

  // Where a directory points: an application's root directory, or the directory itself; "" when
  // it has no folder.
  static std::wstring FolderOf(const Placement& placement) {
    if (!placement.application) return ValueText(*placement.element, L"physicalPath");
    const ObjectRef directories = CollectionOf(*placement.element);
    const auto root = FindElement(*directories, L"path", L"/");
    return root ? ValueText(*ItemOf(*directories, *root), L"physicalPath") : std::wstring();
  }

  // The application's root directory; an application without one (which IIS cannot serve) gets it.
  static ObjectRef RootDirectory(AutomationObject& application, std::wstring_view path) {
    const ObjectRef directories = CollectionOf(application);
    if (const auto index = FindElement(*directories, L"path", L"/")) return ItemOf(*directories, *index);
    return AddRootDirectory(application, path);
  }

  void ConfigureLocation(AutomationObject& manager, const std::wstring& location, std::wstring_view name) {
    const ObjectRef files = CollectionOf(
        *CallForObject(*Section(manager, L"system.webServer/defaultDocument", location), L"GetElementByName", {L"files"}));
    Call(*files, L"Clear", {});
    const ObjectRef document = CallForObject(*files, L"CreateNewElement", {L"add"});
    SetValue(*document, L"value", L"Default.asp");
    Call(*files, L"AddElement", {document});

    for (const wchar_t* other : {L"anonymousAuthentication", L"windowsAuthentication", L"digestAuthentication"}) {
      SetValue(*Section(manager, L"system.webServer/security/authentication/" + std::wstring(other), location),
               L"enabled", false);
    }
    const ObjectRef basic = Section(manager, L"system.webServer/security/authentication/basicAuthentication", location);
    SetValue(*basic, L"enabled", true);
    SetValue(*basic, L"defaultLogonDomain", LogonDomain(factory_, retry_.log));

    SetValue(*CallForObject(*Section(manager, L"system.webServer/asp", location), L"GetElementByName", {L"session"}),
             L"allowSessionState", true);

    SetNotFoundPage(*CollectionOf(*Section(manager, L"system.webServer/httpErrors", location)), name);
  }

  // The entry in effect for status 404 becomes the product's own page; other entries stay, and
  // without a 404 entry nothing is added.
  static void SetNotFoundPage(AutomationObject& errors, std::wstring_view name) {
    const std::int32_t count = CountOf(errors);
    for (std::int32_t i = 0; i < count; ++i) {
      const ObjectRef entry = ItemOf(errors, i);
      if (ValueText(*entry, L"statusCode") != L"404" || ValueText(*entry, L"subStatusCode") != L"-1") continue;
      Call(errors, L"DeleteElement", {Variant::I4(i)});
      const ObjectRef page = CallForObject(errors, L"CreateNewElement", {L"error"});
      SetValue(*page, L"statusCode", Variant::UI4(404));
      SetValue(*page, L"path", L"/" + std::wstring(name) + L"/AT2.asp");
      SetValue(*page, L"responseMode", L"ExecuteURL");
      Call(errors, L"AddElement", {page});
      return;
    }
  }

  // Removes every location tag for `path` ("<site name>/<name>"); true when there was one.
  static bool DeleteLocations(AutomationObject& manager, const std::wstring& path) {
    const ObjectRef configFile = CallForObject(*ObjectResult(manager.GetProperty(L"ConfigManager"), L"ConfigManager"),
                                               L"GetConfigFile", {kAppHostPath});
    const ObjectRef locations = ObjectResult(configFile->GetProperty(L"Locations"), L"Locations");
    bool removed = false;
    for (std::int32_t i = CountOf(*locations) - 1; i >= 0; --i) {
      const Variant locationPath = ItemOf(*locations, i)->GetProperty(L"Path");
      if (locationPath.kind() == Variant::Kind::Text && IisNamesEqual(locationPath.AsText(), path)) {
        Call(*locations, L"DeleteLocation", {Variant::I4(i)});
        removed = true;
      }
    }
    return removed;
  }

  // Makes one change and stores it in one commit. A manager whose commit failed keeps the file it
  // read, and after another tool's commit every later commit of it fails too ("the file has
  // changed on disk", with no documented code): so the whole change is redone, read and decided
  // again on a fresh manager. `change(manager, redo)` makes the change and says whether there is
  // anything to store; on a redo it may find its work already done. The last failure, if any.
  template <typename Change>
  std::optional<corvanel::AppError> Redo(Change change) {
    for (int attempt = 1;; ++attempt) {
      const ObjectRef manager = Manager();
      if (!change(*manager, attempt > 1)) return std::nullopt;
      auto failed = Suppressed([&] { Call(*manager, L"CommitChanges", {}); });
      if (!failed) return std::nullopt;
      const bool last = Final(*failed) || attempt == kAttempts;
      if (retry_.log) {
        retry_.log(L"Storing the change failed (attempt " + std::to_wstring(attempt) + L" of " +
                   std::to_wstring(kAttempts) + L"): " + OneLineErrorText(*failed) +
                   (last ? L"." : L"; it is made again from a fresh read."));
      }
      if (last) return failed;
      if (retry_.pause) retry_.pause(attempt);
    }
  }

  ObjectFactory& factory_;
  ObjectRef firstManager_;
  RetryHooks retry_;
};

}  // namespace

std::unique_ptr<IisAdmin> MakeAppHostAdmin(ObjectFactory& factory, ObjectRef firstManager, RetryHooks retry) {
  return std::make_unique<AppHostAdmin>(factory, std::move(firstManager), std::move(retry));
}

}  // namespace vardock
