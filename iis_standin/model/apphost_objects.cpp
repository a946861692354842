#include "apphost_objects.h"

#include <algorithm>
#include <optional>

#include "common/core/app_error.h"
#include "iis_standin/model/vocabulary.h"
#include "apphost_config.h"

namespace iis_standin {

using namespace apphost;

namespace {

// One manager's file: read at the first call that needs it, changed in memory, written by CommitChanges.
struct Session {
  std::shared_ptr<ApphostStore> store;
  std::optional<ApphostConfig> config;
  std::optional<std::string> readBytes;  // the file as this manager read it; nullopt: no file yet
  std::wstring commitPath{kAppHostPath};
  bool dirty = false;
  bool webConfigChanges = false;  // changes that IIS would write to a web.config file

  ApphostFaults Faults() const { return store->Faults(); }

  ApphostConfig& Config() {
    if (config) return *config;
    const std::wstring cannotRead = L"Cannot read configuration file";
    if (Faults().unreadable) throw corvanel::AppError(L"", cannotRead + L": " + store->Name(), hr::kInvalidData);
    const auto bytes = store->Read();
    readBytes = bytes;
    try {
      config = bytes ? ApphostConfig(ParseXml(*bytes)) : ApphostConfig::Fresh();
    } catch (const corvanel::AppError& e) {
      throw corvanel::AppError(L"", cannotRead + L": " + store->Name() + L", " + e.Message(), e.Code());
    }
    if (const std::wstring root = config->xml().Root().name; root != L"configuration") {
      config.reset();
      throw corvanel::AppError(
          L"", cannotRead + L": " + store->Name() + L", the root element is <" + root + L">, not <configuration>",
          hr::kInvalidData);
    }
    return *config;
  }

  void Changed(bool webConfig) {
    dirty = true;
    webConfigChanges = webConfigChanges || webConfig;
  }
};

enum class Kind { Property, Indexed, Method };

struct Member {
  std::wstring_view name;
  Kind kind;
};

[[noreturn]] void ThrowUnknownName(std::wstring_view member) {
  throw AutomationError(hr::kUnknownName, member, L"Unknown name.");
}

void CheckCount(std::span<const Variant> args, std::size_t least, std::size_t most, std::wstring_view member) {
  if (args.size() < least || args.size() > most) {
    throw AutomationError(hr::kBadParamCount, member, L"Invalid number of parameters.");
  }
}

const std::wstring& TextArg(const Variant& arg, std::wstring_view member) {
  if (arg.kind() != Variant::Kind::Text) {
    throw AutomationError(hr::kTypeMismatch, member, L"Type mismatch: " + Describe(arg) + L" is not a string");
  }
  return arg.AsText();
}

std::int64_t NumberArg(const Variant& arg, std::wstring_view member) {
  switch (arg.kind()) {
    case Variant::Kind::Int16: return arg.AsInt16();
    case Variant::Kind::Int32: return arg.AsInt32();
    case Variant::Kind::UInt32: return arg.AsUInt32();
    default: throw AutomationError(hr::kTypeMismatch, member, L"Type mismatch: " + Describe(arg) + L" is not a number");
  }
}

std::size_t IndexArg(const Variant& arg, std::size_t count, std::wstring_view member) {
  const std::int64_t index = NumberArg(arg, member);
  if (index < 0 || static_cast<std::uint64_t>(index) >= count) {
    throw AutomationError(hr::kInvalidArg, member,
                          L"Invalid index " + std::to_wstring(index) + L": the collection has " +
                              std::to_wstring(count) + L" entries");
  }
  return static_cast<std::size_t>(index);
}

// The members by kind, found without case; errors of the document get the member as context.
class ApphostObject : public IisObject {
 public:
  [[nodiscard]] std::vector<MemberInfo> Members() const override {
    std::vector<MemberInfo> members;
    for (const Member& member : Table()) {
      members.push_back({member.name, member.kind == Kind::Method, member.kind == Kind::Indexed});
    }
    return members;
  }
  Variant GetProperty(std::wstring_view name) override {
    return Guard(name, [&] { return Get(Find(name, Kind::Property)); });
  }
  Variant GetIndexed(std::wstring_view name, std::span<const Variant> args) override {
    return Guard(name, [&] { return Indexed(Find(name, Kind::Indexed), args); });
  }
  void PutProperty(std::wstring_view name, const Variant& value) override {
    Guard(name, [&] {
      Put(Find(name, Kind::Property), value);
      return Variant();
    });
  }
  Variant CallMethod(std::wstring_view name, std::span<const Variant> args) override {
    return Guard(name, [&] { return Call(Find(name, Kind::Method), args); });
  }
  std::vector<Variant> Children() override { return {}; }

 protected:
  [[nodiscard]] virtual std::span<const Member> Table() const = 0;
  virtual Variant Get(std::wstring_view member) { ThrowUnknownName(member); }
  virtual Variant Indexed(std::wstring_view member, std::span<const Variant>) { ThrowUnknownName(member); }
  virtual void Put(std::wstring_view member, const Variant&) {
    throw AutomationError(hr::kMemberNotFound, member, std::wstring(member) + L" cannot be written.");
  }
  virtual Variant Call(std::wstring_view member, std::span<const Variant>) { ThrowUnknownName(member); }

 private:
  // The member's own spelling. A property with arguments asked for without them, or the other
  // way round, is a wrong number of arguments, as IDispatch says.
  std::wstring_view Find(std::wstring_view name, Kind kind) const {
    for (const Member& member : Table()) {
      if (!IisNamesEqual(member.name, name)) continue;
      if (member.kind == kind) return member.name;
      if (member.kind != Kind::Method && kind != Kind::Method) {
        throw AutomationError(hr::kBadParamCount, name, L"Invalid number of parameters.");
      }
    }
    ThrowUnknownName(name);
  }

  template <typename F>
  static Variant Guard(std::wstring_view member, F&& body) {
    try {
      return body();
    } catch (const corvanel::AppError& e) {
      if (!e.Context().empty()) throw;
      throw AutomationError(e.Code(), member, e.Reason());
    }
  }
};

class ElementObject;

class PropertyObject final : public ApphostObject {
 public:
  PropertyObject(std::shared_ptr<ElementObject> element, const AttributeSchema& attribute)
      : element_(std::move(element)), attribute_(attribute) {}

 protected:
  std::span<const Member> Table() const override {
    static constexpr Member kMembers[] = {{L"Name", Kind::Property}, {L"Value", Kind::Property}};
    return kMembers;
  }
  Variant Get(std::wstring_view member) override;
  void Put(std::wstring_view member, const Variant& value) override;

 private:
  std::shared_ptr<ElementObject> element_;
  const AttributeSchema& attribute_;
};

class CollectionObject;

// An element: a section, a child element, a collection entry, or a new element not yet added.
class ElementObject final : public ApphostObject, public std::enable_shared_from_this<ElementObject> {
 public:
  ElementObject(std::shared_ptr<Session> session, Place place, std::wstring name, bool webConfig)
      : session_(std::move(session)), place_(std::move(place)), name_(std::move(name)), webConfig_(webConfig) {}

  Session& session() const { return *session_; }
  [[nodiscard]] const std::shared_ptr<Session>& sessionRef() const { return session_; }
  Place& place() { return place_; }
  [[nodiscard]] bool webConfig() const { return webConfig_; }
  // The element made by CreateNewElement, while it is in no collection.
  [[nodiscard]] std::shared_ptr<NewElement> Unadded() const {
    return place_.detached && place_.steps.empty() && !place_.detached->added ? place_.detached : nullptr;
  }

 protected:
  std::span<const Member> Table() const override {
    static constexpr Member kMembers[] = {{L"Name", Kind::Property},
                                          {L"GetPropertyByName", Kind::Method},
                                          {L"GetElementByName", Kind::Method},
                                          {L"Collection", Kind::Property}};
    return kMembers;
  }

  Variant Get(std::wstring_view member) override;

  Variant Call(std::wstring_view member, std::span<const Variant> args) override {
    CheckCount(args, 1, 1, member);
    const std::wstring& name = TextArg(args[0], member);
    const ElementSchema& schema = SchemaOf(place_);
    if (member == L"GetPropertyByName") {
      const AttributeSchema* attribute = FindAttribute(schema, name);
      if (attribute == nullptr) {
        throw AutomationError(hr::kInvalidArg, member,
                              L"Unrecognized attribute '" + name + L"' of the element '" + name_ + L"'");
      }
      return ObjectRef(std::make_shared<PropertyObject>(shared_from_this(), *attribute));
    }
    const ChildSchema* child = FindChild(schema, name);
    if (child == nullptr) {
      throw AutomationError(hr::kInvalidArg, member, L"Unrecognized element '" + name + L"' in the element '" + name_ + L"'");
    }
    Place place = place_;
    place.steps.push_back(Step{false, std::wstring(child->name), {}});
    return ObjectRef(std::make_shared<ElementObject>(session_, std::move(place), std::wstring(child->name), webConfig_));
  }

 private:
  std::shared_ptr<Session> session_;
  Place place_;
  std::wstring name_;
  bool webConfig_;
};

class CollectionObject final : public ApphostObject {
 public:
  CollectionObject(std::shared_ptr<Session> session, Place place, bool webConfig)
      : session_(std::move(session)), place_(std::move(place)), webConfig_(webConfig) {}

 protected:
  std::span<const Member> Table() const override {
    static constexpr Member kMembers[] = {
        {L"Count", Kind::Property},         {L"Item", Kind::Indexed},          {L"CreateNewElement", Kind::Method},
        {L"AddElement", Kind::Method},      {L"DeleteElement", Kind::Method},  {L"Clear", Kind::Method}};
    return kMembers;
  }

  Variant Get(std::wstring_view) override {
    return Variant::UI4(static_cast<std::uint32_t>(Config().Entries(place_).size()));
  }

  Variant Indexed(std::wstring_view member, std::span<const Variant> args) override {
    CheckCount(args, 1, 1, member);
    const auto entries = Config().Entries(place_);
    const XmlNode& entry = *entries[IndexArg(args[0], entries.size(), member)];
    Place place = place_;
    place.steps.push_back(Step{true, {}, EntryKey(Schema().entry, entry)});
    return ObjectRef(
        std::make_shared<ElementObject>(session_, std::move(place), std::wstring(Schema().addElement), webConfig_));
  }

  Variant Call(std::wstring_view member, std::span<const Variant> args) override {
    if (member == L"CreateNewElement") return CreateNewElement(member, args);
    if (member == L"AddElement") {
      AddElement(member, args);
    } else if (member == L"DeleteElement") {
      CheckCount(args, 1, 1, member);
      Config().DeleteEntry(place_, IndexArg(args[0], Config().Entries(place_).size(), member));
    } else {
      CheckCount(args, 0, 0, member);
      Config().ClearEntries(place_);
    }
    session_->Changed(webConfig_);
    return {};
  }

 private:
  ApphostConfig& Config() const { return *session_->config; }
  const CollectionSchema& Schema() const { return *SchemaOf(place_).collection; }

  Variant CreateNewElement(std::wstring_view member, std::span<const Variant> args) {
    CheckCount(args, 0, 1, member);
    const CollectionSchema& collection = Schema();
    if (!args.empty() && !args[0].IsEmpty() && !IisNamesEqual(TextArg(args[0], member), collection.addElement)) {
      throw AutomationError(hr::kInvalidArg, member,
                            L"Unrecognized element '" + args[0].AsText() + L"': this collection adds '" +
                                std::wstring(collection.addElement) + L"' elements");
    }
    auto element = std::make_shared<NewElement>(
        NewElement{XmlNode{false, std::wstring(collection.addElement), {}, {}}, collection.entry, std::nullopt});
    return ObjectRef(std::make_shared<ElementObject>(session_, Place{nullptr, {}, std::move(element), {}},
                                                     std::wstring(collection.addElement), webConfig_));
  }

  void AddElement(std::wstring_view member, std::span<const Variant> args) {
    CheckCount(args, 1, 2, member);
    const auto element = args[0].kind() == Variant::Kind::Object
                             ? std::dynamic_pointer_cast<ElementObject>(args[0].AsObjectOrNothing())
                             : nullptr;
    if (!element) {
      throw AutomationError(hr::kTypeMismatch, member,
                            L"Type mismatch: " + Describe(args[0]) + L" is not an element of this manager");
    }
    const std::int64_t position = args.size() > 1 && !args[1].IsEmpty() ? NumberArg(args[1], member) : -1;
    if (element->sessionRef() != session_) {
      throw AutomationError(hr::kInvalidArg, member, L"The element belongs to another admin manager");
    }
    const auto added = element->Unadded();
    if (!added) throw AutomationError(hr::kInvalidArg, member, L"The element is already in a collection");
    Config().AddEntry(place_, added, position);
  }

  std::shared_ptr<Session> session_;
  Place place_;
  bool webConfig_;
};

Variant ElementObject::Get(std::wstring_view member) {
  if (member == L"Name") return name_;
  if (SchemaOf(place_).collection == nullptr) {
    throw AutomationError(hr::kInvalidArg, member, L"The element '" + name_ + L"' has no collection");
  }
  return ObjectRef(std::make_shared<CollectionObject>(session_, place_, webConfig_));
}

Variant PropertyObject::Get(std::wstring_view member) {
  if (member == L"Name") return std::wstring(attribute_.name);
  return element_->session().config->Read(element_->place(), attribute_);
}

void PropertyObject::Put(std::wstring_view member, const Variant& value) {
  if (member == L"Name") ApphostObject::Put(member, value);
  element_->session().config->Write(element_->place(), attribute_, WriteValue(attribute_, value));
  element_->session().Changed(element_->webConfig());
}

class LocationObject final : public ApphostObject {
 public:
  explicit LocationObject(std::wstring path) : path_(std::move(path)) {}

 protected:
  std::span<const Member> Table() const override {
    static constexpr Member kMembers[] = {{L"Path", Kind::Property}};
    return kMembers;
  }
  Variant Get(std::wstring_view) override { return path_; }

 private:
  std::wstring path_;
};

class LocationsObject final : public ApphostObject {
 public:
  explicit LocationsObject(std::shared_ptr<Session> session) : session_(std::move(session)) {}

 protected:
  std::span<const Member> Table() const override {
    static constexpr Member kMembers[] = {{L"Count", Kind::Property},
                                          {L"Item", Kind::Indexed},
                                          {L"DeleteLocation", Kind::Method},
                                          {L"AddLocation", Kind::Method}};
    return kMembers;
  }
  Variant Get(std::wstring_view) override {
    return Variant::UI4(static_cast<std::uint32_t>(session_->Config().LocationPaths().size()));
  }
  Variant Indexed(std::wstring_view member, std::span<const Variant> args) override {
    CheckCount(args, 1, 1, member);
    const auto paths = session_->Config().LocationPaths();
    return ObjectRef(std::make_shared<LocationObject>(paths[IndexArg(args[0], paths.size(), member)]));
  }
  Variant Call(std::wstring_view member, std::span<const Variant> args) override {
    CheckCount(args, 1, 1, member);
    ApphostConfig& config = session_->Config();
    Variant result;
    if (member == L"DeleteLocation") {
      config.DeleteLocation(IndexArg(args[0], config.LocationPaths().size(), member));
    } else {
      const std::wstring& path = TextArg(args[0], member);
      config.AddLocation(path);
      result = ObjectRef(std::make_shared<LocationObject>(path));
    }
    session_->Changed(false);
    return result;
  }

 private:
  std::shared_ptr<Session> session_;
};

class ConfigFileObject final : public ApphostObject {
 public:
  explicit ConfigFileObject(std::shared_ptr<Session> session) : session_(std::move(session)) {}

 protected:
  std::span<const Member> Table() const override {
    static constexpr Member kMembers[] = {{L"Locations", Kind::Property}};
    return kMembers;
  }
  Variant Get(std::wstring_view) override { return ObjectRef(std::make_shared<LocationsObject>(session_)); }

 private:
  std::shared_ptr<Session> session_;
};

class ConfigManagerObject final : public ApphostObject {
 public:
  explicit ConfigManagerObject(std::shared_ptr<Session> session) : session_(std::move(session)) {}

 protected:
  std::span<const Member> Table() const override {
    static constexpr Member kMembers[] = {{L"GetConfigFile", Kind::Method}};
    return kMembers;
  }
  Variant Call(std::wstring_view member, std::span<const Variant> args) override {
    CheckCount(args, 1, 1, member);
    const std::wstring& path = TextArg(args[0], member);
    if (!IisNamesEqual(path, kAppHostPath)) {
      throw AutomationError(hr::kInvalidArg, member,
                            L"The stand-in has only the configuration file of MACHINE/WEBROOT/APPHOST, not \"" + path +
                                L"\"");
    }
    session_->Config();
    return ObjectRef(std::make_shared<ConfigFileObject>(session_));
  }

 private:
  std::shared_ptr<Session> session_;
};

class AdminManagerObject final : public ApphostObject {
 public:
  explicit AdminManagerObject(std::shared_ptr<ApphostStore> store)
      : session_(std::make_shared<Session>()) {
    session_->store = std::move(store);
  }

 protected:
  std::span<const Member> Table() const override {
    static constexpr Member kMembers[] = {{L"CommitPath", Kind::Property},
                                          {L"GetAdminSection", Kind::Method},
                                          {L"CommitChanges", Kind::Method},
                                          {L"ConfigManager", Kind::Property}};
    return kMembers;
  }

  Variant Get(std::wstring_view member) override {
    if (member == L"CommitPath") return session_->commitPath;
    return ObjectRef(std::make_shared<ConfigManagerObject>(session_));
  }

  void Put(std::wstring_view member, const Variant& value) override {
    if (member != L"CommitPath") ApphostObject::Put(member, value);
    session_->commitPath = TextArg(value, member);
  }

  Variant Call(std::wstring_view member, std::span<const Variant> args) override {
    if (member == L"CommitChanges") {
      CheckCount(args, 0, 0, member);
      CommitChanges(member);
      return {};
    }
    CheckCount(args, 2, 2, member);
    return GetAdminSection(member, TextArg(args[0], member), TextArg(args[1], member));
  }

 private:
  Variant GetAdminSection(std::wstring_view member, const std::wstring& sectionName, const std::wstring& pathText) {
    if (session_->Faults().accessDenied) throw AutomationError(hr::kAccessDenied, member, L"Access is denied.");
    const ApphostConfig& config = session_->Config();
    const SectionSchema* section = FindSection(sectionName);
    if (section == nullptr) {
      throw AutomationError(hr::kInvalidArg, member,
                            L"Unrecognized configuration section '" + sectionName + L"' (the stand-in serves sites, "
                            L"asp, defaultDocument, httpErrors and the authentication sections)");
    }
    auto path = ParseConfigPath(pathText, member);
    const auto commit = ParseConfigPath(session_->commitPath, L"CommitPath");
    const bool above = commit.size() <= path.size() &&
                       std::equal(commit.begin(), commit.end(), path.begin(),
                                  [](const std::wstring& a, const std::wstring& b) { return IisNamesEqual(a, b); });
    if (!above) {
      throw AutomationError(hr::kInvalidArg, member,
                            L"The commit path \"" + session_->commitPath + L"\" is neither \"" + pathText +
                                L"\" nor above it");
    }
    const std::wstring locked =
        L"This configuration section cannot be used at this path. This happens when the section is locked at a "
        L"parent level.";
    if (section->appHostOnly && !path.empty()) {
      throw AutomationError(hr::kLockViolation, member,
                            locked + L" The section " + std::wstring(section->path) +
                                L" is set only at MACHINE/WEBROOT/APPHOST.");
    }
    // A commit path below the server means a web.config file, which a locked section cannot use.
    const bool webConfig = !commit.empty();
    if (webConfig && config.Locked(*section)) throw AutomationError(hr::kLockViolation, member, locked);
    return ObjectRef(std::make_shared<ElementObject>(session_, Place{section, std::move(path), nullptr, {}},
                                                     std::wstring(section->path), webConfig));
  }

  void CommitChanges(std::wstring_view member) {
    Session& session = *session_;
    const ApphostFaults faults = session.Faults();
    if (faults.accessDenied || faults.commitDenied) {
      throw AutomationError(hr::kAccessDenied, member, L"Access is denied.");
    }
    if (session.store->busyCommits < faults.commitBusy) {
      ++session.store->busyCommits;
      throw AutomationError(hr::kSharingViolation, member,
                            L"The process cannot access the file because it is being used by another process.");
    }
    if (faults.commitFails) throw AutomationError(hr::kDiskFull, member, L"There is not enough space on the disk.");
    if (session.store->rewrites < faults.changedOnDisk) {
      ++session.store->rewrites;
      RewriteAsAnotherTool(*session.store);
    }
    if (session.webConfigChanges) {
      throw AutomationError(hr::kNotSupported, member,
                            L"Changes committed below MACHINE/WEBROOT/APPHOST would go to a web.config file, which "
                            L"the IIS stand-in does not write; nothing was written");
    }
    if (!session.config || !session.dirty) return;
    // IIS compares the file with what the manager read, and a manager never reads it again.
    if (session.store->Read() != session.readBytes) {
      throw AutomationError(hr::kFileInvalid, member,
                            L"Cannot commit configuration changes because the file has changed on disk");
    }
    try {
      session.store->Replace(FormatXml(session.config->xml()));
    } catch (const corvanel::AppError& e) {
      throw AutomationError(e.Code(), member, e.Message());
    }
    session.dirty = false;
    session.readBytes = session.store->Read();
  }

  // Another tool's commit: the same configuration in other bytes (a fresh IIS's when there is no
  // file yet).
  static void RewriteAsAnotherTool(ApphostStore& store) {
    const auto bytes = store.Read();
    const std::string text = bytes ? *bytes : FormatXml(ApphostConfig::Fresh().xml());
    store.Replace(text + "<!-- rewritten by another tool -->\r\n");
  }

  std::shared_ptr<Session> session_;
};

}  // namespace

std::shared_ptr<IisObject> MakeAdminManager(std::shared_ptr<ApphostStore> store) {
  return std::make_shared<AdminManagerObject>(std::move(store));
}

}  // namespace iis_standin
