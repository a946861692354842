#include "module1.h"

#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/core/app_error.h"
#include "include_lines.h"

namespace tessaly {

using corvanel::AppError;

namespace {
std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

constexpr std::wstring_view kReportHeader =
    L"The following phrases were found in the standard Lang.inc file\r\n"
    L"but were not found in the custom Lang.inc file.\r\n"
    L"Please edit them manually using Notepad.exe .\r\n"
    L"\r\n";
}  // namespace

void Module1State::LoadStandardFile(const std::wstring& path) {
  const std::wstring context = L"Cannot load the standard file " + Quoted(path);
  const std::string bytes = files_->ReadAll(path, kMaxFileBytes);
  DecodedText text = DecodeIncludeText(bytes, *codec_, kMaxLines, context);

  const auto count = text.lines.size();
  for (std::size_t k = 0; k < count; ++k) incLines[k + 1] = std::move(text.lines[k]);
  incCount = static_cast<std::int16_t>(count);
  incUtf8Bom = text.utf8Bom;
}

void Module1State::MergeCustomFile(const std::wstring& path) {
  const std::wstring context = L"Cannot merge the customized file " + Quoted(path);
  const std::string bytes = files_->ReadAll(path, kMaxFileBytes);
  const DecodedText text = DecodeIncludeText(bytes, *codec_, static_cast<std::size_t>(-1), context);

  // Declarations by exact name. Replacing a declaration by an entry of the same name keeps the
  // declared name, so the index stays true for the whole merge.
  std::unordered_map<std::wstring, std::vector<std::int16_t>> declarations;
  for (std::int16_t k = 1; k <= incCount; ++k) {
    if (auto name = DeclaredName(incLines[k]); name && !name->empty()) {
      declarations[std::wstring(*name)].push_back(k);
    }
  }

  for (std::int16_t k = 1; k <= incCount; ++k) incFound[k] = 0;
  for (const std::wstring& line : text.lines) {
    const auto name = EntryName(line);
    if (!name) continue;
    const auto key = StripBlanks(*name);
    if (key.empty()) continue;
    const auto hit = declarations.find(std::wstring(key));
    if (hit == declarations.end()) continue;
    for (const std::int16_t k : hit->second) {
      incLines[k] = line;
      incFound[k] = 1;
    }
  }
}

std::wstring Module1State::BuildReportText() const {
  std::wstring list;
  for (std::int16_t k = 1; k <= incCount; ++k) {
    if (IsPhrase(incLines[k]) && incFound[k] != 1) {
      list += incLines[k];
      list += L"\r\n";
    }
  }
  if (list.empty()) return {};
  return std::wstring(kReportHeader) + list;
}

void Module1State::SaveMergedFile(const std::wstring& path) const {
  std::string bytes;
  if (incUtf8Bom) bytes = "\xEF\xBB\xBF";
  for (std::int16_t k = 1; k <= incCount; ++k) {
    const auto encoded = codec_->Encode(incLines[k]);
    if (!encoded) {
      throw AppError(L"Cannot save the merged file " + Quoted(path),
                     L"Line " + std::to_wstring(k) + L" holds characters that the ANSI code page " +
                         std::to_wstring(codec_->CodePage()) + L" cannot represent; nothing was written.");
    }
    bytes += *encoded;
    bytes += "\r\n";
  }
  files_->ReplaceAll(path, bytes);
}

}  // namespace tessaly
