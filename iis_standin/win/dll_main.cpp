// The DLL's entry points and class factories: "IISNamespace", "WinNTSystemInfo" and
// "Microsoft.ApplicationHost.WritableAdminManager".
#include <windows.h>

#include <atomic>
#include <new>

#include "common/core/app_error.h"
#include "apphost_store_win.h"
#include "config_store.h"
#include "dispatch_adapter.h"
#include "iis_standin/model/apphost_objects.h"
#include "standin_module.h"

namespace iis_standin {

namespace {
HMODULE g_module = nullptr;
std::atomic<long> g_locks{0};

using Creator = corvanel::ObjectRef (*)();

corvanel::ObjectRef CreateNamespace() { return MakeIisNamespace(&LoadConfig); }
// The configuration is read at creation: it says whether the object can be created at all.
corvanel::ObjectRef CreateSystemInfo() { return MakeSystemInfo(LoadConfig()); }
// As real AHADMIN: creation always works, the file is read at the first call that needs it.
corvanel::ObjectRef CreateAdminManager() { return MakeAdminManager(ProcessApphostStore()); }

class ClassFactory final : public ComObject<IClassFactory, &IID_IClassFactory> {
 public:
  explicit ClassFactory(Creator create) : create_(create) {}

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    try {
      IDispatch* object = ModelDispatch::Create(create_());
      const HRESULT hr = object->QueryInterface(iid, out);
      object->Release();
      return hr;
    } catch (const corvanel::AppError& error) {
      // Creation has no EXCEPINFO: the HRESULT is all the client learns.
      return error.Code() != 0 ? static_cast<HRESULT>(error.Code()) : E_FAIL;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      LockModule();
    } else {
      UnlockModule();
    }
    return S_OK;
  }

 private:
  Creator create_;
};
}  // namespace

HMODULE ModuleHandle() { return g_module; }
void LockModule() { ++g_locks; }
void UnlockModule() { --g_locks; }

}  // namespace iis_standin

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    iis_standin::g_module = instance;
    ::DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  using namespace iis_standin;
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  Creator create = nullptr;
  if (clsid == kClsidNamespace) create = &CreateNamespace;
  if (clsid == kClsidSystemInfo) create = &CreateSystemInfo;
  if (clsid == kClsidAdminManager) create = &CreateAdminManager;
  if (create == nullptr) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) ClassFactory(create);
  if (factory == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(iid, out);
  factory->Release();
  return hr;
}

STDAPI DllCanUnloadNow() { return iis_standin::g_locks == 0 ? S_OK : S_FALSE; }
