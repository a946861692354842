#pragma once
// The way every IIS 6 client reaches a site: "IISNamespace", the local web service, the site,
// its root directory. The same walk for the in-memory objects and for the registered server.
#include "iis_standin/model/vocabulary.h"

namespace iis_standin::testing {

inline ObjectRef WebService(ObjectFactory& factory) {
  return Call(*factory.Create(L"IISNamespace"), L"GetObject", {L"IISWebService", L"127.0.0.1/w3svc"}).AsObject();
}

inline ObjectRef SiteRoot(ObjectFactory& factory, const wchar_t* site = L"1") {
  const ObjectRef server = Call(*WebService(factory), L"GetObject", {L"IISWebServer", site}).AsObject();
  return Call(*server, L"GetObject", {L"IISWebVirtualDir", L"Root"}).AsObject();
}

}  // namespace iis_standin::testing
