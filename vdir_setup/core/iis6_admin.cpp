#include "iis6_admin.h"

#include <utility>

#include "error_text.h"
#include "suppress_errors.h"

namespace vardock {

namespace {

// The entry IIS serves for status 404 becomes the product's own page; other entries stay.
void SetNotFoundPage(std::vector<Variant>& errors, std::wstring_view name) {
  for (Variant& entry : errors) {
    if (entry.kind() == Variant::Kind::Text && entry.AsText().starts_with(L"404,")) {
      entry = L"404,*,URL,/" + std::wstring(name) + L"/AT2.asp";
      return;
    }
  }
}

class Iis6Admin final : public IisAdmin {
 public:
  Iis6Admin(ObjectFactory& factory, ObjectRef firstNamespace, RetryHooks hooks)
      : factory_(factory), firstNamespace_(std::move(firstNamespace)), hooks_(std::move(hooks)) {}

  [[nodiscard]] std::wstring_view Description() const override {
    return L"the IIS 6 administration objects (IISNamespace)";
  }

  std::vector<WebSite> ListWebSites() override { return vardock::ListWebSites(*Namespace()); }

  Creation CreateVirtualDir(std::wstring_view site, std::wstring_view name, std::wstring_view path,
                            bool ours) override {
    const ObjectRef root = SiteRoot(*Namespace(), site);

    Creation made;
    ObjectRef directory;
    const bool existing = !Suppressed([&] { directory = GetChild(*root, kVirtualDirClass, name); });
    if (existing) {
      // A directory the product's record does not name belongs to someone else, unless it
      // already serves the product's folder.
      if (!ours) {
        std::wstring folder;
        Suppressed([&] { folder = PropertyText(*directory, L"Path"); });
        if (!SameFolder(folder, path)) {
          made.result = Creation::Result::Foreign;
          made.folder = std::move(folder);
          return made;
        }
      }
      made.result = Creation::Result::Existing;
    } else {
      made.failure = Suppressed([&] { directory = Call(*root, L"Create", {kVirtualDirClass, name}).AsObject(); });
      if (made.failure) return made;
      made.result = Creation::Result::Created;
    }

    try {
      if (made.result == Creation::Result::Created) Configure(*directory, name, made);
      directory->PutProperty(L"Path", path);
      Call(*directory, L"SetInfo", {});
    } catch (const corvanel::AppError&) {
      if (made.result == Creation::Result::Created) RemoveAgain(*root, site, name);
      throw;
    }
    return made;
  }

  std::optional<corvanel::AppError> DeleteVirtualDir(std::wstring_view site, std::wstring_view name) override {
    const ObjectRef root = SiteRoot(*Namespace(), site);
    auto refused = Suppressed([&] { Call(*root, L"Delete", {kVirtualDirClass, name}); });
    if (!refused) refused = Suppressed([&] { Call(*root, L"SetInfo", {}); });
    if (!refused) return std::nullopt;
    // A directory that is already gone counts as removed; one that IIS would not remove does not.
    // The root answers from what it holds, the deletion it could not store included: only objects
    // obtained anew tell what IIS keeps.
    const ObjectRef freshRoot = SiteRoot(*factory_.Create(kIis6ProgId), site);
    if (Suppressed([&] { GetChild(*freshRoot, kVirtualDirClass, name); })) return std::nullopt;
    return refused;
  }

  std::optional<std::wstring> FolderOf(std::wstring_view site, std::wstring_view name) override {
    const ObjectRef root = SiteRoot(*Namespace(), site);
    ObjectRef directory;
    if (const auto failed = Suppressed([&] { directory = GetChild(*root, kVirtualDirClass, name); })) {
      if (failed->Code() == hr::kPathNotFound) return std::nullopt;
      throw *failed;
    }
    std::wstring folder;
    Suppressed([&] { folder = PropertyText(*directory, L"Path"); });
    return folder;
  }

 private:
  void Log(std::wstring_view line) const {
    if (hooks_.log) hooks_.log(line);
  }

  // The product's settings on a directory this run created.
  void Configure(AutomationObject& directory, std::wstring_view name, Creation& made) {
    directory.PutProperty(L"keytype", kVirtualDirClass);
    directory.PutProperty(L"DefaultDoc", L"Default.asp");
    directory.PutProperty(L"AuthFlags", std::int16_t{2});
    directory.PutProperty(L"DefaultLogonDomain", LogonDomain(factory_, hooks_.log));
    if (const auto pooled = Suppressed([&] { Call(directory, L"AppCreate2", {std::int16_t{2}}); })) {
      Log(L"AppCreate2 failed (" + OneLineErrorText(*pooled) + L"): the application is made in-process (AppCreate).");
      made.notApplication = Suppressed([&] { Call(directory, L"AppCreate", {true}); });
    }
    directory.PutProperty(L"appfriendlyName", name);
    directory.PutProperty(L"AspAllowSessionState", true);
    Call(directory, L"SetInfo", {});
    std::vector<Variant> errors = PropertyArray(directory, L"HttpErrors");
    SetNotFoundPage(errors, name);
    directory.PutProperty(L"HttpErrors", std::move(errors));
    Call(directory, L"SetInfo", {});
  }

  // A creation that failed half-way: the directory this run made goes again, whatever of it IIS
  // had stored.
  void RemoveAgain(AutomationObject& root, std::wstring_view site, std::wstring_view name) {
    auto failed = Suppressed([&] { Call(root, L"Delete", {kVirtualDirClass, name}); });
    // Never stored (the first SetInfo failed): there is nothing to remove.
    if (failed && failed->Code() == hr::kPathNotFound) return;
    if (!failed) failed = Suppressed([&] { Call(root, L"SetInfo", {}); });
    Log(failed ? L"The Virtual Directory " + Quoted(name) + L" that this run began on web site " + std::wstring(site) +
                     L" could not be removed again: " + OneLineErrorText(*failed) + L"."
               : L"The Virtual Directory " + Quoted(name) + L" that this run began on web site " + std::wstring(site) +
                     L" was removed again.");
  }

  // Every operation starts from a namespace object of its own, as each did before the choice.
  ObjectRef Namespace() {
    if (firstNamespace_) return std::exchange(firstNamespace_, nullptr);
    return factory_.Create(kIis6ProgId);
  }

  ObjectFactory& factory_;
  ObjectRef firstNamespace_;
  RetryHooks hooks_;
};

}  // namespace

std::unique_ptr<IisAdmin> MakeIis6Admin(ObjectFactory& factory, ObjectRef firstNamespace, RetryHooks hooks) {
  return std::make_unique<Iis6Admin>(factory, std::move(firstNamespace), std::move(hooks));
}

}  // namespace vardock
