#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "common/core/app_error.h"
#include "common/core/utf8.h"
#include "iis_standin/core/config_file.h"
#include "iis_standin/model/vocabulary.h"

namespace iis_standin {
namespace {

using corvanel::Variant;

TEST(ConfigFile, ReadsKeysPropertiesAndFailures) {
  const IisConfig config = ParseConfigFile(
      L"# comment\r\n"
      L"fail appcreate2-unknown\n"
      L"fail create-fails\n"
      L"domain \"CORVANEL\"\n"
      L"\n"
      L"[W3SVC] IIsWebService\n"
      L"[W3SVC/Filters] iisfilters\n"
      L"[W3SVC/7] IIsWebServer\n"
      L"  servercomment = \"Say \\\"hi\\\" = C:\\\\x\"  \n"
      L"AuthFlags = -5\n"
      L"ServerBindings = {}\n"
      L"AspAllowSessionState = false\n"
      L"[W3SVC/7/ROOT] IIsWebVirtualDir\n"
      L"HttpErrors = {\"404,*,URL,/a\", \"500,*,FILE,b\"}\n"
      L"[W3SVC/7/ROOT/Sub] IIsWebVirtualDir\n");
  EXPECT_TRUE(config.failures.appCreate2Unknown);
  EXPECT_TRUE(config.failures.createFails);
  EXPECT_FALSE(config.failures.noWebService);
  EXPECT_EQ(config.domainName, L"CORVANEL");
  const ConfigNode* site = config.Find(L"w3svc/7");
  ASSERT_NE(site, nullptr);
  EXPECT_EQ(site->keyType, L"IIsWebServer");
  EXPECT_EQ(*site->FindProperty(L"ServerComment"), Variant(L"Say \"hi\" = C:\\x"));
  EXPECT_EQ(site->properties[0].first, L"ServerComment") << "stored with the schema's spelling";
  EXPECT_EQ(*site->FindProperty(L"AuthFlags"), Variant(std::int16_t{-5}));
  EXPECT_EQ(*site->FindProperty(L"AspAllowSessionState"), Variant(false));
  EXPECT_EQ(config.Find(L"W3SVC/Filters")->keyType, L"IIsFilters");
  EXPECT_EQ(*config.Find(L"W3SVC/7/ROOT")->FindProperty(L"HttpErrors"),
            Variant(std::vector<Variant>{L"404,*,URL,/a", L"500,*,FILE,b"}));
}

TEST(ConfigFile, CommentsAtTheEndOfLinesAndUnmodelledClasses) {
  const IisConfig config = ParseConfigFile(
      L"fail delete-fails # Delete refused\n"
      L"fail setinfo-fails\t# after a tab\n"
      L"fail domainname-fails\t#\n"
      L"domain \"A # B\" # not part of the text\n"
      L"[W3SVC] IIsWebService # the service\n"
      L"[W3SVC/Info] IIsObject # not modelled: kept\n"
      L"[W3SVC/Info/Sub] Something.Else\n"
      L"[W3SVC/1] IIsWebServer\n"
      L"ServerComment = \"C#Docs \\\"#1\\\" #2\"   # the text holds both signs\n"
      L"[W3SVC/1/C#Docs] IIsWebVirtualDir\n"
      L"[W3SVC/1/a]b] IIsWebVirtualDir\n");
  EXPECT_TRUE(config.failures.deleteFails);
  EXPECT_TRUE(config.failures.setInfoFails);
  EXPECT_TRUE(config.failures.domainNameFails);
  EXPECT_EQ(config.domainName, L"A # B");
  EXPECT_EQ(config.Find(L"W3SVC/Info")->keyType, L"IIsObject");
  EXPECT_EQ(config.Find(L"W3SVC/Info/Sub")->keyType, L"Something.Else");
  EXPECT_EQ(*config.Find(L"W3SVC/1")->FindProperty(L"ServerComment"), Variant(L"C#Docs \"#1\" #2"));
  EXPECT_NE(config.Find(L"W3SVC/1/C#Docs"), nullptr);
  EXPECT_NE(config.Find(L"W3SVC/1/a]b"), nullptr);
  EXPECT_EQ(FormatConfigFile(ParseConfigFile(FormatConfigFile(config))), FormatConfigFile(config));
}

// The example in the stand-in's README is what newcomers copy: it must parse as it stands.
TEST(ConfigFile, ReadmeExampleParses) {
  std::ifstream file(IIS_STANDIN_README, std::ios::binary);
  ASSERT_TRUE(file) << IIS_STANDIN_README;
  std::stringstream bytes;
  bytes << file.rdbuf();
  const std::wstring readme = corvanel::Utf8ToWide(bytes.str());
  // The indented block that follows the heading of the file's format.
  std::wstring example;
  std::wistringstream lines(readme.substr(readme.find(L"## The configuration file")));
  bool inBlock = false;
  for (std::wstring line; std::getline(lines, line);) {
    if (line.starts_with(L"    ")) {
      inBlock = true;
      example += line.substr(4) + L"\n";
    } else if (inBlock && !line.empty()) {
      break;
    }
  }
  ASSERT_NE(example.find(L"[W3SVC/1/ROOT] IIsWebVirtualDir"), std::wstring::npos) << corvanel::WideToUtf8(example);
  IisConfig config;
  ASSERT_NO_THROW(config = ParseConfigFile(example)) << corvanel::WideToUtf8(example);
  const IisFailures& f = config.failures;
  EXPECT_TRUE(f.noWebService && f.appCreate2Unknown && f.appCreateFails && f.createFails && f.noSystemInfo &&
              f.deleteFails && f.setInfoFails && f.domainNameFails)
      << "the example shows every switch";
  EXPECT_EQ(config.domainName, L"CORVANEL");
  EXPECT_EQ(*config.Find(L"W3SVC/1/ROOT")->FindProperty(L"Path"), Variant(L"C:\\Inetpub\\wwwroot"));
  EXPECT_EQ(config.Find(L"W3SVC")->children.size(), 3u);
}

TEST(ConfigFile, WritesWhatItReads) {
  IisConfig config = DefaultIisConfig();
  config.failures.noSystemInfo = true;
  config.Find(L"W3SVC/1")->SetProperty(L"ServerComment", L"Quote \" and \\ and \u00E9");
  const std::wstring text = FormatConfigFile(config);
  EXPECT_EQ(FormatConfigFile(ParseConfigFile(text)), text);
  EXPECT_NE(text.find(L"[W3SVC/1/ROOT] IIsWebVirtualDir\n"), std::wstring::npos) << corvanel::WideToUtf8(text);
  EXPECT_NE(text.find(L"fail no-system-info\n"), std::wstring::npos);
}

TEST(ConfigFile, BadTextNamesTheLine) {
  const struct {
    const wchar_t* text;
    const wchar_t* line;
    const wchar_t* reason;  // a part of it
  } cases[] = {
      {L"[W3SVC/1] IIsWebServer", L"line 1", L"parent"},
      {L"\n[W3SVC] IIsWebService\n[W3SVC] IIsWebService", L"line 3", L"already exists"},
      {L"[W3SVC IIsWebService", L"line 1", L"[path] class"},
      {L"[W3SVC]", L"line 1", L"[path] class"},
      {L"[W3SVC] # no class", L"line 1", L"[path] class"},
      {L"[W3SVC] IIs WebService", L"line 1", L"one word"},
      {L"[W3SVC] IIsObject\nServerComment = \"x\"", L"line 2", L"not a property of IIsObject"},
      {L"[W3SVC] IIsWebService\nDefaultDoc = \"a # b", L"line 2", L"not closed"},
      {L"[W3SVC//1] IIsWebServer", L"line 1", L"Invalid key path"},
      {L"AuthFlags = 2", L"line 1", L"before the first"},
      {L"[W3SVC] IIsWebService\nServerComment = \"x\"", L"line 2", L"not a property of IIsWebService"},
      {L"[W3SVC] IIsWebService\nClass = \"x\"", L"line 2", L"not a property"},
      {L"[W3SVC] IIsWebService\nAuthFlags = \"2\"", L"line 2", L"Type mismatch"},
      {L"[W3SVC] IIsWebService\nAuthFlags = 40000", L"line 2", L"16-bit"},
      {L"[W3SVC] IIsWebService\nAuthFlags = 2x", L"line 2", L"not a value"},
      {L"[W3SVC] IIsWebService\nAuthFlags =", L"line 2", L"missing"},
      {L"[W3SVC] IIsWebService\nDefaultDoc = \"a", L"line 2", L"not closed"},
      {L"[W3SVC] IIsWebService\nDefaultDoc = \"a\\n\"", L"line 2", L"escape"},
      {L"[W3SVC] IIsWebService\nDefaultDoc = \"a\" b", L"line 2", L"after the value"},
      {L"[W3SVC] IIsWebService\nHttpErrors = {\"a\" \"b\"}", L"line 2", L"commas"},
      {L"[W3SVC] IIsWebService\nHttpErrors = {\"a\",", L"line 2", L"missing"},
      {L"[W3SVC] IIsWebService\nHttpErrors = {\"a\"", L"line 2", L"not closed"},
      {L"[W3SVC] IIsWebService\nHttpErrors = {1}", L"line 2", L"Type mismatch"},
      {L"fail sometimes", L"line 1", L"unknown failure"},
      {L"domain CORVANEL", L"line 1", L"not a value"},
      {L"domain 5", L"line 1", L"quoted text"},
      {L"hello", L"line 1", L"not a line"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(corvanel::WideToUtf8(c.text));
    try {
      ParseConfigFile(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const corvanel::AppError& e) {
      EXPECT_EQ(e.Context(), c.line);
      EXPECT_NE(e.Reason().find(c.reason), std::wstring::npos) << corvanel::WideToUtf8(e.Reason());
      EXPECT_EQ(e.Code(), hr::kInvalidData);
    }
  }
}

}  // namespace
}  // namespace iis_standin
