#pragma once
// The two ways Vardock administers the local IIS: the IIS 6 administration objects
// ("IISNamespace"), and IIS 7 and later's own configuration objects for servers without the IIS 6
// compatibility component. The choice is made once per run.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation.h"
#include "common/core/app_error.h"
#include "iis_access.h"

namespace vardock {

inline constexpr std::wstring_view kIis6ProgId = L"IISNamespace";
inline constexpr std::wstring_view kAppHostProgId = L"Microsoft.ApplicationHost.WritableAdminManager";

// What a creation did.
struct Creation {
  enum class Result {
    Created,   // made and configured by this call
    Existing,  // was there, and now points at the folder
    Missing,   // could neither be found nor created; failure says why
    Foreign,   // was there, points elsewhere, and nothing says the product made it: left alone
  };
  Result result = Result::Missing;
  std::optional<corvanel::AppError> failure;
  // Foreign: the folder it points at ("" when it has none).
  std::wstring folder;
  // Created, but IIS would make it no application: why (it then serves its pages under the
  // site's application, without session state or global.asa of its own).
  std::optional<corvanel::AppError> notApplication;
};

class IisAdmin {
 public:
  virtual ~IisAdmin() = default;
  // Which objects are in use, for the log.
  [[nodiscard]] virtual std::wstring_view Description() const = 0;
  // The web sites in the server's order.
  virtual std::vector<WebSite> ListWebSites() = 0;
  // Makes sure directory `name` exists on web site `site`, configured as the product needs when
  // it is new, and points it at `path`. An existing directory that points elsewhere is taken over
  // only when `ours` (the product's record names it); otherwise nothing changes. Errors other
  // than a failed lookup and creation propagate, after a directory this call created has been
  // removed again: nothing is left half-made.
  virtual Creation CreateVirtualDir(std::wstring_view site, std::wstring_view name, std::wstring_view path,
                                    bool ours) = 0;
  // Removes directory `name` from web site `site`. Returns the refusal when IIS would not remove
  // it and it is still there; a directory that is already gone counts as removed. Errors in
  // reaching the site propagate.
  virtual std::optional<corvanel::AppError> DeleteVirtualDir(std::wstring_view site, std::wstring_view name) = 0;
  // The folder directory `name` on web site `site` points at ("" when it has none); nothing when
  // there is no such directory. Any other failure of the lookup propagates: a directory that
  // could not be looked up is never taken for a missing one.
  virtual std::optional<std::wstring> FolderOf(std::wstring_view site, std::wstring_view name) = 0;
};

// The log, for every step that failed and fell back, and between the attempts of a change that
// IIS would not store: a wait before the next attempt (after attempt 1, 2, ...).
struct RetryHooks {
  std::function<void(std::wstring_view line)> log;
  std::function<void(int attempt)> pause;
};

// The IIS 6 objects when "IISNamespace" can be created, otherwise the native configuration
// objects. When neither can be created, an error that says in words what that means, then names
// both failures; wow64 (a 32-bit process on 64-bit Windows) adds the advice to use the 64-bit build.
std::unique_ptr<IisAdmin> ChooseIisAdmin(ObjectFactory& factory, RetryHooks retry, bool wow64);

// The logon domain for basic authentication: the system information's "DomainName", "" when it
// cannot be read and "\" when the system information cannot be created; each fallback logged.
std::wstring LogonDomain(ObjectFactory& factory, const std::function<void(std::wstring_view)>& log);

// Whether two folders are the same as Windows names them: without regard to case, a trailing
// backslash or slash aside.
bool SameFolder(std::wstring_view a, std::wstring_view b);

// A value in a message: between quotation marks, so that blanks show.
std::wstring Quoted(std::wstring_view value);

}  // namespace vardock
