#pragma once
// The small part of XML that applicationHost.config uses: one root element, elements with
// attributes, comments, the XML declaration and the standard entity escapes. Reading is strict
// (anything else is refused with the line and the fault); writing indents by four spaces and keeps
// the attributes and comments in the order they were read, so a file survives a round trip.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace iis_standin::apphost {

struct XmlNode {
  bool comment = false;
  std::wstring name;  // the element's tag, or the comment's text
  std::vector<std::pair<std::wstring, std::wstring>> attributes;
  std::vector<XmlNode> children;  // elements and comments, in document order

  [[nodiscard]] const std::wstring* Attribute(std::wstring_view attribute) const;
  // Replaces the value in place, or appends the attribute.
  void SetAttribute(std::wstring_view attribute, std::wstring value);
  // The first child element with this tag; nullptr when there is none.
  [[nodiscard]] XmlNode* Child(std::wstring_view tag);
  [[nodiscard]] const XmlNode* Child(std::wstring_view tag) const;
  // The first child element with this tag, appended when there is none.
  XmlNode& ChildOrNew(std::wstring_view tag);
};

struct XmlDocument {
  std::vector<XmlNode> nodes;  // exactly one element, with comments around it

  [[nodiscard]] XmlNode& Root();
  [[nodiscard]] const XmlNode& Root() const;
};

// The limits that keep a damaged or hostile file from exhausting the process.
inline constexpr std::size_t kMaxXmlBytes = 16u << 20;
inline constexpr std::size_t kMaxXmlDepth = 64;

// Reads UTF-8 (a byte-order mark is allowed). Throws a corvanel::AppError with the context
// "line N", the fault as its reason and the code 0x8007000D.
XmlDocument ParseXml(std::string_view bytes);
// UTF-8 without a byte-order mark, the declaration first, CRLF line ends.
std::string FormatXml(const XmlDocument& document);

}  // namespace iis_standin::apphost
