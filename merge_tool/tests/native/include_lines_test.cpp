#include <gtest/gtest.h>

#include "common/core/app_error.h"
#include "common/core/utf8.h"
#include "merge_tool/core/include_lines.h"

namespace tessaly {
namespace {

using corvanel::WideToUtf8;

TEST(SplitLines, EndsLinesAtCrLfCrAndLf) {
  const struct {
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\r\nc", {"a", "b", "c"}},
      {"a\r\nb\r\nc\r\n", {"a", "b", "c"}},
      {"a\rb\r", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\n\rb", {"a", "", "b"}},  // LF then a lone CR: an empty line between
      {"\r\n\r\n", {"", ""}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\rb\nc\rd\r\n", {"a", "b", "c", "d"}},  // lone CRs between LFs
      {"\r", {""}},
      {std::string("x\0y\x1Az\r\n", 7), {std::string("x\0y\x1Az", 5)}},
  };
  for (const auto& c : cases) {
    const auto got = SplitLines(c.bytes);
    EXPECT_EQ(std::vector<std::string>(got.begin(), got.end()), c.lines) << testing::PrintToString(c.bytes);
  }
}

TEST(EntryName, FollowsTheCustomisedLineRule) {
  const struct {
    std::wstring line;
    std::optional<std::wstring> name;
  } cases[] = {
      {L"CONST txtA = 1", L"txtA"},
      {L"const   txtHello =  5", L"txtHello"},
      {L"CoNsT x=1", L"x"},
      {L"CONST txtA\t= 1", L"txtA\t"},      // tabs belong to the name here
      {L"CONST = 5", L""},                  // empty name: an entry that matches nothing
      {L"CONST a = b = c", std::nullopt},   // two "="
      {L"CONST txtA", std::nullopt},        // no "="
      {L"CONST\ttxtA = 1", std::nullopt},   // tab after CONST
      {L"\tCONST txtA = 1", std::nullopt},  // tab before CONST
      {L"CONSTtxtA = 1", std::nullopt},
      {L"CONST", std::nullopt},
      {L"DIM x = 1", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(EntryName(c.line), c.name) << WideToUtf8(c.line);
}

TEST(DeclaredName, AcceptsBlanksAroundTheKeywordAndName) {
  const struct {
    std::wstring line;
    std::optional<std::wstring> name;
  } cases[] = {
      {L"CONST txtA = 1", L"txtA"},
      {L"\tCONST txtA = 1", L"txtA"},
      {L"CONST\ttxtA = 1", L"txtA"},
      {L"CONST txtA\t= 1", L"txtA"},
      {L" \t const  txtA  = 1", L"txtA"},
      {L"Const txtA = a = b", L"txtA"},  // the first "=" ends the name
      {L"CONST = 1", L""},
      {L"' txtA = 1 comment", std::nullopt},
      {L"CONST txtA", std::nullopt},
      {L"CONSTANT txtA = 1", std::nullopt},
      {L"", std::nullopt},
      {L"\t", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(DeclaredName(c.line), c.name) << WideToUtf8(c.line);
}

TEST(IsPhrase, NeedsCapitalConstAndSpace) {
  EXPECT_TRUE(IsPhrase(L"CONST txtA = 1"));
  EXPECT_TRUE(IsPhrase(L"CONST "));
  EXPECT_TRUE(IsPhrase(L"CONST txtA"));
  EXPECT_FALSE(IsPhrase(L"Const txtA = 1"));
  EXPECT_FALSE(IsPhrase(L"CONST\ttxtA = 1"));
  EXPECT_FALSE(IsPhrase(L"\tCONST txtA = 1"));
  EXPECT_FALSE(IsPhrase(L"CONST"));
}

TEST(DecodeIncludeText, TrimsSpacesKeepsTabsAndSetsAsideUtf8Bom) {
  corvanel::Cp1252Codec codec;
  auto text = DecodeIncludeText("\xEF\xBB\xBF  CONST a = 1  \r\n\tx \r\n", codec, 1000, L"ctx");
  EXPECT_TRUE(text.utf8Bom);
  EXPECT_EQ(text.lines, (std::vector<std::wstring>{L"CONST a = 1", L"\tx"}));
  EXPECT_FALSE(DecodeIncludeText("a", codec, 1000, L"ctx").utf8Bom);
}

TEST(DecodeIncludeText, RefusesUtf16AndTooManyLines) {
  corvanel::Cp1252Codec codec;
  for (const std::string& bytes :
       {std::string("\xFF\xFE"
                    "C\0",
                    4),
        std::string("\xFE\xFF\0C", 4), std::string("C\0O\0N\0S\0T\0 \0", 12), std::string("\0C\0O\0N\0S\0T\0 ", 12)}) {
    try {
      DecodeIncludeText(bytes, codec, 1000, L"Cannot load \"x\"");
      ADD_FAILURE() << "UTF-16 accepted";
    } catch (const corvanel::AppError& e) {
      EXPECT_EQ(e.Context(), L"Cannot load \"x\"");
      EXPECT_NE(e.Reason().find(L"UTF-16"), std::wstring::npos);
    }
  }
  // NULs in 8-bit text stay as they are.
  EXPECT_EQ(DecodeIncludeText(std::string("C\0\0\r\n\0b", 7), codec, 1000, L"").lines,
            (std::vector<std::wstring>{std::wstring(L"C\0\0", 3), std::wstring(L"\0b", 2)}));
  std::string lines;
  for (int i = 0; i < 1000; ++i) lines += "x\r\n";
  EXPECT_EQ(DecodeIncludeText(lines, codec, 1000, L"").lines.size(), 1000u);
  lines += "x";
  EXPECT_THROW(DecodeIncludeText(lines, codec, 1000, L""), corvanel::AppError);
}

// A code page in which some bytes are not text: the line is named and nothing is loaded.
class AsciiOnlyCodec final : public corvanel::AnsiCodec {
 public:
  unsigned CodePage() const override { return 20127; }
  bool DecodeAppend(std::string_view bytes, std::wstring& out) const override {
    for (char c : bytes) {
      if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    out.append(bytes.begin(), bytes.end());
    return true;
  }
  bool EncodeAppend(std::wstring_view, std::string&) const override { return false; }
};

TEST(DecodeIncludeText, NamesTheLineAndCodePageThatCannotBeDecoded) {
  try {
    DecodeIncludeText("ok\r\nbad \xE9\r\n", AsciiOnlyCodec(), 1000, L"Cannot load \"x\"");
    FAIL() << "accepted";
  } catch (const corvanel::AppError& e) {
    EXPECT_NE(e.Reason().find(L"Line 2 "), std::wstring::npos) << WideToUtf8(e.Reason());
    EXPECT_NE(e.Reason().find(L"20127"), std::wstring::npos);
  }
}

}  // namespace
}  // namespace tessaly
