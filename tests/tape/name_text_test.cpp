#include "tape/name_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

/// The reading back of an escaped name, written here from the escapes'
/// definition (a JSON string body whose code points are the bytes).
bool unescape(const std::string& text, std::string* bytes) {
    bytes->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c > 0x7E || c == '"') return false;
        if (c != '\\') {
            *bytes += static_cast<char>(c);
        } else if (i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) {
            *bytes += text[++i];
        } else if (text.compare(i, 4, "\\u00") == 0 && i + 6 <= text.size()) {
            *bytes += static_cast<char>(std::stoi(text.substr(i + 4, 2), nullptr, 16));
            i += 5;
        } else {
            return false;
        }
    }
    return true;
}

std::string escaped(const std::string& bytes, size_t room) {
    std::string out(room, '#');
    const size_t n =
        escape_name(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out.data(), room);
    EXPECT_EQ(out[n], '\0');
    return out.substr(0, n);
}

std::string every_byte() {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    return all;
}

struct EscapeCase {
    const char* name;
    std::string bytes;
    size_t room;           ///< 0: escaped_text_bytes of the name
    std::string expected;  ///< empty: checked by the round trip alone
};

const EscapeCase kEscapes[] = {
    {"plain", "HELLO 1.2", 0, "HELLO 1.2"},
    {"quote_and_backslash", "A\"B\\C", 0, "A\\\"B\\\\C"},
    {"control_and_high_bytes", std::string("\x01\n\x7F\x80\xFF", 5), 0,
     "\\u0001\\u000A\\u007F\\u0080\\u00FF"},
    {"zero_byte", std::string("A\0B", 3), 0, "A\\u0000B"},
    {"every_byte_value", every_byte(), 0, ""},
    {"no_escape_cut_in_half", "AB\x01", 8, "AB"},
    {"room_for_nothing", "AB", 1, ""},
};

class NameText : public testing::TestWithParam<EscapeCase> {};

TEST_P(NameText, EscapesAndRoundTrips) {
    const EscapeCase& c = GetParam();
    const size_t room = c.room > 0 ? c.room : escaped_text_bytes(c.bytes.size());
    const std::string text = escaped(c.bytes, room);
    if (!c.expected.empty() || c.room > 0) {
        EXPECT_EQ(text, c.expected);
    }
    std::string back;
    ASSERT_TRUE(unescape(text, &back)) << text;
    if (c.room == 0) {
        EXPECT_EQ(back, c.bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Names, NameText, testing::ValuesIn(kEscapes),
                         [](const testing::TestParamInfo<EscapeCase>& i) { return i.param.name; });

}  // namespace
