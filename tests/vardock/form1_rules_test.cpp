// The web site chooser's decisions: the list, the preselection, what counts as chosen, and what
// OK removes and creates.
#include <gtest/gtest.h>

#include "vardock_fixture.h"
#include "vdir_setup/core/form1_rules.h"

namespace vardock::testing {
namespace {

using Sites = std::vector<WebSite>;

TEST_F(VardockTest, ListsWebSitesWithTheirInstanceNumbers) {
  config->Add(L"W3SVC/1423684589", L"IIsWebServer").SetProperty(L"ServerComment", L"Hashed");
  config->Add(L"W3SVC/Legacy", L"IIsWebServer").SetProperty(L"ServerComment", L"Not a number");
  config->Add(L"W3SVC/007", L"IIsWebServer").SetProperty(L"ServerComment", L"Leading zeros");
  config->Add(L"W3SVC/9", L"IIsWebServer").SetProperty(L"ServerComment", std::int16_t{42});
  EXPECT_EQ(module.Iis().ListWebSites(), (Sites{{L"Default Web Site", L"1"},
                                          {L"Administration Web Site", L"2"},
                                          {L"Extra", L"5"},
                                          {L"Hashed", L"1423684589"},
                                          {L"42", L"9"}}));
  EXPECT_TRUE(std::ranges::none_of(log, [](const auto& line) { return line.find(L"[0].Name") != std::wstring::npos; }))
      << "children of other classes are only asked their class";
}

// One site IIS describes oddly must not keep the administrator from the others.
TEST_F(VardockTest, AWebSiteWithoutDescriptionIsListedByItsNumber) {
  config->Add(L"W3SVC/8", L"IIsWebServer").SetProperty(L"ServerComment", std::vector<Variant>{L"a"});
  config->Add(L"W3SVC/9", L"IIsWebServer");
  config->Add(L"W3SVC/10", L"IIsWebServer").SetProperty(L"ServerComment", L"");
  EXPECT_EQ(module.Iis().ListWebSites(), (Sites{{L"Default Web Site", L"1"},
                                          {L"Administration Web Site", L"2"},
                                          {L"Extra", L"5"},
                                          {L"8", L"8"},
                                          {L"9", L"9"},
                                          {L"10", L"10"}}));
}

TEST(Form1Rules, PreselectionByInstanceNumber) {
  const Sites sites{{L"Default Web Site", L"1"}, {L"Admin", L"2"}, {L"Extra", L"5"}, {L"Big", L"1423684589"}};
  const struct {
    std::wstring siteNumber;
    std::optional<std::size_t> entry;
  } cases[] = {
      {L"1", 0u}, {L"5", 2u}, {L"1423684589", 3u}, {L"3", {}},  {L"0", {}},
      {L"x", {}}, {L"", {}},  {L"-19475", {}},     {L"05", {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PreselectedEntry(sites, c.siteNumber), c.entry) << corvanel::WideToUtf8(c.siteNumber);
  EXPECT_EQ(PreselectedEntry({}, L"1"), std::nullopt);
}

TEST(Form1Rules, AnEntryIsChosenWhenSelectedAndNotEdited) {
  const Sites sites{{L"Default Web Site", L"1"}, {L"Extra", L"5"}, {L"Extra", L"6"}};
  const struct {
    int index;
    std::wstring text;
    std::optional<std::wstring> site;
  } cases[] = {
      {1, L"Extra", L"5"}, {2, L"Extra", L"6"},           {0, L"Default Web Site", L"1"},
      {-1, L"Select", {}}, {0, L"Default Web Sitex", {}}, {-1, L"Extra", {}},
      {3, L"Extra", {}},   {0, L"default web site", {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ChosenSite(sites, c.index, c.text), c.site) << c.index << " " << corvanel::WideToUtf8(c.text);
}

class Form1Ok : public VardockTest {
 protected:
  void SetUp() override {
    module.ArgName = L"Mobile";
    module.ArgPath = L"C:\\Web\\Mobile";
  }
  // A run of ADD that found this record (nothing when site is empty), up to the chooser.
  void Open(const std::string& site, const std::string& name) {
    registryApi = {};
    if (!site.empty()) Remember(kKey, site, name);
    host = {};
    module.Main(L"/N=Mobile /O=ADD /P=C:\\Web\\Mobile");
    ASSERT_EQ(host.form1Shown, 1);
    log.clear();
  }
  int Deletes() const {
    return static_cast<int>(
        std::ranges::count_if(log, [](const auto& l) { return l.starts_with(L"call Root.Delete"); }));
  }
};

TEST_F(Form1Ok, MovesOnlyWhenTheSiteOrTheNameChanged) {
  const struct {
    const char* what;
    std::wstring siteNumber, virtualDirName, chosen;
    bool removesOld;
  } cases[] = {
      {"same site, same name", L"5", L"Mobile", L"5", false},
      {"another site", L"5", L"Mobile", L"1", true},
      {"same site, another name", L"5", L"Phone", L"5", true},
      {"same name in other case", L"5", L"MOBILE", L"5", false},
      {"same site in other spelling", L"05", L"Mobile", L"5", false},
      // Nothing remembered: site 1's Mobile is someone else's, and stays.
      {"first installation on another site", L"", L"Mobile", L"2", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    config = std::make_shared<IisConfig>(DefaultIisConfig());
    memoryObjects = MemoryObjectFactory(config);
    config->Add(L"W3SVC/2", L"IIsWebServer").SetProperty(L"ServerComment", L"Administration Web Site");
    config->Add(L"W3SVC/2/ROOT", L"IIsWebVirtualDir");
    config->Add(L"W3SVC/5", L"IIsWebServer");
    config->Add(L"W3SVC/5/ROOT", L"IIsWebVirtualDir");
    config->Add(L"W3SVC/5/ROOT/" + c.virtualDirName, L"IIsWebVirtualDir").SetProperty(L"Path", L"C:\\Old");
    config->Add(L"W3SVC/1/ROOT/Mobile", L"IIsWebVirtualDir").SetProperty(L"Path", L"C:\\Web\\Mobile");
    Open(corvanel::WideToUtf8(c.siteNumber), corvanel::WideToUtf8(c.virtualDirName));
    EXPECT_TRUE(Form1Confirm(module, c.chosen));
    EXPECT_EQ(Deletes(), c.removesOld ? 1 : 0);
    EXPECT_EQ(std::ranges::count_if(log,
                                    [&](const auto& l) {
                                      return l.starts_with(L"call Root.Delete(BSTR \"IISWebVirtualDir\", BSTR \"" +
                                                           c.virtualDirName + L"\")");
                                    }),
              c.removesOld ? 1 : 0);
    EXPECT_EQ(Property(Dir(c.chosen, L"Mobile"), L"Path"), L"\"C:\\Web\\Mobile\"");
    EXPECT_EQ(Stored("IISWebServer"), corvanel::WideToUtf8(c.chosen));
    EXPECT_EQ(Stored("IISWebVirtualDir"), "Mobile");
    EXPECT_TRUE(host.messages.empty());
  }
}

TEST_F(Form1Ok, WithoutAChosenSiteAsksAndChangesNothing) {
  Open("5", "Phone");
  EXPECT_FALSE(Form1Confirm(module, std::nullopt));
  EXPECT_EQ(
      host.messages,
      (std::vector<RecordingHost::Message>{{L"Please choose a web site from the list.", MessageIcon::Exclamation}}));
  EXPECT_TRUE(log.empty());
}

TEST_F(Form1Ok, AGoneOldSiteDoesNotKeepTheProductFromItsNewOne) {
  Open("3", "Mobile");
  EXPECT_TRUE(Form1Confirm(module, L"1"));
  EXPECT_NE(Dir(L"1", L"Mobile"), nullptr);
  EXPECT_EQ(Stored("IISWebServer"), "1");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(Form1Ok, AnOldDirectoryIISWillNotRemoveIsReportedAfterTheNewOneStands) {
  Open("5", "Phone");
  config->Add(L"W3SVC/5/ROOT/Phone", L"IIsWebVirtualDir");
  config->failures.deleteFails = true;
  EXPECT_TRUE(Form1Confirm(module, L"1"));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(host.messages[0].text.substr(0, 65), L"The Virtual Directory \"Phone\" on web site 5 could not be removed.");
  EXPECT_NE(host.messages[0].text.find(L"The new Virtual Directory is in place"), std::wstring::npos);
  EXPECT_LT(std::ranges::find(log, L"call Root.Create(BSTR \"IISWebVirtualDir\", BSTR \"Mobile\")") - log.begin(),
            std::ranges::find(log, L"call Root.Delete(BSTR \"IISWebVirtualDir\", BSTR \"Phone\") -> 0x80070005") -
                log.begin())
      << "the new one first";
  EXPECT_NE(Dir(L"5", L"Phone"), nullptr);
  EXPECT_NE(Dir(L"1", L"Mobile"), nullptr);
  EXPECT_EQ(Stored("IISWebServer"), "1");
  EXPECT_EQ(Stored("IISWebVirtualDir"), "Mobile");
}

}  // namespace
}  // namespace vardock::testing
