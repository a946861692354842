// Self-registration for regsvr32: both classes in-process, apartment-threaded (the model is not
// thread-safe), each with its programmatic identifier.
#include <windows.h>
#include <olectl.h>

#include <string>

#include "common/win/handles_win.h"
#include "standin_module.h"

namespace iis_standin {

namespace {
struct ServerClass {
  const CLSID& clsid;
  const wchar_t* progId;
  const wchar_t* description;
};
const ServerClass kClasses[] = {
    {kClsidNamespace, kProgIdNamespace, L"IIS stand-in namespace"},
    {kClsidSystemInfo, kProgIdSystemInfo, L"IIS stand-in system information"},
};

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
}  // namespace

}  // namespace iis_standin

// Refuses to take over an identifier that another server (a real IIS) has registered.
STDAPI DllRegisterServer() {
  using namespace iis_standin;
  const std::wstring module = ModulePath();
  if (module.empty()) return HRESULT_FROM_WIN32(::GetLastError());
  for (const ServerClass& server : kClasses) {
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
  }
  return S_OK;
}

STDAPI DllUnregisterServer() {
  using namespace iis_standin;
  for (const ServerClass& server : kClasses) {
    const std::wstring clsid = GuidText(server.clsid);
    if (_wcsicmp(RegisteredClsid(server.progId).c_str(), clsid.c_str()) == 0) {
      ::RegDeleteTreeW(HKEY_CLASSES_ROOT, server.progId);
    }
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + clsid).c_str());
  }
  return S_OK;
}
