#include "cli/number_parser.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

bool parse_int_argument(const char* text, int* value) {
    if (text == nullptr) return false;
    char* end = nullptr;
    errno = 0;
    const long long n = std::strtoll(text, &end, 0);
    if (end == text) return false;
    // A number too large for an int must never wrap silently into another value.
    if (errno == ERANGE || n < INT_MIN || n > INT_MAX) return false;
    *value = static_cast<int>(n);
    return true;
}
