#pragma once
// Vardock is a client of the automation vocabulary shared with every late-bound server.
#include "common/core/automation_terms.h"

namespace vardock {
using namespace corvanel::automation_terms;
}  // namespace vardock
