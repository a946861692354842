#pragma once
// A Host that records what Vardock would show and log: the chooser, each message box and each
// log line.
#include <string>
#include <vector>

#include "common/core/app_error.h"
#include "vdir_setup/core/host.h"

namespace vardock::testing {

class RecordingHost final : public Host {
 public:
  struct Message {
    std::wstring text;
    MessageIcon icon;
    friend bool operator==(const Message&, const Message&) = default;
  };

  void ShowForm1() override { ++form1Shown; }
  void ShowMessage(std::wstring_view text, MessageIcon icon) override {
    messages.push_back({std::wstring(text), icon});
  }
  void OpenLog(std::wstring_view path) override {
    if (path == kUnwritableLog) throw corvanel::AppError(L"CreateFileW", L"Access is denied.", 0x80070005);
    logPath = path;
  }
  void WriteLog(std::wstring_view line) override { logLines.emplace_back(line); }

  // A log path that cannot be opened.
  static constexpr std::wstring_view kUnwritableLog = L"Z:\\read-only\\vardock.log";

  int form1Shown = 0;
  std::vector<Message> messages;
  std::wstring logPath;
  std::vector<std::wstring> logLines;
};

}  // namespace vardock::testing
