// The merge engine against real files through the Win32 file API (run under Wine).
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "common/core/app_error.h"
#include "common/core/utf8.h"
#include "common/win/handles_win.h"
#include "merge_tool/core/module1.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using corvanel::AppError;

class EngineFiles : public ::testing::Test {
 protected:
  // Any folder name must work: the W APIs carry it whole.
  fs::path dir = fs::temp_directory_path() /
                 (std::wstring(L"tessaly \u00E9\u00FC \u65E5\u672C ") +
                  corvanel::Utf8ToWide(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  Module1State m;

  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  std::wstring Path(const wchar_t* name) const { return (dir / name).wstring(); }
  void Write(const wchar_t* name, const std::string& bytes) const {
    std::ofstream(dir / name, std::ios::binary) << bytes;
  }
  std::string Read(const wchar_t* name) const {
    std::ifstream in(dir / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::size_t FileCount() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
  }
  std::vector<std::wstring> Model() const {
    return std::vector<std::wstring>(m.incLines.begin() + 1, m.incLines.begin() + 1 + m.incCount);
  }
  // Runs action, which must fail with an error whose text names `what`.
  static void ExpectError(const std::function<void()>& action, const std::wstring& what) {
    try {
      action();
      ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
      EXPECT_NE(e.Message().find(what), std::wstring::npos) << corvanel::WideToUtf8(e.Message());
      EXPECT_FALSE(e.Reason().empty());
    }
  }
};

// The engine reads and writes files in the ANSI code page, which the tests pin to Windows-1252:
// bytes that mean other characters in other code pages reach the model as 1252's.
TEST_F(EngineFiles, FilesAreReadAndWrittenInTheAnsiCodePage) {
  ASSERT_EQ(GetACP(), 1252u) << "the tests assume the code page of LC_ALL=C.UTF-8";
  Write(L"Lang.inc", "CONST txt\xE9 = \"\x80 \x9F \xFC\"\r\n");
  m.LoadStandardFile(Path(L"Lang.inc"));
  EXPECT_EQ(Model(), (std::vector<std::wstring>{L"CONST txt\u00E9 = \"\u20AC \u0178 \u00FC\""}));
  m.incLines[1] = L"CONST txt\u00E9 = \"\u2122\"";  // a trade mark sign: 0x99 in 1252
  m.SaveMergedFile(Path(L"out.inc"));
  EXPECT_EQ(Read(L"out.inc"), "CONST txt\xE9 = \"\x99\"\r\n");
}

TEST_F(EngineFiles, EveryByteValueSurvivesLoadAndSave) {
  std::string standard;
  for (int b = 0; b < 256; ++b) {
    if (b == '\r' || b == '\n') continue;
    standard += "x";
    standard += static_cast<char>(b);
    standard += "x\r\n";
  }
  Write(L"all.inc", standard);
  m.LoadStandardFile(Path(L"all.inc"));
  EXPECT_EQ(m.incCount, 254);
  m.SaveMergedFile(Path(L"out.inc"));
  EXPECT_EQ(Read(L"out.inc"), standard);
}

TEST_F(EngineFiles, MergeAndSaveOverTheStandardFileReplacesIt) {
  Write(L"Lang.inc", "CONST a = 1\r\n\tCONST b = 2\r\n' note a\rCONST c = 3");
  Write(L"custom.inc", "const a = 10\nCONST b = 20\n");
  m.LoadStandardFile(Path(L"Lang.inc"));
  m.MergeCustomFile(Path(L"custom.inc"));
  EXPECT_EQ(m.BuildReportText().substr(m.BuildReportText().size() - 13), L"CONST c = 3\r\n");
  m.SaveMergedFile(Path(L"Lang.inc"));
  EXPECT_EQ(Read(L"Lang.inc"), "const a = 10\r\nCONST b = 20\r\n' note a\r\nCONST c = 3\r\n");
  EXPECT_EQ(FileCount(), 2u);  // no temporary or backup file left
}

TEST_F(EngineFiles, SaveKeepsTheReplacedFilesAttributes) {
  Write(L"t.inc", "old");
  ASSERT_TRUE(SetFileAttributesW(Path(L"t.inc").c_str(), FILE_ATTRIBUTE_HIDDEN));
  m.SaveMergedFile(Path(L"t.inc"));
  EXPECT_EQ(Read(L"t.inc"), "");
  EXPECT_TRUE(GetFileAttributesW(Path(L"t.inc").c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(EngineFiles, FailedSavesLeaveTheTargetAndNoTemporaryFile) {
  Write(L"std.inc", "CONST a = 1\r\n");
  m.LoadStandardFile(Path(L"std.inc"));
  Write(L"locked.inc", "keep me");
  Write(L"readonly.inc", "keep me too");
  ASSERT_TRUE(SetFileAttributesW(Path(L"readonly.inc").c_str(), FILE_ATTRIBUTE_READONLY));
  corvanel::unique_hfile lock(
      CreateFileW(Path(L"locked.inc").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(lock);

  const struct {
    const wchar_t* what;
    std::wstring target;
  } cases[] = {
      {L"locked file", Path(L"locked.inc")},
      {L"read-only file", Path(L"readonly.inc")},
      {L"missing folder", Path(L"no such folder\\x.inc")},
      {L"a folder", dir.wstring()},
      {L"device NUL", Path(L"NUL")},
      {L"device CON", L"CON"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(corvanel::WideToUtf8(c.what));
    ExpectError([&] { m.SaveMergedFile(c.target); }, L"Cannot save");
  }
  lock.reset();
  EXPECT_EQ(Read(L"locked.inc"), "keep me");
  EXPECT_EQ(Read(L"readonly.inc"), "keep me too");
  EXPECT_EQ(FileCount(), 3u);
  SetFileAttributesW(Path(L"readonly.inc").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(EngineFiles, BadInputGivesAClearErrorAndKeepsTheModel) {
  Write(L"std.inc", "CONST a = 1\r\n");
  m.LoadStandardFile(Path(L"std.inc"));
  std::string lines1001;
  for (int i = 0; i < 1001; ++i) lines1001 += "CONST x = 1\r\n";
  Write(L"1001.inc", lines1001);
  Write(L"utf16.inc", std::string("\xFF\xFE"
                                  "C\0O\0",
                                  6));
  Write(L"removed.inc", "CONST a = 2\r\n");
  DeleteFileW(Path(L"removed.inc").c_str());

  const struct {
    const wchar_t* what;
    std::function<void()> action;
    std::wstring expected;
  } cases[] = {
      {L"1001 lines", [&] { m.LoadStandardFile(Path(L"1001.inc")); }, L"1001 lines"},
      {L"UTF-16", [&] { m.LoadStandardFile(Path(L"utf16.inc")); }, L"UTF-16"},
      {L"removed after choosing", [&] { m.LoadStandardFile(Path(L"removed.inc")); }, Path(L"removed.inc")},
      {L"removed customised file", [&] { m.MergeCustomFile(Path(L"removed.inc")); }, Path(L"removed.inc")},
      {L"device NUL", [&] { m.LoadStandardFile(Path(L"NUL")); }, L"device"},
      {L"device COM1", [&] { m.LoadStandardFile(L"COM1"); }, L"COM1"},
      {L"a folder", [&] { m.MergeCustomFile(dir.wstring()); }, L"folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(corvanel::WideToUtf8(c.what));
    ExpectError(c.action, c.expected);
    EXPECT_EQ(Model(), std::vector<std::wstring>{L"CONST a = 1"});
  }
}

TEST_F(EngineFiles, NulCtrlZAndAMegabyteLineLoadAndSaveUnchanged) {
  const std::string big(1 << 20, 'q');
  const std::string standard = std::string("CONST a = \"x\0y\x1Az\"\r\n", 19) + "CONST big = " + big + "\r\n";
  Write(L"odd.inc", standard);
  Write(L"custom.inc", "CONST big = 2\r\n");
  m.LoadStandardFile(Path(L"odd.inc"));
  ASSERT_EQ(m.incCount, 2);
  EXPECT_EQ(m.incLines[1].size(), 17u);
  m.SaveMergedFile(Path(L"same.inc"));
  EXPECT_TRUE(Read(L"same.inc") == standard);  // no megabyte diff on failure
  m.MergeCustomFile(Path(L"custom.inc"));
  m.SaveMergedFile(Path(L"merged.inc"));
  EXPECT_EQ(Read(L"merged.inc"), std::string("CONST a = \"x\0y\x1Az\"\r\n", 19) + "CONST big = 2\r\n");
}

}  // namespace
}  // namespace tessaly
