#include "include_lines.h"

#include <algorithm>
#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/core/app_error.h"
#include "common/core/trimmed.h"

namespace tessaly {

using corvanel::AppError;

namespace {
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The text begins with the keyword (given in capitals), in any case.
bool StartsWithKeyword(std::wstring_view text, std::wstring_view keyword) {
  if (text.size() < keyword.size()) return false;
  for (std::size_t i = 0; i < keyword.size(); ++i) {
    wchar_t c = text[i];
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    if (c != keyword[i]) return false;
  }
  return true;
}

bool StartsWithConstKeyword(std::wstring_view text) { return StartsWithKeyword(text, L"CONST"); }

std::wstring_view SkipBlanks(std::wstring_view text) {
  return text.substr(std::min(text.find_first_not_of(L" \t"), text.size()));
}

// UTF-16 without a byte-order mark: in the first line of at least 8 bytes (among the first 20),
// nearly every byte at the odd (little endian) or the even (big endian) offsets is zero, and
// nearly none at the others. 8-bit text with a NUL here and there is not. Judged on the lines as
// they load (spaces at their ends trimmed), never on the terminators, so that a file that loads
// saves to one that loads again.
bool LooksLikeUtf16(const std::vector<std::string_view>& lines) {
  for (std::size_t n = 0; n < lines.size() && n < 20; ++n) {
    std::string_view line = lines[n].substr(0, 200);
    line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
    line.remove_suffix(line.size() - (line.find_last_not_of(' ') + 1));
    const std::size_t pairs = line.size() / 2;
    if (pairs < 4) continue;
    std::size_t zeros[2] = {};
    for (std::size_t i = 0; i < pairs * 2; ++i) zeros[i % 2] += line[i] == '\0' ? 1 : 0;
    const auto nearlyAll = [&](std::size_t z) { return z * 10 >= pairs * 9; };
    const auto nearlyNone = [&](std::size_t z) { return z * 10 <= pairs; };
    return (nearlyAll(zeros[0]) && nearlyNone(zeros[1])) || (nearlyAll(zeros[1]) && nearlyNone(zeros[0]));
  }
  return false;
}
}  // namespace

namespace {
// The first CR or LF at or after `from`, or the end. Sixteen bytes at a time where SSE2 is there
// (every x86-64 and the i686 builds' targets): one pass, with no call per line.
std::size_t FindTerminator(const char* data, std::size_t from, std::size_t size) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; from + 16 <= size; from += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from));
    const int found = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)));
    if (found != 0) return from + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(found)));
  }
#endif
  while (from < size && data[from] != '\r' && data[from] != '\n') ++from;
  return from;
}
}  // namespace

std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  const char* const data = bytes.data();
  const std::size_t size = bytes.size();
  // Room for lines of 32 bytes on average, without a pass to count them; the vector grows beyond.
  lines.reserve(size / 32 + 16);
  std::size_t start = 0;
  while (start < size) {
    const std::size_t end = FindTerminator(data, start, size);
    lines.push_back(bytes.substr(start, end - start));
    start = end + 1;
    if (end < size && data[end] == '\r' && start < size && data[start] == '\n') ++start;  // CR LF
  }
  return lines;
}

RawIncludeFile SplitIncludeFile(std::string_view bytes, std::size_t maxLines, const std::wstring& context) {
  if (bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
    throw AppError(context, L"The file is UTF-16 text (it begins with a UTF-16 byte-order mark), not 8-bit text.");
  }
  RawIncludeFile file;
  file.utf8Bom = bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom;
  if (file.utf8Bom) bytes.remove_prefix(kUtf8Bom.size());
  file.lines = SplitLines(bytes);
  if (LooksLikeUtf16(file.lines)) {
    throw AppError(context, L"The file is UTF-16 text (every other byte is zero), not 8-bit text.");
  }
  if (file.lines.size() > maxLines) {
    throw AppError(context, L"The file has " + std::to_wstring(file.lines.size()) + L" lines; at most " +
                                std::to_wstring(maxLines) + L" lines can be merged.");
  }
  return file;
}

void DecodeIncludeLine(std::string_view raw, std::size_t number, const corvanel::AnsiCodec& codec,
                       const std::wstring& context, std::wstring& line) {
  line.clear();
  if (!codec.DecodeAppend(raw, line)) {
    throw AppError(context, L"Line " + std::to_wstring(number) + L" is not text that " + corvanel::CodePageName(codec) +
                                L" can carry unchanged; the file was not loaded.");
  }
  // Trimmed in place: no second string.
  const auto first = line.find_first_not_of(L' ');
  if (first == std::wstring::npos) return line.clear();
  line.erase(line.find_last_not_of(L' ') + 1);
  line.erase(0, first);
}

DecodedText DecodeIncludeText(std::string_view bytes, const corvanel::AnsiCodec& codec, std::size_t maxLines,
                              const std::wstring& context) {
  const RawIncludeFile file = SplitIncludeFile(bytes, maxLines, context);
  DecodedText result;
  result.utf8Bom = file.utf8Bom;
  result.lines.resize(file.lines.size());
  for (std::size_t i = 0; i < file.lines.size(); ++i) {
    DecodeIncludeLine(file.lines[i], i + 1, codec, context, result.lines[i]);
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
  const auto declaration = SplitDeclaration(line);
  if (!declaration) return std::nullopt;
  return declaration->name;
}

std::wstring_view WhyNotAnEntry(std::wstring_view line) {
  if (EntryName(line)) return {};
  std::wstring_view rest = SkipBlanks(line);
  bool modifier = false;
  for (const std::wstring_view word : {std::wstring_view(L"PUBLIC"), std::wstring_view(L"PRIVATE")}) {
    const bool blankAfter = rest.size() > word.size() && (rest[word.size()] == L' ' || rest[word.size()] == L'\t');
    if (blankAfter && StartsWithKeyword(rest, word)) {
      rest = SkipBlanks(rest.substr(word.size()));
      modifier = true;
    }
  }
  if (!DeclaredName(rest)) return {};
  if (modifier) return L"Public/Private";
  if (rest.size() != line.size()) return L"tab before CONST";  // the line was trimmed of spaces only
  if (line[5] == L'\t') return L"tab after CONST";
  return L"value holds =";  // all that is left of the entry test: exactly one "="
}

bool IsPhrase(std::wstring_view line) { return line.substr(0, 6) == L"CONST "; }


}  // namespace tessaly
