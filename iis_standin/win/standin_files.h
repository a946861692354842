#pragma once
// The stand-in's files: where they are (an environment variable, or beside the DLL), read whole,
// and replaced in one step (a temporary file beside the target, then a rename).
#include <optional>
#include <string>

namespace iis_standin {

// nullopt when the variable is not set or empty.
std::optional<std::wstring> EnvironmentValue(const wchar_t* name);
std::wstring FileBesideModule(const wchar_t* name);
// nullopt when there is no such file. Throws a corvanel::AppError naming the file.
std::optional<std::string> ReadFileBytes(const std::wstring& path);
// The target keeps its old bytes when anything fails. Throws a corvanel::AppError naming the file.
void ReplaceFileBytes(const std::wstring& path, const std::string& bytes);

}  // namespace iis_standin
