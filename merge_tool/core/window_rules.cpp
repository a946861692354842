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
