#include "module1.h"

#include <chrono>
#include <thread>

#include "command_line.h"
#include "common/core/trimmed.h"
#include "error_text.h"
#include "form1_rules.h"
#include "suppress_errors.h"

namespace vardock {

namespace {
constexpr std::wstring_view kSiteValue = L"IISWebServer";
constexpr std::wstring_view kDirValue = L"IISWebVirtualDir";
}  // namespace

void DefaultRetryPause(int attempt) { std::this_thread::sleep_for(std::chrono::seconds(1) * attempt); }

std::wstring Module1::SettingsKey() const { return L"Software\\Corvanel\\" + ArgName; }

IisAdmin& Module1::Iis() {
  if (!iis_) {
    iis_ = ChooseIisAdmin(objects_, {[this](std::wstring_view line) { Log(line); }, retryPause}, wow64);
    Log(L"IIS is reached through " + std::wstring(iis_->Description()) + L".");
  }
  return *iis_;
}

void Module1::Report(std::wstring_view text, MessageIcon icon) {
  Log(text);
  if (!Quiet()) host_.ShowMessage(text, icon);
}

void Module1::ReportFailure(std::exception_ptr error) noexcept {
  succeeded_ = false;
  try {
    Report(ErrorText(error), MessageIcon::Error);
  } catch (...) {
    // Out of memory while reporting: a fixed text, still only when a box may be shown.
    if (!Quiet()) host_.ShowMessage(L"Vardock failed: not enough memory.", MessageIcon::Error);
  }
}

void Module1::Log(std::wstring_view line) {
  if (logOpen_) host_.WriteLog(line);
}

int Module1::Finish() {
  const int status = (!ArgSite.empty() || !ArgQuiet.empty()) && !succeeded_ ? 1 : 0;
  Log(L"Finished with exit status " + std::to_wstring(status) + L".");
  return status;
}

void Module1::Run(std::wstring_view argumentText) {
  try {
    Main(argumentText);
  } catch (...) {
    ReportFailure(std::current_exception());
  }
}

void Module1::Main(std::wstring_view argumentText) {
  const ArgumentValues values = TakeValues(SplitArguments(argumentText));
  ArgName = values.name;
  ArgOperation = values.operation;
  ArgPath = values.path;
  ArgSite = values.site;
  ArgQuiet = values.quiet;
  ArgLog = values.log;
  succeeded_ = false;

  if (!ArgLog.empty()) {
    if (const auto failed = Suppressed([&] { host_.OpenLog(ArgLog); })) {
      // A silent install that cannot leave its record changes nothing, and says why.
      Report(L"The log file " + ArgLog + L" cannot be written.\r\n\r\n" + ErrorText(*failed),
             MessageIcon::Exclamation);
      return;
    }
    logOpen_ = true;
    Log(L"Vardock started: " + std::wstring(corvanel::Trimmed(argumentText)));
  }

  SiteNumber = registry_.ReadRegSetting(kHKeyLocalMachine, SettingsKey(), kSiteValue).ToText();
  if (SiteNumber.empty()) SiteNumber = L"1";
  VirtualDirName = registry_.ReadRegSetting(kHKeyLocalMachine, SettingsKey(), kDirValue).ToText();
  if (VirtualDirName.empty()) VirtualDirName = ArgName;

  const std::wstring operation = AsciiUpper(ArgOperation);
  if (operation == L"ADD") {
    if (ArgName.empty() || ArgPath.empty()) {
      Log(L"Nothing was done: ADD needs a name (/N) and a folder (/P).");
    } else if (!ArgSite.empty()) {
      InstallOnNamedSite();
    } else {
      host_.ShowForm1();
    }
  } else if (operation == L"DEL") {
    if (const auto refused = DeleteVirtualDir(SiteNumber, VirtualDirName)) {
      Report(RemovalRefusedText(SiteNumber, VirtualDirName, *refused) +
                 L"\r\n\r\nIts settings are kept, so that it can still be removed later.",
             MessageIcon::Exclamation);
    } else {
      succeeded_ = !SiteNumber.empty() && !VirtualDirName.empty();
    }
  } else {
    Report(kUsageText, MessageIcon::None);
  }
}

void Module1::InstallOnNamedSite() {
  const std::vector<WebSite> sites = Iis().ListWebSites();
  const std::vector<const WebSite*> named = SitesNamed(sites, ArgSite);
  if (named.size() != 1) {
    Report((named.empty() ? L"There is no web site " + ArgSite + L" on this server."
                          : L"More than one web site is named " + ArgSite + L": please give its number.") +
               L"\r\n\r\nNothing was changed.",
           MessageIcon::Exclamation);
    return;
  }
  Log(L"Web site " + named.front()->number + L" (" + named.front()->description + L") was chosen.");
  Form1Confirm(*this, named.front()->number);
}

bool Module1::CreateVirtualDir(std::wstring_view site, std::wstring_view name) {
  succeeded_ = false;
  if (site.empty() || name.empty()) return false;
  Log(L"Creating the Virtual Directory " + std::wstring(name) + L" on web site " + std::wstring(site) + L" for " +
      ArgPath + L".");
  if (!Iis().CreateVirtualDir(site, name, ArgPath)) {
    Report(L"Unable to create or locate Virtual Directory " + ArgName + L".", MessageIcon::Exclamation);
    return false;
  }
  registry_.WriteRegSetting(kHKeyLocalMachine, SettingsKey(), kSiteValue, std::wstring(site));
  registry_.WriteRegSetting(kHKeyLocalMachine, SettingsKey(), kDirValue, std::wstring(name));
  Log(L"The Virtual Directory " + std::wstring(name) + L" on web site " + std::wstring(site) +
      L" is in place, and remembered.");
  succeeded_ = true;
  return true;
}

std::optional<corvanel::AppError> Module1::DeleteVirtualDir(std::wstring_view site, std::wstring_view name) {
  if (site.empty() || name.empty()) return std::nullopt;
  Log(L"Removing the Virtual Directory " + std::wstring(name) + L" from web site " + std::wstring(site) + L".");
  if (auto refused = Iis().DeleteVirtualDir(site, name)) return refused;
  registry_.DeleteRegSetting(kHKeyLocalMachine, SettingsKey(), kSiteValue);
  registry_.DeleteRegSetting(kHKeyLocalMachine, SettingsKey(), kDirValue);
  Log(L"The Virtual Directory " + std::wstring(name) + L" is gone from web site " + std::wstring(site) +
      L", and forgotten.");
  return std::nullopt;
}

std::wstring RemovalRefusedText(std::wstring_view site, std::wstring_view name, const corvanel::AppError& error) {
  return L"The Virtual Directory " + std::wstring(name) + L" on web site " + std::wstring(site) +
         L" could not be removed.\r\n\r\n" + ErrorText(error);
}

}  // namespace vardock
