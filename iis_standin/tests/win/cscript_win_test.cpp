// The stand-in driven by Wine's cscript.exe, a client that shares no code with it: VBScript's own
// calling conventions (method-or-get flags, arguments by reference, For Each).
#include <gtest/gtest.h>

#include <algorithm>

#include "common/win/handles_win.h"
#include "standin_fixture.h"
#include "common/tests/win/start_process_win.h"

namespace iis_standin::testing {
namespace {

std::wstring ScriptPath(const wchar_t* name) { return BuildPath(IIS_STANDIN_TEST_SCRIPTS) + L"\\" + name; }

class Cscript : public StandInTest {
 protected:
  // Runs the script and gives what it printed.
  std::string Run(const wchar_t* script) const {
    const std::filesystem::path output = dir / L"cscript output.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    {
      corvanel::unique_hfile out(::CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
      EXPECT_TRUE(out.valid());
      wchar_t system[MAX_PATH] = {};
      ::GetSystemDirectoryW(system, MAX_PATH);
      const std::wstring program = std::wstring(system) + L"\\cscript.exe";
      std::wstring command = L"\"" + program + L"\" //nologo \"" + ScriptPath(script) + L"\"";
      STARTUPINFOW startup{};
      startup.cb = sizeof startup;
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdOutput = startup.hStdError = out.get();
      PROCESS_INFORMATION process{};
      EXPECT_TRUE(corvanel::testing::StartProcess(program.c_str(), command.data(), TRUE, CREATE_NO_WINDOW, nullptr,
                                                   &startup, &process));
      corvanel::unique_handle processHandle(process.hProcess), threadHandle(process.hThread);
      EXPECT_EQ(::WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    }
    std::ostringstream text;
    text << std::ifstream(output, std::ios::binary).rdbuf();
    std::string printed = text.str();
    std::erase(printed, '\r');
    return printed;
  }
};

TEST_F(Cscript, VbscriptDrivesTheStandIn) {
  WriteConfig(kThreeSites);
  EXPECT_EQ(Run(L"standin_client.vbs"),
            "site 1 Default Web Site\n"
            "site 2 Administration Web Site\n"
            "site 5 Extra\n"
            "missing 80070003\n"
            "again 800700B7\n"
            "text flags D\n"  // VBScript reports DISP_E_TYPEMISMATCH as its error 13
            "domain CORVANEL\n");
  const std::string stored = ReadConfig();
  EXPECT_NE(stored.find("[W3SVC/5/ROOT/Mobile] IIsWebVirtualDir\n"
                        "AuthFlags = 2\n"
                        "AspAllowSessionState = true\n"
                        "AppRoot = \"/LM/W3SVC/5/ROOT/Mobile\"\n"
                        "AppIsolated = 2\n"
                        "HttpErrors = {"),
            std::string::npos)
      << stored;
  EXPECT_NE(stored.find("\"404,*,URL,/Mobile/AT2.asp\""), std::string::npos);
  EXPECT_EQ(stored.find("404b.htm"), std::string::npos) << "the one 404 entry was replaced";
}

TEST_F(Cscript, VbscriptDrivesTheNativeObjectsAndRetriesABusyCommit) {
  // A new process: its first two commits find the file busy.
  ASSERT_TRUE(::SetEnvironmentVariableW(L"CORVANEL_APPHOST_FAIL", L"commit-busy=2"));
  EXPECT_EQ(Run(L"apphost_client.vbs"),
            "site Default Web Site 1\n"
            "404 at 2\n"
            "again 5\n"  // already in the collection: E_INVALIDARG, VBScript's error 5
            "commit 80070020\n"
            "commit 80070020\n"
            "commit 0\n");
  const std::string stored = ReadApphost();
  EXPECT_NE(stored.find("<application path=\"/Mobile\">\n"
                        "                    <virtualDirectory path=\"/\" physicalPath=\"C:\\Web\\Mobile\" />"),
            std::string::npos)
      << stored;
  EXPECT_NE(stored.find("<error statusCode=\"404\" path=\"/Mobile/AT2.asp\" responseMode=\"ExecuteURL\" />"),
            std::string::npos);
}

}  // namespace
}  // namespace iis_standin::testing
