#include "cli/numeric_options.h"

#include <gtest/gtest.h>

TEST(NumberParser, ReadsNumbersLikePercentI) {
    struct Case {
        const char* text;
        bool readable;
        int value;
    };
    const Case cases[] = {
        {"3", true, 3},
        {"3dB", true, 3},
        {"  7", true, 7},
        {"-4", true, -4},
        {"+5", true, 5},
        {"0x10", true, 16},
        {"0X1f", true, 31},
        {"010", true, 8},
        {"09", true, 0},
        {"0", true, 0},
        {"", false, 0},
        {"x", false, 0},
        {"-", false, 0},
        {"dB3", false, 0},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"2147483648", false, 0},
        {"4294967297", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999999", false, 0},
    };
    for (const Case& c : cases) {
        int value = -12345;
        EXPECT_EQ(parse_int_argument(c.text, &value), c.readable) << '"' << c.text << '"';
        if (c.readable) {
            EXPECT_EQ(value, c.value) << '"' << c.text << '"';
        }
    }
}
