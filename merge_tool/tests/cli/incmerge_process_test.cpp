// incmerge end to end, as a process: natively, and incmerge.exe under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "common/version.h"
#include "process.h"

namespace tessaly::cli::testing {
namespace {

namespace fs = std::filesystem;

const std::string kHeader =
    "The following phrases were found in the standard Lang.inc file\r\n"
    "but were not found in the custom Lang.inc file.\r\n"
    "Please edit them manually using Notepad.exe .\r\n"
    "\r\n";

// Windows-1252 bytes: "\xE9" is e acute.
const std::string kStandard =
    "CONST txtHello = \"Hello\"\r\n' greeting\r\nCONST txtCaf\xE9 = \"Caf\xE9\"\r\n  CONST txtBye = \"Bye\"\r\n";
const std::string kCustomAll =
    "const txtHello = \"Hi\"\r\nCONST txtCaf\xE9 = \"Bistro\"\r\nCONST txtBye = \"Ciao\"\r\n";
const std::string kMergedAll =
    "const txtHello = \"Hi\"\r\n' greeting\r\nCONST txtCaf\xE9 = \"Bistro\"\r\nCONST txtBye = \"Ciao\"\r\n";
const std::string kCustomPart = "CONST txtHello = \"Hi\"\r\n' not an entry\r\nCONST txtGone = \"old\"\r\n";
const std::string kMergedPart =
    "CONST txtHello = \"Hi\"\r\n' greeting\r\nCONST txtCaf\xE9 = \"Caf\xE9\"\r\nCONST txtBye = \"Bye\"\r\n";
const std::string kReportPart = kHeader + "CONST txtCaf\xE9 = \"Caf\xE9\"\r\nCONST txtBye = \"Bye\"\r\n";

class Incmerge : public WorkFolderTest {
 protected:
  void SetUp() override {
    WorkFolderTest::SetUp();
    fs::create_directories(dir / "sub");
    Write("std.inc", kStandard);
    Write("all.inc", kCustomAll);
    Write("part.inc", kCustomPart);
  }
  std::set<std::string> Files(const fs::path& folder) const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
  }
  Outcome Run(const std::vector<std::string>& args) const { return RunIncmerge(dir, args); }
  // An error is one line on standard error, and nothing goes to standard output.
  static void ExpectOneErrorLine(const Outcome& o, const std::string& naming) {
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err.rfind("incmerge: ", 0), 0u) << o.err;
    EXPECT_NE(o.err.find(naming), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find(kNewline), o.err.size() - kNewline.size()) << o.err;
  }
};

TEST_F(Incmerge, EachExitStatusAndWhatItLeaves) {
  std::string lines1001;
  for (int i = 0; i < 1001; ++i) lines1001 += "CONST x = 1\r\n";
  Write("1001.inc", lines1001);
  Write("utf16.inc", std::string("\xFF\xFE" "C\0O\0", 6));
  const struct {
    const char* what;
    std::vector<std::string> args;
    int status;
    std::string out;     // exact; for errors, what the one line must name
    std::string merged;  // out.inc afterwards; empty: not written
  } cases[] = {
      {"all matched", {"std.inc", "all.inc", "-o", "out.inc"}, 0, "", kMergedAll},
      {"phrases left: the report on standard output", {"std.inc", "part.inc", "-o", "out.inc"}, 1, kReportPart,
       kMergedPart},
      {"unknown long option", {"std.inc", "part.inc", "-o", "out.inc", "--frob"}, 2, "\"--frob\"", ""},
      {"unknown short option", {"-x", "std.inc", "part.inc", "-o", "out.inc"}, 2, "\"-x\"", ""},
      {"ambiguous abbreviation", {"--ver", "std.inc", "part.inc"}, 2, "--verbose, --version", ""},
      {"customized file missing", {"std.inc", "-o", "out.inc"}, 2, "CUSTOM", ""},
      {"a third file", {"std.inc", "part.inc", "x.inc", "-o", "out.inc"}, 2, "\"x.inc\"", ""},
      {"--output without a file", {"std.inc", "part.inc", "-o"}, 2, "\"-o\"", ""},
      {"--backup to standard output", {"--backup", "std.inc", "part.inc"}, 2, "--backup", ""},
      {"unknown code page", {"--encoding", "12345", "std.inc", "part.inc", "-o", "out.inc"}, 2, "12345", ""},
      {"EBCDIC is not an ASCII code page", {"--encoding=37", "std.inc", "part.inc", "-o", "out.inc"}, 2, "37", ""},
      {"standard file missing", {"none.inc", "part.inc", "-o", "out.inc"}, 3, "\"none.inc\"", ""},
      {"customized file missing on disk", {"std.inc", "none.inc", "-o", "out.inc"}, 3, "\"none.inc\"", ""},
      {"standard file of 1001 lines", {"1001.inc", "part.inc", "-o", "out.inc"}, 3, "1001 lines", ""},
      {"UTF-16 customized file", {"std.inc", "utf16.inc", "-o", "out.inc"}, 3, "UTF-16", ""},
      {"customized file is a folder", {"std.inc", "sub", "-o", "out.inc"}, 3, "sub", ""},
      {"output folder missing", {"std.inc", "part.inc", "-o", "none/out.inc"}, 4, "out.inc", ""},
      {"output is a folder", {"std.inc", "part.inc", "-o", "sub"}, 4, "sub", ""},
  };
  const auto before = Files(dir);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome o = Run(c.args);
    EXPECT_EQ(o.status, c.status);
    if (c.status <= 1) {
      EXPECT_EQ(o.out, c.out);
      EXPECT_EQ(o.err, "");
    } else {
      ExpectOneErrorLine(o, c.out);
    }
    EXPECT_EQ(c.merged.empty() ? "" : Read("out.inc"), c.merged);
    fs::remove(dir / "out.inc");
    EXPECT_EQ(Files(dir), before);  // nothing else written, no temporary left
  }
}

TEST_F(Incmerge, CheckWritesNothing) {
  Write("out.inc", "keep");
  const struct {
    const char* custom;
    int status;
  } cases[] = {{"all.inc", 0}, {"part.inc", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.custom);
    const Outcome o = Run({"--check", "std.inc", c.custom, "-o", "out.inc", "--backup"});
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "");
  }
  EXPECT_EQ(Read("out.inc"), "keep");
  EXPECT_EQ(Files(dir), (std::set<std::string>{"all.inc", "out.inc", "part.inc", "std.inc", "sub"}));
}

TEST_F(Incmerge, BackupKeepsThePreviousOutputAndReplacesAnOlderBackup) {
  Write("out.inc", "previous");
  Write("out.inc.bak", "older");
  EXPECT_EQ(Run({"--backup", "std.inc", "all.inc", "-o", "out.inc"}).status, 0);
  EXPECT_EQ(Read("out.inc"), kMergedAll);
  EXPECT_EQ(Read("out.inc.bak"), "previous");

  // The usual upgrade: the merged file replaces the standard file, which stays as the backup.
  EXPECT_EQ(Run({"std.inc", "part.inc", "--output=std.inc", "--backup"}).status, 1);
  EXPECT_EQ(Read("std.inc"), kMergedPart);
  EXPECT_EQ(Read("std.inc.bak"), kStandard);

  // No previous output, nothing to keep.
  EXPECT_EQ(Run({"--backup", "all.inc", "all.inc", "-onew.inc"}).status, 0);
  EXPECT_FALSE(fs::exists(dir / "new.inc.bak"));
  EXPECT_EQ(Files(dir), (std::set<std::string>{"all.inc", "new.inc", "out.inc", "out.inc.bak", "part.inc", "std.inc",
                                               "std.inc.bak", "sub"}));
}

TEST_F(Incmerge, OutputMayBeTheStandardFileItself) {
  const Outcome o = Run({"std.inc", "part.inc", "-o", "std.inc"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, kReportPart);
  EXPECT_EQ(Read("std.inc"), kMergedPart);
  EXPECT_EQ(Files(dir), (std::set<std::string>{"all.inc", "part.inc", "std.inc", "sub"}));
}

TEST_F(Incmerge, WithoutOutputTheFileGoesToStandardOutputAndTheReportToStandardError) {
  Write("bom.inc", "\xEF\xBB\xBF" + kStandard);
  const struct {
    const char* standard;
    const char* custom;
    int status;
    std::string out;
    std::string err;
  } cases[] = {
      {"std.inc", "all.inc", 0, kMergedAll, ""},
      {"std.inc", "part.inc", 1, kMergedPart, kReportPart},
      {"bom.inc", "part.inc", 1, "\xEF\xBB\xBF" + kMergedPart, kReportPart},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.standard + std::string(" ") + c.custom);
    const Outcome o = Run({c.standard, c.custom});
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(o.out, c.out);
    EXPECT_EQ(o.err, c.err);
  }
}

TEST_F(Incmerge, FailedWritesLeaveTheTargetAsItWas) {
  fs::create_directories(dir / "locked");
  Write("locked/out.inc", "keep");
  Write("locked/out.inc.bak", "older");
  if (!SetFolderReadOnly(dir / "locked", true)) GTEST_SKIP() << "no read-only folders on this system";
  const Outcome plain = Run({"std.inc", "all.inc", "-o", "locked/out.inc"});
  const Outcome backup = Run({"std.inc", "all.inc", "-o", "locked/out.inc", "--backup"});
  ASSERT_TRUE(SetFolderReadOnly(dir / "locked", false));
  for (const Outcome& o : {plain, backup}) {
    EXPECT_EQ(o.status, 4);
    ExpectOneErrorLine(o, "out.inc");
  }
  EXPECT_EQ(Read("locked/out.inc"), "keep");
  EXPECT_EQ(Read("locked/out.inc.bak"), "older");
  EXPECT_EQ(Files(dir / "locked"), (std::set<std::string>{"out.inc", "out.inc.bak"}));
}

TEST_F(Incmerge, VerboseCountsAndNamesTheEntriesThatMatchedNoLine) {
  Write("custom.inc", "CONST txtGone = 1\r\nCONST txtHello = 2\r\nconst txtOld\xE9 = 3\r\nCONST  = 4\r\nx\r\n");
  const Outcome o = Run({"-v", "std.inc", "custom.inc", "-o", "out.inc"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, kReportPart);
  const std::string nl = kNewline;
  EXPECT_EQ(o.err, "lines read: 4 standard, 5 customized" + nl + "entries read: 4" + nl + "lines replaced: 1" + nl +
                       "phrases unmatched: 2" + nl + "entries that matched no line: 3" + nl + "  txtGone" + nl +
                       "  " + MessageBytes("txtOld\xC3\xA9") + nl + "  CONST  = 4" + nl);
}

TEST_F(Incmerge, HelpAndVersion) {
  const Outcome help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: incmerge [OPTION]... STANDARD CUSTOM [-o OUTPUT]" + kNewline, 0), 0u) << help.out;
  EXPECT_NE(help.out.find("Example"), std::string::npos);
  EXPECT_EQ(help.err, "");
  const Outcome version = Run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "incmerge " CORVANEL_VERSION_TEXT + kNewline);
}

TEST_F(Incmerge, ChosenCodePageCarriesDoubleByteTextAndRefusesBrokenSequences) {
  // Shift-JIS: the second bytes of these characters are "{" and "\" in ASCII.
  Write("sjis.inc", "CONST txt\x93\xFA\x96\x7B = \"\x95\x5C\"\r\nCONST txtB = 1\r\n");
  Write("sjis-custom.inc", "CONST txt\x93\xFA\x96\x7B = \"\x8E\x9A\"\r\n");
  Write("broken.inc", "CONST a = 1\r\nCONST b = \"\x82\"\r\n");
  const Outcome merged = Run({"--encoding", "932", "sjis.inc", "sjis-custom.inc", "-o", "out.inc"});
  EXPECT_EQ(merged.status, 1);
  EXPECT_EQ(Read("out.inc"), "CONST txt\x93\xFA\x96\x7B = \"\x8E\x9A\"\r\nCONST txtB = 1\r\n");
  EXPECT_EQ(merged.out, kHeader + "CONST txtB = 1\r\n");

  const Outcome broken = Run({"--encoding=cp932", "sjis.inc", "broken.inc", "-o", "out2.inc"});
  EXPECT_EQ(broken.status, 3);
  ExpectOneErrorLine(broken, "Line 2 ");
  EXPECT_NE(broken.err.find("932"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "out2.inc"));
}

}  // namespace
}  // namespace tessaly::cli::testing
