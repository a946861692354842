#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/core/app_error.h"
#include "common/core/utf8.h"
#include "merge_tool/core/file_store.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

class PosixFiles : public ::testing::Test {
 protected:
  fs::path dir =
      fs::temp_directory_path() / ("tessaly-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                   "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::wstring W(const fs::path& p) { return corvanel::Utf8ToWide(p.string()); }
  std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(PosixFiles, ReplacesAndCreatesWholeFiles) {
  FileStore& store = SystemFileStore();
  const auto target = dir / "t.inc";
  store.ReplaceAll(W(target), "one");
  EXPECT_EQ(Read(target), "one");
  store.ReplaceAll(W(target), "two\r\n");
  EXPECT_EQ(store.ReadAll(W(target), 100), "two\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);  // no temporary left
}

TEST_F(PosixFiles, FailuresNameTheFileAndChangeNothing) {
  FileStore& store = SystemFileStore();
  std::ofstream(dir / "big.inc") << std::string(200, 'x');
  const struct {
    const char* what;
    std::function<void()> action;
    fs::path named;  // the file the message must name
  } failures[] = {
      {"missing file", [&] { (void)store.ReadAll(W(dir / "none.inc"), 100); }, dir / "none.inc"},
      {"a folder", [&] { (void)store.ReadAll(W(dir), 100); }, dir},
      {"oversized", [&] { (void)store.ReadAll(W(dir / "big.inc"), 100); }, dir / "big.inc"},
      {"save into a missing folder", [&] { store.ReplaceAll(W(dir / "no" / "x.inc"), "x"); }, dir / "no" / "x.inc"},
      {"save over a folder", [&] { store.ReplaceAll(W(dir), "x"); }, dir},
  };
  for (const auto& f : failures) {
    SCOPED_TRACE(f.what);
    try {
      f.action();
      ADD_FAILURE() << "no error";
    } catch (const corvanel::AppError& e) {
      EXPECT_NE(e.Context().find(L"\"" + W(f.named) + L"\""), std::wstring::npos) << corvanel::WideToUtf8(e.Message());
      EXPECT_FALSE(e.Reason().empty());
    }
  }
  EXPECT_EQ(Read(dir / "big.inc"), std::string(200, 'x'));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace tessaly
