// The engine under the Japanese ANSI code page 932: bytes that would not survive the conversion
// are refused on loading, characters without an exact form are refused on saving.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/core/app_error.h"
#include "common/core/utf8.h"
#include "merge_tool/core/module1.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

class CodePage932 : public ::testing::Test {
 protected:
  fs::path dir = fs::temp_directory_path() / L"tessaly-cp932";
  Module1State m;
  void SetUp() override {
    ASSERT_EQ(GetACP(), 932u) << "the test needs LC_ALL=ja_JP.UTF-8";
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  std::wstring Write(const wchar_t* name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return (dir / name).wstring();
  }
  std::string Read(const wchar_t* name) {
    std::ifstream in(dir / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(CodePage932, ValidDoubleByteTextRoundTrips) {
  const std::string text = "CONST txt = \"\x93\xfa\x96\x7b\x8c\xea\"\r\n";  // "Japanese" in Shift-JIS
  m.LoadStandardFile(Write(L"ok.inc", text));
  EXPECT_EQ(m.incLines[1], L"CONST txt = \"\u65E5\u672C\u8A9E\"");
  m.SaveMergedFile((dir / L"out.inc").wstring());
  EXPECT_EQ(Read(L"out.inc"), text);
}

TEST_F(CodePage932, LinesThatWouldChangeAreRefusedNamingLineAndCodePage) {
  m.LoadStandardFile(Write(L"std.inc", "CONST a = 1\r\n"));
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"a lead byte without its trail byte", "CONST a = 1\r\nCONST b = \x81\r\n"},
      {"a byte that is no character", "CONST a = 1\r\nCONST b = \xA0\xFD\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      m.LoadStandardFile(Write(L"bad.inc", c.bytes));
      ADD_FAILURE() << "loaded";
    } catch (const corvanel::AppError& e) {
      EXPECT_NE(e.Message().find(L"Line 2 "), std::wstring::npos) << corvanel::WideToUtf8(e.Message());
      EXPECT_NE(e.Message().find(L"932"), std::wstring::npos);
      EXPECT_NE(e.Message().find(L"bad.inc"), std::wstring::npos);
    }
    EXPECT_EQ(m.incCount, 1);
    EXPECT_EQ(m.incLines[1], L"CONST a = 1");
  }
}

TEST_F(CodePage932, CharactersWithoutAnExactFormAreNotWrittenAsLookAlikes) {
  m.LoadStandardFile(Write(L"std.inc", "CONST a = 1\r\n"));
  m.incLines[1] = L"CONST a = caf\u00E9";  // no e-acute in code page 932; best fit would write "e"
  Write(L"target.inc", "old");
  EXPECT_THROW(m.SaveMergedFile((dir / L"target.inc").wstring()), corvanel::AppError);
  EXPECT_EQ(Read(L"target.inc"), "old");
}

}  // namespace
}  // namespace tessaly
