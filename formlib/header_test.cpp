// The chief header must compile on its own: this file includes nothing else.
#include "formlib/formlib.h"

static_assert(kFormMax == 2047 && kNameMax == 253);
