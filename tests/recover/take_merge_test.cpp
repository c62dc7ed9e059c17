// The merge of several readings of one block, byte by byte: each byte from
// the surest readings, other values tried where they disagree, and nothing
// accepted that the checksum cannot vouch for.
#include "recover/take_merge.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "end_to_end.h"

namespace {

/// A reading: its bytes (data then checksum) and each byte's code (0 unknown).
struct Reading {
    std::string bytes;
    std::vector<uint8_t> codes;
};

struct MergeRow {
    const char* name;
    std::vector<Reading> readings;
    bool accepted;
    unsigned tried;  ///< readings the merge tries
};

// Data "abcd" sums to 0x8A. A sure byte has code 200, a doubtful one 4 (one in ten).
const std::vector<uint8_t> kSure(5, 200);
// clang-format off
const MergeRow kMergeRows[] = {
    {"gaps filled from the other", {{"ab?d\x8A", {200, 200, 0, 200, 200}}, {"?bcd\x8A", {0, 200, 200, 200, 200}}}, true, 1},
    {"a disagreement settled by the checksum", {{"abXd\x8A", {200, 200, 8, 200, 200}}, {"abcd\x8A", {200, 200, 4, 200, 200}}}, true, 2},
    {"a byte no reading read", {{"ab?d\x8A", {200, 200, 0, 200, 200}}, {"ab?d\x8A", {199, 200, 0, 200, 200}}}, false, 1},
    {"two readings the checksum cannot tell apart", {{"abcd\x8A", kSure}, {"bacd\x8A", {199, 199, 200, 200, 200}}}, false, 4},
    {"the same reading twice", {{"abcd\x8A", kSure}, {"abcd\x8A", kSure}}, false, 0},
};
// clang-format on

inline void PrintTo(const MergeRow& row, std::ostream* os) {
    *os << row.name;
}

class TakeMerge : public testing::TestWithParam<MergeRow> {};

TEST_P(TakeMerge, AcceptsOnlyWhatTheChecksumVouchesFor) {
    const MergeRow& row = GetParam();
    const auto book = std::make_unique_for_overwrite<TakeBook>();
    book->group_count = 1;
    book->groups[0] = BookGroup{.name = {'P', 0}, .name_length = 2, .header = {0, 0x40, 4, 0}};
    book->entry_count = 0;
    book->pool_used = 0;
    for (const Reading& r : row.readings) {
        BookEntry& e = book->entries[book->entry_count++];
        e = BookEntry{.take = book->entry_count, .has_bytes = true};
        e.pool_at = book->pool_used;
        for (size_t i = 0; i < r.bytes.size(); ++i) {
            book->bytes[book->pool_used] = static_cast<uint8_t>(r.bytes[i]);
            book->codes[book->pool_used++] = r.codes[i];
        }
    }
    const auto block = std::make_unique<TapeBlock>();
    const MergeOutcome o = merge_group(*book, 0, block.get());
    EXPECT_EQ(o.accepted, row.accepted);
    EXPECT_EQ(o.readings, row.tried);
    const std::string data(block->data, block->data + 5);
    EXPECT_TRUE(!row.accepted || data == "abcd\x8A") << data;
    EXPECT_EQ(block->name_length, row.tried == 0 ? 0u : 2u);
}

INSTANTIATE_TEST_SUITE_P(, TakeMerge, testing::ValuesIn(kMergeRows), row_name<MergeRow>);

}  // namespace
