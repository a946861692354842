// A setup's rollback: UNDOADD and UNDODEL put IIS and the record back as they were before the
// last ADD or DEL, on the IIS 6 objects and on the native configuration objects, whatever that
// ADD or DEL did: made, took over, pointed, moved, removed, failed or was refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "vardock_fixture.h"

namespace vardock::testing {
namespace {

constexpr std::wstring_view kAdd = L"/N=Mobile /O=ADD /P=C:\\Web\\Mobile";
constexpr std::wstring_view kDel = L"/N=Mobile /O=DEL /Q=1";
constexpr std::wstring_view kUndoAdd = L"/N=Mobile /O=UNDOADD /Q=1";
constexpr std::wstring_view kUndoDel = L"/N=Mobile /O=UndoDel /Q=1";

// The record and the undo values, as text, with the values that are not stored left out.
std::string RegistryText(const ProgramTest& test) {
  std::string text;
  for (const char* name : {"IISWebServer", "IISWebVirtualDir", "UndoOperation", "UndoSite", "UndoName", "UndoFolder",
                           "UndoRecordSite", "UndoRecordName", "UndoMovedFolder"}) {
    if (const std::string value = test.Stored(name); value != "<none>") text += std::string(name) + "=" + value + ";";
  }
  return text;
}
// The record alone.
std::string RecordText(const ProgramTest& test) {
  return "IISWebServer=" + test.Stored("IISWebServer") + ";IISWebVirtualDir=" + test.Stored("IISWebVirtualDir");
}

class UndoIis6 : public VardockTest {
 public:
  // No directory on sites 1 and 5, nothing in the registry, no faults.
  void Reset() {
    registryApi = {};
    for (const wchar_t* site : {L"1", L"5"}) config->Find(L"W3SVC/" + std::wstring(site) + L"/ROOT")->RemoveChild(L"Mobile");
    config->failures = {};
  }
  // Runs line under faults, then undo: IIS and the record are as before line when undone, as
  // after it otherwise.
  void ExpectUndone(std::wstring_view line, const IisFailures& faults, int status, std::wstring_view undo,
                    bool undone) {
    const std::wstring sites = Sites();
    const std::string record = RecordText(*this);
    config->failures = faults;
    EXPECT_EQ(Run(line), status);
    config->failures = {};
    const std::wstring sitesAfter = Sites();
    const std::string recordAfter = RecordText(*this);
    EXPECT_EQ(Run(undo), 0);
    EXPECT_EQ(Sites(), undone ? sites : sitesAfter);
    EXPECT_EQ(RecordText(*this), undone ? record : recordAfter);
  }
  // The web sites' keys whole: each key's path, class and properties, keys in name order.
  std::wstring Sites() const { return Dump(*config->Find(L"W3SVC"), L"W3SVC"); }
  static std::wstring Dump(const ConfigNode& node, const std::wstring& path) {
    std::wstring text = L"[" + path + L"] " + node.keyType + L"\n";
    std::map<std::wstring, std::wstring> properties;
    for (const auto& [name, value] : node.properties) properties[name] = Describe(value);
    for (const auto& [name, value] : properties) text += name + L" = " + value + L"\n";
    std::map<std::wstring, const ConfigNode*> children;
    for (const auto& child : node.children) children[child->name] = child.get();
    for (const auto& [name, child] : children) text += Dump(*child, path + L"/" + name);
    return text;
  }
  void Foreign(const wchar_t* site, const wchar_t* folder) {
    config->Add(L"W3SVC/" + std::wstring(site) + L"/ROOT/Mobile", L"IIsWebVirtualDir").SetProperty(L"Path", folder);
  }
};

TEST_F(UndoIis6, UndoAddPutsBackWhatTheLastAddChanged) {
  const struct {
    const char* what;
    std::function<void(UndoIis6&)> before;  // what stands before the ADD
    std::wstring line;                      // the ADD (or another operation)
    IisFailures faults;                     // during it
    int status;
    bool undone;  // UNDOADD brings back what stood before the line; else it changes nothing
    std::wstring said;
  } cases[] = {
      {"a new directory goes, and its record", [](auto&) {}, std::wstring(kAdd) + L" /S=5", {}, 0, true,
       L"The Virtual Directory \"Mobile\" on web site 5 is gone again."},
      {"one taken over gets its folder back, and stays", [](auto& t) { t.Foreign(L"1", L"c:\\web\\mobile\\"); },
       std::wstring(kAdd) + L" /S=1", {}, 0, true,
       L"The Virtual Directory \"Mobile\" on web site 1 points again at \"c:\\web\\mobile\\\"."},
      {"the product's own points at its old folder again",
       [](auto& t) { ASSERT_EQ(t.Run(L"/N=Mobile /O=ADD /P=C:\\Old /S=1"), 0); }, std::wstring(kAdd) + L" /S=1", {},
       0, true, L"The record names web site 1 and \"Mobile\", as before."},
      {"a move: the new one goes, the old one comes back",
       [](auto& t) { ASSERT_EQ(t.Run(L"/N=Mobile /O=ADD /P=C:\\Old /S=1"), 0); }, std::wstring(kAdd) + L" /S=5", {},
       0, true, L"The Virtual Directory \"Mobile\" on web site 1 was made again for \"C:\\Old\"."},
      {"a refused ADD: the foreign directory is not touched", [](auto& t) { t.Foreign(L"1", L"C:\\Other"); },
       std::wstring(kAdd) + L" /S=1 /Q=1", {}, 1, true, L"Nothing to undo"},
      {"a failed creation", [](auto&) {}, std::wstring(kAdd) + L" /S=5", {.createFails = true}, 1, true,
       L"Nothing to undo"},
      {"a creation that failed half-way", [](auto&) {}, std::wstring(kAdd) + L" /S=5", {.setInfoFails = true}, 1,
       true, L""},
      {"a move that failed half-way keeps both as they were",
       [](auto& t) { ASSERT_EQ(t.Run(L"/N=Mobile /O=ADD /P=C:\\Old /S=1"), 0); }, std::wstring(kAdd) + L" /S=5",
       {.setInfoFails = true}, 1, true, L""},
      {"a record that cannot be written", [](auto& t) { t.registryApi.readOnlyBelow = "Software\\Corvanel"; },
       std::wstring(kAdd) + L" /S=5", {}, 1, true, L"Nothing to undo"},
      {"after a DEL there is no ADD to undo", [](auto& t) { ASSERT_EQ(t.Run(std::wstring(kAdd) + L" /S=5"), 0); },
       std::wstring(kDel), {}, 0, false,
       L"Nothing to undo: the last change of \"Mobile\" noted under HKEY_LOCAL_MACHINE\\Software\\Corvanel\\Mobile "
       L"was DEL."},
      {"an ADD refused before it changes anything leaves an older change alone",
       [](auto& t) { ASSERT_EQ(t.Run(L"/N=Mobile /O=ADD /P=C:\\Old /S=1"), 0); ASSERT_EQ(t.Run(std::wstring(kDel)), 0); },
       L"/N=Mobile /O=ADD /P=C:\\Web\\Mobile /S=Nowhere /Q=1", {}, 1, true, L"Nothing to undo"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    c.before(*this);
    ExpectUndone(c.line, c.faults, c.status, kUndoAdd, c.undone);
    if (!c.said.empty()) EXPECT_TRUE(Logged(c.said)) << corvanel::WideToUtf8(c.said);
    if (c.undone && !c.said.starts_with(L"Nothing to undo")) {
      EXPECT_EQ(RegistryText(*this).find("Undo"), std::string::npos) << "the undo record is used up";
    }
    // It runs once: a second undo (another rollback, a retried one) changes nothing.
    const std::wstring undone = Sites();
    EXPECT_EQ(Run(kUndoAdd), 0);
    EXPECT_EQ(Sites(), undone);
  }
}

TEST_F(UndoIis6, UndoDelMakesAgainWhatTheLastDelRemoved) {
  const struct {
    const char* what;
    std::function<void(UndoIis6&)> before;
    std::wstring line;
    IisFailures faults;
    int status;
    bool undone;
  } cases[] = {
      {"the product's directory comes back with its settings and record",
       [](auto& t) { ASSERT_EQ(t.Run(std::wstring(kAdd) + L" /S=5"), 0); }, std::wstring(kDel), {}, 0, true},
      {"a DEL that found nothing has nothing to put back", [](auto&) {}, std::wstring(kDel), {}, 0, true},
      {"a removal IIS refused: the directory and its record are still there",
       [](auto& t) { ASSERT_EQ(t.Run(std::wstring(kAdd) + L" /S=5"), 0); }, std::wstring(kDel),
       {.deleteFails = true}, 1, true},
      {"after an ADD there is no DEL to undo", [](auto&) {}, std::wstring(kAdd) + L" /S=5", {}, 0, false},
      // The undo record is text in the ANSI code page: a folder outside it cannot be noted, and
      // the undo then changes nothing rather than guess.
      {"a folder the undo record cannot hold",
       [](auto& t) { ASSERT_EQ(t.Run(L"/N=Mobile /O=ADD /P=C:\\\u0412\u0435\u0431 /S=5 /Q=1"), 0); }, std::wstring(kDel),
       {}, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    c.before(*this);
    ExpectUndone(c.line, c.faults, c.status, kUndoDel, c.undone);
  }
  // A DEL that found nothing writes nothing.
  registryApi = {};
  ASSERT_EQ(Run(kDel), 0);
  EXPECT_FALSE(registryApi.KeyExists(kHKeyLocalMachine, "Software\\Corvanel"));
}

// Without a record DEL guesses site 1; its undo makes the directory again for the folder it had,
// and leaves it unremembered, as it was.
TEST_F(UndoIis6, AGuessedRemovalComesBackUnremembered) {
  Foreign(L"1", L"C:\\Other");
  ASSERT_EQ(Run(kDel), 0);
  ASSERT_EQ(Dir(L"1", L"Mobile"), nullptr);
  EXPECT_EQ(Run(kUndoDel), 0);
  EXPECT_EQ(Property(Dir(L"1", L"Mobile"), L"Path"), L"\"C:\\Other\"");
  EXPECT_EQ(RegistryText(*this), "");
}

TEST_F(UndoIis6, AnUndoThatCannotBeTrustedChangesNothing) {
  const struct {
    const char* what;
    std::function<void(UndoIis6&)> spoil;  // after an ADD on site 5
    std::wstring line;
    int status;
    std::wstring said;
  } cases[] = {
      {"a key that refuses writes: the record could not follow",
       [](auto& t) { t.registryApi.readOnlyBelow = "Software\\Corvanel"; }, std::wstring(kUndoAdd), 1,
       L"The last ADD of \"Mobile\" cannot be undone: its undo record under HKEY_LOCAL_MACHINE\\Software\\Corvanel\\"
       L"Mobile cannot be changed. RegOpenKeyExA failed: Access is denied."},
      {"a key that cannot be read", [](auto& t) { t.registryApi.unreadableBelow = "Software\\Corvanel"; },
       std::wstring(kUndoAdd), 1, L"cannot be read"},
      {"a value that is not text",
       [](auto& t) { t.registryApi.Put(kHKeyLocalMachine, kKey, "UndoSite", {reg::kDword, {5, 0, 0, 0}}); },
       std::wstring(kUndoAdd), 1, L"is incomplete, or holds values that are not text"},
      {"a record naming the site itself",
       [](auto& t) { t.registryApi.Put(kHKeyLocalMachine, kKey, "UndoName", {reg::kSz, Bytes("..")}); },
       std::wstring(kUndoAdd), 1, L"its undo record names \"..\", and it names the web site itself"},
      {"no name", [](auto&) {}, L"/O=UNDOADD /Q=1", 1, L"Nothing was done: UNDOADD needs the name (/N)"},
      {"IIS refuses to remove it: the record keeps naming it", [](auto& t) { t.config->failures.deleteFails = true; },
       std::wstring(kUndoAdd), 1,
       L"could not be removed. Delete failed: Access is denied.\r\nHRESULT 0x80070005 Its settings are kept"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    registryApi = {};
    config->failures = {};
    config->Find(L"W3SVC/5/ROOT")->RemoveChild(L"Mobile");
    ASSERT_EQ(Run(std::wstring(kAdd) + L" /S=5"), 0);
    c.spoil(*this);
    const std::wstring sites = Sites();
    EXPECT_EQ(Run(c.line), c.status);
    EXPECT_EQ(Sites(), sites);
    EXPECT_EQ(RecordText(*this), "IISWebServer=5;IISWebVirtualDir=Mobile");
    std::wstring logged;
    for (std::wstring line : host.logLines) {
      for (std::size_t at; (at = line.find(L"\r\n\r\n")) != std::wstring::npos;) line.replace(at, 4, L" ");
      logged += line + L"\n";
    }
    EXPECT_NE(logged.find(c.said), std::wstring::npos) << corvanel::WideToUtf8(logged);
  }
}

// The same on IIS 7 and later: applicationHost.config is as it was, byte for byte.
class UndoAppHost : public ProgramTest {
 public:
  std::shared_ptr<apphost::MemoryApphostStore> store = std::make_shared<apphost::MemoryApphostStore>();
  MemoryObjectFactory memoryObjects{nullptr, store};
  RecordingFactory objects{memoryObjects, log};

  int Run(std::wstring_view line) {
    Module1 run(registry, objects, host);
    run.retryPause = [](int) {};
    run.Run(line);
    return run.Finish();
  }
  std::string File() const { return store->bytes.value_or(""); }
};

TEST_F(UndoAppHost, UndoPutsTheConfigurationBack) {
  const struct {
    const char* what;
    std::vector<std::wstring> before;
    std::wstring line, undo;
    apphost::ApphostFaults faults;
    int status;
  } cases[] = {
      {"a new application goes with its location", {}, std::wstring(kAdd) + L" /S=1", std::wstring(kUndoAdd), {}, 0},
      {"the product's own points at its old folder again", {L"/N=Mobile /O=ADD /P=C:\\Old /S=1"},
       std::wstring(kAdd) + L" /S=1", std::wstring(kUndoAdd), {}, 0},
      {"a failed commit: nothing to put back", {}, std::wstring(kAdd) + L" /S=1", std::wstring(kUndoAdd),
       {.commitDenied = true}, 1},
      {"a removed application comes back with its settings", {std::wstring(kAdd) + L" /S=1"}, std::wstring(kDel),
       std::wstring(kUndoDel), {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    store->bytes.reset();
    registryApi = {};
    for (const std::wstring& line : c.before) ASSERT_EQ(Run(line), 0);
    if (File().empty()) {  // a fresh server's file is written at the first change
      ASSERT_EQ(Run(L"/N=Seed /O=ADD /P=C:\\Seed /S=1 /Q=1"), 0);
      ASSERT_EQ(Run(L"/N=Seed /O=DEL /Q=1"), 0);
    }
    const std::string before = File();
    const std::string record = RecordText(*this);
    store->faults = c.faults;
    EXPECT_EQ(Run(c.line), c.status);
    store->faults = {};
    EXPECT_EQ(Run(c.undo), 0);
    EXPECT_EQ(File(), before);
    EXPECT_EQ(RecordText(*this), record);
  }
}

}  // namespace
}  // namespace vardock::testing
