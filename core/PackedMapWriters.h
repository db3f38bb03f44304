// The packed image's map as people and programs read it: a text table and
// one JSON object.
#pragma once
#include "PackedImageMap.h"
#include <string>

// The map as a readable table with a legend and one "problem: " line each.
std::string FormatPackedMapText(const PackedMap& map);
// The map as one JSON object; unknown values are null. The file name is
// written as given (escaped, not converted): hand it over in UTF-8.
std::string FormatPackedMapJson(const PackedMap& map);
