// The late-binding wrapper's bookkeeping of arguments, against an IDispatch of the test's own
// that counts its references: an argument list must release them whether it is sent or not.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "common/core/app_error.h"
#include "common/win/dispatch_win.h"

namespace corvanel {
namespace {

using Args = std::vector<Variant>;

// Lives on the test's stack: references are only counted.
class CountingDispatch final : public IDispatch {
 public:
  ULONG references = 0;
  int invokes = 0;
  std::vector<VARTYPE> received;  // the argument types as the server sees them, last first

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* ids) override {
    ids[0] = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    ++invokes;
    for (UINT i = 0; i < params->cArgs; ++i) received.push_back(params->rgvarg[i].vt);
    return S_OK;
  }
};

// An object that no automation call can carry.
class ForeignObject final : public AutomationObject {
 public:
  Variant GetProperty(std::wstring_view) override { return {}; }
  void PutProperty(std::wstring_view, const Variant&) override {}
  Variant CallMethod(std::wstring_view, std::span<const Variant>) override { return {}; }
  std::vector<Variant> Children() override { return {}; }
};

TEST(DispatchArguments, AreReleasedWhetherSentOrNot) {
  const ObjectRef foreign = std::make_shared<ForeignObject>();
  const struct {
    const char* what;
    std::function<Args(const ObjectRef&)> args;  // given an object of the counting server
    std::vector<VARTYPE> received;               // empty: the conversion fails, nothing is sent
  } cases[] = {
      {"all convert",
       [](const ObjectRef& o) {
         return Args{o, L"text", std::int16_t{2}};
       },
       {VT_I2, VT_BSTR, VT_DISPATCH}},
      {"an object, then one that cannot convert",
       [&](const ObjectRef& o) {
         return Args{L"text", o, foreign};
       },
       {}},
      {"an object, then an array that cannot convert",
       [&](const ObjectRef& o) {
         return Args{o, Args{L"text", foreign}};
       },
       {}},
      {"an array holding an object, then one that cannot convert",
       [&](const ObjectRef& o) {
         return Args{Args{L"text", o}, foreign};
       },
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CountingDispatch server;
    {
      const ObjectRef object = std::make_shared<DispatchObject>(com_ptr<IDispatch>::copy(&server));
      ASSERT_EQ(server.references, 1u);
      try {
        object->CallMethod(L"Call", c.args(object));
        EXPECT_FALSE(c.received.empty()) << "sent";
      } catch (const AppError& e) {
        EXPECT_TRUE(c.received.empty()) << "not sent";
        EXPECT_EQ(e.Code(), static_cast<std::uint32_t>(DISP_E_TYPEMISMATCH));
      }
      EXPECT_EQ(server.received, c.received);
      EXPECT_EQ(server.references, 1u) << "every reference an argument took is released";
    }
    EXPECT_EQ(server.references, 0u);
  }
}

}  // namespace
}  // namespace corvanel
