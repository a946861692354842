#pragma once
// The automation vocabulary as one set of names, for a client or a server to bring into its own
// namespace with a single using-directive: the Variant, the object and factory interfaces, the
// HRESULT names and the IIS name rule.
#include "automation.h"
#include "iis_names.h"

namespace corvanel::automation_terms {

using corvanel::AutomationError;
using corvanel::AutomationObject;
using corvanel::Call;
using corvanel::Describe;
using corvanel::IisNamesEqual;
using corvanel::ObjectFactory;
using corvanel::ObjectRef;
using corvanel::Variant;
namespace hr = corvanel::hr;

}  // namespace corvanel::automation_terms
