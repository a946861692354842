// incmerge end to end, as a process: natively, and incmerge.exe under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "common/version.h"
#include "process.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tessaly::cli::testing {
namespace {

namespace fs = std::filesystem;

// The report's header names the two files as given.
std::string Header(const std::string& standard, const std::string& custom) {
  return "The following phrases were found in the standard file \"" + standard +
         "\"\r\nbut were not found in the customized file \"" + custom +
         "\".\r\nPlease edit them by hand in the merged file.\r\n\r\n";
}

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
const std::string kPartList = "CONST txtCaf\xE9 = \"Caf\xE9\"\r\nCONST txtBye = \"Bye\"\r\n";
const std::string kReportPart = Header("std.inc", "part.inc") + kPartList;

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
  // No temporary file of a save left in the folder or below it.
  void ExpectNoTemporaries() const {
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      EXPECT_EQ(entry.path().filename().string().find("tessaly"), std::string::npos) << entry.path();
    }
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
  Write("utf16.inc", std::string("\xFF\xFE"
                                 "C\0O\0",
                                 6));
  Write("utf16le.inc", std::string("C\0O\0N\0S\0T\0 \0x\0=\0"
                                   "1\0\r\0\n\0",
                                   22));
  Write("utf16be.inc", std::string("\0C\0O\0N\0S\0T\0 \0x\0=\0"
                                   "1\0\r\0\n",
                                   22));
  const struct {
    const char* what;
    std::vector<std::string> args;
    int status;
    std::string out;     // exact; for errors, what the one line must name
    std::string merged;  // out.inc afterwards; empty: not written
  } cases[] = {
      {"all matched", {"std.inc", "all.inc", "-o", "out.inc"}, 0, "", kMergedAll},
      {"phrases left: the report on standard output",
       {"std.inc", "part.inc", "-o", "out.inc"},
       1,
       kReportPart,
       kMergedPart},
      {"unknown long option", {"std.inc", "part.inc", "-o", "out.inc", "--frob"}, 2, "\"--frob\"", ""},
      {"unknown short option", {"-x", "std.inc", "part.inc", "-o", "out.inc"}, 2, "\"-x\"", ""},
      {"ambiguous abbreviation", {"--ver", "std.inc", "part.inc"}, 2, "--verbose, --version", ""},
      {"customized file missing", {"std.inc", "-o", "out.inc"}, 2, "CUSTOM", ""},
      {"a third file", {"std.inc", "part.inc", "x.inc", "-o", "out.inc"}, 2, "\"x.inc\"", ""},
      {"--output without a file", {"std.inc", "part.inc", "-o"}, 2, "\"-o\"", ""},
      {"--backup to standard output", {"--backup", "std.inc", "part.inc"}, 2, "--backup", ""},
      {"output is the customized file", {"std.inc", "part.inc", "-o", "./part.inc"}, 2, "--force", ""},
      {"standard and customized are one file", {"std.inc", "./std.inc", "-o", "out.inc"}, 2, "same file", ""},
      {"unknown code page", {"--encoding", "12345", "std.inc", "part.inc", "-o", "out.inc"}, 2, "12345", ""},
      {"EBCDIC is not an ASCII code page", {"--encoding=37", "std.inc", "part.inc", "-o", "out.inc"}, 2, "37", ""},
      {"standard file missing", {"none.inc", "part.inc", "-o", "out.inc"}, 3, "\"none.inc\"", ""},
      {"customized file missing on disk", {"std.inc", "none.inc", "-o", "out.inc"}, 3, "\"none.inc\"", ""},
      {"standard file of 1001 lines", {"1001.inc", "part.inc", "-o", "out.inc"}, 3, "1001 lines", ""},
      {"UTF-16 customized file", {"std.inc", "utf16.inc", "-o", "out.inc"}, 3, "UTF-16", ""},
      {"UTF-16 LE without a mark", {"std.inc", "utf16le.inc", "-o", "out.inc"}, 3, "UTF-16", ""},
      {"UTF-16 BE without a mark", {"utf16be.inc", "part.inc", "-o", "out.inc"}, 3, "UTF-16", ""},
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

TEST_F(Incmerge, CheckWritesNothingAndSaysSoWhenGivenAnOutput) {
  Write("out.inc", "keep");
  const std::string said = "incmerge: --check writes nothing; \"out.inc\" was not written" + kNewline;
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {{"--check", "std.inc", "all.inc", "-o", "out.inc", "--backup"}, 0, said},
      {{"--check", "std.inc", "part.inc", "-o", "out.inc", "--backup=numbered"}, 1, said},
      {{"--check", "std.inc", "part.inc"}, 1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[2]);
    const Outcome o = Run(c.args);
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, c.err);
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

  // A backup that is another name of the output's own file (a hard link) is replaced too.
  fs::remove(dir / "out.inc.bak");
  fs::create_hard_link(dir / "out.inc", dir / "out.inc.bak");
  EXPECT_EQ(Run({"--backup", "std.inc", "part.inc", "-o", "out.inc"}).status, 1);
  EXPECT_EQ(Read("out.inc"), kMergedPart);
  EXPECT_EQ(Read("out.inc.bak"), kMergedAll);
  ExpectNoTemporaries();

  // No previous output, nothing to keep.
  EXPECT_EQ(Run({"--backup", "all.inc", "all.inc", "-onew.inc", "--force"}).status, 0);
  EXPECT_FALSE(fs::exists(dir / "new.inc.bak"));
  EXPECT_EQ(Files(dir), (std::set<std::string>{"all.inc", "new.inc", "out.inc", "out.inc.bak", "part.inc", "std.inc",
                                               "std.inc.bak", "sub"}));
}

// A retried upgrade step ("incmerge --backup NEW OLD -o NEW" run again) must not lose the
// pristine NEW: numbered backups keep every previous file.
TEST_F(Incmerge, NumberedBackupsNeverReplaceOneAnother) {
  for (int run = 1; run <= 3; ++run) {
    SCOPED_TRACE(run);
    EXPECT_EQ(Run({"--backup=numbered", "std.inc", "part.inc", "-o", "std.inc"}).status, 1);
  }
  EXPECT_EQ(Read("std.inc.~1~"), kStandard);
  EXPECT_EQ(Read("std.inc.~2~"), kMergedPart);
  EXPECT_EQ(Read("std.inc.~3~"), kMergedPart);
  Write("out.inc", "previous");
  EXPECT_EQ(Run({"--backup=simple", "std.inc", "all.inc", "-o", "out.inc"}).status, 0);
  EXPECT_EQ(Read("out.inc.bak"), "previous");
  EXPECT_EQ(Files(dir), (std::set<std::string>{"all.inc", "out.inc", "out.inc.bak", "part.inc", "std.inc",
                                               "std.inc.~1~", "std.inc.~2~", "std.inc.~3~", "sub"}));
  ExpectNoTemporaries();
}

// The diff goes from the standard file as it is on disk (blanks, line ends, byte-order mark) to
// the merged file, so that patch makes the one from the other.
TEST_F(Incmerge, DiffShowsWhatTheMergeChangesAndPatchMakesTheMergedFile) {
  const struct {
    const char* what;
    std::string standard;
    std::string custom;
  } cases[] = {
      {"CR LF, a line with leading blanks, a report", kStandard, kCustomPart},
      {"all matched", kStandard, kCustomAll},
      {"LF lines, the last without its end", "CONST txtHello = 1\nx\nCONST txtBye = 2", kCustomAll},
      {"lone CRs and a byte-order mark",
       "\xEF\xBB\xBF"
       "CONST txtHello = 1\rx\rCONST txtBye = 2\r\n",
       kCustomAll},
      {"nothing changes", kMergedAll, kCustomAll},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Write("s.inc", c.standard);
    Write("c.inc", c.custom);
    const Outcome merged = Run({"s.inc", "c.inc"});
    const Outcome diff = Run({"--diff", "s.inc", "c.inc"});
    EXPECT_EQ(diff.status, merged.status);
    EXPECT_EQ(diff.err, merged.err);  // the report
    EXPECT_EQ(Read("s.inc"), c.standard);
    if (merged.out == c.standard) {
      EXPECT_EQ(diff.out, "");
      continue;
    }
    EXPECT_EQ(diff.out.rfind("--- s.inc\n+++ s.inc\n@@ -1", 0), 0u) << diff.out;
#ifndef _WIN32
    Write("d.patch", diff.out);
    Write("p.inc", c.standard);
    const std::string patch = "cd '" + dir.string() + "' && patch -s p.inc d.patch";
    EXPECT_EQ(std::system(patch.c_str()), 0);
    EXPECT_EQ(Read("p.inc"), merged.out);
#endif
  }

  // Exactly, on every platform; with an output named, which is not written.
  const Outcome o = Run({"--diff", "-v", "std.inc", "part.inc", "-o", "out.inc"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out,
            "--- std.inc\n+++ out.inc\n@@ -1,4 +1,4 @@\n"
            "-CONST txtHello = \"Hello\"\r\n+CONST txtHello = \"Hi\"\r\n"
            " ' greeting\r\n CONST txtCaf\xE9 = \"Caf\xE9\"\r\n"
            "-  CONST txtBye = \"Bye\"\r\n+CONST txtBye = \"Bye\"\r\n");
  EXPECT_EQ(o.err.rfind("incmerge: --diff writes nothing; \"out.inc\" was not written" + kNewline, 0), 0u) << o.err;
  EXPECT_NE(o.err.find("lines replaced: 1" + kNewline + "  line 1: txtHello" + kNewline), std::string::npos) << o.err;
  EXPECT_NE(o.err.find(kReportPart), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "out.inc"));
}

// "incmerge ... | head": the reader has what it wanted; Unix tools end without a word.
TEST_F(Incmerge, AReaderThatClosesThePipeEndsTheRunQuietly) {
  const struct {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"std.inc", "part.inc"}, 4},
      {{"--diff", "std.inc", "part.inc"}, 4},
      {{"--help"}, 4},
      // The merged file was saved: only the report is missing.
      {{"std.inc", "part.inc", "-o", "out.inc"}, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const Outcome o = RunIncmergeIntoClosedPipe(dir, c.args);
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(o.err, "");
  }
  EXPECT_EQ(Read("out.inc"), kMergedPart);
}

TEST_F(Incmerge, OutputMayBeTheStandardFileItselfAndWithForceTheCustomizedOne) {
  const Outcome o = Run({"std.inc", "part.inc", "-o", "std.inc"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, kReportPart);
  EXPECT_EQ(Read("std.inc"), kMergedPart);
  EXPECT_EQ(Run({"--force", "std.inc", "all.inc", "-o", "all.inc"}).status, 0);
  EXPECT_EQ(Read("all.inc"), kMergedAll);
  EXPECT_EQ(Files(dir), (std::set<std::string>{"all.inc", "part.inc", "std.inc", "sub"}));
}

TEST_F(Incmerge, WithoutOutputTheFileGoesToStandardOutputAndTheReportToStandardError) {
  Write("bom.inc", "\xEF\xBB\xBF" + kStandard);
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err;
  } cases[] = {
      {{"std.inc", "all.inc"}, 0, kMergedAll, ""},
      {{"std.inc", "part.inc"}, 1, kMergedPart, kReportPart},
      {{"bom.inc", "part.inc"}, 1, "\xEF\xBB\xBF" + kMergedPart, Header("bom.inc", "part.inc") + kPartList},
      {{"std.inc", "part.inc", "-o", "-"}, 1, kMergedPart, kReportPart},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1] + " " + std::to_string(c.args.size()));
    const Outcome o = Run(c.args);
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
  EXPECT_EQ(o.out, Header("std.inc", "custom.inc") + kPartList);
  const std::string nl = kNewline;
  EXPECT_EQ(o.err, "lines read: 4 standard, 5 customized" + nl + "entries read: 4" + nl + "lines replaced: 1" + nl +
                       "  line 1: txtHello" + nl + "phrases unmatched: 2" + nl + "entries that matched no line: 3" +
                       nl + "  txtGone" + nl + "  " + MessageBytes("txtOld\xC3\xA9") + nl + "  CONST  = 4" + nl +
                       "customized lines that look like declarations but were not used: 0" + nl);
}

TEST_F(Incmerge, VerboseNamesTheDeclarationLikeLinesThatWereNotUsedAndWhy) {
  const struct {
    std::string line;
    std::string reason;  // empty: not listed
  } rows[] = {
      {"Public Const txtHello = \"x\"", "Public/Private"},
      {"private  CONST\ttxtBye = 1", "Public/Private"},
      {"\tCONST txtHello = \"x\"", "tab before CONST"},
      {"CONST\ttxtHello = \"x\"", "tab after CONST"},
      {"CONST txtHello = \"a=b\"", "value holds ="},
      {"CONST TXTHELLO = \"x\"", "name differs only in case from txtHello"},
      {"CONST txtBye = \"Ciao\"", ""},  // used
      {"CONST txtGone = 1", ""},        // no such name: among the entries that matched no line
      {"' CONST txtHello = 1", ""},     // a comment
      {"CONSTANT txtHello = 1", ""},    // no declaration
  };
  std::string custom;
  std::string listed;
  int count = 0;
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    custom += rows[i].line + "\r\n";
    if (rows[i].reason.empty()) continue;
    listed += "  line " + std::to_string(i + 1) + " (" + rows[i].reason + "): " + rows[i].line + kNewline;
    ++count;
  }
  Write("custom.inc", custom);
  const Outcome quiet = Run({"std.inc", "custom.inc", "-o", "quiet.inc"});
  const Outcome o = Run({"-v", "std.inc", "custom.inc", "-o", "out.inc"});
  EXPECT_EQ(o.status, quiet.status);
  EXPECT_EQ(o.out, quiet.out);
  EXPECT_EQ(Read("out.inc"), Read("quiet.inc"));
  const std::string header =
      "customized lines that look like declarations but were not used: " + std::to_string(count) + kNewline;
  ASSERT_NE(o.err.find(header), std::string::npos) << o.err;
  EXPECT_EQ(o.err.substr(o.err.find(header)), header + listed);
}

// Lines of a file, each ended by CR LF.
std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

const std::string kConflictsHeader =
    "The following phrases were changed in the custom file and also, to another\r\n"
    "text, in the standard file. The custom text was kept; the new standard\r\n"
    "text is shown here. Please compare them.\r\n"
    "\r\n";
const std::string kGoneHeader =
    "The following phrases were changed in the custom file but are no longer\r\n"
    "in the standard file. They were not carried over.\r\n"
    "\r\n";

// Three releases of a language file and a site that customised it, upgraded twice as setup
// programs are told to: the shipped copy kept beside the file as the base, replaced after each
// upgrade. Windows-1252 bytes: "\xE7" is c cedilla, "\xE2" a circumflex.
TEST_F(Incmerge, ThreeWayUpgradesKeepTheSitesChangesAndTheVendorsFixes) {
  const std::string release40 = Lines({
      "<%", "' Pellinor 4.0 language file (English)", "CONST PRODUCT_VERSION = \"4.0\"",
      "CONST PRODUCT_DESCRIPTION = \"Pellinor web mail\"", "CONST txtWelcome = \"Welcome to Pellinor\"",
      "CONST txtLogin = \"Log in\"", "CONST txtLogout = \"Log out\"", "CONST txtInbox = \"Inbox\"",
      "CONST txtSent = \"Sent items\"", "CONST txtCompose = \"New message\"",
      "CONST txtSignature = \"Sent from Pellinor\"", "%>"});
  // The site's copy, edited in another editor: LF line ends, its own layout and comments.
  const std::string site = "<%\n' Pellinor 4.0 language file (English), Contoso's texts\n"
                           "CONST PRODUCT_VERSION = \"4.0\"\n"
                           "CONST PRODUCT_DESCRIPTION = \"Pellinor web mail\"\n"
                           "CONST txtWelcome = \"Welcome to Contoso mail\"\n"
                           "const txtLogin   =  \"Log in\"\t\n"
                           "CONST txtLogout = \"Log out\"\n"
                           "CONST txtInbox = \"Courrier re\xE7u\"\n"
                           "CONST txtSent = \"Sent mail\"\n"
                           "CONST txtCompose = \"New message\"\n"
                           "CONST txtSignature = \"Sent from Contoso\"\n"
                           "%>\n";
  const std::string release41 = Lines({
      "<%", "' Pellinor 4.1 language file (English)", "CONST PRODUCT_VERSION = \"4.1\"",
      "CONST PRODUCT_DESCRIPTION = \"Pellinor web mail and calendar\"",
      "CONST txtWelcome = \"Welcome to Pellinor\"", "CONST txtLogin = \"Sign in\"", "CONST txtLogout = \"Sign out\"",
      "CONST txtInbox = \"Inbox\"", "CONST txtSent = \"Sent messages\"", "CONST txtCompose = \"New message\"",
      "CONST txtTasks = \"Tasks\"", "%>"});
  fs::create_directories(dir / "new");
  Write("Lang.inc.shipped", release40);
  Write("Lang.inc", site);
  Write("new/Lang.inc", release41);
  // OUTPUT is CUSTOM here: --force allows it, and the backup keeps the site's file.
  const std::vector<std::string> upgrade = {"--base", "Lang.inc.shipped", "new/Lang.inc", "Lang.inc", "-o",
                                            "Lang.inc", "--backup", "--force"};

  // The two-way merge would have put the old version number back.
  EXPECT_NE(Run({"new/Lang.inc", "Lang.inc"}).out.find("CONST PRODUCT_VERSION = \"4.0\""), std::string::npos);

  std::vector<std::string> verbose = upgrade;
  verbose.push_back("-v");
  const Outcome first = Run(verbose);
  EXPECT_EQ(first.status, 1);
  EXPECT_EQ(Read("Lang.inc"),
            Lines({"<%", "' Pellinor 4.1 language file (English)", "CONST PRODUCT_VERSION = \"4.1\"",
                   "CONST PRODUCT_DESCRIPTION = \"Pellinor web mail and calendar\"",
                   "CONST txtWelcome = \"Welcome to Contoso mail\"", "CONST txtLogin = \"Sign in\"",
                   "CONST txtLogout = \"Sign out\"", "CONST txtInbox = \"Courrier re\xE7u\"",
                   "CONST txtSent = \"Sent mail\"", "CONST txtCompose = \"New message\"", "CONST txtTasks = \"Tasks\"",
                   "%>"}));
  EXPECT_EQ(Read("Lang.inc.bak"), site);
  EXPECT_EQ(first.out, Header("new/Lang.inc", "Lang.inc") + "CONST txtTasks = \"Tasks\"\r\n\r\n" + kConflictsHeader +
                           "CONST txtSent = \"Sent messages\"\r\n\r\n" + kGoneHeader +
                           "CONST txtSignature = \"Sent from Contoso\"\r\n");
  const std::string nl = kNewline;
  EXPECT_NE(first.err.find("entries carried: 3" + nl + "entries unchanged (the new standard value kept): 5" + nl +
                           "conflicts: 1" + nl + "gone: 1" + nl),
            std::string::npos)
      << first.err;

  // The recipe's last step; then the administrator edits the new phrase, and 4.2 comes.
  Write("Lang.inc.shipped", release41);
  std::string edited = Read("Lang.inc");
  edited.replace(edited.find("\"Tasks\""), 7, "\"T\xE2" "ches\"");
  Write("Lang.inc", edited);
  std::string release42 = release41;
  for (const auto& [from, to] : {std::pair<std::string, std::string>{"4.1", "4.2"}, {"Sign out", "Sign off"},
                                 {"\"Tasks\"", "\"To do\""}}) {
    for (auto at = release42.find(from); at != std::string::npos; at = release42.find(from, at + to.size())) {
      release42.replace(at, from.size(), to);
    }
  }
  Write("new/Lang.inc", release42);
  const Outcome second = Run(upgrade);
  EXPECT_EQ(second.status, 1);
  EXPECT_EQ(second.out, kConflictsHeader + "CONST txtTasks = \"To do\"\r\n");
  EXPECT_EQ(Read("Lang.inc"),
            Lines({"<%", "' Pellinor 4.2 language file (English)", "CONST PRODUCT_VERSION = \"4.2\"",
                   "CONST PRODUCT_DESCRIPTION = \"Pellinor web mail and calendar\"",
                   "CONST txtWelcome = \"Welcome to Contoso mail\"", "CONST txtLogin = \"Sign in\"",
                   "CONST txtLogout = \"Sign off\"", "CONST txtInbox = \"Courrier re\xE7u\"",
                   "CONST txtSent = \"Sent mail\"", "CONST txtCompose = \"New message\"",
                   "CONST txtTasks = \"T\xE2" "ches\"", "%>"}));

  // Nothing left to look at: status 0, and the same again is the same.
  Write("Lang.inc.shipped", release42);
  EXPECT_EQ(Run(upgrade).status, 0);
  const std::string settled = Read("Lang.inc");
  EXPECT_EQ(Run(upgrade).status, 0);
  EXPECT_EQ(Read("Lang.inc"), settled);
}

TEST_F(Incmerge, ABaseIsReadLikeTheOtherInputsAndARefusedOneWritesNothing) {
  Write("base.inc", "CONST txtHello = \"Hi\"\r\nCONST txtBye = \"Bye\"\r\n");
  Write("utf16.inc", std::string("\xFF\xFE"
                                 "C\0O\0",
                                 6));
  Write("latin.inc", "CONST txtCaf\xE9 = 1\r\n");
  std::string long1500;
  for (int i = 0; i < 1500; ++i) long1500 += "CONST x" + std::to_string(i) + " = 1\r\n";
  Write("long.inc", long1500);
  const struct {
    const char* what;
    std::vector<std::string> args;
    int status;
    std::string naming;  // for errors, what the one line must name
    std::string merged;  // out.inc afterwards
  } cases[] = {
      {"an unchanged entry is not carried", {"--base", "base.inc", "std.inc", "part.inc", "-o", "out.inc"}, 1, "",
       "CONST txtHello = \"Hello\"\r\n" + kMergedPart.substr(kMergedPart.find("\r\n") + 2)},
      {"a missing base", {"--base=none.inc", "std.inc", "all.inc", "-o", "out.inc"}, 3, "\"none.inc\"", "keep"},
      {"a UTF-16 base", {"--base", "utf16.inc", "std.inc", "all.inc", "-o", "out.inc", "--backup"}, 3,
       "\"utf16.inc\"", "keep"},
      {"a base that is no text in the chosen code page",
       {"--encoding=utf-8", "--base", "latin.inc", "base.inc", "part.inc", "-o", "out.inc"}, 3, "\"latin.inc\"", "keep"},
      {"a base folder", {"--base", "sub", "std.inc", "all.inc", "-o", "out.inc"}, 3, "\"sub\"", "keep"},
      {"a base given twice", {"--base", "a", "--base", "b", "std.inc", "all.inc", "-o", "out.inc"}, 2, "twice", "keep"},
      {"--base without a file", {"std.inc", "all.inc", "-o", "out.inc", "--base"}, 2, "\"--base\"", "keep"},
      {"a base of 1500 lines is accepted", {"--base", "long.inc", "std.inc", "all.inc", "-o", "out.inc"}, 0, "",
       kMergedAll},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Write("out.inc", "keep");
    const Outcome o = Run(c.args);
    EXPECT_EQ(o.status, c.status) << o.err;
    if (c.status >= 2) ExpectOneErrorLine(o, c.naming);
    EXPECT_EQ(Read("out.inc"), c.merged);
    EXPECT_FALSE(fs::exists(dir / "out.inc.bak"));
  }
  // The first case's report: the unchanged entry supplied its phrase; the changed one the new
  // file lacks is gone.
  EXPECT_EQ(Run({"--base", "base.inc", "std.inc", "part.inc", "-o", "out.inc"}).out,
            kReportPart + "\r\n" + kGoneHeader + "CONST txtGone = \"old\"\r\n");
}

TEST_F(Incmerge, ThreeWayStatusAndCheck) {
  Write("base.inc", kStandard);
  const struct {
    const char* what;
    std::string custom;
    int status;
  } cases[] = {
      {"every entry unchanged: the standard file, nothing to report", kStandard, 0},
      {"a changed entry carried", kStandard + "CONST txtHello = \"Hi\"\r\n", 0},
      {"a gone entry alone", kStandard + "CONST txtOld = 5\r\n", 1},
      {"an unchanged entry the new file dropped is no news", kStandard + "CONST txtOld = 5\r\n", 0},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.what);
    if (i == 3) Write("base.inc", kStandard + "CONST txtOld = 5\r\n");
    Write("c.inc", c.custom);
    const Outcome checked = Run({"--check", "--base", "base.inc", "std.inc", "c.inc", "-o", "out.inc", "--backup"});
    EXPECT_EQ(checked.status, c.status);
    EXPECT_EQ(checked.out, "");
    EXPECT_EQ(checked.err, "incmerge: --check writes nothing; \"out.inc\" was not written" + kNewline);
    EXPECT_FALSE(fs::exists(dir / "out.inc"));
    const Outcome merged = Run({"--base", "base.inc", "std.inc", "c.inc", "-o", "out.inc"});
    EXPECT_EQ(merged.status, c.status);
    EXPECT_EQ(merged.out.empty(), c.status == 0);
    fs::remove(dir / "out.inc");
  }
}

TEST_F(Incmerge, HelpAndVersion) {
#ifdef _WIN32
  const char* const windowsHelp = "/?";
#else
  const char* const windowsHelp = "-h";
#endif
  for (const char* asked : {"--help", "-h", windowsHelp}) {
    SCOPED_TRACE(asked);
    const Outcome help = Run({asked});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: incmerge [OPTION]... STANDARD CUSTOM [-o OUTPUT]" + kNewline, 0), 0u) << help.out;
    EXPECT_NE(help.out.find("STANDARD is the new standard file, CUSTOM the old customized file"), std::string::npos);
    EXPECT_NE(help.out.find("Example"), std::string::npos);
    EXPECT_EQ(help.err, "");
  }
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
  EXPECT_EQ(merged.out, Header("sjis.inc", "sjis-custom.inc") + "CONST txtB = 1\r\n");

  // UTF-8 by its name.
  Write("utf8.inc", "CONST txtCaf\xC3\xA9 = \"\xE2\x82\xAC\"\r\n");
  Write("utf8-custom.inc", "CONST txtCaf\xC3\xA9 = \"\xC2\xA3\"\r\n");
  EXPECT_EQ(Run({"--encoding=UTF-8", "utf8.inc", "utf8-custom.inc", "-o", "utf8-out.inc"}).status, 0);
  EXPECT_EQ(Read("utf8-out.inc"), "CONST txtCaf\xC3\xA9 = \"\xC2\xA3\"\r\n");

  const Outcome broken = Run({"--encoding=cp932", "sjis.inc", "broken.inc", "-o", "out2.inc"});
  EXPECT_EQ(broken.status, 3);
  ExpectOneErrorLine(broken, "Line 2 ");
  EXPECT_NE(broken.err.find(" code page 932 "), std::string::npos);
  EXPECT_EQ(broken.err.find("ANSI"), std::string::npos);  // chosen, not the system's
  EXPECT_FALSE(fs::exists(dir / "out2.inc"));

  // UTF-8 by the name users know it by, also as iconv spells it.
  Write("utf8-broken.inc", "CONST txtCaf\xC3\xA9 = \"\xC3\"\r\n");
  const Outcome notUtf8 = Run({"--encoding=utf8", "utf8.inc", "utf8-broken.inc", "-o", "out3.inc"});
  EXPECT_EQ(notUtf8.status, 3);
  ExpectOneErrorLine(notUtf8, "Line 1 is not text that UTF-8 can carry");
  EXPECT_EQ(notUtf8.err.find("65001"), std::string::npos);
}

#ifndef _WIN32
// Natively a name is bytes. Names that are not UTF-8 once reached other files: an overlong NUL
// cut the name short, an overlong "/" led into a folder, a Latin-1 byte became U+FFFD.
TEST_F(Incmerge, NamesReachTheSystemByteForByte) {
  Write("important", "keep");
  Write("sub/keep.inc", "keep");
  Write("caf\xEF\xBF\xBD.inc", "keep");
  Write("caf\xE9.inc", kStandard);
  const struct {
    const char* what;
    std::vector<std::string> args;
    int status;
    std::string written;  // the file that must hold the merge; empty: none
  } cases[] = {
      {"Latin-1 standard file", {"caf\xE9.inc", "all.inc", "-o", "out.inc"}, 0, "out.inc"},
      {"Latin-1 output beside its look-alike", {"std.inc", "all.inc", "-o", "caf\xE9.inc"}, 0, "caf\xE9.inc"},
      {"overlong NUL", {"std.inc", "all.inc", "-o", "important\xC0\x80.new"}, 0, "important\xC0\x80.new"},
      {"overlong slash", {"std.inc", "all.inc", "-o", "sub\xC0\xAFkeep.inc"}, 0, "sub\xC0\xAFkeep.inc"},
      {"cut-short sequence, shown as bytes", {"std.inc", "none\xC3.inc", "-o", "out2.inc"}, 3, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome o = Run(c.args);
    EXPECT_EQ(o.status, c.status) << o.err;
    if (!c.written.empty()) EXPECT_EQ(Read(c.written), kMergedAll);
    if (c.status == 3) ExpectOneErrorLine(o, "\"none\\xC3.inc\"");
  }
  EXPECT_EQ(Read("important"), "keep");
  EXPECT_EQ(Read("sub/keep.inc"), "keep");
  EXPECT_EQ(Read("caf\xEF\xBF\xBD.inc"), "keep");
}

TEST_F(Incmerge, ALinkedOutputStaysALinkAndItsFileIsReplaced) {
  fs::create_directories(dir / "product");
  fs::create_directories(dir / "release5");
  Write("release5/Lang.inc", "previous");
  fs::create_symlink((dir / "release5/Lang.inc").string(), dir / "absolute.inc");
  const struct {
    const char* what;
    std::string link;
    std::string pointsTo;  // from the link's folder
    bool backup;
    int status;
  } cases[] = {
      {"into another folder, with a backup", "product/Lang.inc", "../release5/Lang.inc", true, 0},
      {"to a link", "product/Again.inc", "../absolute.inc", false, 0},
      {"dangling: the file is made where it points", "product/New.inc", "../release5/New.inc", false, 0},
      {"to a device: refused", "product/Null.inc", "/dev/null", false, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path link = dir / c.link;
    fs::create_symlink(c.pointsTo, link);
    const std::string previous = Read(c.link);
    std::vector<std::string> args = {"std.inc", "all.inc", "-o", c.link};
    if (c.backup) args.push_back("--backup");
    const Outcome o = Run(args);
    EXPECT_EQ(o.status, c.status) << o.err;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), c.pointsTo);
    if (c.status == 0) EXPECT_EQ(Read(c.link), kMergedAll);
    if (c.backup) {
      EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / (c.link + ".bak"))));
      EXPECT_EQ(Read(c.link + ".bak"), previous);
    }
  }
  EXPECT_EQ(Files(dir / "release5"), (std::set<std::string>{"Lang.inc", "New.inc"}));
  ExpectNoTemporaries();
}

TEST_F(Incmerge, TheReplacedFileKeepsItsModeOwnerAndGroupAndAReadOnlyOneIsRefused) {
  const bool root = ::geteuid() == 0;
  const struct {
    mode_t mode;
    int status;
  } cases[] = {{0600, 0}, {0640, 0}, {0444, 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    Write("out.inc", "previous");
    ASSERT_EQ(::chmod((dir / "out.inc").c_str(), c.mode), 0);
    if (root) ASSERT_EQ(::chown((dir / "out.inc").c_str(), 1234, 5678), 0);
    const Outcome o = Run({"std.inc", "all.inc", "-o", "out.inc"});
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(Read("out.inc"), c.status == 0 ? kMergedAll : "previous");
    if (c.status != 0) ExpectOneErrorLine(o, "read-only");
    struct stat info {};
    ASSERT_EQ(::stat((dir / "out.inc").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, c.mode);
    if (root) EXPECT_EQ(info.st_uid, 1234u);
    if (root) EXPECT_EQ(info.st_gid, 5678u);
    ASSERT_EQ(::chmod((dir / "out.inc").c_str(), 0600), 0);
  }
  ExpectNoTemporaries();
}

// The exit status tells what became of OUTPUT: a script that sees 4 may run again, which must
// not happen once the output (and its backup) were saved.
TEST_F(Incmerge, AReportThatCannotBeWrittenAfterTheOutputWasExitsWith5) {
  const struct {
    const char* what;
    std::vector<std::string> args;
    bool outFull;  // standard output goes to /dev/full, else standard error does
    int status;
    std::string file;  // what must hold the merge (out.txt: standard output); empty: nothing
    std::string merged;
  } cases[] = {
      {"counts to standard error", {"-v", "std.inc", "all.inc", "-o", "out.inc"}, false, 5, "out.inc", kMergedAll},
      {"report to standard error", {"std.inc", "part.inc"}, false, 5, "out.txt", kMergedPart},
      {"the merged file to standard output", {"std.inc", "part.inc"}, true, 4, "", ""},
      {"report to standard output",
       {"--backup", "std.inc", "part.inc", "-o", "std.inc"},
       true,
       5,
       "std.inc",
       kMergedPart},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path text = dir / (c.outFull ? "err.txt" : "out.txt");
    EXPECT_EQ(RunIncmerge(dir, c.args, c.outFull ? "/dev/full" : text, c.outFull ? text : "/dev/full"), c.status);
    if (c.outFull) ExpectOneErrorLine({c.status, "", ReadBytes(text)}, c.status == 5 ? "saved as \"std.inc\"" : "");
    if (!c.file.empty()) EXPECT_EQ(Read(c.file), c.merged);
    fs::remove(text);
  }
  EXPECT_EQ(Read("std.inc.bak"), kStandard);
  ExpectNoTemporaries();
}
#endif

}  // namespace
}  // namespace tessaly::cli::testing
