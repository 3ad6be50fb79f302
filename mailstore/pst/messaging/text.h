// Text conversions for property values: the shared ones.
#pragma once

#include "mailstore/mapi/text.h"
#include "mailstore/pst/ltp/prop_value.h"
