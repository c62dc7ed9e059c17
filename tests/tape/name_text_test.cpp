// A tape name as the text of a JSON string or an SVG element: printable
// ASCII as it is, quote and backslash escaped, every other byte as \u00XX,
// and an escape never cut in half when the room runs out. Every byte value
// reading back through a real parser is the record writer's test.
#include "tape/name_text.h"

#include <gtest/gtest.h>

#include <string>

#include "end_to_end.h"

namespace {

struct EscapeCase {
    const char* name;
    std::string bytes;
    size_t room;  ///< 0: escaped_text_bytes of the name
    std::string expected;
};

const EscapeCase kEscapes[] = {
    {"plain", "HELLO 1.2", 0, "HELLO 1.2"},
    {"quote_and_backslash", "A\"B\\C", 0, "A\\\"B\\\\C"},
    {"control_and_high_bytes", std::string("\x01\n\x1F\x7F\x80\xFF", 6), 0,
     "\\u0001\\u000A\\u001F\\u007F\\u0080\\u00FF"},
    {"zero_byte", std::string("A\0B", 3), 0, "A\\u0000B"},
    {"edges_of_printable", " ~", 0, " ~"},
    {"no_escape_cut_in_half", "AB\x01", 8, "AB"},
    {"room_for_all_but_the_zero", "AB\"", 4, "AB"},
    {"room_for_all", "AB\"", 5, "AB\\\""},
    {"room_for_nothing", "AB", 1, ""},
};

class NameText : public testing::TestWithParam<EscapeCase> {};

TEST_P(NameText, Escaped) {
    const EscapeCase& c = GetParam();
    const size_t room = c.room > 0 ? c.room : escaped_text_bytes(c.bytes.size());
    std::string out(room, '#');
    const size_t n = escape_name(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(),
                                 out.data(), room);
    EXPECT_EQ(out[n], '\0');
    EXPECT_EQ(out.substr(0, n), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Names, NameText, testing::ValuesIn(kEscapes), row_name<EscapeCase>);

}  // namespace
