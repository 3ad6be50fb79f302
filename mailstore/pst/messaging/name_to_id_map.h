// The name-to-id map of a new store (MS-PST 2.4.7): the named properties of the common
// property set that mail clients look for, so that the map is never empty.
#pragma once

#include "mailstore/pst/ltp/prop_value.h"

namespace qm::pst {

PropList newNameToIdMap();

}  // namespace qm::pst
