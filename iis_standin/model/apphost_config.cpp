#include "apphost_config.h"

#include <algorithm>

#include "common/core/app_error.h"
#include "iis_standin/model/vocabulary.h"

namespace iis_standin::apphost {

struct ApphostConfig::View {
  std::vector<const XmlNode*> layers;  // outermost first
  const ElementSchema* schema;
};

namespace {

[[noreturn]] void Throw(std::uint32_t code, std::wstring reason) {
  throw corvanel::AppError(L"", std::move(reason), code);
}

std::vector<std::wstring> Split(std::wstring_view text) {
  std::vector<std::wstring> parts;
  for (;;) {
    const std::size_t slash = text.find(L'/');
    parts.emplace_back(text.substr(0, slash));
    if (slash == std::wstring_view::npos) return parts;
    text.remove_prefix(slash + 1);
  }
}

std::wstring Join(const std::vector<std::wstring>& path, std::size_t count) {
  std::wstring joined;
  for (std::size_t i = 0; i < count; ++i) joined += (i == 0 ? L"" : L"/") + path[i];
  return joined;
}

bool IsLocation(const XmlNode& node) { return !node.comment && node.name == L"location"; }

// A location's path as the objects' paths below the server are joined: no slashes at the ends,
// and "." (like no path at all) is the server itself.
std::wstring LocationPath(const XmlNode& location) {
  const std::wstring* path = location.Attribute(L"path");
  std::wstring_view text = path != nullptr ? std::wstring_view(*path) : std::wstring_view();
  while (text.starts_with(L'/')) text.remove_prefix(1);
  while (text.ends_with(L'/')) text.remove_suffix(1);
  return text == L"." ? std::wstring() : std::wstring(text);
}

// The section's element inside a scope (the root or a location), through its section groups.
const XmlNode* SectionIn(const XmlNode& scope, const SectionSchema& section) {
  const XmlNode* node = &scope;
  for (const std::wstring& tag : Split(section.path)) {
    node = node->Child(tag);
    if (node == nullptr) return nullptr;
  }
  return node;
}

bool KeysEqual(const std::vector<std::wstring>& a, const std::vector<std::wstring>& b) {
  return std::ranges::equal(a, b, [](const std::wstring& x, const std::wstring& y) { return IisNamesEqual(x, y); });
}

bool IsCollectionTag(const XmlNode& node, const CollectionSchema& collection) {
  return !node.comment && (node.name == collection.addElement || node.name == collection.removeElement ||
                           node.name == collection.clearElement);
}

std::vector<const XmlNode*> Fold(const std::vector<const XmlNode*>& layers, const CollectionSchema& collection) {
  std::vector<const XmlNode*> entries;
  for (const XmlNode* layer : layers) {
    for (const XmlNode& child : layer->children) {
      if (!IsCollectionTag(child, collection)) continue;
      if (child.name == collection.clearElement) {
        entries.clear();
        continue;
      }
      const auto key = EntryKey(collection.entry, child);
      const auto found =
          std::ranges::find_if(entries, [&](const XmlNode* entry) { return KeysEqual(EntryKey(collection.entry, *entry), key); });
      if (child.name == collection.removeElement) {
        if (found != entries.end()) entries.erase(found);
      } else if (found != entries.end()) {
        *found = &child;
      } else {
        entries.push_back(&child);
      }
    }
  }
  return entries;
}

// The container's own add element that defines the entry, if one does.
std::optional<std::size_t> LocalAdd(const XmlNode& container, const CollectionSchema& collection,
                                    const std::vector<std::wstring>& key) {
  std::optional<std::size_t> found;
  for (std::size_t i = 0; i < container.children.size(); ++i) {
    const XmlNode& child = container.children[i];
    if (!IsCollectionTag(child, collection)) continue;
    if (child.name == collection.clearElement) {
      found.reset();
    } else if (KeysEqual(EntryKey(collection.entry, child), key)) {
      found = child.name == collection.addElement ? std::optional(i) : std::nullopt;
    }
  }
  return found;
}

// New add and remove elements go after the container's last collection element.
std::size_t InsertionPoint(const XmlNode& container, const CollectionSchema& collection) {
  for (std::size_t i = container.children.size(); i > 0; --i) {
    if (IsCollectionTag(container.children[i - 1], collection)) return i;
  }
  return container.children.size();
}

XmlNode RemoveElement(const CollectionSchema& collection, const std::vector<std::wstring>& key) {
  XmlNode remove{false, std::wstring(collection.removeElement), {}, {}};
  std::size_t index = 0;
  for (const AttributeSchema& attribute : collection.entry.attributes) {
    if (attribute.key) remove.SetAttribute(attribute.name, key[index++]);
  }
  return remove;
}

[[noreturn]] void ThrowDuplicate(const CollectionSchema& collection, const std::vector<std::wstring>& key) {
  std::wstring names, values;
  std::size_t index = 0;
  for (const AttributeSchema& attribute : collection.entry.attributes) {
    if (!attribute.key) continue;
    names += (index == 0 ? L"" : L", ") + std::wstring(attribute.name);
    values += (index == 0 ? L"" : L", ") + key[index];
    ++index;
  }
  const std::wstring type = L"Cannot add duplicate collection entry of type '" + std::wstring(collection.addElement);
  if (key.size() == 1) {
    Throw(hr::kAlreadyExists, type + L"' with unique key attribute '" + names + L"' set to '" + values + L"'");
  }
  Throw(hr::kAlreadyExists,
        type + L"' with combined key attributes '" + names + L"' respectively set to '" + values + L"'");
}

const XmlNode* Named(const XmlNode& scope, std::wstring_view tag, std::wstring_view name) {
  for (const XmlNode& child : scope.children) {
    const std::wstring* childName = child.comment || child.name != tag ? nullptr : child.Attribute(L"name");
    if (childName != nullptr && *childName == name) return &child;
  }
  return nullptr;
}

// A new attribute goes before the first one that follows it in the schema, so that a new
// element's attributes read in the schema's order whatever order a client set them in.
void SetInOrder(XmlNode& node, const ElementSchema& schema, const AttributeSchema& attribute, std::wstring text) {
  if (node.Attribute(attribute.name) != nullptr) {
    node.SetAttribute(attribute.name, std::move(text));
    return;
  }
  const auto rank = [&](std::wstring_view name) {
    const auto found = std::ranges::find(schema.attributes, name, &AttributeSchema::name);
    return found == schema.attributes.end() ? -1 : found - schema.attributes.begin();
  };
  const auto own = rank(attribute.name);
  const auto at = std::ranges::find_if(node.attributes, [&](const auto& held) { return rank(held.first) > own; });
  node.attributes.emplace(at, std::wstring(attribute.name), std::move(text));
}

Place Flatten(Place place) {
  while (place.detached && place.detached->added) {
    Place base = *place.detached->added;
    base.steps.insert(base.steps.end(), place.steps.begin(), place.steps.end());
    place = std::move(base);
  }
  return place;
}

// The step that names the element's own key, to follow a change of it.
Step* OwnEntryStep(Place& place) {
  if (!place.steps.empty()) return place.steps.back().entry ? &place.steps.back() : nullptr;
  if (place.detached && place.detached->added) return OwnEntryStep(*place.detached->added);
  return nullptr;
}

}  // namespace

std::vector<std::wstring> ParseConfigPath(std::wstring_view path, std::wstring_view member) {
  const auto invalid = [&] {
    return AutomationError(hr::kInvalidArg, member,
                           L"Invalid configuration path \"" + std::wstring(path) +
                               L"\": the stand-in serves MACHINE/WEBROOT/APPHOST and the paths below it");
  };
  if (path.size() < kAppHostPath.size() || !IisNamesEqual(path.substr(0, kAppHostPath.size()), kAppHostPath)) {
    throw invalid();
  }
  std::wstring_view rest = path.substr(kAppHostPath.size());
  if (rest.empty() || rest == L"/") return {};
  if (rest[0] != L'/') throw invalid();
  rest.remove_prefix(1);
  if (rest.ends_with(L'/')) rest.remove_suffix(1);
  auto segments = Split(rest);
  if (std::ranges::any_of(segments, [](const std::wstring& s) { return s.empty(); })) throw invalid();
  return segments;
}

const ElementSchema& SchemaOf(const Place& place) {
  const Place flat = Flatten(place);
  const ElementSchema* schema = flat.detached ? &flat.detached->schema : &flat.section->element;
  for (const Step& step : flat.steps) {
    schema = step.entry ? &schema->collection->entry : &FindChild(*schema, step.name)->element;
  }
  return *schema;
}

std::vector<std::wstring> EntryKey(const ElementSchema& entry, const XmlNode& node) {
  std::vector<std::wstring> key;
  for (const AttributeSchema& attribute : entry.attributes) {
    if (!attribute.key) continue;
    const std::wstring* text = node.Attribute(attribute.name);
    key.push_back(KeyText(attribute, text != nullptr ? *text : std::wstring(attribute.defaultValue)));
  }
  return key;
}

bool ApphostConfig::Locked(const SectionSchema& section) const {
  const auto tags = Split(section.path);
  const XmlNode* scope = xml_.Root().Child(L"configSections");
  for (std::size_t i = 0; scope != nullptr && i + 1 < tags.size(); ++i) scope = Named(*scope, L"sectionGroup", tags[i]);
  const XmlNode* declaration = scope != nullptr ? Named(*scope, L"section", tags.back()) : nullptr;
  if (declaration == nullptr) {
    Throw(hr::kInvalidData,
          L"The configuration file does not declare the section " + std::wstring(section.path) + L" in <configSections>");
  }
  const std::wstring* mode = declaration->Attribute(L"overrideModeDefault");
  return mode != nullptr && IisNamesEqual(*mode, L"Deny");
}

std::vector<const XmlNode*> ApphostConfig::SectionLayers(const SectionSchema& section,
                                                         const std::vector<std::wstring>& path) const {
  std::vector<const XmlNode*> layers;
  const XmlNode& root = xml_.Root();
  if (const XmlNode* node = SectionIn(root, section)) layers.push_back(node);
  for (std::size_t depth = 0; depth <= path.size(); ++depth) {
    const std::wstring prefix = Join(path, depth);
    for (const XmlNode& child : root.children) {
      if (!IsLocation(child) || !IisNamesEqual(LocationPath(child), prefix)) continue;
      if (const XmlNode* node = SectionIn(child, section)) layers.push_back(node);
    }
  }
  return layers;
}

ApphostConfig::View ApphostConfig::Resolve(const Place& place) const {
  const Place flat = Flatten(place);
  View view;
  if (flat.detached) {
    view = {{&flat.detached->node}, &flat.detached->schema};
  } else {
    view = {SectionLayers(*flat.section, flat.path), &flat.section->element};
  }
  for (const Step& step : flat.steps) {
    if (!step.entry) {
      std::vector<const XmlNode*> next;
      for (const XmlNode* layer : view.layers) {
        if (const XmlNode* child = layer->Child(step.name)) next.push_back(child);
      }
      view = {std::move(next), &FindChild(*view.schema, step.name)->element};
      continue;
    }
    const CollectionSchema& collection = *view.schema->collection;
    const auto entries = Fold(view.layers, collection);
    const auto found = std::ranges::find_if(
        entries, [&](const XmlNode* entry) { return KeysEqual(EntryKey(collection.entry, *entry), step.key); });
    if (found == entries.end()) {
      Throw(kNotFound, L"Element not found: the " + std::wstring(collection.addElement) +
                           L" entry is no longer in the configuration");
    }
    view = {{*found}, &collection.entry};
  }
  return view;
}

Variant ApphostConfig::Read(const Place& place, const AttributeSchema& attribute) const {
  const View view = Resolve(place);
  for (auto layer = view.layers.rbegin(); layer != view.layers.rend(); ++layer) {
    if (const std::wstring* text = (*layer)->Attribute(attribute.name)) return ReadValue(attribute, *text);
  }
  return ReadValue(attribute, std::wstring(attribute.defaultValue));
}

std::vector<const XmlNode*> ApphostConfig::Entries(const Place& place) const {
  const View view = Resolve(place);
  if (view.schema->collection == nullptr) Throw(hr::kInvalidArg, L"The element has no collection");
  return Fold(view.layers, *view.schema->collection);
}

XmlNode& ApphostConfig::SectionTarget(const SectionSchema& section, const std::vector<std::wstring>& path) {
  XmlNode* scope = &xml_.Root();
  if (!path.empty()) {
    const std::wstring joined = Join(path, path.size());
    const auto location = std::ranges::find_if(
        scope->children, [&](const XmlNode& child) { return IsLocation(child) && IisNamesEqual(LocationPath(child), joined); });
    scope = location != scope->children.end()
                ? &*location
                : &scope->children.emplace_back(XmlNode{false, L"location", {{L"path", joined}}, {}});
  }
  for (const std::wstring& tag : Split(section.path)) scope = &scope->ChildOrNew(tag);
  return *scope;
}

XmlNode& ApphostConfig::Target(const Place& place) {
  const Place flat = Flatten(place);
  XmlNode* node = flat.detached ? &flat.detached->node : &SectionTarget(*flat.section, flat.path);
  const ElementSchema* schema = flat.detached ? &flat.detached->schema : &flat.section->element;
  for (std::size_t i = 0; i < flat.steps.size(); ++i) {
    const Step& step = flat.steps[i];
    if (!step.entry) {
      node = &node->ChildOrNew(step.name);
      schema = &FindChild(*schema, step.name)->element;
      continue;
    }
    const CollectionSchema& collection = *schema->collection;
    if (const auto local = LocalAdd(*node, collection, step.key)) {
      node = &node->children[*local];
    } else {
      // An inherited entry changes here as IIS changes it: removed, and added again as changed.
      Place upTo = flat;
      upTo.steps.resize(i + 1);
      XmlNode copy = *Resolve(upTo).layers.back();
      const auto at = node->children.begin() + static_cast<std::ptrdiff_t>(InsertionPoint(*node, collection));
      const auto removed = node->children.insert(at, RemoveElement(collection, step.key));
      node = &*node->children.insert(removed + 1, std::move(copy));
    }
    schema = &collection.entry;
  }
  return *node;
}

void ApphostConfig::Write(Place& place, const AttributeSchema& attribute, std::wstring text) {
  Step* own = attribute.key ? OwnEntryStep(place) : nullptr;
  const ElementSchema& entry = SchemaOf(place);
  if (own == nullptr) {
    SetInOrder(Target(place), entry, attribute, std::move(text));
    return;
  }
  std::vector<std::wstring> key = own->key;
  std::size_t index = 0;
  for (const AttributeSchema& other : entry.attributes) {
    if (&other == &attribute) key[index] = KeyText(attribute, text);
    index += other.key ? 1 : 0;
  }
  if (!KeysEqual(key, own->key)) {
    Place collection = Flatten(place);
    collection.steps.pop_back();
    for (const XmlNode* other : Entries(collection)) {
      if (KeysEqual(EntryKey(entry, *other), key)) ThrowDuplicate(*SchemaOf(collection).collection, key);
    }
  }
  SetInOrder(Target(place), entry, attribute, std::move(text));
  own->key = std::move(key);
}

void ApphostConfig::DeleteEntry(const Place& collectionPlace, std::size_t index) {
  const CollectionSchema& collection = *SchemaOf(collectionPlace).collection;
  std::vector<std::wstring> key;
  {
    const auto entries = Entries(collectionPlace);
    if (index >= entries.size()) Throw(hr::kInvalidArg, L"Invalid index " + std::to_wstring(index));
    key = EntryKey(collection.entry, *entries[index]);
  }
  XmlNode& container = Target(collectionPlace);
  if (const auto local = LocalAdd(container, collection, key)) {
    container.children.erase(container.children.begin() + static_cast<std::ptrdiff_t>(*local));
  }
  // Still there: it comes from above, and only a remove element hides it here.
  for (const XmlNode* entry : Entries(collectionPlace)) {
    if (!KeysEqual(EntryKey(collection.entry, *entry), key)) continue;
    container.children.insert(container.children.begin() + static_cast<std::ptrdiff_t>(InsertionPoint(container, collection)),
                              RemoveElement(collection, key));
    break;
  }
}

void ApphostConfig::ClearEntries(const Place& collectionPlace) {
  const CollectionSchema& collection = *SchemaOf(collectionPlace).collection;
  XmlNode& container = Target(collectionPlace);
  std::erase_if(container.children, [&](const XmlNode& child) { return IsCollectionTag(child, collection); });
  if (!Entries(collectionPlace).empty()) {
    container.children.insert(container.children.begin(),
                              XmlNode{false, std::wstring(collection.clearElement), {}, {}});
  }
}

void ApphostConfig::AddEntry(const Place& collectionPlace, const std::shared_ptr<NewElement>& element,
                             std::int64_t position) {
  const CollectionSchema& collection = *SchemaOf(collectionPlace).collection;
  if (element->added || Flatten(collectionPlace).detached == element) {
    Throw(hr::kInvalidArg, L"The element is already in a collection");
  }
  if (element->node.name != collection.addElement) {
    Throw(hr::kInvalidArg, L"An element '" + element->node.name + L"' cannot be added to a collection of '" +
                               std::wstring(collection.addElement) + L"'");
  }
  for (const AttributeSchema& attribute : collection.entry.attributes) {
    if (attribute.required && element->node.Attribute(attribute.name) == nullptr) {
      Throw(hr::kInvalidArg, L"The required attribute '" + std::wstring(attribute.name) + L"' is not set");
    }
  }
  if (position < -1) Throw(hr::kInvalidArg, L"Invalid position " + std::to_wstring(position));
  const auto key = EntryKey(collection.entry, element->node);
  std::optional<std::vector<std::wstring>> before;
  {
    const auto entries = Entries(collectionPlace);
    for (const XmlNode* entry : entries) {
      if (KeysEqual(EntryKey(collection.entry, *entry), key)) ThrowDuplicate(collection, key);
    }
    if (position >= 0 && static_cast<std::size_t>(position) < entries.size()) {
      before = EntryKey(collection.entry, *entries[static_cast<std::size_t>(position)]);
    }
  }
  XmlNode& container = Target(collectionPlace);
  std::size_t at = InsertionPoint(container, collection);
  // Before the entry now at that position when it is defined here, unless a clear or a remove of
  // the new key after it would hide the new entry.
  if (const auto local = before ? LocalAdd(container, collection, *before) : std::nullopt) {
    const bool hidden = std::any_of(container.children.begin() + static_cast<std::ptrdiff_t>(*local),
                                    container.children.end(), [&](const XmlNode& child) {
                                      return IsCollectionTag(child, collection) &&
                                             (child.name == collection.clearElement ||
                                              (child.name == collection.removeElement &&
                                               KeysEqual(EntryKey(collection.entry, child), key)));
                                    });
    if (!hidden) at = *local;
  }
  container.children.insert(container.children.begin() + static_cast<std::ptrdiff_t>(at), std::move(element->node));
  element->node = XmlNode{};
  Place added = collectionPlace;
  added.steps.push_back(Step{true, {}, key});
  element->added = std::move(added);
}

std::vector<std::wstring> ApphostConfig::LocationPaths() const {
  std::vector<std::wstring> paths;
  for (const XmlNode& child : xml_.Root().children) {
    if (!IsLocation(child)) continue;
    const std::wstring* path = child.Attribute(L"path");
    paths.push_back(path != nullptr ? *path : std::wstring());
  }
  return paths;
}

void ApphostConfig::DeleteLocation(std::size_t index) {
  auto& children = xml_.Root().children;
  for (auto child = children.begin(); child != children.end(); ++child) {
    if (IsLocation(*child) && index-- == 0) {
      children.erase(child);
      return;
    }
  }
  Throw(hr::kInvalidArg, L"Invalid index: there is no such location");
}

void ApphostConfig::AddLocation(const std::wstring& path) {
  XmlNode location{false, L"location", {{L"path", path}}, {}};
  const std::wstring normalized = LocationPath(location);
  for (const XmlNode& child : xml_.Root().children) {
    if (IsLocation(child) && IisNamesEqual(LocationPath(child), normalized)) {
      Throw(hr::kAlreadyExists, L"A location with the path '" + path + L"' already exists");
    }
  }
  xml_.Root().children.push_back(std::move(location));
}

}  // namespace iis_standin::apphost
