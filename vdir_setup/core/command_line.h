#pragma once
// Vardock's command line: "/N=name /O=ADD|DEL /P=folder", and for setup programs that install
// without the chooser "/S=site /Q=1 /L=logfile". An argument starts at a slash and runs to the
// next space that is directly followed by a slash; quotation marks mean nothing.
#include <string>
#include <string_view>
#include <vector>

namespace vardock {

// The command line without the program's own path, which the platform puts first: a quoted path
// runs to the closing quotation mark, an unquoted one to the first space or tab.
std::wstring_view ArgumentText(std::wstring_view commandLine);

// The arguments in order, each trimmed of spaces.
std::vector<std::wstring> SplitArguments(std::wstring_view text);

struct ArgumentValues {
  std::wstring name;       // "/N"
  std::wstring operation;  // "/O"
  std::wstring path;       // "/P"
  std::wstring site;       // "/S"
  std::wstring quiet;      // "/Q"
  std::wstring log;        // "/L"
  bool siteGiven = false;  // "/S" was given, even with no value
  // The arguments taken for no key: without exactly one "=", or of a key Vardock does not know.
  std::vector<std::wstring> notUnderstood;
};

// Takes the values of the keys; malformed arguments and other keys are set aside in
// notUnderstood, and a later argument with the same key wins.
ArgumentValues TakeValues(const std::vector<std::wstring>& arguments);

// Upper case of the ASCII letters only, the rule for keys and operations.
std::wstring AsciiUpper(std::wstring_view text);

}  // namespace vardock
