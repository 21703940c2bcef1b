#pragma once
#include <string>

#include "ZaltoManifestBinding.h"

namespace skylaunch {

// Compact JSON of the whole manifest: every property of every object in declaration order,
// keys spelled as the property names, null for an absent object or a null array element, []
// for an empty array.
std::u16string WriteManifestJson(const TZaltoManifest& manifest);

}  // namespace skylaunch
