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

#include "vdir_setup/core/automation.h"
#include "iis_config.h"

namespace vardock {

struct MemberInfo {
  std::wstring_view name;
  bool method = false;
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

// Creates the model's objects by programmatic identifier over one shared configuration.
class MemoryObjectFactory final : public ObjectFactory {
 public:
  explicit MemoryObjectFactory(std::shared_ptr<IisConfig> config) : config_(std::move(config)) {}
  ObjectRef Create(std::wstring_view progId) override;
  [[nodiscard]] IisConfig& config() const { return *config_; }

 private:
  std::shared_ptr<IisConfig> config_;
};

}  // namespace vardock
