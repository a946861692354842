#include "config_store.h"

#include "common/core/app_error.h"
#include "common/core/utf8.h"
#include "iis_standin/core/config_file.h"
#include "standin_files.h"

namespace iis_standin {

std::wstring ConfigFilePath() {
  if (auto path = EnvironmentValue(kConfigVariable)) return *path;
  return FileBesideModule(L"iis-standin.txt");
}

std::shared_ptr<IisConfig> LoadConfig() {
  const std::wstring path = ConfigFilePath();
  auto config = std::make_shared<IisConfig>();
  if (const auto bytes = ReadFileBytes(path)) {
    std::wstring text = corvanel::Utf8ToWide(*bytes);
    if (text.starts_with(L'\uFEFF')) text.erase(0, 1);
    try {
      *config = ParseConfigFile(text);
    } catch (const corvanel::AppError& e) {
      throw corvanel::AppError(L"IIS stand-in file \"" + path + L"\"", e.Message(), e.Code());
    }
  } else {
    *config = DefaultIisConfig();
  }
  config->onChange = [path](const IisConfig& changed) { SaveConfig(changed, path); };
  return config;
}

void SaveConfig(const IisConfig& config, const std::wstring& path) {
  ReplaceFileBytes(path, corvanel::WideToUtf8(FormatConfigFile(config)));
}

}  // namespace iis_standin
