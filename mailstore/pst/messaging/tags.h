// The property tags the store writes: the shared MAPI tags.
#pragma once

#include "mailstore/mapi/tags.h"

namespace qm::pst {
namespace tags = qm::mapi::tags;
}  // namespace qm::pst
