// The stand-in driven by Wine's cscript.exe, a client that shares no code with it: VBScript's own
// calling conventions (method-or-get flags, arguments by reference, For Each).
#include <gtest/gtest.h>

#include <algorithm>

#include "common/win/handles_win.h"
#include "standin_fixture.h"

namespace iis_standin::testing {
namespace {

// The script's folder, given by the build as a Unix path, seen through Wine's drive Z:.
std::wstring ScriptPath(const wchar_t* name) {
  std::wstring path = L"Z:" + corvanel::Utf8ToWide(IIS_STANDIN_TEST_SCRIPTS) + L"/" + name;
  std::ranges::replace(path, L'/', L'\\');
  return path;
}

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
      EXPECT_TRUE(::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                   nullptr, &startup, &process));
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

}  // namespace
}  // namespace iis_standin::testing
