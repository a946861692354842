#pragma once
// The IIS administration objects over the in-memory configuration: the namespace
// ("IISNamespace"), the keys below it (web service, sites, directories...) and the system
// information object ("WinNTSystemInfo"). They fail where IIS fails: a missing key cannot be
// looked up or deleted, an existing one cannot be created, and changes to a key are held on its
// object until SetInfo stores them.
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "iis_standin/model/vocabulary.h"
#include "apphost_store.h"
#include "iis_config.h"

namespace iis_standin {

struct MemberInfo {
  std::wstring_view name;
  bool method = false;
  bool indexed = false;  // a property that takes arguments, such as a collection's Item(index)
};

// An object of the model, which can also list the members it answers to (for an IDispatch
// server to number them).
class IisObject : public AutomationObject {
 public:
  [[nodiscard]] virtual std::vector<MemberInfo> Members() const = 0;
};

// The namespace loads its configuration at its first GetObject, so that a load error reaches the
// caller as the error of a member call; every object obtained from it shares that configuration.
using ConfigLoader = std::function<std::shared_ptr<IisConfig>()>;
std::shared_ptr<IisObject> MakeIisNamespace(ConfigLoader load);
// Fails as a class that is not registered when the configuration says so.
std::shared_ptr<IisObject> MakeSystemInfo(std::shared_ptr<const IisConfig> config);

// Creates the model's objects by programmatic identifier: IIS 6's over one shared configuration,
// IIS 7+'s "Microsoft.ApplicationHost.WritableAdminManager" over an applicationHost.config in
// memory (a fresh IIS 10 until the first commit). Without an IIS 6 configuration, "IISNamespace"
// is not registered, as on a server without IIS 6 compatibility.
class MemoryObjectFactory final : public ObjectFactory {
 public:
  explicit MemoryObjectFactory(std::shared_ptr<IisConfig> config,
                               std::shared_ptr<apphost::MemoryApphostStore> apphost =
                                   std::make_shared<apphost::MemoryApphostStore>())
      : config_(std::move(config)), apphost_(std::move(apphost)) {}
  ObjectRef Create(std::wstring_view progId) override;
  // Only with an IIS 6 configuration.
  [[nodiscard]] IisConfig& config() const { return *config_; }
  [[nodiscard]] apphost::MemoryApphostStore& apphost() const { return *apphost_; }

 private:
  std::shared_ptr<IisConfig> config_;
  std::shared_ptr<apphost::MemoryApphostStore> apphost_;
};

}  // namespace iis_standin
