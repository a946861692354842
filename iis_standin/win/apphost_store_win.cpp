#include "apphost_store_win.h"

#include "standin_files.h"

namespace iis_standin {

namespace {
class FileApphostStore final : public apphost::ApphostStore {
 public:
  [[nodiscard]] std::wstring Name() const override {
    if (auto path = EnvironmentValue(kApphostVariable)) return *path;
    return FileBesideModule(L"applicationHost.config");
  }
  apphost::ApphostFaults Faults() override {
    return apphost::ParseApphostFaults(EnvironmentValue(kApphostFaultsVariable).value_or(L""));
  }
  std::optional<std::string> Read() override { return ReadFileBytes(Name()); }
  void Replace(const std::string& bytes) override { ReplaceFileBytes(Name(), bytes); }
};
}  // namespace

std::shared_ptr<apphost::ApphostStore> ProcessApphostStore() {
  static const auto store = std::make_shared<FileApphostStore>();
  return store;
}

}  // namespace iis_standin
