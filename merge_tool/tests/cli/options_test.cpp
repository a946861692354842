#include <gtest/gtest.h>

#include "common/core/utf8.h"
#include "merge_tool/cli/options.h"

namespace tessaly::cli {
namespace {

using Action = Options::Action;

Options Merge(std::wstring standard, std::wstring custom, std::optional<std::wstring> output = std::nullopt) {
  Options o;
  o.standard = std::move(standard);
  o.custom = std::move(custom);
  o.output = std::move(output);
  return o;
}

template <typename Change>
Options With(Options o, Change change) {
  change(o);
  return o;
}

TEST(ParseArguments, AcceptsTheUsualShapes) {
  const Options plain = Merge(L"s", L"c", L"o");
  const Options verbose = With(plain, [](Options& o) { o.verbose = true; });
  const struct {
    std::vector<std::wstring> args;
    Options expected;
  } cases[] = {
      {{L"s", L"c", L"-o", L"o"}, plain},
      {{L"-o", L"o", L"s", L"c"}, plain},
      {{L"s", L"-oo", L"c"}, plain},
      {{L"s", L"c", L"--output", L"o"}, plain},
      {{L"s", L"c", L"--output=o"}, plain},
      {{L"s", L"c", L"--out=o"}, plain},  // a unique prefix
      {{L"-vo", L"o", L"s", L"c"}, verbose},
      {{L"-vvoo", L"s", L"c"}, verbose},
      {{L"--verb", L"s", L"c", L"-o", L"o"}, verbose},
      {{L"s", L"c"}, Merge(L"s", L"c")},
      {{L"--", L"-s", L"--c"}, Merge(L"-s", L"--c")},
      {{L"-", L"c"}, Merge(L"-", L"c")},
      {{L"s", L"c", L"-o", L"-"}, Merge(L"s", L"c")},  // standard output, by the usual convention
      {{L"s", L"c", L"-o", L"./-"}, Merge(L"s", L"c", L"./-")},
      {{L"s", L"c", L"--force"}, With(Merge(L"s", L"c"), [](Options& o) { o.force = true; })},
      {{L"--check", L"--backup", L"s", L"c", L"-o", L"o"},
       With(plain, [](Options& o) { o.check = true, o.backup = Options::Backup::Simple; })},
      {{L"--backup=simple", L"s", L"c", L"-o", L"o"},
       With(plain, [](Options& o) { o.backup = Options::Backup::Simple; })},
      {{L"--back=numbered", L"--diff", L"s", L"c", L"-o", L"o"},
       With(plain, [](Options& o) { o.diff = true, o.backup = Options::Backup::Numbered; })},
      // An optional value only after "=": the next argument is an operand.
      {{L"--backup", L"s", L"c", L"-o", L"o"}, With(plain, [](Options& o) { o.backup = Options::Backup::Simple; })},
      {{L"--encoding=utf8", L"s", L"c"}, With(Merge(L"s", L"c"), [](Options& o) { o.codePage = 65001; })},
      {{L"--encoding=UTF8", L"s", L"c"}, With(Merge(L"s", L"c"), [](Options& o) { o.codePage = 65001; })},
      {{L"--encoding", L"932", L"s", L"c"}, With(Merge(L"s", L"c"), [](Options& o) { o.codePage = 932; })},
      {{L"--encoding=CP1251", L"s", L"c"}, With(Merge(L"s", L"c"), [](Options& o) { o.codePage = 1251; })},
      {{L"--enc=Windows-1250", L"s", L"c"}, With(Merge(L"s", L"c"), [](Options& o) { o.codePage = 1250; })},
      {{L"--encoding=UTF-8", L"s", L"c"}, With(Merge(L"s", L"c"), [](Options& o) { o.codePage = 65001; })},
      {{L"--encoding=utf-8", L"s", L"c"}, With(Merge(L"s", L"c"), [](Options& o) { o.codePage = 65001; })},
      {{L"--base", L"b", L"s", L"c"}, With(Merge(L"s", L"c"), [](Options& o) { o.base = L"b"; })},
      {{L"s", L"--base=-", L"c", L"-oo"}, With(plain, [](Options& o) { o.base = L"-"; })},
      {{L"-h"}, With(Options{}, [](Options& o) { o.action = Action::Help; })},
      {{L"s", L"-h"}, With(Options{}, [](Options& o) { o.action = Action::Help; })},
      {{L"--help"}, With(Options{}, [](Options& o) { o.action = Action::Help; })},
      {{L"s", L"--version"}, With(Options{}, [](Options& o) { o.action = Action::Version; })},
      {{L"--version", L"--help"}, With(Options{}, [](Options& o) { o.action = Action::Help; })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(corvanel::WideToUtf8(c.args.empty() ? L"" : c.args[0])));
    const auto got = ParseArguments(c.args);
    ASSERT_TRUE(std::holds_alternative<Options>(got)) << corvanel::WideToUtf8(std::get<UsageError>(got).message);
    EXPECT_TRUE(std::get<Options>(got) == c.expected);
  }
}

TEST(ParseArguments, RefusesWithOneLineSayingWhatIsWrong) {
  const struct {
    std::vector<std::wstring> args;
    std::wstring message;
  } cases[] = {
      {{}, L"the STANDARD and CUSTOM files are missing"},
      {{L"s"}, L"the CUSTOM file is missing"},
      {{L"s", L"c", L"x"}, L"unexpected argument \"x\""},
      {{L"s", L"c", L"--frob"}, L"unknown option \"--frob\""},
      {{L"s", L"c", L"-vx"}, L"unknown option \"-x\""},
      {{L"--ver", L"s", L"c"}, L"option \"--ver\" is ambiguous (--verbose, --version)"},
      {{L"s", L"c", L"-o"}, L"option \"-o\" needs a value"},
      {{L"s", L"c", L"--output"}, L"option \"--output\" needs a value"},
      {{L"s", L"c", L"--output="}, L"option \"--output\" needs a file name"},
      {{L"s", L"c", L"-o", L"a", L"-ob"}, L"the output file is given twice"},
      {{L"s", L"c", L"--check=yes"}, L"option \"--check\" takes no value"},
      {{L"--backup", L"s", L"c"}, L"--backup needs --output: there is no previous file on standard output"},
      {{L"--encoding", L"utf_8", L"s", L"c"},
       L"option \"--encoding\": \"utf_8\" is not a code page (such as 1252, cp1252, windows-1252, utf-8 or utf8)"},
      {{L"--backup=numberd", L"s", L"c", L"-o", L"o"},
       L"option \"--backup\": \"numberd\" is not a kind of backup (simple or numbered)"},
      {{L"--diff=yes", L"s", L"c"}, L"option \"--diff\" takes no value"},
      {{L"--encoding=0", L"s", L"c"},
       L"option \"--encoding\": \"0\" is not a code page (such as 1252, cp1252, windows-1252, utf-8 or utf8)"},
      {{L"--encoding=65536", L"s", L"c"},
       L"option \"--encoding\": \"65536\" is not a code page (such as 1252, cp1252, windows-1252, utf-8 or utf8)"},
      {{L"--encoding=windows-cp1252", L"s", L"c"},
       L"option \"--encoding\": \"windows-cp1252\" is not a code page (such as 1252, cp1252, windows-1252, utf-8 or "
       L"utf8)"},
      {{L"--encoding=utf-80", L"s", L"c"},
       L"option \"--encoding\": \"utf-80\" is not a code page (such as 1252, cp1252, windows-1252, utf-8 or utf8)"},
      {{L"s", L"c", L"-o", L"-", L"--backup"},
       L"--backup needs --output: there is no previous file on standard output"},
      {{L"/?"}, L"the CUSTOM file is missing"},  // a file name here, as "/" begins every absolute one
      {{L"--encoding=1252", L"--encoding=1252", L"s", L"c"}, L"the code page is given twice"},
      {{L"--help", L"--frob"}, L"unknown option \"--frob\""},
      {{L"--ba", L"s", L"c"}, L"option \"--ba\" is ambiguous (--base, --backup)"},
      {{L"--base=", L"s", L"c"}, L"option \"--base\" needs a file name"},
  };
  for (const auto& c : cases) {
    const auto got = ParseArguments(c.args);
    ASSERT_TRUE(std::holds_alternative<UsageError>(got)) << corvanel::WideToUtf8(c.message);
    EXPECT_EQ(std::get<UsageError>(got).message, c.message);
  }
}

}  // namespace
}  // namespace tessaly::cli
