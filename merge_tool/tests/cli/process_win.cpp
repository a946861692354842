#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "common/core/utf8.h"
#include "common/win/handles_win.h"
#include "process_win.h"
#include "common/tests/win/start_process_win.h"

namespace tessaly::cli::testing {

namespace fs = std::filesystem;

const std::string kNewline = "\r\n";

std::string MessageBytes(const std::string& utf8) {
  const std::wstring wide = corvanel::Utf8ToWide(utf8);
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                         nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), length, nullptr, nullptr);
  return bytes;
}

namespace {
// The build passes the executable's Unix path; under Wine the Unix root is drive Z:.
std::wstring WindowsPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  const std::wstring wide = corvanel::Utf8ToWide(path);
  return !wide.empty() && wide[0] == L'\\' ? L"Z:" + wide : wide;
}

// One argument as the C runtime's parser of the command line reads it back.
std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring quoted = L"\"";
  for (std::size_t i = 0;; ++i) {
    std::size_t slashes = 0;
    for (; i < arg.size() && arg[i] == L'\\'; ++i) ++slashes;
    if (i == arg.size()) {
      quoted.append(slashes * 2, L'\\');
      break;
    }
    quoted.append(arg[i] == L'"' ? slashes * 2 + 1 : slashes, L'\\');
    quoted += arg[i];
  }
  return quoted + L"\"";
}

corvanel::unique_hfile InheritableFile(const fs::path& path) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return corvanel::unique_hfile(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, &inherit,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::string ReadAndRemove(const fs::path& path) {
  std::string bytes = ReadBytes(path);
  fs::remove(path);
  return bytes;
}

// Starts a program with these standard handles (none: the test's own), sharing the test's
// console, and waits for its exit status (-1: not started).
int StartAndWait(const std::wstring& exe, std::wstring commandLine, const fs::path& folder, HANDLE out, HANDLE err) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (out != nullptr || err != nullptr) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = err;
  }
  PROCESS_INFORMATION info{};
  if (!corvanel::testing::StartProcess(exe.c_str(), commandLine.data(), TRUE, 0,
                                       folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
    std::fprintf(stderr, "CreateProcessW failed: %lu\n", GetLastError());
    return -1;
  }
  corvanel::unique_handle process(info.hProcess), thread(info.hThread);
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.get(), &code)) {
    TerminateProcess(process.get(), 255);
    return -1;
  }
  return static_cast<int>(code);
}
}  // namespace

int RunIncmergeWith(const fs::path& folder, const std::vector<std::string>& args, HANDLE out, HANDLE err) {
  const std::wstring exe = WindowsPath(INCMERGE_EXE);
  std::wstring commandLine = Quoted(exe);
  for (const auto& arg : args) commandLine += L" " + Quoted(corvanel::Utf8ToWide(arg));
  return StartAndWait(exe, commandLine, folder, out, err);
}

Outcome RunIncmerge(const fs::path& folder, const std::vector<std::string>& args) {
  const std::wstring exe = WindowsPath(INCMERGE_EXE);
  std::wstring commandLine = Quoted(exe);
  for (const auto& arg : args) commandLine += L" " + Quoted(corvanel::Utf8ToWide(arg));
  // Names of their own for every run: a name just deleted may still be held by the process
  // that wrote it, and could not be created again at once.
  static int run = 0;
  const std::string tag = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++run);
  const fs::path outPath = fs::temp_directory_path() / ("incmerge-out-" + tag + ".txt");
  const fs::path errPath = fs::temp_directory_path() / ("incmerge-err-" + tag + ".txt");
  Outcome outcome;
  {
    const auto out = InheritableFile(outPath);
    const auto err = InheritableFile(errPath);
    if (!out || !err) std::fprintf(stderr, "cannot create the output files: error %lu\n", GetLastError());
    outcome.status = StartAndWait(exe, commandLine, folder, out.get(), err.get());
  }
  outcome.out = ReadAndRemove(outPath);
  outcome.err = ReadAndRemove(errPath);
  return outcome;
}

Outcome RunIncmergeIntoClosedPipe(const fs::path& folder, const std::vector<std::string>& args) {
  static int run = 0;
  const fs::path errPath =
      fs::temp_directory_path() / ("incmerge-err-" + std::to_string(GetCurrentProcessId()) + "-p" + std::to_string(++run));
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return {};
  CloseHandle(readEnd);  // before the program starts, so that its first write finds no reader
  const corvanel::unique_handle out(writeEnd);
  Outcome outcome;
  {
    const auto err = InheritableFile(errPath);
    outcome.status = RunIncmergeWith(folder, args, out.get(), err.get());
  }
  outcome.err = ReadAndRemove(errPath);
  return outcome;
}

bool SetFolderReadOnly(const fs::path& folder, bool readOnly) {
  // Wine as root writes despite read-only bits and attributes; the immutable attribute set from
  // the Unix side (Wine starts Unix programs too) holds.
  using UnixName = char*(CDECL*)(LPCWSTR);
  const FARPROC export_ = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
  const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void (*)()>(export_));
  if (unixName == nullptr) return false;
  char* name = unixName(folder.c_str());
  if (name == nullptr) return false;
  const std::wstring unixFolder = corvanel::Utf8ToWide(name);
  HeapFree(GetProcessHeap(), 0, name);
  // Wine gives no handle to wait on for a Unix program: the folder itself tells when it is done.
  StartAndWait(L"Z:\\usr\\bin\\chattr", L"chattr " + std::wstring(readOnly ? L"+i " : L"-i ") + Quoted(unixFolder),
               {}, nullptr, nullptr);
  for (int attempt = 0; attempt < 500; ++attempt) {
    const bool writable = static_cast<bool>(InheritableFile(folder / "probe"));
    if (writable) DeleteFileW((folder / "probe").c_str());
    if (writable != readOnly) return true;
    Sleep(10);
  }
  return false;
}

}  // namespace tessaly::cli::testing
