#pragma once
// applicationHost.config as the native configuration objects see it: the effective element at a
// path (the server-level section, then each <location> on the way down to the path, applied in
// order), and writes at a path's own level (the server-level section for the server, the
// <location path="site/sub"> otherwise, created when needed). Collections apply their add,
// remove and clear elements in order; an inherited entry is deleted by writing a remove element.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "apphost_schema.h"
#include "apphost_xml.h"

namespace iis_standin::apphost {

inline constexpr std::wstring_view kAppHostPath = L"MACHINE/WEBROOT/APPHOST";

inline constexpr std::uint32_t kNotFound = 0x80070490;          // HRESULT_FROM_WIN32(ERROR_NOT_FOUND)

// The segments below the server of "MACHINE/WEBROOT/APPHOST[/site[/folder...]]" (none for the
// server itself); the prefix compares without case. Throws 0x80070057 for any other path.
std::vector<std::wstring> ParseConfigPath(std::wstring_view path, std::wstring_view member);

// One step from an element down: a named child element, or an entry of its collection by key.
struct Step {
  bool entry = false;
  std::wstring name;              // a child's tag
  std::vector<std::wstring> key;  // an entry's key values, in the order of its key attributes
};

struct NewElement;

// Where an element is: a section at a path, or an element not yet in any collection, and the
// steps from there. Elements are found anew on every call, so an object outlives the changes
// made around it.
struct Place {
  const SectionSchema* section = nullptr;
  std::vector<std::wstring> path;
  std::shared_ptr<NewElement> detached;
  std::vector<Step> steps;
};

// An element made by CreateNewElement: its own XML until it is added to a collection, found
// from then on where it was added.
struct NewElement {
  XmlNode node;
  const ElementSchema& schema;
  std::optional<Place> added;
};

// The schema of the element at place.
const ElementSchema& SchemaOf(const Place& place);
// An entry's key values as keys compare (numbers in plain decimal), defaults filled in.
std::vector<std::wstring> EntryKey(const ElementSchema& entry, const XmlNode& node);

// Errors of the document carry no context: the object whose member called adds its member.
class ApphostConfig {
 public:
  explicit ApphostConfig(XmlDocument xml) : xml_(std::move(xml)) {}
  // What a newly installed IIS 10 has: the Default Web Site and the sections the objects serve.
  static ApphostConfig Fresh();

  [[nodiscard]] const XmlDocument& xml() const { return xml_; }

  // Whether <configSections> declares the section overrideModeDefault="Deny". Throws
  // 0x8007000D when the file does not declare it.
  [[nodiscard]] bool Locked(const SectionSchema& section) const;

  // The effective value, or the attribute's default. Throws 0x80070490 when the element is gone.
  [[nodiscard]] Variant Read(const Place& place, const AttributeSchema& attribute) const;
  // The add elements of the effective collection at place, in order.
  [[nodiscard]] std::vector<const XmlNode*> Entries(const Place& place) const;

  // Sets the attribute at the place's own level. A changed key moves place to the new key;
  // a key that another entry has fails with 0x800700B7.
  void Write(Place& place, const AttributeSchema& attribute, std::wstring text);
  void DeleteEntry(const Place& collection, std::size_t index);
  void ClearEntries(const Place& collection);
  // Moves the new element's XML into the collection (position -1: at the end).
  void AddEntry(const Place& collection, const std::shared_ptr<NewElement>& element, std::int64_t position);

  // The <location> elements' paths, in document order.
  [[nodiscard]] std::vector<std::wstring> LocationPaths() const;
  void DeleteLocation(std::size_t index);
  void AddLocation(const std::wstring& path);

 private:
  struct View;
  [[nodiscard]] View Resolve(const Place& place) const;
  [[nodiscard]] std::vector<const XmlNode*> SectionLayers(const SectionSchema& section,
                                                          const std::vector<std::wstring>& path) const;
  XmlNode& SectionTarget(const SectionSchema& section, const std::vector<std::wstring>& path);
  // The node that a write at place changes, created (or copied from above) when needed.
  XmlNode& Target(const Place& place);

  XmlDocument xml_;
};

}  // namespace iis_standin::apphost
