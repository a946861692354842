#include "iis_admin.h"

#include "apphost_admin.h"
#include "error_text.h"
#include "iis6_admin.h"
#include "suppress_errors.h"

namespace vardock {

namespace {
bool NotRegistered(const corvanel::AppError& error) {
  return error.Code() == hr::kClassNotRegistered || error.Code() == hr::kInvalidClassString;
}
}  // namespace

std::unique_ptr<IisAdmin> ChooseIisAdmin(ObjectFactory& factory, RetryHooks retry, bool wow64) {
  ObjectRef iisNamespace;
  const auto iis6Error = Suppressed([&] { iisNamespace = factory.Create(kIis6ProgId); });
  if (!iis6Error) return MakeIis6Admin(factory, std::move(iisNamespace), std::move(retry));

  ObjectRef manager;
  const auto nativeError = Suppressed([&] { manager = factory.Create(kAppHostProgId); });
  if (!nativeError) return MakeAppHostAdmin(factory, std::move(manager), std::move(retry));

  // What it means first, then both failures as the technical lines: "<sentence>\r\n\r\n
  // IISNamespace failed: ...\r\nHRESULT ...\r\n\r\nMicrosoft.ApplicationHost.WritableAdminManager
  // failed: ...\r\nHRESULT ...".
  std::wstring text = NotRegistered(*iis6Error) && NotRegistered(*nativeError)
                          ? L"IIS is not installed on this computer, or its management components are missing."
                          : L"Vardock cannot use IIS's management components on this computer.";
  if (wow64) text += L"\r\nOn this server, use the 64-bit vardock.exe.";
  text += L"\r\n\r\n" + ErrorText(*iis6Error) + L"\r\n\r\n" + ErrorText(*nativeError);
  throw WordedError(std::move(text), nativeError->Code());
}

std::wstring LogonDomain(ObjectFactory& factory, const std::function<void(std::wstring_view)>& log) {
  std::wstring domain;
  std::optional<corvanel::AppError> unread;
  if (const auto missing = Suppressed([&] {
        const ObjectRef systemInfo = factory.Create(L"WinNTSystemInfo");
        unread = Suppressed([&] { domain = PropertyText(*systemInfo, L"DomainName"); });
      })) {
    domain = L"\\";
    if (log) log(L"The domain cannot be learned (" + OneLineErrorText(*missing) + L"): the logon domain is \"\\\".");
  } else if (unread && log) {
    log(L"The domain name cannot be read (" + OneLineErrorText(*unread) + L"): the logon domain is left empty.");
  }
  return domain;
}

bool SameFolder(std::wstring_view a, std::wstring_view b) {
  const auto bare = [](std::wstring_view folder) {
    while (folder.size() > 1 && (folder.back() == L'\\' || folder.back() == L'/')) folder.remove_suffix(1);
    return folder;
  };
  return IisNamesEqual(bare(a), bare(b));
}

std::wstring Quoted(std::wstring_view value) { return L"\"" + std::wstring(value) + L"\""; }

}  // namespace vardock
