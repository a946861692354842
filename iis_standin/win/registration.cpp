// Self-registration for regsvr32: every class in-process, apartment-threaded (the model is not
// thread-safe), each with its programmatic identifier. DllInstall registers one back end alone.
#include <windows.h>
#include <olectl.h>

#include <string>
#include <string_view>

#include "common/win/handles_win.h"
#include "standin_module.h"

namespace iis_standin {

namespace {
struct ServerClass {
  const CLSID& clsid;
  const wchar_t* progId;
  const wchar_t* description;
};
const ServerClass kNamespace{kClsidNamespace, kProgIdNamespace, L"IIS stand-in namespace"};
const ServerClass kSystemInfo{kClsidSystemInfo, kProgIdSystemInfo, L"IIS stand-in system information"};
const ServerClass kAdminManager{kClsidAdminManager, kProgIdAdminManager, L"IIS stand-in native configuration"};
const ServerClass* const kClasses[] = {&kNamespace, &kSystemInfo, &kAdminManager};

// The IIS 6 objects or IIS 7+'s native configuration; the system information (an ADSI object
// every Windows has) comes with either.
struct BackEnd {
  std::wstring_view name;
  const ServerClass& server;
  const ServerClass& other;
};
const BackEnd kBackEnds[] = {{L"iis6", kNamespace, kAdminManager}, {L"native", kAdminManager, kNamespace}};

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

LONG SetText(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  corvanel::unique_hkey key;
  LONG rc = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                              nullptr, key.put(), nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  return ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// The CLSID a programmatic identifier is registered for, empty when it is not.
std::wstring RegisteredClsid(const wchar_t* progId) {
  wchar_t text[64] = {};
  DWORD size = sizeof text;
  const std::wstring path = std::wstring(progId) + L"\\CLSID";
  if (::RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) {
    return {};
  }
  return text;
}

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD used = ::GetModuleFileNameW(ModuleHandle(), path.data(), static_cast<DWORD>(path.size()));
    if (used == 0) return {};
    if (used < path.size()) return path.substr(0, used);
    path.resize(path.size() * 2);
  }
}
bool RegisteredAsOurs(const ServerClass& server) {
  return _wcsicmp(RegisteredClsid(server.progId).c_str(), GuidText(server.clsid).c_str()) == 0;
}

// Refuses to take over an identifier that another server (a real IIS) has registered.
HRESULT Register(const ServerClass& server) {
  const std::wstring module = ModulePath();
  if (module.empty()) return HRESULT_FROM_WIN32(::GetLastError());
  const std::wstring clsid = GuidText(server.clsid);
  const std::wstring registered = RegisteredClsid(server.progId);
  if (!registered.empty() && _wcsicmp(registered.c_str(), clsid.c_str()) != 0) return SELFREG_E_CLASS;
  const std::wstring key = L"CLSID\\" + clsid;
  for (const LONG rc :
       {SetText(key, nullptr, server.description), SetText(key + L"\\InprocServer32", nullptr, module),
        SetText(key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"),
        SetText(key + L"\\ProgID", nullptr, server.progId), SetText(server.progId, nullptr, server.description),
        SetText(std::wstring(server.progId) + L"\\CLSID", nullptr, clsid)}) {
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  }
  return S_OK;
}

// Removes the identifier only when it is the stand-in's.
void Unregister(const ServerClass& server) {
  if (RegisteredAsOurs(server)) ::RegDeleteTreeW(HKEY_CLASSES_ROOT, server.progId);
  ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(server.clsid)).c_str());
}
}  // namespace

}  // namespace iis_standin

STDAPI DllRegisterServer() {
  for (const auto* server : iis_standin::kClasses) {
    if (const HRESULT hr = iis_standin::Register(*server); FAILED(hr)) return hr;
  }
  return S_OK;
}

STDAPI DllUnregisterServer() {
  for (const auto* server : iis_standin::kClasses) iis_standin::Unregister(*server);
  return S_OK;
}

// regsvr32 /n /i:iis6 or /i:native registers one back end with the system information;
// /u /n /i:... removes that back end, and the system information unless the other is registered.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
  using namespace iis_standin;
  if (commandLine == nullptr) return E_INVALIDARG;
  for (const BackEnd& backEnd : kBackEnds) {
    if (_wcsicmp(commandLine, std::wstring(backEnd.name).c_str()) != 0) continue;
    if (install) {
      const HRESULT hr = Register(backEnd.server);
      return FAILED(hr) ? hr : Register(kSystemInfo);
    }
    Unregister(backEnd.server);
    if (!RegisteredAsOurs(backEnd.other)) Unregister(kSystemInfo);
    return S_OK;
  }
  return E_INVALIDARG;
}
