#pragma once
#include <memory>

#include "ManifestJson.h"
#include "ZaltoManifestBinding.h"

namespace skylaunch {

// Binds a JSON object to a new manifest, recursively through the whole object tree.
//
// A property takes the value of the object's last member whose name equals the property's name
// ignoring the case of A to Z. A value that does not have the property's JSON type counts as
// absent, and the property keeps its initial value (empty text, 0, false, null, empty array):
//   text <- string; integer <- a number written without fraction or exponent that fits 32
//   bits; boolean <- true or false; object <- object; array <- array.
// Inside an array the same rule holds entry by entry, so an array keeps one element per entry:
// an entry that is not an object becomes a null element, one that is not a string empty text.
// Members that match no property are ignored and never looked into, so the depth of the walk
// is that of the object model, whatever the nesting of the text.
std::unique_ptr<TZaltoManifest> BindManifest(const TJsonValue& object);

}  // namespace skylaunch
