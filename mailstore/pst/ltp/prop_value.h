// The LTP layer stores the shared MAPI property values.
#pragma once

#include "mailstore/mapi/prop_value.h"

namespace qm::pst {
using namespace qm::mapi;  // NOLINT: the property types are this layer's own vocabulary
}  // namespace qm::pst
