#pragma once
// What the stand-in's parts share: its classes and the module's life (DllCanUnloadNow).
#include <windows.h>
#include <unknwn.h>

#include <atomic>

namespace iis_standin {

// Our own identifiers: the stand-in never claims the CLSIDs of the real objects.
inline constexpr CLSID kClsidNamespace = {0xbee5a38e, 0x7c89, 0x42d5, {0xad, 0x85, 0xce, 0x4b, 0xfd, 0x8a, 0x21, 0xe4}};
inline constexpr CLSID kClsidSystemInfo = {
    0x94624e96, 0xc3ab, 0x4175, {0x88, 0x03, 0x45, 0x5c, 0x57, 0xb1, 0x74, 0xf8}};
inline constexpr CLSID kClsidAdminManager = {
    0x5d0c1a7e, 0x3b4f, 0x4e8a, {0x9c, 0x21, 0x6f, 0x0e, 0x58, 0xd3, 0x7a, 0x42}};
inline constexpr wchar_t kProgIdNamespace[] = L"IISNamespace";
inline constexpr wchar_t kProgIdSystemInfo[] = L"WinNTSystemInfo";
inline constexpr wchar_t kProgIdAdminManager[] = L"Microsoft.ApplicationHost.WritableAdminManager";
// Answered only by the stand-in's own objects: an object passed back as an argument (AddElement's
// element) is recognised through it. Never marshalled: a proxy does not answer it.
inline constexpr IID kIidModelObject = {0x0b7e6c53, 0x2d91, 0x4f3a, {0xb4, 0x6e, 0x1c, 0x88, 0x90, 0x5a, 0xe2, 0x17}};

HMODULE ModuleHandle();
// Every live object and every IClassFactory::LockServer(TRUE) keeps the DLL loaded.
void LockModule();
void UnlockModule();

// IUnknown for an object offering one interface: created with one reference, deleted at the last
// Release, and keeping the DLL loaded while it lives.
template <typename Interface, const IID* InterfaceId>
class ComObject : public Interface {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != *InterfaceId) return E_NOINTERFACE;
    *out = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ComObject() { LockModule(); }
  virtual ~ComObject() { UnlockModule(); }

 private:
  std::atomic<ULONG> references_{1};
};

}  // namespace iis_standin
