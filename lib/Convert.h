#pragma once
// Numbers as text, the way the settings file and the messages write and read them.
#include <cstdint>
#include <string>
#include <string_view>

// Decimal digits with a '-' for negative values.
std::u16string ToDecimal(std::int64_t value);

// At least `digits` digits, with leading zeros ('007').
std::u16string ToDecimalPadded(std::int64_t value, int digits);

// Reads an optional sign and decimal digits, blanks allowed around them. False for anything
// else (empty, other characters, out of the range of int64).
bool ParseDecimal(std::u16string_view text, std::int64_t& value);
