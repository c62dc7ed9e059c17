#include "decimal_parser.h"

namespace {

/// More significant digits than this would overflow the 64-bit mantissa.
constexpr int kMaxDigits = 18;

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool parse_decimal(const char* text, double* value) {
    if (text == nullptr) return false;
    const char* p = text;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    uint64_t mantissa = 0;
    int digits = 0;
    int fraction_digits = 0;
    bool any_digit = false;
    bool in_fraction = false;
    for (; *p != '\0'; ++p) {
        if (*p == '.' && !in_fraction) {
            in_fraction = true;
            continue;
        }
        if (!is_digit(*p)) return false;
        any_digit = true;
        if (mantissa == 0 && *p == '0' && !in_fraction) continue;  // leading zeros
        if (++digits > kMaxDigits) return false;
        mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
        if (in_fraction) ++fraction_digits;
    }
    if (!any_digit) return false;
    // One division by an exact power of ten rounds once, so "0.1" is the double 0.1.
    double scale = 1;
    for (int i = 0; i < fraction_digits; ++i) scale *= 10;
    const double magnitude = static_cast<double>(mantissa) / scale;
    *value = negative ? -magnitude : magnitude;
    return true;
}

bool parse_unsigned(const char* text, uint64_t* value) {
    if (text == nullptr || *text == '\0') return false;
    uint64_t n = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (!is_digit(*p)) return false;
        const uint64_t digit = static_cast<uint64_t>(*p - '0');
        if (n > (UINT64_MAX - digit) / 10) return false;
        n = n * 10 + digit;
    }
    *value = n;
    return true;
}
