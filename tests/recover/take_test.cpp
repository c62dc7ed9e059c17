// --recover --take end to end: takes of one tape damaged in different places, in
// another format, a program saved twice, a take of another tape: every image one
// of the tape's, and no take alone reads half the blocks. Then the merge of
// readings of one block byte by byte: nothing the checksum cannot vouch for.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "end_to_end.h"
#include "recover/take_merge.h"
#include "synth.h"

namespace {

/// One recording: its seed, its format and which tape it holds.
struct Take {
    uint64_t seed;
    const char* format = "";  ///< vorlane-synth's options after -b 16
    bool other_tape = false;  ///< the same names and lengths, other data
};

struct TakeRow {
    const char* name;
    std::vector<Take> takes;  ///< the first is -i, the others --take, in order
    bool twice = false;       ///< each take holds every image twice in a row
    size_t written;           ///< images expected; 0: a block of each name some take read alone
    const char* line;         ///< a line the run prints
};

// clang-format off
const TakeRow kTakeRows[] = {
    {"three takes, dropouts apart", {{4}, {5}, {6}}, false, 10, "  Recovered: merged from takes 1, 2 and 3, reading 1.\n"},
    {"takes in other formats", {{4}, {5, "-b 8 -s 22050 -c 2"}, {6, "-F -b 32 -s 48000"}}, false, 10, "  Recovered: merged from takes 1, 2 and 3, reading 1.\n"},
    {"flutter: readings resume in step after their dropouts", {{1, "-W 2 --wow-hz 5"}, {2, "-W 2 --wow-hz 5"}, {3, "-W 2 --wow-hz 5"}}, false, 10, "  Recovered: merged from takes 1, 2 and 3, reading 1.\n"},
    {"a program saved twice", {{3}}, true, 1, "  Recovered: merged from 2 copies, reading 1.\n"},
    {"a take of another tape", {{4}, {5, "", true}}, false, 0, "  Not written: take 1 wrote a block of that name with other data.\n"},
};
// clang-format on

class Takes : public testing::TestWithParam<TakeRow> {};

TEST_P(Takes, EveryBlockOnceAndNoneWrong) {
    const TakeRow& row = GetParam();
    const size_t count = row.twice ? 1 : 10;
    const std::vector<std::string> tape = test_images(count, row.twice ? 300 : 200, 21);
    const std::vector<std::string> other = test_images(count, 200, 77);
    ScopedTempDir dir;
    std::set<std::string> alone_names;
    for (size_t k = 0; k < row.takes.size(); ++k) {
        const Take& t = row.takes[k];
        SynthSettings s = synth_settings(std::string("-b 16 ") + t.format);
        s.seed = t.seed;
        s.dropouts = row.twice ? 4 : 16;
        std::vector<std::string> images = t.other_tape ? other : tape;
        if (row.twice) images.push_back(images[0]);
        const std::string wav = dir.file("t" + std::to_string(k) + ".wav");
        ASSERT_EQ(synthesize(wav, s, images), "");
        if (row.twice) continue;
        // Alone, each take reads at most half of the blocks.
        const std::string alone = "alone" + std::to_string(k);
        const ProcessResult r = run_process(
            vorlane_binary(), {"--recover", "--output-dir", alone, "-i", wav}, dir.path());
        EXPECT_EQ(r.exit_code, 0);
        const auto read = htp_images(dir.file(alone));
        EXPECT_LE(read.size(), 5u) << "take " << k;
        for (const auto& image : read)
            alone_names.insert(image.first.substr(image.first.find('_')));
    }
    std::vector<std::string> args{"--recover", "--output-dir", "out", "-i", "t0.wav"};
    for (size_t k = 1; k < row.takes.size(); ++k)
        args.insert(args.end(), {"--take", "t" + std::to_string(k) + ".wav"});
    const ProcessResult r = run_process(vorlane_binary(), args, dir.path());
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.err.find(row.line), std::string::npos) << r.err;
    const auto images = htp_images(dir.file("out"));
    EXPECT_EQ(images.size(), row.written != 0 ? row.written : alone_names.size());
    for (const auto& [name, bytes] : images) {
        const bool ours = std::count(tape.begin(), tape.end(), bytes) > 0;
        const bool theirs = std::count(other.begin(), other.end(), bytes) > 0;
        EXPECT_TRUE(ours || (theirs && row.takes.back().other_tape)) << name;
    }
    // Written once, placed past the header; no copy of a program saved twice reads alone.
    EXPECT_EQ(count_of(r.err, "File written:"), images.size());
    EXPECT_EQ(count_of(r.err, "Sync found at offset: 0 "), 0u) << r.err;
    EXPECT_TRUE(!row.twice || count_of(r.err, "CRC OK") == row.written);
    // Blocks of another tape are never merged with the tape's.
    EXPECT_EQ(r.err.find("merged") == std::string::npos, row.takes.back().other_tape);
}

INSTANTIATE_TEST_SUITE_P(, Takes, testing::ValuesIn(kTakeRows), row_name<TakeRow>);

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
    {"a match too unlikely to vouch for", {{"abXd\x8A", {200, 200, 40, 200, 200}}, {"abcd\x8A", {200, 200, 4, 200, 200}}}, false, 1},
    {"a byte no reading read", {{"ab?d\x8A", {200, 200, 0, 200, 200}}, {"ab?d\x8A", {199, 200, 0, 200, 200}}}, false, 1},
    {"two readings the checksum cannot tell apart", {{"abcd\x8A", kSure}, {"bacd\x8A", {199, 199, 200, 200, 200}}}, false, 4},
    {"the same reading twice", {{"abcd\x8A", kSure}, {"abcd\x8A", kSure}}, false, 0},
    {"a disagreement on the checksum byte itself", {{"abcd\x8B", {200, 200, 200, 200, 8}}, {"abcd\x8A", {200, 200, 200, 200, 4}}}, true, 2},
    {"three values of one byte, none right, never two at once", {{"abXd\x8A", {200, 200, 8, 200, 200}}, {"abYd\x8A", {200, 200, 4, 200, 200}}, {"abZd\x8A", {200, 200, 8, 200, 200}}}, false, 3},
};
// clang-format on

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
