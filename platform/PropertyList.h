// Property lists in their XML and binary forms, as objects: dictionaries,
// arrays, strings, numbers (booleans included), data, dates and UIDs.
#pragma once

#include "platform/Values.h"

namespace qv::plist {

enum class Format { XML, Binary };

// Nil for anything that is not a well-formed property list.
Id parse(const void* bytes, std::size_t length);
Id parse(const Data& data);
// Nil when the object holds something a property list cannot carry.
Data serialize(const Id& root, Format format);

}  // namespace qv::plist
