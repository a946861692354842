#include "config_file.h"

#include <cwctype>
#include <limits>

#include "common/core/app_error.h"
#include "iis_standin/model/vocabulary.h"
#include "iis_standin/model/iis_schema.h"

namespace iis_standin {

using corvanel::Variant;

namespace {

struct Failure {
  std::wstring_view keyword;
  bool IisFailures::*flag;
};
constexpr Failure kFailures[] = {
    {L"no-web-service", &IisFailures::noWebService},
    {L"appcreate2-unknown", &IisFailures::appCreate2Unknown},
    {L"appcreate-fails", &IisFailures::appCreateFails},
    {L"create-fails", &IisFailures::createFails},
    {L"no-system-info", &IisFailures::noSystemInfo},
    {L"delete-fails", &IisFailures::deleteFails},
    {L"setinfo-fails", &IisFailures::setInfoFails},
    {L"delete-setinfo-fails", &IisFailures::deletionSetInfoFails},
    {L"domainname-fails", &IisFailures::domainNameFails},
};

[[noreturn]] void Fail(std::size_t line, const std::wstring& what) {
  throw corvanel::AppError(L"line " + std::to_wstring(line), what, hr::kInvalidData);
}

// Reads the values of one line: "text", a 16-bit number, true, false, or {value, ...}.
class ValueReader {
 public:
  ValueReader(std::wstring_view text, std::size_t line) : text_(text), line_(line) {}

  Variant ReadAll() {
    Variant value = Read();
    SkipSpace();
    if (pos_ != text_.size()) Fail(line_, L"unexpected text after the value: " + std::wstring(text_.substr(pos_)));
    return value;
  }

 private:
  void SkipSpace() {
    while (pos_ < text_.size() && (text_[pos_] == L' ' || text_[pos_] == L'\t')) ++pos_;
  }

  Variant Read() {
    SkipSpace();
    if (pos_ == text_.size()) Fail(line_, L"a value is missing");
    const wchar_t first = text_[pos_];
    if (first == L'"') return ReadText();
    if (first == L'{') return ReadArray();
    const std::size_t start = pos_;
    while (pos_ < text_.size() && (std::iswalnum(text_[pos_]) || text_[pos_] == L'-')) ++pos_;
    const std::wstring word(text_.substr(start, pos_ - start));
    if (word == L"true") return true;
    if (word == L"false") return false;
    return ReadNumber(word);
  }

  Variant ReadNumber(const std::wstring& word) {
    std::size_t used = 0;
    long number = 0;
    try {
      number = std::stol(word, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (word.empty() || used != word.size()) {
      Fail(line_, L"not a value: " + (word.empty() ? std::wstring(text_.substr(pos_, 1)) : word));
    }
    if (number < std::numeric_limits<std::int16_t>::min() || number > std::numeric_limits<std::int16_t>::max()) {
      Fail(line_, L"the number " + word + L" is outside the 16-bit range");
    }
    return static_cast<std::int16_t>(number);
  }

  Variant ReadText() {
    std::wstring text;
    for (++pos_; pos_ < text_.size(); ++pos_) {
      wchar_t c = text_[pos_];
      if (c == L'"') {
        ++pos_;
        return text;
      }
      if (c == L'\\') {
        if (++pos_ == text_.size()) break;
        c = text_[pos_];
        if (c != L'\\' && c != L'"') Fail(line_, L"unknown escape \\" + std::wstring(1, c) + L" (only \\\\ and \\\")");
      }
      text += c;
    }
    Fail(line_, L"a text is not closed by a quotation mark");
  }

  Variant ReadArray() {
    std::vector<Variant> items;
    ++pos_;
    SkipSpace();
    if (pos_ < text_.size() && text_[pos_] == L'}') {
      ++pos_;
      return items;
    }
    for (;;) {
      items.push_back(Read());
      SkipSpace();
      if (pos_ == text_.size()) Fail(line_, L"an array is not closed by }");
      if (text_[pos_++] == L'}') return items;
      if (text_[pos_ - 1] != L',') Fail(line_, L"array items are separated by commas");
    }
  }

  std::wstring_view text_;
  std::size_t line_;
  std::size_t pos_ = 0;
};

std::wstring_view Strip(std::wstring_view text) {
  while (!text.empty() && std::iswspace(text.front())) text.remove_prefix(1);
  while (!text.empty() && std::iswspace(text.back())) text.remove_suffix(1);
  return text;
}

// Cuts a comment off: "#" at the start or after a space or tab, outside a quoted text. A "#"
// inside a word stays, so that a key named "C#Docs" reads back.
std::wstring_view StripComment(std::wstring_view line) {
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const wchar_t c = line[i];
    if (quoted && c == L'\\') {
      ++i;
    } else if (c == L'"') {
      quoted = !quoted;
    } else if (!quoted && c == L'#' && (i == 0 || line[i - 1] == L' ' || line[i - 1] == L'\t')) {
      return Strip(line.substr(0, i));
    }
  }
  return line;
}

std::wstring Quote(const std::wstring& text) {
  std::wstring quoted = L"\"";
  for (wchar_t c : text) {
    if (c == L'\\' || c == L'"') quoted += L'\\';
    quoted += c;
  }
  return quoted + L"\"";
}

std::wstring Format(const Variant& value) {
  switch (value.kind()) {
    case Variant::Kind::Text:
      return Quote(value.AsText());
    case Variant::Kind::Array: {
      std::wstring text = L"{";
      for (const Variant& item : value.AsArray()) text += (text.size() > 1 ? L", " : L"") + Format(item);
      return text + L"}";
    }
    case Variant::Kind::Bool:
      return value.AsBool() ? L"true" : L"false";
    default:
      return value.ToText();
  }
}

void FormatNode(const ConfigNode& node, const std::wstring& path, std::wstring& out) {
  out += L"\n[" + path + L"] " + node.keyType + L"\n";
  for (const auto& [name, value] : node.properties) out += name + L" = " + Format(value) + L"\n";
  for (const auto& child : node.children) FormatNode(*child, path + L"/" + child->name, out);
}

}  // namespace

IisConfig ParseConfigFile(std::wstring_view text) {
  IisConfig config;
  ConfigNode* section = nullptr;
  std::size_t number = 0;
  while (!text.empty()) {
    const auto end = text.find(L'\n');
    const std::wstring_view line = StripComment(Strip(text.substr(0, end)));
    text = end == std::wstring_view::npos ? std::wstring_view() : text.substr(end + 1);
    ++number;
    if (line.empty()) continue;

    if (line.front() == L'[') {
      const auto close = line.rfind(L']');
      const std::wstring keyType(close == std::wstring_view::npos ? L"" : Strip(line.substr(close + 1)));
      if (keyType.empty()) Fail(number, L"a key line reads [path] class");
      const std::wstring path(Strip(line.substr(1, close - 1)));
      if (keyType.find_first_of(L" \t\"") != std::wstring::npos) {
        Fail(number, L"the class of [" + path + L"] is one word: " + keyType);
      }
      // A class the stand-in does not model is kept as written: such a key is listed with its
      // "Class" among its parent's children, as IIS lists keys like "IIsObject".
      const ClassInfo* info = FindClass(keyType);
      try {
        section = &config.Add(path, info != nullptr ? std::wstring(info->name) : keyType);
      } catch (const corvanel::AppError& e) {
        Fail(number, e.Reason());
      }
      continue;
    }

    const std::wstring_view keyword = line.substr(0, line.find_first_of(L" \t="));
    if (keyword == L"fail") {
      const std::wstring_view what = Strip(line.substr(keyword.size()));
      bool known = false;
      for (const Failure& failure : kFailures) {
        if (failure.keyword == what) config.failures.*failure.flag = known = true;
      }
      if (!known) {
        std::wstring list;
        for (const Failure& failure : kFailures) list += (list.empty() ? L"" : L", ") + std::wstring(failure.keyword);
        Fail(number, L"unknown failure \"" + std::wstring(what) + L"\" (" + list + L")");
      }
      continue;
    }
    if (keyword == L"domain") {
      const Variant domain = ValueReader(line.substr(keyword.size()), number).ReadAll();
      if (domain.kind() != Variant::Kind::Text) Fail(number, L"the domain is a quoted text");
      config.domainName = domain.AsText();
      continue;
    }
    const auto equals = line.find(L'=');
    if (equals == std::wstring_view::npos) Fail(number, L"not a line of this file: " + std::wstring(line));

    const std::wstring name(Strip(line.substr(0, equals)));
    if (section == nullptr) Fail(number, L"property " + name + L" before the first [path] class line");
    const ClassInfo* info = FindClass(section->keyType);
    const PropertyInfo* property = info != nullptr ? FindProperty(*info, name) : nullptr;
    if (property == nullptr || property->readOnly) {
      Fail(number, L"\"" + name + L"\" is not a property of " + section->keyType);
    }
    const Variant value = ValueReader(line.substr(equals + 1), number).ReadAll();
    try {
      CheckType(*property, value);
    } catch (const corvanel::AppError& e) {
      Fail(number, e.Reason());
    }
    section->SetProperty(property->name, value);
  }
  return config;
}

std::wstring FormatConfigFile(const IisConfig& config) {
  std::wstring out = L"# IIS stand-in configuration (see iis_standin/README.md)\n";
  for (const Failure& failure : kFailures) {
    if (config.failures.*failure.flag) out += L"fail " + std::wstring(failure.keyword) + L"\n";
  }
  out += L"domain " + Quote(config.domainName) + L"\n";
  for (const auto& child : config.machine.children) FormatNode(*child, child->name, out);
  return out;
}

}  // namespace iis_standin
