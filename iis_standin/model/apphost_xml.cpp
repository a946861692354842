#include "apphost_xml.h"

#include <algorithm>
#include <cstdint>

#include "common/core/app_error.h"
#include "common/core/utf8.h"
#include "iis_standin/model/vocabulary.h"

namespace iis_standin::apphost {

const std::wstring* XmlNode::Attribute(std::wstring_view attribute) const {
  for (const auto& [key, value] : attributes) {
    if (key == attribute) return &value;
  }
  return nullptr;
}

void XmlNode::SetAttribute(std::wstring_view attribute, std::wstring value) {
  for (auto& [key, held] : attributes) {
    if (key == attribute) {
      held = std::move(value);
      return;
    }
  }
  attributes.emplace_back(std::wstring(attribute), std::move(value));
}

XmlNode* XmlNode::Child(std::wstring_view tag) {
  for (XmlNode& child : children) {
    if (!child.comment && child.name == tag) return &child;
  }
  return nullptr;
}

const XmlNode* XmlNode::Child(std::wstring_view tag) const { return const_cast<XmlNode*>(this)->Child(tag); }

XmlNode& XmlNode::ChildOrNew(std::wstring_view tag) {
  if (XmlNode* child = Child(tag)) return *child;
  return children.emplace_back(XmlNode{false, std::wstring(tag), {}, {}});
}

XmlNode& XmlDocument::Root() {
  for (XmlNode& node : nodes) {
    if (!node.comment) return node;
  }
  throw corvanel::AppError(L"XML document", L"the document has no root element", hr::kInvalidData);
}

const XmlNode& XmlDocument::Root() const { return const_cast<XmlDocument*>(this)->Root(); }

namespace {

[[noreturn]] void Fail(std::size_t line, const std::wstring& fault) {
  throw corvanel::AppError(L"line " + std::to_wstring(line), fault, hr::kInvalidData);
}

std::wstring CharName(wchar_t c) {
  static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring code;
  for (int shift = 12; shift >= 0; shift -= 4) code += kHex[(static_cast<std::uint32_t>(c) >> shift) & 0xF];
  return L"U+" + code;
}

// The text as wide characters, refusing what is not UTF-8 or holds characters XML forbids.
std::wstring Decode(std::string_view bytes) {
  if (bytes.size() > kMaxXmlBytes) {
    Fail(1, L"the file is larger than " + std::to_wstring(kMaxXmlBytes >> 20) + L" MB");
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) Fail(1, L"UTF-16 is not read; save the file as UTF-8");
  std::wstring text = corvanel::Utf8ToWide(bytes);
  // A decoding that does not give the same bytes back met something that is not UTF-8.
  const std::string again = corvanel::WideToUtf8(text);
  const auto [bad, unused] = std::ranges::mismatch(bytes, again);
  if (bad != bytes.end()) {
    Fail(1 + static_cast<std::size_t>(std::count(bytes.begin(), bad, '\n')), L"the text is not UTF-8");
  }
  std::size_t line = 1;
  for (const wchar_t c : text) {
    if (c == L'\n') ++line;
    if ((c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') || c == 0xFFFE || c == 0xFFFF) {
      Fail(line, L"the character " + CharName(c) + L" is not allowed in XML");
    }
  }
  return text;
}

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r'; }
bool IsNameStart(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_' || c == L':' || c >= 0x80;
}
bool IsNameChar(wchar_t c) { return IsNameStart(c) || (c >= L'0' && c <= L'9') || c == L'-' || c == L'.'; }

class Parser {
 public:
  explicit Parser(std::wstring_view text) : text_(text) {}

  XmlDocument Document() {
    XmlDocument document;
    if (text_.starts_with(L"<?xml")) Declaration();
    bool root = false;
    for (;;) {
      SkipSpace();
      if (AtEnd()) break;
      if (Starts(L"<!--")) {
        document.nodes.push_back(Comment());
      } else if (Starts(L"<!DOCTYPE")) {
        Fail(line_, L"a document type declaration is not allowed");
      } else if (Starts(L"<?")) {
        Fail(line_, L"a processing instruction is not allowed here");
      } else if (Peek() == L'<' && !root) {
        document.nodes.push_back(Element(1));
        root = true;
      } else {
        Fail(line_, root ? L"text after the root element" : L"the root element is missing");
      }
    }
    if (!root) Fail(line_, L"the root element is missing");
    return document;
  }

 private:
  [[nodiscard]] bool AtEnd() const { return pos_ >= text_.size(); }
  [[nodiscard]] wchar_t Peek() const { return AtEnd() ? L'\0' : text_[pos_]; }
  [[nodiscard]] bool Starts(std::wstring_view what) const { return text_.substr(pos_).starts_with(what); }
  void Advance(std::size_t count = 1) {
    for (; count > 0 && !AtEnd(); --count, ++pos_) {
      if (text_[pos_] == L'\n') ++line_;
    }
  }
  void SkipSpace() {
    while (!AtEnd() && IsSpace(Peek())) Advance();
  }
  void Expect(wchar_t c) {
    if (Peek() != c) {
      Fail(line_, AtEnd() ? L"the file ends where '" + std::wstring(1, c) + L"' was expected"
                          : L"'" + std::wstring(1, c) + L"' expected");
    }
    Advance();
  }

  std::wstring Name() {
    if (!IsNameStart(Peek())) Fail(line_, L"a name was expected");
    const std::size_t start = pos_;
    while (!AtEnd() && IsNameChar(Peek())) Advance();
    return std::wstring(text_.substr(start, pos_ - start));
  }

  // <?xml version="1.0" encoding="UTF-8"?>: the version is required, the encoding must be UTF-8.
  void Declaration() {
    Advance(5);
    XmlNode declaration;
    Attributes(declaration);
    if (!Starts(L"?>")) Fail(line_, L"the XML declaration is not closed with '?>'");
    Advance(2);
    if (declaration.Attribute(L"version") == nullptr) Fail(line_, L"the XML declaration has no version");
    if (const std::wstring* encoding = declaration.Attribute(L"encoding")) {
      std::wstring upper = *encoding;
      std::ranges::transform(upper, upper.begin(), [](wchar_t c) { return c >= L'a' && c <= L'z' ? c - 32 : c; });
      if (upper != L"UTF-8") Fail(line_, L"the encoding " + *encoding + L" is not read; save the file as UTF-8");
    }
  }

  XmlNode Comment() {
    const std::size_t startLine = line_;
    Advance(4);
    const std::size_t start = pos_;
    const std::size_t end = text_.find(L"--", pos_);
    if (end == std::wstring_view::npos) Fail(startLine, L"the comment is not closed");
    if (text_.substr(end).starts_with(L"-->") == false) Fail(line_, L"'--' inside a comment");
    Advance(end - pos_);
    Advance(3);
    return XmlNode{true, std::wstring(text_.substr(start, end - start)), {}, {}};
  }

  void Attributes(XmlNode& node) {
    for (;;) {
      const bool spaced = !AtEnd() && IsSpace(Peek());
      SkipSpace();
      if (AtEnd() || Peek() == L'>' || Peek() == L'/' || Peek() == L'?') return;
      if (!spaced) Fail(line_, L"a space is needed before an attribute");
      std::wstring name = Name();
      SkipSpace();
      Expect(L'=');
      SkipSpace();
      if (node.Attribute(name) != nullptr) Fail(line_, L"the attribute " + name + L" is given twice");
      node.attributes.emplace_back(std::move(name), Value());
    }
  }

  // A quoted value with its escapes replaced; literal tabs and line ends become spaces, as XML says.
  std::wstring Value() {
    const wchar_t quote = Peek();
    if (quote != L'"' && quote != L'\'') Fail(line_, L"a quoted value was expected");
    Advance();
    std::wstring value;
    for (;;) {
      if (AtEnd()) Fail(line_, L"the file ends inside a quoted value");
      const wchar_t c = Peek();
      if (c == quote) break;
      if (c == L'<') Fail(line_, L"'<' inside a quoted value");
      if (c == L'&') {
        value += Entity();
        continue;
      }
      value += IsSpace(c) ? L' ' : c;
      Advance();
    }
    Advance();
    return value;
  }

  std::wstring Entity() {
    const std::size_t end = text_.find(L';', pos_);
    if (end == std::wstring_view::npos || end - pos_ > 12) Fail(line_, L"'&' that starts no entity");
    const std::wstring_view name = text_.substr(pos_ + 1, end - pos_ - 1);
    Advance(end - pos_ + 1);
    static constexpr std::pair<std::wstring_view, wchar_t> kNamed[] = {
        {L"lt", L'<'}, {L"gt", L'>'}, {L"amp", L'&'}, {L"quot", L'"'}, {L"apos", L'\''}};
    for (const auto& [entity, c] : kNamed) {
      if (name == entity) return std::wstring(1, c);
    }
    if (name.size() > 1 && name[0] == L'#') {
      const bool hex = name[1] == L'x';
      const std::wstring_view digits = name.substr(hex ? 2 : 1);
      std::uint32_t code = 0;
      bool valid = !digits.empty();
      for (const wchar_t d : digits) {
        int v = -1;
        if (d >= L'0' && d <= L'9') v = d - L'0';
        if (hex && d >= L'a' && d <= L'f') v = d - L'a' + 10;
        if (hex && d >= L'A' && d <= L'F') v = d - L'A' + 10;
        if (v < 0 || code > 0x10FFFF) {
          valid = false;
          break;
        }
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
      }
      const bool allowed = code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
                           (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
      if (valid && allowed) {
        if (sizeof(wchar_t) == 2 && code >= 0x10000) {
          code -= 0x10000;
          return {static_cast<wchar_t>(0xD800 + (code >> 10)), static_cast<wchar_t>(0xDC00 + (code & 0x3FF))};
        }
        return std::wstring(1, static_cast<wchar_t>(code));
      }
    }
    Fail(line_, L"unknown entity &" + std::wstring(name) + L";");
  }

  XmlNode Element(std::size_t depth) {
    if (depth > kMaxXmlDepth) Fail(line_, L"elements are nested more than " + std::to_wstring(kMaxXmlDepth) + L" deep");
    Expect(L'<');
    XmlNode node;
    node.name = Name();
    Attributes(node);
    if (Starts(L"/>")) {
      Advance(2);
      return node;
    }
    Expect(L'>');
    for (;;) {
      SkipSpace();
      if (AtEnd()) Fail(line_, L"the file ends before </" + node.name + L">");
      if (Starts(L"</")) break;
      if (Starts(L"<!--")) {
        node.children.push_back(Comment());
      } else if (Starts(L"<![CDATA[")) {
        Fail(line_, L"CDATA is not used in configuration files");
      } else if (Starts(L"<?") || Starts(L"<!")) {
        Fail(line_, L"a declaration or processing instruction is not allowed here");
      } else if (Peek() == L'<') {
        node.children.push_back(Element(depth + 1));
      } else {
        Fail(line_, L"text inside <" + node.name + L"> is not used in configuration files");
      }
    }
    Advance(2);
    const std::size_t closeLine = line_;
    if (Name() != node.name) Fail(closeLine, L"the end tag does not match <" + node.name + L">");
    SkipSpace();
    Expect(L'>');
    return node;
  }

  std::wstring_view text_;
  std::size_t pos_ = 0;
  std::size_t line_ = 1;
};

std::wstring Escape(std::wstring_view value) {
  std::wstring out;
  for (const wchar_t c : value) {
    switch (c) {
      case L'&': out += L"&amp;"; break;
      case L'<': out += L"&lt;"; break;
      case L'>': out += L"&gt;"; break;
      case L'"': out += L"&quot;"; break;
      case L'\t': out += L"&#9;"; break;
      case L'\n': out += L"&#10;"; break;
      case L'\r': out += L"&#13;"; break;
      default: out += c;
    }
  }
  return out;
}

void Write(const XmlNode& node, std::size_t depth, std::wstring& out) {
  const std::wstring indent(depth * 4, L' ');
  if (node.comment) {
    out += indent + L"<!--" + node.name + L"-->\r\n";
    return;
  }
  out += indent + L"<" + node.name;
  for (const auto& [name, value] : node.attributes) out += L" " + name + L"=\"" + Escape(value) + L"\"";
  if (node.children.empty()) {
    out += L" />\r\n";
    return;
  }
  out += L">\r\n";
  for (const XmlNode& child : node.children) Write(child, depth + 1, out);
  out += indent + L"</" + node.name + L">\r\n";
}

}  // namespace

XmlDocument ParseXml(std::string_view bytes) { return Parser(Decode(bytes)).Document(); }

std::string FormatXml(const XmlDocument& document) {
  std::wstring out = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
  for (const XmlNode& node : document.nodes) Write(node, 0, out);
  return corvanel::WideToUtf8(out);
}

}  // namespace iis_standin::apphost
