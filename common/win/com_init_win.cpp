#include "com_init_win.h"

#include <objbase.h>

#include "common/win/win_error.h"

namespace corvanel {

ComApartment::ComApartment() {
  const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  if (FAILED(hr)) throw HResultError(hr, L"CoInitializeEx");
}

// Also after S_FALSE (already initialised): every successful call is balanced.
ComApartment::~ComApartment() { ::CoUninitialize(); }

}  // namespace corvanel
