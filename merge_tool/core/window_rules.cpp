#include "window_rules.h"

#include <algorithm>

namespace tessaly {

AcceptAction AcceptRule(std::wstring_view boxText) {
  if (boxText.empty()) return AcceptAction::kNothing;
  const bool pattern = std::any_of(boxText.begin(), boxText.end(), [](wchar_t c) { return c == L'*' || c == L'?'; });
  return pattern ? AcceptAction::kApplyPattern : AcceptAction::kChoose;
}

std::wstring FormSelPath(std::wstring_view dirPath, AcceptTrigger trigger) {
  std::wstring path(dirPath);
  if (trigger != AcceptTrigger::kFileListDoubleClick || path.empty() || path.back() != L'\\') path += L'\\';
  return path;
}

std::wstring NormalizedDirPath(std::wstring_view path) {
  std::wstring out;
  out.reserve(path.size());
  // A network name "\\server\share" keeps its two leading separators.
  const bool unc = path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/');
  if (unc) out = L"\\\\";
  for (std::size_t i = unc ? 2 : 0; i < path.size(); ++i) {
    const wchar_t c = path[i] == L'/' ? L'\\' : path[i];
    if (c == L'\\' && !out.empty() && out.back() == L'\\') continue;
    out += c;
  }
  const bool driveRoot = out.size() == 3 && out[1] == L':' && out[2] == L'\\';
  const bool root = out == L"\\" || out == L"\\\\" || driveRoot;
  if (!root && out.size() > 1 && out.back() == L'\\') out.pop_back();
  return out;
}

std::size_t DirRootLength(std::wstring_view path) {
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return 3;
  if (path.substr(0, 2) == L"\\\\") {
    const auto server = path.find(L'\\', 2);
    if (server == std::wstring_view::npos) return path.size();
    const auto share = path.find(L'\\', server + 1);
    return share == std::wstring_view::npos ? path.size() : share;
  }
  return std::min<std::size_t>(path.size(), path.substr(0, 1) == L"\\" ? 1 : 2);
}

std::wstring ParentDirPath(std::wstring_view path) {
  const std::size_t root = DirRootLength(path);
  if (path.size() <= root) return {};
  const auto last = path.rfind(L'\\');
  return std::wstring(path.substr(0, last == std::wstring_view::npos || last < root ? root : last));
}

std::vector<std::wstring> FallbackFolders(std::wstring_view wanted, std::wstring_view currentDir,
                                          const std::vector<std::wstring>& driveRoots) {
  std::vector<std::wstring> folders;
  const std::wstring self = NormalizedDirPath(wanted);
  const auto add = [&](std::wstring folder) {
    if (folder.empty() || folder == self) return;
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(std::move(folder));
  };
  for (std::wstring up = ParentDirPath(self); !up.empty(); up = ParentDirPath(up)) add(up);
  for (std::wstring up = NormalizedDirPath(currentDir); !up.empty(); up = ParentDirPath(up)) add(up);
  for (const auto& root : driveRoots) add(NormalizedDirPath(root));
  return folders;
}

StepButtons StepButtonsFor(std::int16_t mergeState) {
  switch (mergeState) {
    case 1:
      return {true, false};
    case 2:
    case 3:
      return {true, true};
    default:
      return {false, false};
  }
}

std::wstring WithVisibleNuls(std::wstring_view text) {
  std::wstring shown(text);
  std::replace(shown.begin(), shown.end(), L'\0', kVisibleNul);
  return shown;
}

}  // namespace tessaly
