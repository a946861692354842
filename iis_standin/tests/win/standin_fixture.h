#pragma once
// Shared by the Windows tests of the stand-in: COM for the test program, and configuration files
// of the test's own (IIS 6's and applicationHost.config) that the stand-in is pointed at through
// its environment variables.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "common/core/utf8.h"
#include "common/tests/win/build_path_win.h"
#include "common/win/com_init_win.h"

namespace iis_standin::testing {

using corvanel::testing::BuildPath;

class StandInTest : public ::testing::Test {
 protected:
  std::filesystem::path dir = std::filesystem::temp_directory_path() / L"iis standin tests";
  std::filesystem::path file =
      dir / (corvanel::Utf8ToWide(::testing::UnitTest::GetInstance()->current_test_info()->name()) + L".txt");
  std::filesystem::path apphostFile = std::filesystem::path(file).replace_extension(L".config");

  static void SetUpTestSuite() { apartment_ = std::make_unique<corvanel::ComApartment>(); }
  static void TearDownTestSuite() { apartment_.reset(); }

  void SetUp() override {
    std::filesystem::create_directories(dir);
    std::filesystem::remove(file);
    std::filesystem::remove(apphostFile);
    ASSERT_TRUE(::SetEnvironmentVariableW(L"CORVANEL_IIS_STANDIN", file.wstring().c_str()));
    ASSERT_TRUE(::SetEnvironmentVariableW(L"CORVANEL_APPHOST_STANDIN", apphostFile.wstring().c_str()));
    ::SetEnvironmentVariableW(L"CORVANEL_APPHOST_FAIL", nullptr);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    std::filesystem::remove(apphostFile, ignored);
    ::SetEnvironmentVariableW(L"CORVANEL_APPHOST_FAIL", nullptr);
  }

  void WriteConfig(const std::string& text) const { std::ofstream(file, std::ios::binary) << text; }
  void WriteApphost(const std::string& text) const { std::ofstream(apphostFile, std::ios::binary) << text; }
  std::string ReadConfig() const { return ReadFile(file); }
  // applicationHost.config with its line ends as LF, for comparing with literals.
  std::string ReadApphost() const {
    std::string text = ReadFile(apphostFile);
    std::erase(text, '\r');
    return text;
  }
  static std::string ReadFile(const std::filesystem::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
  }

 private:
  static inline std::unique_ptr<corvanel::ComApartment> apartment_;
};

// Three sites among other children of the service, so that only the class tells them apart.
inline const char kThreeSites[] =
    "domain \"CORVANEL\"\n"
    "[W3SVC] IIsWebService\n"
    "[W3SVC/AppPools] IIsApplicationPools\n"
    "[W3SVC/Filters] IIsFilters\n"
    "[W3SVC/1] IIsWebServer\n"
    "ServerComment = \"Default Web Site\"\n"
    "[W3SVC/1/ROOT] IIsWebVirtualDir\n"
    "Path = \"C:\\\\Inetpub\\\\wwwroot\"\n"
    "[W3SVC/1/ROOT/Phone] IIsWebVirtualDir\n"
    "Path = \"C:\\\\Web\\\\Phone\"\n"
    "[W3SVC/Info] IIsObject  # as real IIS lists it: a class the stand-in does not model\n"
    "[W3SVC/2] IIsWebServer\n"
    "ServerComment = \"Administration Web Site\"\n"
    "[W3SVC/5] IIsWebServer\n"
    "ServerComment = \"Extra\"\n"
    "[W3SVC/5/ROOT] IIsWebVirtualDir\n";

}  // namespace iis_standin::testing
