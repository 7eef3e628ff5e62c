#pragma once

#include "touch/FamilyTraits.h"

extern const FamilyTraits kGt9xxxFamily;
