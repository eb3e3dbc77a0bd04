#pragma once
// A string list never has zero elements: an empty list is one empty string, and appending fills
// a free last element before growing.
#include <string>
#include <vector>

using StringList = std::vector<std::u16string>;
