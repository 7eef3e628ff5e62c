#pragma once

#include "touch/FamilyTraits.h"

extern const FamilyTraits kFt5xxxFamily;
