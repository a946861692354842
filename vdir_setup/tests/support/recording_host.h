#pragma once
// A Host that records what Vardock would show: the chooser and each message box.
#include <string>
#include <vector>

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

  int form1Shown = 0;
  std::vector<Message> messages;
};

}  // namespace vardock::testing
