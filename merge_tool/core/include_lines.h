#pragma once
// The line rules of include files: splitting, decoding, and the three tests the merge makes of a
// line (customised entry, model declaration, report phrase).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/ansi_codec.h"

namespace tessaly {

// Lines end at CR LF, CR or LF; the terminator is not part of the line. A last line without a
// terminator counts; a final terminator adds no empty line; no bytes give no lines.
std::vector<std::string_view> SplitLines(std::string_view bytes);

struct DecodedText {
  std::vector<std::wstring> lines;  // trimmed
  bool utf8Bom = false;             // the bytes began with a UTF-8 byte-order mark (set aside)
};

// Decodes a whole include file. Throws AppError (context: `context`) for a UTF-16 file (with a
// byte-order mark, or without one when every other byte of its start is zero), a file of
// more than maxLines lines, or a line that the code page cannot carry unchanged.
DecodedText DecodeIncludeText(std::string_view bytes, const corvanel::AnsiCodec& codec, std::size_t maxLines,
                              const std::wstring& context);

// The same in two steps, for callers that decode one line at a time. First the checks of the
// whole file (UTF-16, byte-order mark, maxLines), giving the raw lines...
struct RawIncludeFile {
  std::vector<std::string_view> lines;  // into the bytes given
  bool utf8Bom = false;
};
RawIncludeFile SplitIncludeFile(std::string_view bytes, std::size_t maxLines, const std::wstring& context);
// ...then line `number` (1-based) of them, decoded into `line` (its old text replaced) and trimmed.
void DecodeIncludeLine(std::string_view raw, std::size_t number, const corvanel::AnsiCodec& codec,
                       const std::wstring& context, std::wstring& line);

// Entry test of a customised (trimmed) line: "CONST " in any case, exactly one "=". The name is
// the text between the first six characters and the "=", trimmed of spaces.
std::optional<std::wstring_view> EntryName(std::wstring_view line);

// Declaration test of a model line: spaces and tabs skipped, "CONST" in any case followed by a
// space or tab, at least one "=". The name is the text up to the first "=", trimmed of spaces
// and tabs.
std::optional<std::wstring_view> DeclaredName(std::wstring_view line);

// Removes spaces and tabs from both ends (names are compared so). Inline with the test below: they
// run for every line of the standard and the previous standard file.
template <class CharT>
std::basic_string_view<CharT> StripBlanks(std::basic_string_view<CharT> text) {
  // Plain loops: find_first_not_of with a set calls a search of the set for every character.
  const auto blank = [](CharT c) { return c == CharT(' ') || c == CharT('\t'); };
  std::size_t first = 0, end = text.size();
  while (first < end && blank(text[first])) ++first;
  while (end > first && blank(text[end - 1])) --end;
  return first == end ? std::basic_string_view<CharT>() : text.substr(first, end - first);
}
inline std::wstring_view StripBlanks(std::wstring_view text) { return StripBlanks<wchar_t>(text); }
inline std::string_view StripBlanks(std::string_view text) { return StripBlanks<char>(text); }

// The declaration test on wide text, or on the bytes of a code page of one character a byte that
// reads the bytes 0x00-0x7F as ASCII and no other byte as an ASCII character: the name, and the
// text after the first "=" (the value, before its blanks are stripped).
template <class CharT>
struct Declaration {
  std::basic_string_view<CharT> name;
  std::basic_string_view<CharT> rest;
};
template <class CharT>
std::optional<Declaration<CharT>> SplitDeclaration(std::basic_string_view<CharT> line) {
  const auto blank = [](CharT c) { return c == CharT(' ') || c == CharT('\t'); };
  std::size_t first = 0;
  while (first < line.size() && blank(line[first])) ++first;
  line.remove_prefix(first);
  if (line.size() < 6 || !blank(line[5])) return std::nullopt;
  for (std::size_t i = 0; i < 5; ++i) {
    CharT c = line[i];
    if (c >= CharT('a') && c <= CharT('z')) c = static_cast<CharT>(c - CharT('a') + CharT('A'));
    if (c != CharT("CONST"[i])) return std::nullopt;
  }
  const std::size_t equals = line.find(CharT('='), 6);
  if (equals == line.npos) return std::nullopt;
  return Declaration<CharT>{StripBlanks<CharT>(line.substr(6, equals - 6)), line.substr(equals + 1)};
}

// Why a customised (trimmed) line that looks like a declaration is no entry: "Public/Private",
// "tab before CONST", "tab after CONST" or "value holds =". It looks like one when the model's
// declaration test holds for it, after a "Public" or "Private" if it has one. Empty for entries
// and for lines that look like no declaration.
std::wstring_view WhyNotAnEntry(std::wstring_view line);

// A phrase for the report: the line begins with exactly "CONST ".
bool IsPhrase(std::wstring_view line);

}  // namespace tessaly
