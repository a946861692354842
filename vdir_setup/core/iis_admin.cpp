#include "iis_admin.h"

#include "apphost_admin.h"
#include "error_text.h"
#include "iis6_admin.h"
#include "suppress_errors.h"

namespace vardock {

std::unique_ptr<IisAdmin> ChooseIisAdmin(ObjectFactory& factory, RetryPause pause) {
  ObjectRef iisNamespace;
  const auto iis6Error = Suppressed([&] { iisNamespace = factory.Create(kIis6ProgId); });
  if (!iis6Error) return MakeIis6Admin(factory, std::move(iisNamespace));

  ObjectRef manager;
  const auto nativeError = Suppressed([&] { manager = factory.Create(kAppHostProgId); });
  if (!nativeError) return MakeAppHostAdmin(factory, std::move(manager), std::move(pause));

  // One error that reads as both: "IISNamespace failed: ...\r\nHRESULT ...\r\n\r\n
  // Microsoft.ApplicationHost.WritableAdminManager failed: ..." and the second one's code.
  std::wstring reason = iis6Error->Reason() + CodeLine(iis6Error->Code()) + L"\r\n\r\n" + nativeError->Context() +
                       L" failed: " + nativeError->Reason();
  throw corvanel::AppError(iis6Error->Context(), std::move(reason), nativeError->Code());
}

std::wstring LogonDomain(ObjectFactory& factory) {
  std::wstring domain;
  if (Suppressed([&] {
        const ObjectRef systemInfo = factory.Create(L"WinNTSystemInfo");
        Suppressed([&] { domain = PropertyText(*systemInfo, L"DomainName"); });
      })) {
    domain = L"\\";
  }
  return domain;
}

}  // namespace vardock
