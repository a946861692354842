#pragma once
// The decisions of the web site chooser Form1, apart from its window: the explanatory text, the
// preselected entry, which entry counts as chosen, and what OK does.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "iis_access.h"
#include "module1.h"

namespace vardock {

// The explanation above the list: two paragraphs, the combo box's initial text "Select".
std::wstring_view Form1Text();
inline constexpr std::wstring_view kComboInitialText = L"Select";
inline constexpr std::wstring_view kChooseSiteText = L"Please choose a web site from the list.";

// The entry of the site the last installation used; none when siteNumber is not a site number
// or names no listed site.
std::optional<std::size_t> PreselectedEntry(const std::vector<WebSite>& sites, std::wstring_view siteNumber);

// The site number of the chosen entry: the selection is a listed entry and the combo box's text
// is still that entry's text (not edited away).
std::optional<std::wstring> ChosenSite(const std::vector<WebSite>& sites, int selectedIndex,
                                       std::wstring_view comboText);

// The sites "/S" names: the one with that instance number, else those whose description it is
// (compared without regard to case).
std::vector<const WebSite*> SitesNamed(const std::vector<WebSite>& sites, std::wstring_view wanted);

// OK: without a chosen site asks for one and returns false (the window stays open). Otherwise
// creates the new directory, then removes the last installation's when the site or the name
// changed, and returns true (the program ends); false when a directory of someone else's stood
// in the way and nothing changed, so that another site can be chosen.
bool Form1Confirm(Module1& module, const std::optional<std::wstring>& chosenSite);

}  // namespace vardock
