#pragma once

/// Reads a whole number the way "%i" scanning does: leading white space, an
/// optional sign, then decimal, hexadecimal after 0x or octal after a leading 0;
/// text after the number is ignored ("3dB" reads as 3). Returns false when no
/// number can be read or when it does not fit in an int.
bool parse_int_argument(const char* text, int* value);
