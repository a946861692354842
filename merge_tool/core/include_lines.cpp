#include "include_lines.h"

#include <algorithm>

#include "common/core/app_error.h"
#include "common/core/trimmed.h"

namespace tessaly {

using corvanel::AppError;

namespace {
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool StartsWithConstKeyword(std::wstring_view text) {
  constexpr std::wstring_view kConst = L"CONST";
  if (text.size() < kConst.size()) return false;
  for (std::size_t i = 0; i < kConst.size(); ++i) {
    wchar_t c = text[i];
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    if (c != kConst[i]) return false;
  }
  return true;
}
}  // namespace

std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  const std::size_t size = bytes.size();
  for (std::size_t i = 0; i < size; ++i) {
    const char c = bytes[i];
    if (c != '\r' && c != '\n') continue;
    lines.push_back(bytes.substr(start, i - start));
    if (c == '\r' && i + 1 < size && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < size) lines.push_back(bytes.substr(start));
  return lines;
}

DecodedText DecodeIncludeText(std::string_view bytes, const corvanel::AnsiCodec& codec, std::size_t maxLines,
                              const std::wstring& context) {
  DecodedText result;
  if (bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
    throw AppError(context, L"The file is UTF-16 text (it begins with a UTF-16 byte-order mark), not 8-bit text.");
  }
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    result.utf8Bom = true;
    bytes.remove_prefix(kUtf8Bom.size());
  }
  const auto raw = SplitLines(bytes);
  if (raw.size() > maxLines) {
    throw AppError(context, L"The file has " + std::to_wstring(raw.size()) + L" lines; at most " +
                                std::to_wstring(maxLines) + L" lines can be merged.");
  }
  result.lines.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    auto text = codec.Decode(raw[i]);
    if (!text) {
      throw AppError(context, L"Line " + std::to_wstring(i + 1) + L" is not text that the ANSI code page " +
                                  std::to_wstring(codec.CodePage()) +
                                  L" can carry unchanged; the file was not loaded.");
    }
    result.lines.push_back(corvanel::Trimmed(*text));
  }
  return result;
}

std::optional<std::wstring_view> EntryName(std::wstring_view line) {
  if (line.size() < 6 || !StartsWithConstKeyword(line) || line[5] != L' ') return std::nullopt;
  const auto equals = line.find(L'=');
  if (equals == std::wstring_view::npos || line.find(L'=', equals + 1) != std::wstring_view::npos) {
    return std::nullopt;
  }
  return corvanel::TrimmedView(line.substr(6, equals - 6));
}

std::optional<std::wstring_view> DeclaredName(std::wstring_view line) {
  const auto first = line.find_first_not_of(L" \t");
  if (first == std::wstring_view::npos) return std::nullopt;
  line.remove_prefix(first);
  if (line.size() < 6 || !StartsWithConstKeyword(line) || (line[5] != L' ' && line[5] != L'\t')) {
    return std::nullopt;
  }
  const auto equals = line.find(L'=', 6);
  if (equals == std::wstring_view::npos) return std::nullopt;
  return StripBlanks(line.substr(6, equals - 6));
}

bool IsPhrase(std::wstring_view line) { return line.substr(0, 6) == L"CONST "; }

std::wstring_view StripBlanks(std::wstring_view text) {
  const auto first = text.find_first_not_of(L" \t");
  if (first == std::wstring_view::npos) return {};
  const auto last = text.find_last_not_of(L" \t");
  return text.substr(first, last - first + 1);
}

}  // namespace tessaly
