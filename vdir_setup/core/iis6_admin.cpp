#include "iis6_admin.h"

#include <utility>

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
  Iis6Admin(ObjectFactory& factory, ObjectRef firstNamespace)
      : factory_(factory), firstNamespace_(std::move(firstNamespace)) {}

  [[nodiscard]] std::wstring_view Description() const override {
    return L"the IIS 6 administration objects (IISNamespace)";
  }

  std::vector<WebSite> ListWebSites() override { return vardock::ListWebSites(*Namespace()); }

  bool CreateVirtualDir(std::wstring_view site, std::wstring_view name, std::wstring_view path) override {
    const ObjectRef root = SiteRoot(*Namespace(), site);

    ObjectRef directory;
    const bool existing = !Suppressed([&] { directory = GetChild(*root, kVirtualDirClass, name); });
    const bool created = !existing && !Suppressed([&] {
      directory = Call(*root, L"Create", {kVirtualDirClass, name}).AsObject();
    });
    if (!existing && !created) return false;

    if (created) {
      directory->PutProperty(L"keytype", kVirtualDirClass);
      directory->PutProperty(L"DefaultDoc", L"Default.asp");
      directory->PutProperty(L"AuthFlags", std::int16_t{2});
      directory->PutProperty(L"DefaultLogonDomain", LogonDomain(factory_));
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
    directory->PutProperty(L"Path", path);
    Call(*directory, L"SetInfo", {});
    return true;
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

 private:
  // Every operation starts from a namespace object of its own, as each did before the choice.
  ObjectRef Namespace() {
    if (firstNamespace_) return std::exchange(firstNamespace_, nullptr);
    return factory_.Create(kIis6ProgId);
  }

  ObjectFactory& factory_;
  ObjectRef firstNamespace_;
};

}  // namespace

std::unique_ptr<IisAdmin> MakeIis6Admin(ObjectFactory& factory, ObjectRef firstNamespace) {
  return std::make_unique<Iis6Admin>(factory, std::move(firstNamespace));
}

}  // namespace vardock
