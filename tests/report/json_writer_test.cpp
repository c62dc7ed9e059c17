// The record's writer against a real parser: Python's json module reads
// every document back, and every string returns as the bytes written.
#include "report/json_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "end_to_end.h"
#include "process_runner.h"

namespace {

std::string every_byte() {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    return all;
}

void bytes(JsonWriter* w, const char* key, const std::string& s) {
    json_bytes(w, key, reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

struct JsonCase {
    const char* name;
    std::function<void(JsonWriter*)> write;
    std::string leaves;  ///< what the parser reads back, a line per leaf
};

const JsonCase kDocuments[] = {
    {"every_byte_value_round_trips",
     [](JsonWriter* w) {
         json_begin_object(w, nullptr);
         bytes(w, "name", every_byte());
         json_end_object(w);
     },
     ".6e616d65 s " + hex(every_byte()) + "\n"},
    {"keys_escaped_too",
     [](JsonWriter* w) {
         json_begin_object(w, nullptr);
         json_uint(w, "a\"\\\x01\xff", 7);
         json_end_object(w);
     },
     ".61225c01ff 7\n"},
    {"values_of_every_kind",
     [](JsonWriter* w) {
         json_begin_object(w, nullptr);
         json_begin_array(w, "list");
         json_int(w, nullptr, -5);
         json_number(w, nullptr, 3.857483);
         json_number(w, nullptr, NAN);
         json_bool(w, nullptr, true);
         json_null(w, nullptr);
         json_text(w, nullptr, nullptr);
         json_hex(w, nullptr, reinterpret_cast<const uint8_t*>("\xa5\x00"), 2);
         json_begin_object(w, nullptr);
         json_end_object(w);
         json_end_array(w);
         json_uint(w, "max", UINT64_MAX);
         json_end_object(w);
     },
     ".6c697374[0] -5\n.6c697374[1] 3.857483\n.6c697374[2] null\n.6c697374[3] true\n"
     ".6c697374[4] null\n.6c697374[5] null\n.6c697374[6] s 41353030\n.6d6178 "
     "18446744073709551615\n"},
    {"nesting_beyond_the_limit_refused",
     [](JsonWriter* w) {
         for (unsigned i = 0; i <= kMaxJsonDepth; ++i) json_begin_array(w, nullptr);
         json_uint(w, nullptr, 1);
         for (unsigned i = 0; i <= kMaxJsonDepth; ++i) json_end_array(w);
         EXPECT_TRUE(w->too_deep);
     },
     "[0][0][0][0][0][0][0][0] 1\n"},
};

class JsonDocuments : public testing::TestWithParam<JsonCase> {};

TEST_P(JsonDocuments, ParseAndReadBack) {
    ScopedTempDir dir;
    FILE* f = std::fopen(dir.file("r.json").c_str(), "w");
    ASSERT_NE(f, nullptr);
    JsonWriter w;
    json_start(&w, f);
    GetParam().write(&w);
    ASSERT_EQ(std::fclose(f), 0);
    const ProcessResult p = run_process(
        "/usr/bin/env", {"python3", std::string(VORLANE_TEST_DATA) + "/json_leaves.py", "r.json"},
        dir.path());
    EXPECT_EQ(p.exit_code, 0) << read_file(dir.file("r.json"));
    EXPECT_EQ(p.out, GetParam().leaves) << read_file(dir.file("r.json"));
}

INSTANTIATE_TEST_SUITE_P(Writer, JsonDocuments, testing::ValuesIn(kDocuments), row_name<JsonCase>);

}  // namespace
