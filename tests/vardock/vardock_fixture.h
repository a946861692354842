#pragma once
// Module1 over the in-memory IIS model (sites 1 "Default Web Site", 2 "Administration Web Site"
// and 5 "Extra"), the in-memory registry and a recording host; every IIS call is logged.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "common/core/ansi_codec.h"
#include "common/core/utf8.h"
#include "iis_standin/model/apphost_objects.h"
#include "iis_standin/model/iis_objects.h"
#include "vdir_setup/core/module1.h"
#include "vdir_setup/tests/support/memory_registry.h"
#include "vdir_setup/tests/support/recording_host.h"
#include "vdir_setup/tests/support/recording_objects.h"

namespace vardock::testing {

// The stand-in's in-memory IIS, the server these tests run Vardock against.
using iis_standin::ConfigNode;
using iis_standin::DefaultHttpErrors;
using iis_standin::DefaultIisConfig;
using iis_standin::IisConfig;
using iis_standin::IisFailures;
using iis_standin::MemoryObjectFactory;
namespace apphost = iis_standin::apphost;

// What every test of the program's procedures has: the in-memory registry, a recording host, the
// log of IIS calls, and the product's settings key.
class ProgramTest : public ::testing::Test {
 public:
  CallLog log;
  MemoryRegistry registryApi;
  static inline const corvanel::Cp1252Codec codec;
  Registry registry{registryApi, codec};
  RecordingHost host;

  static constexpr const char* kKey = "Software\\Corvanel\\Mobile";

  // What another run left in the registry.
  void Remember(const std::string& key, const std::string& site, const std::string& name) {
    registryApi.Put(kHKeyLocalMachine, key, "IISWebServer", {reg::kSz, Bytes(site)});
    registryApi.Put(kHKeyLocalMachine, key, "IISWebVirtualDir", {reg::kSz, Bytes(name)});
  }
  static std::vector<std::uint8_t> Bytes(const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
  }
  // The stored text of a value, or "<none>".
  std::string Stored(const std::string& name, const std::string& key = kKey) const {
    const auto value = registryApi.Value(kHKeyLocalMachine, key, name);
    if (!value) return "<none>";
    return std::string(value->data.begin(), value->data.end() - (value->data.empty() ? 0 : 1));
  }
};

class VardockTest : public ProgramTest {
 public:
  std::shared_ptr<IisConfig> config = std::make_shared<IisConfig>(DefaultIisConfig());
  MemoryObjectFactory memoryObjects{config};
  RecordingFactory objects{memoryObjects, log};
  Module1 module{registry, objects, host};

  VardockTest() {
    config->Add(L"W3SVC/2", L"IIsWebServer").SetProperty(L"ServerComment", L"Administration Web Site");
    config->Add(L"W3SVC/2/ROOT", L"IIsWebVirtualDir");
    config->Add(L"W3SVC/5", L"IIsWebServer").SetProperty(L"ServerComment", L"Extra");
    config->Add(L"W3SVC/5/ROOT", L"IIsWebVirtualDir");
  }

  // The directory's key in the configuration, or null.
  ConfigNode* Dir(const std::wstring& site, const std::wstring& name) const {
    return config->Find(L"W3SVC/" + site + L"/ROOT/" + name);
  }
  std::wstring Property(const ConfigNode* node, const wchar_t* name) const {
    const Variant* value = node ? node->FindProperty(name) : nullptr;
    return value ? Describe(*value) : L"<unset>";
  }

  // One run of the program, as each process has, with a log.
  int Run(std::wstring_view line) {
    host = {};
    Module1 run(registry, objects, host);
    run.Run(std::wstring(line) + L" /L=v.log");
    return run.Finish();
  }
  // Whether a log line holds part, the line breaks of a message read as one space as in the file.
  bool Logged(std::wstring_view part) const {
    return std::ranges::any_of(host.logLines, [&](std::wstring line) {
      for (std::size_t at; (at = line.find(L"\r\n\r\n")) != std::wstring::npos;) line.replace(at, 4, L" ");
      for (std::size_t at; (at = line.find(L"\r\n")) != std::wstring::npos;) line.replace(at, 2, L" ");
      return line.find(part) != std::wstring::npos;
    });
  }
};

}  // namespace vardock::testing
