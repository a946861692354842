#include "iis_objects.h"

#include <algorithm>

#include "iis_standin/model/vocabulary.h"
#include "apphost_objects.h"
#include "iis_schema.h"

namespace iis_standin {

namespace {

// The texts Windows gives for these codes, so that the model reads like the real objects.
[[noreturn]] void ThrowPathNotFound(std::wstring_view member) {
  throw AutomationError(hr::kPathNotFound, member, L"The system cannot find the path specified.");
}
[[noreturn]] void ThrowUnknownName(std::wstring_view member) {
  throw AutomationError(hr::kUnknownName, member, L"Unknown name.");
}

void CheckCount(std::span<const Variant> args, std::size_t count, std::wstring_view member) {
  if (args.size() != count) throw AutomationError(hr::kBadParamCount, member, L"Invalid number of parameters.");
}

// A key name or class: text, or a number as its decimal text as automation would convert it.
std::wstring NameArg(const Variant& arg, std::wstring_view member) {
  if (arg.kind() == Variant::Kind::Text || arg.kind() == Variant::Kind::Int16) return arg.ToText();
  throw AutomationError(hr::kTypeMismatch, member, L"Type mismatch: " + Describe(arg) + L" is not a name");
}

const Variant& TypedArg(std::span<const Variant> args, Variant::Kind kind, std::wstring_view member) {
  CheckCount(args, 1, member);
  if (args[0].kind() != kind) {
    throw AutomationError(hr::kTypeMismatch, member, L"Type mismatch: " + Describe(args[0]));
  }
  return args[0];
}

const ClassInfo& ClassOrPlain(std::wstring_view name) {
  if (const ClassInfo* info = FindClass(name)) return *info;
  return *FindClass(L"IIsComputer");
}

// One key of the configuration, or a new one that its SetInfo will store. The key is found by
// its path on every call, so an object whose key was deleted fails cleanly.
class NodeObject final : public IisObject {
 public:
  NodeObject(std::shared_ptr<IisConfig> config, ConfigPath path, std::wstring className, bool stored)
      : config_(std::move(config)),
        path_(std::move(path)),
        className_(std::move(className)),
        info_(ClassOrPlain(className_)),
        stored_(stored) {}

  [[nodiscard]] std::vector<MemberInfo> Members() const override {
    std::vector<MemberInfo> members;
    for (const PropertyInfo& property : info_.properties) members.push_back({property.name, false});
    for (std::wstring_view method : kContainerMethods) members.push_back({method, true});
    if (info_.application) {
      for (std::wstring_view method : kApplicationMethods) {
        if (method == L"AppCreate2" && config_->failures.appCreate2Unknown) continue;
        members.push_back({method, true});
      }
    }
    return members;
  }

  Variant GetProperty(std::wstring_view name) override {
    const PropertyInfo& property = Property(name);
    if (property.name == L"Class") return className_;
    if (property.name == L"Name") return path_.back();
    if (const Variant* value = Pending(property.name)) return *value;
    if (stored_) {
      if (const Variant* value = Resolve(name).FindProperty(property.name)) return *value;
    }
    if (property.inherited) {
      for (std::size_t length = path_.size() - 1; length > 0; --length) {
        const ConfigNode* parent = config_->Find(ConfigPath(path_.begin(), path_.begin() + length));
        if (parent == nullptr) continue;
        if (const Variant* value = parent->FindProperty(property.name)) return *value;
      }
      if (property.name == L"HttpErrors") return DefaultHttpErrors();
    }
    throw AutomationError(hr::kPropertyNotFound, name, L"The directory property cannot be found in the cache.");
  }

  void PutProperty(std::wstring_view name, const Variant& value) override {
    const PropertyInfo& property = Property(name);
    if (property.readOnly) {
      throw AutomationError(hr::kMemberNotFound, name, std::wstring(property.name) + L" cannot be written.");
    }
    CheckType(property, value);
    SetPending(property.name, value);
  }

  Variant CallMethod(std::wstring_view name, std::span<const Variant> args) override {
    const auto members = Members();
    const auto found =
        std::ranges::find_if(members, [&](const MemberInfo& m) { return m.method && IisNamesEqual(m.name, name); });
    if (found == members.end()) ThrowUnknownName(name);
    const std::wstring_view method = found->name;
    if (method == L"SetInfo") {
      CheckCount(args, 0, name);
      SetInfo();
      return {};
    }
    if (method == L"AppCreate2") return AppCreate(name, TypedArg(args, Variant::Kind::Int16, name).AsInt16());
    if (method == L"AppCreate") {
      const bool inProcess = TypedArg(args, Variant::Kind::Bool, name).AsBool();
      if (config_->failures.appCreateFails) throw AutomationError(hr::kFail, name, L"Unspecified error");
      return AppCreate(name, inProcess ? 0 : 1);
    }
    CheckCount(args, 2, name);
    const std::wstring className = NameArg(args[0], name);
    const std::wstring childName = NameArg(args[1], name);
    if (method == L"GetObject") return GetObject(name, className, childName);
    if (method == L"Create") return Create(name, className, childName);
    Delete(name, className, childName);
    return {};
  }

  std::vector<Variant> Children() override {
    std::vector<Variant> children;
    if (!stored_) return children;
    for (const auto& child : Resolve(L"_NewEnum").children) {
      if (!DeletionPending(child->name)) children.emplace_back(Child(*child));
    }
    return children;
  }

 private:
  const PropertyInfo& Property(std::wstring_view name) const {
    const PropertyInfo* property = FindProperty(info_, name);
    if (property == nullptr) ThrowUnknownName(name);
    return *property;
  }

  ConfigNode& Resolve(std::wstring_view member) const {
    ConfigNode* node = stored_ ? config_->Find(path_) : nullptr;
    if (node == nullptr) ThrowPathNotFound(member);
    return *node;
  }

  // This object answers from what it holds: a child it was told to delete is gone for it at once,
  // while every other object still sees it until SetInfo stores the deletion.
  bool DeletionPending(std::wstring_view childName) const {
    return std::ranges::any_of(deletions_, [&](const std::wstring& held) { return IisNamesEqual(held, childName); });
  }
  const ConfigNode* FindChild(std::wstring_view member, std::wstring_view childName) const {
    const ConfigNode* child = Resolve(member).FindChild(childName);
    return child != nullptr && !DeletionPending(child->name) ? child : nullptr;
  }

  const Variant* Pending(std::wstring_view name) const {
    for (const auto& [key, value] : pending_) {
      if (key == name) return &value;
    }
    return nullptr;
  }

  void SetPending(std::wstring_view name, Variant value) {
    for (auto& [key, held] : pending_) {
      if (key == name) {
        held = std::move(value);
        return;
      }
    }
    pending_.emplace_back(std::wstring(name), std::move(value));
  }

  ObjectRef Child(const ConfigNode& child) const {
    ConfigPath path = path_;
    path.push_back(child.name);
    return std::make_shared<NodeObject>(config_, std::move(path), child.keyType, true);
  }

  ObjectRef GetObject(std::wstring_view member, std::wstring_view className, std::wstring_view childName) const {
    const ConfigNode* child = FindChild(member, childName);
    if (child == nullptr || !IisNamesEqual(child->keyType, className)) ThrowPathNotFound(member);
    return Child(*child);
  }

  ObjectRef Create(std::wstring_view member, std::wstring_view className, std::wstring_view childName) const {
    const ConfigNode& node = Resolve(member);
    if (config_->failures.createFails) throw AutomationError(hr::kAccessDenied, member, L"Access is denied.");
    const ClassInfo* info = FindClass(className);
    if (info == nullptr) {
      throw AutomationError(hr::kUnknownObject, member, L"An unknown directory object was requested.");
    }
    if (childName.empty() || childName.find_first_of(L"/\\") != std::wstring_view::npos) {
      throw AutomationError(hr::kInvalidName, member,
                            L"The filename, directory name, or volume label syntax is incorrect.");
    }
    if (node.FindChild(childName) != nullptr) {
      throw AutomationError(hr::kAlreadyExists, member, L"Cannot create a file when that file already exists.");
    }
    ConfigPath path = path_;
    path.emplace_back(childName);
    return std::make_shared<NodeObject>(config_, std::move(path), std::wstring(info->name), false);
  }

  // Held on this object until its SetInfo stores it.
  void Delete(std::wstring_view member, std::wstring_view className, std::wstring_view childName) {
    const ConfigNode* child = FindChild(member, childName);
    if (child == nullptr || !IisNamesEqual(child->keyType, className)) ThrowPathNotFound(member);
    if (config_->failures.deleteFails) throw AutomationError(hr::kAccessDenied, member, L"Access is denied.");
    deletions_.push_back(child->name);
  }

  void SetInfo() {
    if ((config_->failures.setInfoFails && info_.name == L"IIsWebVirtualDir" && Pending(L"Path") != nullptr) ||
        (config_->failures.deletionSetInfoFails && !deletions_.empty())) {
      throw AutomationError(hr::kDiskFull, L"SetInfo", L"There is not enough space on the disk.");
    }
    ConfigNode* node = nullptr;
    if (stored_) {
      node = &Resolve(L"SetInfo");
    } else {
      ConfigNode* parent = config_->Find(ConfigPath(path_.begin(), path_.end() - 1));
      if (parent == nullptr) ThrowPathNotFound(L"SetInfo");
      if (parent->FindChild(path_.back()) != nullptr) {
        throw AutomationError(hr::kAlreadyExists, L"SetInfo", L"Cannot create a file when that file already exists.");
      }
      node = &parent->AddChild(path_.back(), className_);
      stored_ = true;
    }
    for (auto& [name, value] : pending_) node->SetProperty(name, std::move(value));
    pending_.clear();
    for (const std::wstring& child : deletions_) node->RemoveChild(child);
    deletions_.clear();
    config_->Changed();
  }

  // Makes the directory an application: 0 in-process, 1 isolated, 2 pooled. Held until SetInfo.
  Variant AppCreate(std::wstring_view member, std::int16_t mode) {
    if (mode < 0 || mode > 2) throw AutomationError(hr::kInvalidArg, member, L"The parameter is incorrect.");
    SetPending(L"AppRoot", L"/LM/" + JoinConfigPath(path_));
    SetPending(L"AppIsolated", mode);
    return {};
  }

  std::shared_ptr<IisConfig> config_;
  ConfigPath path_;
  std::wstring className_;
  const ClassInfo& info_;
  bool stored_;
  std::vector<std::pair<std::wstring, Variant>> pending_;
  std::vector<std::wstring> deletions_;
};

class NamespaceObject final : public IisObject {
 public:
  explicit NamespaceObject(ConfigLoader load) : load_(std::move(load)) {}

  [[nodiscard]] std::vector<MemberInfo> Members() const override { return {{L"GetObject", true}}; }
  Variant GetProperty(std::wstring_view name) override { ThrowUnknownName(name); }
  void PutProperty(std::wstring_view name, const Variant&) override { ThrowUnknownName(name); }
  std::vector<Variant> Children() override { return {}; }

  // GetObject(class, "<machine>/<path>"): the local machine only.
  Variant CallMethod(std::wstring_view name, std::span<const Variant> args) override {
    if (!IisNamesEqual(name, L"GetObject")) ThrowUnknownName(name);
    CheckCount(args, 2, name);
    const std::wstring className = NameArg(args[0], name);
    ConfigPath path = SplitConfigPath(NameArg(args[1], name));
    if (path.empty() || !(IisNamesEqual(path[0], L"localhost") || path[0] == L"127.0.0.1" || path[0] == L".")) {
      throw AutomationError(hr::kBadNetPath, name, L"The network path was not found.");
    }
    path.erase(path.begin());
    if (!config_) config_ = load_();
    if (path.empty() || (config_->failures.noWebService && IisNamesEqual(path[0], L"W3SVC"))) ThrowPathNotFound(name);
    // The object's path uses the stored spelling of each key.
    ConfigPath stored;
    const ConfigNode* node = &config_->machine;
    for (const auto& segment : path) {
      node = node->FindChild(segment);
      if (node == nullptr) ThrowPathNotFound(name);
      stored.push_back(node->name);
    }
    if (!IisNamesEqual(node->keyType, className)) ThrowPathNotFound(name);
    return ObjectRef(std::make_shared<NodeObject>(config_, std::move(stored), node->keyType, true));
  }

 private:
  ConfigLoader load_;
  std::shared_ptr<IisConfig> config_;
};

class SystemInfoObject final : public IisObject {
 public:
  SystemInfoObject(std::wstring domain, bool fails) : domain_(std::move(domain)), fails_(fails) {}
  [[nodiscard]] std::vector<MemberInfo> Members() const override { return {{L"DomainName", false}}; }
  Variant GetProperty(std::wstring_view name) override {
    if (!IisNamesEqual(name, L"DomainName")) ThrowUnknownName(name);
    if (fails_) {
      throw AutomationError(hr::kNoSuchDomain, name,
                            L"The specified domain either does not exist or could not be contacted.");
    }
    return domain_;
  }
  void PutProperty(std::wstring_view name, const Variant&) override {
    if (!IisNamesEqual(name, L"DomainName")) ThrowUnknownName(name);
    throw AutomationError(hr::kMemberNotFound, name, L"DomainName cannot be written.");
  }
  Variant CallMethod(std::wstring_view name, std::span<const Variant>) override { ThrowUnknownName(name); }
  std::vector<Variant> Children() override { return {}; }

 private:
  std::wstring domain_;
  bool fails_;
};

}  // namespace

std::shared_ptr<IisObject> MakeIisNamespace(ConfigLoader load) {
  return std::make_shared<NamespaceObject>(std::move(load));
}

std::shared_ptr<IisObject> MakeSystemInfo(std::shared_ptr<const IisConfig> config) {
  if (config->failures.noSystemInfo) {
    throw AutomationError(hr::kClassNotRegistered, L"WinNTSystemInfo", L"Class not registered");
  }
  return std::make_shared<SystemInfoObject>(config->domainName, config->failures.domainNameFails);
}

ObjectRef MemoryObjectFactory::Create(std::wstring_view progId) {
  if (IisNamesEqual(progId, L"IISNamespace")) {
    if (!config_) throw AutomationError(hr::kClassNotRegistered, progId, L"Class not registered");
    return MakeIisNamespace([config = config_] { return config; });
  }
  if (IisNamesEqual(progId, L"WinNTSystemInfo")) return MakeSystemInfo(config_ ? config_ : std::make_shared<IisConfig>());
  if (IisNamesEqual(progId, kAdminManagerProgId)) return MakeAdminManager(apphost_);
  throw AutomationError(hr::kInvalidClassString, progId, L"Invalid class string");
}

}  // namespace iis_standin
