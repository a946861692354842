#include "apphost_store.h"

#include "common/core/app_error.h"
#include "iis_standin/model/vocabulary.h"

namespace iis_standin::apphost {

namespace {
std::wstring_view Trim(std::wstring_view text) {
  while (!text.empty() && (text.front() == L' ' || text.front() == L'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\t')) text.remove_suffix(1);
  return text;
}

[[noreturn]] void Unknown(std::wstring_view item);

// The N of "name=N".
unsigned Count(std::wstring_view item, std::size_t prefix) {
  const std::wstring_view count = item.substr(prefix);
  if (count.empty() || count.size() > 6) Unknown(item);
  unsigned value = 0;
  for (const wchar_t c : count) {
    if (c < L'0' || c > L'9') Unknown(item);
    value = value * 10 + static_cast<unsigned>(c - L'0');
  }
  return value;
}

void Unknown(std::wstring_view item) {
  throw corvanel::AppError(L"CORVANEL_APPHOST_FAIL",
                           L"unknown fault switch \"" + std::wstring(item) +
                               L"\" (known: commit-fails, commit-busy=N, changed-on-disk=N, unreadable, access-denied, commit-denied)",
                           hr::kInvalidArg);
}
}  // namespace

ApphostFaults ParseApphostFaults(std::wstring_view text) {
  ApphostFaults faults;
  while (!text.empty()) {
    const std::size_t comma = text.find(L',');
    const std::wstring_view item = Trim(text.substr(0, comma));
    text = comma == std::wstring_view::npos ? std::wstring_view() : text.substr(comma + 1);
    if (item.empty()) continue;
    if (item == L"commit-fails") {
      faults.commitFails = true;
    } else if (item == L"unreadable") {
      faults.unreadable = true;
    } else if (item == L"access-denied") {
      faults.accessDenied = true;
    } else if (item == L"commit-denied") {
      faults.commitDenied = true;
    } else if (item.starts_with(L"commit-busy=")) {
      faults.commitBusy = Count(item, 12);
    } else if (item.starts_with(L"changed-on-disk=")) {
      faults.changedOnDisk = Count(item, 16);
    } else {
      Unknown(item);
    }
  }
  return faults;
}

}  // namespace iis_standin::apphost
