#include "form1_rules.h"

#include "automation.h"
#include "site_number.h"

namespace vardock {

std::wstring_view Form1Text() {
  static const std::wstring text =
      L"The following Web Sites are available on this server."
      L"  Please choose the one that you wish to add the product's Virtual Directory to."
      L"  In most cases it is recommended that you use the 'Default Web Site',"
      L" but if you have redirected it to your Exchange Virtual Directory (see below)"
      L" then you will need to choose another."
      L"  It is not recommended to choose the 'Administration Web Site'."
      L"\r\n"
      L"\r\n"
      L"Some administrators redirect the Default Web Site"
      L" to get it's content from the MS Exchange Virtual Directory"
      L" so that their users do not need to type '/Exchange'"
      L" on the end of the server URL to access Outlook Web Access."
      L"  If the Default Web Site on this server has been configured in this way,"
      L" then you will not be able to host any other Virtual Directories (including the one required by this "
      L"product) underneath it."
      L"  In this case,"
      L" if there are no other suitable Web Sites configured on this server,"
      L" you will need to click 'Cancel',"
      L" exit the setup program,"
      L" create another Web Site,"
      L" and then re-run setup.";
  return text;
}

std::optional<std::size_t> PreselectedEntry(const std::vector<WebSite>& sites, std::wstring_view siteNumber) {
  const auto wanted = ParseSiteNumber(siteNumber);
  if (!wanted) return std::nullopt;
  for (std::size_t i = 0; i < sites.size(); ++i) {
    if (ParseSiteNumber(sites[i].number) == wanted) return i;
  }
  return std::nullopt;
}

std::optional<std::wstring> ChosenSite(const std::vector<WebSite>& sites, int selectedIndex,
                                       std::wstring_view comboText) {
  if (selectedIndex < 0 || static_cast<std::size_t>(selectedIndex) >= sites.size()) return std::nullopt;
  const WebSite& site = sites[static_cast<std::size_t>(selectedIndex)];
  if (site.description != comboText) return std::nullopt;
  return site.number;
}

std::vector<const WebSite*> SitesNamed(const std::vector<WebSite>& sites, std::wstring_view wanted) {
  std::vector<const WebSite*> named;
  if (const auto number = ParseSiteNumber(wanted)) {
    for (const WebSite& site : sites) {
      if (ParseSiteNumber(site.number) == number) return {&site};
    }
  }
  for (const WebSite& site : sites) {
    if (IisNamesEqual(site.description, wanted)) named.push_back(&site);
  }
  return named;
}

bool Form1Confirm(Module1& module, const std::optional<std::wstring>& chosenSite) {
  if (!chosenSite) {
    module.Report(kChooseSiteText, MessageIcon::Exclamation);
    return false;
  }
  return module.Install(*chosenSite);
}

}  // namespace vardock
