#pragma once
// The stand-in's configuration file: its path from the environment variable
// CORVANEL_IIS_STANDIN, or iis-standin.txt beside the DLL. A missing file is a fresh IIS.
#include <memory>
#include <string>

#include "iis_standin/model/iis_config.h"

namespace iis_standin {

inline constexpr wchar_t kConfigVariable[] = L"CORVANEL_IIS_STANDIN";

std::wstring ConfigFilePath();
// Loads the file, parsed whole; the result saves itself to the same file after every change.
// Throws a corvanel::AppError naming the file (and the line) when it cannot be read.
std::shared_ptr<IisConfig> LoadConfig();
// Writes a temporary file beside the target and replaces the target in one step.
void SaveConfig(const IisConfig& config, const std::wstring& path);

}  // namespace iis_standin
