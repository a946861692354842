// applicationHost.config's XML: what is read is written back, and bad input is refused with the
// line and the fault, never with a crash.
#include <gtest/gtest.h>

#include <random>

#include "common/core/app_error.h"
#include "common/core/utf8.h"
#include "iis_standin/model/apphost_xml.h"
#include "iis_standin/model/vocabulary.h"

namespace iis_standin::apphost {
namespace {

std::string WithoutCr(std::string text) {
  std::erase(text, '\r');
  return text;
}

std::string Repeat(const char* text, int count) {
  std::string repeated;
  while (count-- > 0) repeated += text;
  return repeated;
}

TEST(ApphostXml, WritesBackWhatItReads) {
  const struct {
    const char* what;
    std::string input;
    std::string output;  // without the declaration line
  } cases[] = {
      {"attributes and comments in their order",
       "<configuration>\n  <!-- a note -->\n  <sites b=\"2\" a=\"1\"><site name=\"x\"/></sites>\n</configuration>",
       "<configuration>\n    <!-- a note -->\n    <sites b=\"2\" a=\"1\">\n        <site name=\"x\" />\n"
       "    </sites>\n</configuration>\n"},
      {"escapes both ways, single quotes become double",
       "<a v='&lt;&gt;&amp;&quot;&apos;' w=\"&#65;&#x42;\" n=\"x&#10;y\" />",
       "<a v=\"&lt;&gt;&amp;&quot;'\" w=\"AB\" n=\"x&#10;y\" />\n"},
      {"a literal line end in a value reads as a space", "<a v=\"x\ny\" />", "<a v=\"x y\" />\n"},
      {"byte-order mark, declaration and comments around the root",
       "\xEF\xBB\xBF<?xml version='1.0' encoding='utf-8'?>\n<!--top--><r></r><!--end-->",
       "<!--top-->\n<r />\n<!--end-->\n"},
      {"text beyond ASCII", "<r path=\"C:\\Web\\M\xC3\xB6" "bile \xF0\x9F\x98\x80\" />",
       "<r path=\"C:\\Web\\M\xC3\xB6" "bile \xF0\x9F\x98\x80\" />\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string written = FormatXml(ParseXml(c.input));
    EXPECT_EQ(WithoutCr(written), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + c.output);
    EXPECT_EQ(FormatXml(ParseXml(written)), written) << "a second round changes nothing";
  }
}

TEST(ApphostXml, RefusesMalformedInputNamingLineAndFault) {
  const struct {
    std::string input;
    int line;
    const char* fault;
  } cases[] = {
      {"<a>\n<b>\n</a>", 3, "does not match <b>"},
      {"<a>\n  <b>", 2, "ends before </b>"},
      {"<a x=\"1\" x=\"2\" />", 1, "x is given twice"},
      {"<a>\n text\n</a>", 2, "text inside <a>"},
      {"<a v=\"&nbsp;\" />", 1, "unknown entity &nbsp;"},
      {"<a v=\"&#0;\" />", 1, "unknown entity &#0;"},
      {"<a v=\"<\" />", 1, "'<' inside a quoted value"},
      {"<a v=1 />", 1, "quoted value was expected"},
      {"<a v=\"1\"w=\"2\" />", 1, "space is needed"},
      {"<a />\n<b />", 2, "text after the root element"},
      {"<!-- only a comment -->", 1, "root element is missing"},
      {"<!DOCTYPE a>\n<a />", 1, "document type"},
      {"<a><![CDATA[x]]></a>", 1, "CDATA"},
      {"<a>\n<!-- a -- b -->\n</a>", 2, "'--' inside a comment"},
      {"<?xml encoding=\"UTF-8\"?><a />", 1, "no version"},
      {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a />", 1, "encoding ISO-8859-1"},
      {"<a>\n<b v=\"\xC3\x28\" />\n</a>", 2, "not UTF-8"},
      {std::string("<a>\n\n<b v=\"\0\" />", 17), 3, "U+0000 is not allowed"},
      {"\xFF\xFE<\0a\0", 1, "UTF-16"},
      {std::string(65, '<'), 1, "name was expected"},
      {Repeat("<b>", 70), 1, "nested more than 64 deep"},
      {std::string(kMaxXmlBytes + 1, ' '), 1, "larger than 16 MB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input.substr(0, 60));
    try {
      ParseXml(c.input);
      ADD_FAILURE() << "accepted";
    } catch (const corvanel::AppError& e) {
      EXPECT_EQ(e.Code(), hr::kInvalidData);
      EXPECT_EQ(e.Context(), L"line " + std::to_wstring(c.line));
      EXPECT_NE(corvanel::WideToUtf8(e.Reason()).find(c.fault), std::string::npos) << corvanel::WideToUtf8(e.Reason());
    }
  }
}

// Damaged files of every shape: a clear error or a document, never a crash.
TEST(ApphostXml, BinaryInputGivesAnErrorNotACrash) {
  std::mt19937 random(20240611);
  const std::string valid = "<configuration><a b=\"c &amp; d\"><!--e--><f /></a></configuration>";
  int refused = 0;
  for (int round = 0; round < 2000; ++round) {
    std::string input = valid;
    for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips) {
      input[random() % input.size()] = static_cast<char>(random() % 256);
    }
    if (round % 2 == 1) input.resize(random() % input.size());
    try {
      ParseXml(input);
    } catch (const corvanel::AppError& e) {
      EXPECT_EQ(e.Code(), hr::kInvalidData);
      ++refused;
    }
  }
  EXPECT_GT(refused, 1000);
}

}  // namespace
}  // namespace iis_standin::apphost
