#pragma once
// The stand-in's configuration as readable text (format in ../README.md). Parsing checks the
// whole text before anything is returned, so a bad file never yields half a configuration.
#include <string>
#include <string_view>

#include "iis_standin/model/iis_config.h"

namespace iis_standin {

// Throws a corvanel::AppError (code ERROR_INVALID_DATA as an HRESULT) naming the line and the fault.
IisConfig ParseConfigFile(std::wstring_view text);
// The text that ParseConfigFile reads back as the same configuration.
std::wstring FormatConfigFile(const IisConfig& config);

}  // namespace iis_standin
