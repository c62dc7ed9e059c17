#pragma once

#include <cstdint>

/// Reads a whole argument as a decimal number: an optional sign, digits, and an
/// optional '.' with more digits ("0.85", "-3", ".5"). The decimal point is always
/// '.', whatever the locale; exponents, hexadecimal and trailing text are refused.
bool parse_decimal(const char* text, double* value);

/// Reads a whole argument as an unsigned decimal integer that fits 64 bits.
bool parse_unsigned(const char* text, uint64_t* value);
