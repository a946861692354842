// incmerge.exe where Windows differs: a console is given text, a locked target is left alone.
#include <gtest/gtest.h>

#include "common/win/handles_win.h"
#include "process_win.h"

namespace tessaly::cli::testing {
namespace {

namespace fs = std::filesystem;

class IncmergeWin : public WorkFolderTest {
 protected:
  void SetUp() override {
    WorkFolderTest::SetUp();
    // Windows-1252: e acute and the euro sign (0x80), which a console's OEM code page shows as
    // other characters when given the bytes.
    Write("std.inc", "CONST txtCaf\xE9 = \"\x80 5\"\r\nCONST txtB = 1\r\n");
    Write("custom.inc", "CONST txtB = 2\r\n");
  }
};

// The characters of a console screen buffer, row by row, trailing blanks removed.
std::vector<std::wstring> ScreenRows(HANDLE screen) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(screen, &info)) return {};
  std::vector<std::wstring> rows;
  for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
    std::wstring row(static_cast<std::size_t>(info.dwSize.X), L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(screen, row.data(), info.dwSize.X, COORD{0, y}, &read);
    row.resize(read);
    row.erase(row.find_last_not_of(L' ') + 1);
    rows.push_back(row);
  }
  return rows;
}

TEST_F(IncmergeWin, ConsoleShowsTheReportAsText) {
  // A console of the test's own, which incmerge shares; Wine's stand-in for a terminal has no
  // screen buffer to read. The test's own output stays where it went.
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE), err = GetStdHandle(STD_ERROR_HANDLE);
  FreeConsole();
  const bool console = AllocConsole();
  SetStdHandle(STD_OUTPUT_HANDLE, out);
  SetStdHandle(STD_ERROR_HANDLE, err);
  if (!console) GTEST_SKIP() << "no console here (no display?)";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const corvanel::unique_hfile screen(CreateConsoleScreenBuffer(
      GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CONSOLE_TEXTMODE_BUFFER, nullptr));
  ASSERT_TRUE(screen);
  const corvanel::unique_hfile errors(CreateFileW((dir / "err.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_EQ(RunIncmergeWith(dir, {"std.inc", "custom.inc", "-o", "out.inc"}, screen.get(), errors.get()), 1);
  const std::vector<std::wstring> expected = {
      L"The following phrases were found in the standard file \"std.inc\"",
      L"but were not found in the customized file \"custom.inc\".",
      L"Please edit them by hand in the merged file.",
      L"",
      L"CONST txtCaf\u00E9 = \"\u20AC 5\"",
      L"",
  };
  EXPECT_EQ(ScreenRows(screen.get()), expected);
  EXPECT_EQ(Read("out.inc"), "CONST txtCaf\xE9 = \"\x80 5\"\r\nCONST txtB = 2\r\n");
}

TEST_F(IncmergeWin, LockedTargetIsLeftAsItWas) {
  Write("out.inc", "keep");
  const corvanel::unique_hfile lock(
      CreateFileW((dir / "out.inc").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(lock);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"std.inc", "custom.inc", "-o", "out.inc"},
        std::vector<std::string>{"std.inc", "custom.inc", "-o", "out.inc", "--backup"}}) {
    const Outcome o = RunIncmerge(dir, args);
    EXPECT_EQ(o.status, 4);
    EXPECT_NE(o.err.find("out.inc"), std::string::npos) << o.err;
  }
  EXPECT_FALSE(fs::exists(dir / "out.inc.bak"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
}

}  // namespace
}  // namespace tessaly::cli::testing
