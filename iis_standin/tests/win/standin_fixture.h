#pragma once
// Shared by the Windows tests of the stand-in: COM for the test program, and a configuration file
// of the test's own that the stand-in is pointed at through its environment variable.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "common/core/utf8.h"
#include "vdir_setup/win/com_init_win.h"

namespace iis_standin::testing {

class StandInTest : public ::testing::Test {
 protected:
  std::filesystem::path dir = std::filesystem::temp_directory_path() / L"iis standin tests";
  std::filesystem::path file =
      dir / (corvanel::Utf8ToWide(::testing::UnitTest::GetInstance()->current_test_info()->name()) + L".txt");

  static void SetUpTestSuite() { apartment_ = std::make_unique<vardock::ComApartment>(); }
  static void TearDownTestSuite() { apartment_.reset(); }

  void SetUp() override {
    std::filesystem::create_directories(dir);
    std::filesystem::remove(file);
    ASSERT_TRUE(::SetEnvironmentVariableW(L"CORVANEL_IIS_STANDIN", file.wstring().c_str()));
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
  }

  void WriteConfig(const std::string& text) const { std::ofstream(file, std::ios::binary) << text; }
  std::string ReadConfig() const {
    std::ostringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    return text.str();
  }

 private:
  static inline std::unique_ptr<vardock::ComApartment> apartment_;
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
