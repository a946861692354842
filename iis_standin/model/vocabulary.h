#pragma once
// The stand-in serves the automation vocabulary shared with every late-bound client.
#include "common/core/automation_terms.h"

namespace iis_standin {
using namespace corvanel::automation_terms;
}  // namespace iis_standin
