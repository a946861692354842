#pragma once
// Vardock's program-wide values and its procedures: the start-up procedure Main, and the creation
// and removal of the product's virtual directory. Main writes the five values; everything else
// only reads them.
#include <optional>
#include <string>
#include <string_view>

#include "automation.h"
#include "common/core/app_error.h"
#include "host.h"
#include "registry.h"

namespace vardock {

inline constexpr std::wstring_view kUsageText =
    L"This program is used by Pellinor / Quastrel\r\nto create IIS Virtual Directories.";

class Module1 {
 public:
  Module1(const Registry& registry, ObjectFactory& objects, Host& host)
      : registry_(registry), objects_(objects), host_(host) {}

  std::wstring ArgName;         // "/N": the directory name setup asks for
  std::wstring ArgOperation;    // "/O": ADD or DEL
  std::wstring ArgPath;         // "/P": the product's folder
  std::wstring SiteNumber;      // the site of the last installation, default "1"
  std::wstring VirtualDirName;  // the directory of the last installation, default ArgName

  // Takes the command line (without the program's path), reads the remembered settings and
  // dispatches: the chooser for ADD with a name and a path, the removal for DEL, else the usage.
  void Main(std::wstring_view argumentText);

  // Makes sure directory `name` exists under the root of web site `site`, configures it when it
  // is new, points it at ArgPath and remembers site and name. Errors other than the expected
  // ones propagate; the registry is written only after IIS has stored everything.
  void CreateVirtualDir(std::wstring_view site, std::wstring_view name);

  // Removes directory `name` from web site `site` and forgets the remembered values. When IIS
  // refuses and the directory is still there, the values are kept (so that the record of where
  // it lives is not lost) and the refusal is returned; nothing is shown either way. Errors in
  // reaching the site propagate and also keep the values.
  std::optional<corvanel::AppError> DeleteVirtualDir(std::wstring_view site, std::wstring_view name);

  // "Software\Corvanel\" followed by ArgName, under HKEY_LOCAL_MACHINE.
  [[nodiscard]] std::wstring SettingsKey() const;

  [[nodiscard]] ObjectFactory& Objects() const { return objects_; }
  [[nodiscard]] Host& UserInterface() const { return host_; }

 private:
  const Registry& registry_;
  ObjectFactory& objects_;
  Host& host_;
};

// The text shown when IIS refused to remove a directory that is still there.
std::wstring RemovalRefusedText(std::wstring_view site, std::wstring_view name, const corvanel::AppError& error);

}  // namespace vardock
