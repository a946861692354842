#include <gtest/gtest.h>

#include "common/core/app_error.h"
#include "common/core/utf8.h"
#include "merge_tool/core/module1.h"
#include "merge_tool/tests/support/decoding_cp1252.h"
#include "merge_tool/tests/support/memory_file_store.h"
#include "merge_tool/tests/support/report_texts.h"

namespace tessaly {
namespace {

using corvanel::AppError;
using testing::DecodingCp1252;
using testing::kConflictsHeader;
using testing::kGoneHeader;
using testing::kHeader;
using testing::MemoryFileStore;

class Engine : public ::testing::Test {
 protected:
  MemoryFileStore files;
  corvanel::Cp1252Codec codec;
  Module1State m{files, codec};

  std::vector<std::wstring> Model() const {
    return std::vector<std::wstring>(m.incLines.begin() + 1, m.incLines.begin() + 1 + m.incCount);
  }
  std::vector<int> Found() const {
    return std::vector<int>(m.incFound.begin() + 1, m.incFound.begin() + 1 + m.incCount);
  }
  void Load(const std::string& bytes) {
    files.files[L"std.inc"] = bytes;
    m.LoadStandardFile(L"std.inc");
  }
  void Merge(const std::string& bytes) {
    files.files[L"custom.inc"] = bytes;
    m.MergeCustomFile(L"custom.inc");
  }
};

struct MergeCase {
  const char* what;
  std::string standard;
  std::vector<std::string> customs;  // merged one after the other
  std::vector<std::wstring> model;
  std::vector<int> found;   // of the last merge
  std::wstring reportList;  // the report without its header; empty: no report
};

const MergeCase kMergeCases[] = {
    {"lower-case keyword is an entry, spelled as in the customised file",
     "CONST txtHello = 1\r\n",
     {"const txtHello = 5\r\n"},
     {L"const txtHello = 5"},
     {1},
     L""},
    {"names match case-sensitively",
     "CONST txtHello = 1\r\n",
     {"CONST TXTHELLO = 5\r\n"},
     {L"CONST txtHello = 1"},
     {0},
     L"CONST txtHello = 1\r\n"},
    {"exact names: a longer name and a comment are not touched",
     "CONST txtName = 1\r\nCONST txtNameLong = 2\r\n' uses txtName\r\n",
     {"CONST txtName = 9\r\n"},
     {L"CONST txtName = 9", L"CONST txtNameLong = 2", L"' uses txtName"},
     {1, 0, 0},
     L"CONST txtNameLong = 2\r\n"},
    {"prefix names each keep their own entry",
     "CONST txtA = 0\r\nCONST txtAB = 0\r\n",
     {"CONST txtA = 1\r\nCONST txtAB = 2\r\n"},
     {L"CONST txtA = 1", L"CONST txtAB = 2"},
     {1, 1},
     L""},
    {"a later entry of the same name wins",
     "CONST a = 0\r\n",
     {"CONST a = 1\r\nCONST a = 2\r\n"},
     {L"CONST a = 2"},
     {1},
     L""},
    {"an entry whose value holds \"=\" is ignored",
     "CONST a = 0\r\n",
     {"CONST a = x=y\r\n"},
     {L"CONST a = 0"},
     {0},
     L"CONST a = 0\r\n"},
    {"tab before or after CONST in the customised line: not an entry",
     "CONST a = 0\r\nCONST b = 0\r\n",
     {"\tCONST a = 1\r\nCONST\tb = 1\r\n"},
     {L"CONST a = 0", L"CONST b = 0"},
     {0, 0},
     L"CONST a = 0\r\nCONST b = 0\r\n"},
    {"declarations laid out with tabs keep their customisations",
     "\tCONST a = 0\r\nCONST\tb = 0\r\nCONST c\t= 0\r\n",
     {"CONST a = 1\r\nCONST b = 1\r\nCONST c = 1\r\n"},
     {L"CONST a = 1", L"CONST b = 1", L"CONST c = 1"},
     {1, 1, 1},
     L""},
    {"an entry with a tab before \"=\" matches the declared name",
     "CONST c = 0\r\n",
     {"CONST c\t= 7\r\n"},
     {L"CONST c\t= 7"},
     {1},
     L""},
    {"an empty name matches nothing",
     "CONST = 0\r\n\r\nCONST a = 0\r\n",
     {"CONST = 5\r\n"},
     {L"CONST = 0", L"", L"CONST a = 0"},
     {0, 0, 0},
     L"CONST = 0\r\nCONST a = 0\r\n"},
    {"a blank line stays blank", "\r\nCONST a = 0\r\n", {"CONST a = 1\r\n"}, {L"", L"CONST a = 1"}, {0, 1}, L""},
    {"Const in mixed case is matched but never reported",
     "Const x = 1\r\nConst y = 1\r\n",
     {"CONST x = 2\r\n"},
     {L"CONST x = 2", L"Const y = 1"},
     {1, 0},
     L""},
    {"without entries every phrase is reported in standard order",
     "CONST b = 1\r\nrem\r\nCONST a = 1\r\n",
     {"nothing here\r\n"},
     {L"CONST b = 1", L"rem", L"CONST a = 1"},
     {0, 0, 0},
     L"CONST b = 1\r\nCONST a = 1\r\n"},
    {"a second merge works on the merged lines and reports only its own misses",
     "CONST a = 0\r\nCONST b = 0\r\n",
     {"CONST a = 1\r\n", "CONST b = 2\r\n"},
     {L"CONST a = 1", L"CONST b = 2"},
     {0, 1},
     L"CONST a = 1\r\n"},
    {"the customised line is trimmed and replaces the whole model line",
     "  CONST a = 0 ' old\r\n",
     {"   const   a =  5 ' new   \r\n"},
     {L"const   a =  5 ' new"},
     {1},
     L""},
    {"two declarations of one name both take the entry",
     "CONST a = 0\r\nCONST a = 9\r\n",
     {"CONST a = 1\r\n"},
     {L"CONST a = 1", L"CONST a = 1"},
     {1, 1},
     L""},
    {"an empty standard file reports nothing", "", {"CONST a = 1\r\n"}, {}, {}, L""},
};

TEST_F(Engine, MergeCases) {
  for (const auto& c : kMergeCases) {
    SCOPED_TRACE(c.what);
    Module1State fresh{files, codec};
    m = fresh;
    Load(c.standard);
    for (const auto& custom : c.customs) Merge(custom);
    EXPECT_EQ(Model(), c.model);
    EXPECT_EQ(Found(), c.found);
    EXPECT_EQ(m.BuildReportText(), c.reportList.empty() ? L"" : kHeader + c.reportList);
  }
}

struct ThreeWayCase {
  const char* what;
  std::string base;
  std::string standard;
  std::string custom;
  std::vector<std::wstring> model;
  std::vector<int> found;
  std::vector<std::wstring> conflicts;
  std::vector<std::wstring> gone;
  std::size_t carried, unchanged;
};

const ThreeWayCase kThreeWayCases[] = {
    {"the vendor's new value arrives where the site kept the old one",
     "CONST a = 1\r\nCONST b = 1\r\n",
     "CONST a = 2\r\nCONST b = 2\r\n",
     "CONST a = 1\r\nCONST b = 5\r\n",
     {L"CONST a = 2", L"CONST b = 5"},
     {2, 1},
     {L"CONST b = 2"},
     {},
     1,
     1},
    {"keyword case, blanks and tabs around name, = and value are no change",
     "const a=\t\"x y\" \r\n\tCONST\tb =1\r\nCONST c = 1\r\n",
     "CONST a = \"new\"\r\nCONST b = 2\r\nCONST c = 2\r\n",
     "CONST   a  =  \"x y\"\t\r\ncOnSt b\t=\t1\r\nCONST c = 1 ' note\r\n",
     {L"CONST a = \"new\"", L"CONST b = 2", L"CONST c = 1 ' note"},
     {2, 2, 1},
     {L"CONST c = 2"},
     {},
     1,
     2},
    {"line ends and a byte-order mark are no change",
     "\xEF\xBB\xBF"
     "CONST a = 1\rCONST b = 1\nCONST c = 1",
     "CONST a = 2\r\nCONST b = 2\r\nCONST c = 2\r\n",
     "\xEF\xBB\xBF"
     "CONST a = 1\r\nCONST b = 1\nCONST c = 5\r\n",
     {L"CONST a = 2", L"CONST b = 2", L"CONST c = 5"},
     {2, 2, 1},
     {L"CONST c = 2"},
     {},
     1,
     2},
    {"empty values compare like any other",
     "CONST a =\r\nCONST b = \t\r\n",
     "CONST a = 2\r\nCONST b = 2\r\n",
     "CONST a = \r\nCONST b = 5\r\n",
     {L"CONST a = 2", L"CONST b = 5"},
     {2, 1},
     {L"CONST b = 2"},
     {},
     1,
     1},
    {"values differ in case or inner blanks: changed",
     "CONST a = \"Yes\"\r\nCONST b = \"a b\"\r\n",
     "CONST a = \"Yes\"\r\nCONST b = \"a b\"\r\n",
     "CONST a = \"yes\"\r\nCONST b = \"a  b\"\r\n",
     {L"CONST a = \"yes\"", L"CONST b = \"a  b\""},
     {1, 1},
     {},
     {},
     2,
     0},
    {"the last entry of a name decides: unchanged after changed",
     "CONST a = 1\r\n",
     "CONST a = 2\r\n",
     "CONST a = 5\r\nCONST a = 1\r\n",
     {L"CONST a = 2"},
     {2},
     {},
     {},
     0,
     1},
    {"the last entry of a name decides: changed after unchanged",
     "CONST a = 1\r\n",
     "CONST a = 2\r\n",
     "CONST a = 1\r\nCONST a = 5\r\n",
     {L"CONST a = 5"},
     {1},
     {L"CONST a = 2"},
     {},
     1,
     0},
    {"the base's last declaration of a name gives its value",
     "CONST a = 5\r\nCONST a = 1\r\n",
     "CONST a = 2\r\n",
     "CONST a = 1\r\n",
     {L"CONST a = 2"},
     {2},
     {},
     {},
     0,
     1},
    {"a name the base lacks is carried as today, never a conflict",
     "CONST other = 1\r\n",
     "CONST a = 2\r\n",
     "CONST a = 5\r\n",
     {L"CONST a = 5"},
     {1},
     {},
     {},
     1,
     0},
    {"both changed to the same value: carried, no conflict",
     "CONST a = 1\r\n",
     "CONST a = 2\r\n",
     "const a = 2\r\n",
     {L"const a = 2"},
     {1},
     {},
     {},
     1,
     0},
    {"only the site changed: carried, no conflict",
     "CONST a = 1\r\n",
     "CONST a = 1\r\n",
     "CONST a = 5\r\n",
     {L"CONST a = 5"},
     {1},
     {},
     {},
     1,
     0},
    {"a name the new file dropped: gone when changed, silent when not, last entry deciding",
     "CONST a = 1\r\nCONST b = 1\r\nCONST c = 1\r\n",
     "CONST x = 0\r\n",
     "CONST b = 1\r\nCONST a = 1\r\nCONST a = \"mine\"\r\nCONST c = 7\r\nCONST c = 1\r\nCONST d = 3\r\n",
     {L"CONST x = 0"},
     {0},
     {},
     {L"CONST a = \"mine\"", L"CONST d = 3"},
     0,
     0},
    {"a base that declares nothing: today's merge, no conflicts",
     "' nothing\r\n",
     "CONST a = 2\r\nCONST b = 2\r\n",
     "CONST a = 2\r\nCONST b = 5\r\nCONST z = 1\r\n",
     {L"CONST a = 2", L"CONST b = 5"},
     {1, 1},
     {},
     {L"CONST z = 1"},
     2,
     0},
    {"declarations in another order than the new file's, and a dropped name declared twice",
     "CONST c = 1\r\nCONST gone = 1\r\nCONST b = 1\r\nCONST a = 1\r\nCONST gone = 2\r\n",
     "CONST a = 1\r\nCONST b = 2\r\nCONST c = 1\r\n",
     "CONST a = 5\r\nCONST b = 1\r\nCONST c = 1\r\nCONST gone = 2\r\n",
     {L"CONST a = 5", L"CONST b = 2", L"CONST c = 1"},
     {1, 2, 2},
     {},
     {},
     1,
     2},
    {"characters beyond ASCII compare as characters",
     "CONST a = \"\x80 \xE9\"\r\nCONST b = \"\x80\"\r\nCONST \xE9t\xE9 = \x9C\r\n",
     "CONST a = \"new\"\r\nCONST b = \"new\"\r\nCONST \xE9t\xE9 = 2\r\n",
     "CONST a = \"\x80 \xE9\"\r\nCONST b = \"\x81\"\r\nCONST \xE9t\xE9 = \x9C\r\n",
     {L"CONST a = \"new\"", L"CONST b = \"\x81\"", L"CONST \xE9t\xE9 = 2"},
     {2, 1, 2},
     {L"CONST b = \"new\""},
     {},
     1,
     2},
    {"two declarations of one name: each line compared with its own value",
     "CONST a = 1\r\n",
     "CONST a = 1\r\nCONST a = 2\r\n",
     "CONST a = 5\r\n",
     {L"CONST a = 5", L"CONST a = 5"},
     {1, 1},
     {L"CONST a = 2"},
     {},
     1,
     0},
};

TEST_F(Engine, ThreeWayCases) {
  const DecodingCp1252 decoding;
  const std::pair<const char*, const corvanel::AnsiCodec*> codecs[] = {{"read in the bytes", &codec},
                                                                       {"decoded", &decoding}};
  for (const auto& [how, used] : codecs) {
    for (const auto& c : kThreeWayCases) {
      SCOPED_TRACE(c.what);
      SCOPED_TRACE(how);
      Module1State fresh{files, *used};
      m = fresh;
      Load(c.standard);
      files.files[L"base.inc"] = c.base;
      files.files[L"custom.inc"] = c.custom;
      const MergeSummary summary = m.MergeCustomFile(L"custom.inc", L"base.inc");
      EXPECT_EQ(Model(), c.model);
      EXPECT_EQ(Found(), c.found);
      EXPECT_EQ(m.incConflicts, c.conflicts);
      EXPECT_EQ(m.incGone, c.gone);
      EXPECT_EQ(summary.carried, c.carried);
      EXPECT_EQ(summary.unchanged, c.unchanged);
    }
  }
}

TEST_F(Engine, ThreeWayReportHasOneSectionPerList) {
  const std::string base = "CONST keep = 1\r\nCONST both = 1\r\nCONST drop = 1\r\n";
  const std::string standard = "CONST keep = 2\r\nCONST both = 2\r\nCONST added = 2\r\n";
  const struct {
    const char* what;
    std::string custom;
    std::wstring report;
  } cases[] = {
      {"unchanged entries supply their phrases", "CONST keep = 1\r\nCONST both = 1\r\nCONST added = 1\r\n", L""},
      {"all three sections",
       "CONST keep = 1\r\nCONST both = 9\r\nCONST drop = 9\r\n",
       kHeader + L"CONST added = 2\r\n\r\n" + kConflictsHeader + L"CONST both = 2\r\n\r\n" + kGoneHeader +
           L"CONST drop = 9\r\n"},
      {"a conflict alone has no empty line above it", "CONST keep = 1\r\nCONST both = 9\r\nCONST added = 3\r\n",
       kConflictsHeader + L"CONST both = 2\r\n"},
      {"gone alone", "CONST keep = 1\r\nCONST both = 1\r\nCONST added = 3\r\nCONST drop = 9\r\n",
       kGoneHeader + L"CONST drop = 9\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Load(standard);
    files.files[L"base.inc"] = base;
    files.files[L"custom.inc"] = c.custom;
    m.MergeCustomFile(L"custom.inc", L"base.inc");
    EXPECT_EQ(m.BuildReportText(), c.report);
  }
  // A two-way merge afterwards reports no three-way list of the one before.
  Load(standard);
  Merge("CONST keep = 1\r\nCONST both = 9\r\nCONST added = 3\r\n");
  EXPECT_EQ(m.BuildReportText(), L"");
  EXPECT_EQ(m.BuildReportText(L"Header\r\n"), L"");
  Merge("");
  EXPECT_EQ(m.BuildReportText(L"Header\r\n"), L"Header\r\nCONST keep = 1\r\nCONST both = 9\r\nCONST added = 3\r\n");
}

TEST_F(Engine, ARefusedBaseLeavesEverythingAsItWas) {
  Load("CONST a = 1\r\n");
  files.files[L"custom.inc"] = "CONST a = 5\r\n";
  std::string longBase;  // longer than a standard file may be: accepted
  for (int i = 0; i < 1500; ++i) longBase += "CONST a" + std::to_string(i) + " = 1\r\n";
  files.files[L"long.inc"] = longBase + "CONST a = 5\r\n";
  files.files[L"utf16.inc"] = std::string("\xFF\xFE\x43\0", 4);
  for (const wchar_t* refused : {L"utf16.inc", L"gone.inc"}) {
    SCOPED_TRACE(corvanel::WideToUtf8(refused));
    try {
      m.MergeCustomFile(L"custom.inc", refused);
      ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
      EXPECT_NE(e.Message().find(L"\"" + std::wstring(refused) + L"\""), std::wstring::npos)
          << corvanel::WideToUtf8(e.Message());
    }
    EXPECT_EQ(Model(), std::vector<std::wstring>{L"CONST a = 1"});
  }
  m.MergeCustomFile(L"custom.inc", L"long.inc");
  EXPECT_EQ(Model(), std::vector<std::wstring>{L"CONST a = 1"});
  EXPECT_EQ(Found(), std::vector<int>{2});
}

TEST_F(Engine, ReportIsByteForByte) {
  Load("CONST a = 1\r\nCONST b = 2\r\n");
  Merge("");
  EXPECT_EQ(m.BuildReportText(),
            L"The following phrases were found in the standard Lang.inc file\r\n"
            L"but were not found in the custom Lang.inc file.\r\n"
            L"Please edit them manually using Notepad.exe .\r\n"
            L"\r\n"
            L"CONST a = 1\r\n"
            L"CONST b = 2\r\n");
}

TEST_F(Engine, LoadingAShorterFileLeavesOldSlotsUnread) {
  Load("CONST a = 1\r\nCONST b = 2\r\nCONST c = 3");
  EXPECT_EQ(m.incCount, 3);
  Load("CONST z = 1\r\n");
  EXPECT_EQ(Model(), std::vector<std::wstring>{L"CONST z = 1"});
  Merge("");
  EXPECT_EQ(m.BuildReportText(), kHeader + L"CONST z = 1\r\n");
}

TEST_F(Engine, FailuresLeaveEverythingAsItWas) {
  Load("CONST a = 1\r\nCONST b = 2\r\n");
  Merge("CONST a = 5\r\n");
  const auto model = Model();
  const auto found = Found();

  std::string tooLong;
  for (int i = 0; i < 1001; ++i) tooLong += "CONST x = 1\r\n";
  const std::string utf16("\xFF\xFE\x43\0", 4);  // "C" in UTF-16 after its byte-order mark
  // Each error names the file; the engine's own reasons are checked too. A missing file's reason
  // comes from the file store, here the test double, so it proves nothing about the engine.
  const struct {
    const char* what;
    std::function<void()> action;
    const wchar_t* file;
    const wchar_t* reasonPart;  // nullptr: the file store's
  } failures[] = {
      {"missing standard file", [&] { m.LoadStandardFile(L"C:\\gone\\std.inc"); }, L"C:\\gone\\std.inc", nullptr},
      {"missing customised file", [&] { m.MergeCustomFile(L"C:\\gone\\custom.inc"); }, L"C:\\gone\\custom.inc",
       nullptr},
      {"1001 lines", [&] { Load(tooLong); }, L"std.inc", L"1001 lines"},
      {"UTF-16 standard file", [&] { Load(utf16); }, L"std.inc", L"UTF-16"},
      {"UTF-16 customised file", [&] { Merge(utf16); }, L"custom.inc", L"UTF-16"},
  };
  for (const auto& f : failures) {
    SCOPED_TRACE(f.what);
    try {
      f.action();
      ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
      EXPECT_NE(e.Context().find(L"\"" + std::wstring(f.file) + L"\""), std::wstring::npos)
          << corvanel::WideToUtf8(e.Message());
      if (f.reasonPart != nullptr) {
        EXPECT_NE(e.Message().find(f.reasonPart), std::wstring::npos) << corvanel::WideToUtf8(e.Message());
      }
    }
    EXPECT_EQ(Model(), model);
    EXPECT_EQ(Found(), found);
  }
}

TEST_F(Engine, ErrorsNameTheFile) {
  files.files[L"C:\\inc\\big.inc"] = std::string(1001 * 2, '\n');
  try {
    m.LoadStandardFile(L"C:\\inc\\big.inc");
    FAIL();
  } catch (const AppError& e) {
    EXPECT_EQ(e.Context(), L"Cannot load the standard file \"C:\\inc\\big.inc\"");
  }
}

TEST_F(Engine, SaveWritesEachLineWithCrLf) {
  const struct {
    const char* what;
    std::string standard;
    std::string custom;
    std::string saved;
  } cases[] = {
      {"no final terminator", "CONST a = 1\r\nb\r\nc", "", "CONST a = 1\r\nb\r\nc\r\n"},
      {"indent spaces go, tabs stay, lone CR and LF become CR LF", "   x  \r\tt\nCONST a = 1", "CONST a = 2",
       "x\r\n\tt\r\nCONST a = 2\r\n"},
      {"zero lines give zero bytes", "", "", ""},
      {"empty lines stay", "\r\n\r\n", "", "\r\n\r\n"},
      {"a UTF-8 BOM of the standard file is kept",
       "\xEF\xBB\xBF"
       "CONST a = 1\r\n",
       "CONST a = 2\r\n",
       "\xEF\xBB\xBF"
       "CONST a = 2\r\n"},
      {"a BOM of the customised file is not carried over", "CONST a = 1\r\n",
       "\xEF\xBB\xBF"
       "CONST a = 2\r\n",
       "CONST a = 2\r\n"},
      {"NUL, Ctrl-Z and high bytes survive", std::string("x\0\x1A\x81\xFF y\r\n", 9), "",
       std::string("x\0\x1A\x81\xFF y\r\n", 9)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Load(c.standard);
    Merge(c.custom);
    m.SaveMergedFile(L"out.inc");
    EXPECT_EQ(files.files[L"out.inc"], c.saved);
  }
}

TEST_F(Engine, SaveRefusesCharactersTheCodePageLacksAndWritesNothing) {
  Load("CONST a = 1\r\n");
  m.incLines[1] = L"CONST a = \u0100";
  files.files[L"out.inc"] = "old";
  EXPECT_THROW(m.SaveMergedFile(L"out.inc"), AppError);
  EXPECT_EQ(files.files[L"out.inc"], "old");
}

TEST_F(Engine, ALargeLineAndManyEntriesMerge) {
  const std::string big(1 << 20, 'v');
  Load("CONST big = 1\r\n");
  std::string custom;
  for (int i = 0; i < 5000; ++i) custom += "CONST other" + std::to_string(i) + " = 1\r\n";
  custom += "CONST big = " + big + "\r\n";
  Merge(custom);
  EXPECT_EQ(m.incLines[1].size(), 12 + big.size());
  m.SaveMergedFile(L"out.inc");
  EXPECT_EQ(files.files[L"out.inc"], "CONST big = " + big + "\r\n");
}

}  // namespace
}  // namespace tessaly
