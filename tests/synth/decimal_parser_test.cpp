#include "decimal_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(SynthDecimalParser, ReadsWholeDecimalArguments) {
    struct Case {
        const char* text;
        bool ok;
        double value;
    };
    const std::vector<Case> cases = {
        {"0.85", true, 0.85}, {"0.1", true, 0.1},
        {"-3", true, -3},     {"+2", true, 2},
        {".5", true, 0.5},    {"1.", true, 1},
        {"007", true, 7},     {"44100", true, 44100},
        {"0.05", true, 0.05}, {"1633.25", true, 1633.25},
        {"", false, 0},       {"-", false, 0},
        {".", false, 0},      {"1e3", false, 0},
        {"0x10", false, 0},   {"1,5", false, 0},
        {"3dB", false, 0},    {" 1", false, 0},
        {"1 ", false, 0},     {"1.2.3", false, 0},
        {"--1", false, 0},    {"1234567890123456789", false, 0},
    };
    for (const Case& c : cases) {
        double value = -999;
        EXPECT_EQ(parse_decimal(c.text, &value), c.ok) << "'" << c.text << "'";
        if (c.ok) {
            EXPECT_EQ(value, c.value) << "'" << c.text << "'";
        }
    }
}

TEST(SynthDecimalParser, ReadsUnsignedSeeds) {
    struct Case {
        const char* text;
        bool ok;
        uint64_t value;
    };
    const std::vector<Case> cases = {
        {"0", true, 0},
        {"42", true, 42},
        {"18446744073709551615", true, UINT64_MAX},
        {"18446744073709551616", false, 0},
        {"99999999999999999999", false, 0},
        {"-1", false, 0},
        {"+1", false, 0},
        {"", false, 0},
        {"1a", false, 0},
    };
    for (const Case& c : cases) {
        uint64_t value = 7;
        EXPECT_EQ(parse_unsigned(c.text, &value), c.ok) << "'" << c.text << "'";
        if (c.ok) {
            EXPECT_EQ(value, c.value) << "'" << c.text << "'";
        }
    }
}

}  // namespace
