#include "decoder/block_assembler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "decoder/pipeline.h"
#include "end_to_end.h"
#include "tape/block_report.h"

namespace {

/// Feeds bits to an assembler as the pulse detector would, 72-sample pulses at
/// a fixed position, reports its events to a sink as the decoder does, and
/// counts the blocks handed out for writing.
struct AssemblerRig {
    AssemblerState st;
    BlockSink sink;
    int blocks = 0;
    bool verbose = false;

    void bit(int b) {
        const BitEvent ev{b, 72, 1000, 75.5, false, false};
        const AssemblerEvent event = assembler_push(&st, ev, 44100, verbose);
        if (event == AssemblerEvent::kBlockDone) {
            ++blocks;
        } else if (event != AssemblerEvent::kNone) {
            pipeline_report(&sink, st, event, ev);
        }
    }
    void bits(int count, int value) {
        for (int i = 0; i < count; ++i) bit(value);
    }
    void bytes(const std::string& data) {
        for (char c : data)
            for (int i = 7; i >= 0; --i) bit((static_cast<uint8_t>(c) >> i) & 1);
    }
};

TEST(BlockAssembler, AcceptsAndRefusesBlocks) {
    // Blocks without leader; the marker's first bit closes each. The name, the
    // length and the CRC line are what differ.
    std::string bad_sum = htp_image("C", 0x4000, "\x34", 0);
    bad_sum[bad_sum.size() - 2] -= 0x22;
    const struct {
        int leader_bits;
        std::string tape, name, length, crc;
        int blocks;
    } cases[] = {
        {3, htp_image("A", 0x4000, "abc", 0), "A", "3 (0x0003)", "CRC OK (26h)", 1},
        {8, htp_image("Z", 0x4000, "", 0), "Z", "0 (0x0000)", "CRC OK (00h)", 1},
        {101, bad_sum, "C", "1 (0x0001)", "CRC error: 34h", 0},  // the computed sum
    };
    for (const auto& c : cases) {
        AssemblerRig rig;
        rig.bits(c.leader_bits, 0);
        testing::internal::CaptureStderr();
        rig.bytes(c.tape);
        // Only leader bits fill the history of 100, zeros counting: the bits
        // of 0xA5 before it completes are all warned about, which keeps them out.
        const int average = std::min(c.leader_bits, 100) * 1633 / 100;
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "Sync found at offset: 1000 (0x000003E8) time: 75.500000 sec.\n"
                  "  Average sync pulse distance: " +
                      std::to_string(average) + " usec.\n  File found:  " + c.name +
                      "\n  Start time: 01.15.500\n  Start: 4000h - length: 000" +
                      c.length.substr(0, 1) + "h\n  Data block length: " + c.length +
                      " bytes\n  Stop time: 01.15.500\n  " + c.crc + "\n")
            << c.name;
        EXPECT_EQ(rig.blocks, c.blocks) << c.name;
        EXPECT_EQ(rig.st.phase, AssemblerPhase::kSeekSync) << c.name;
    }
}

TEST(BlockAssembler, TenWarningsPerBlock) {
    // The first bit while seeking is recorded, not warned about; after it every
    // non-zero register is a warning, while the block's budget lasts.
    AssemblerRig rig;
    rig.verbose = true;
    testing::internal::CaptureStderr();
    rig.bits(30, 1);
    std::string err = testing::internal::GetCapturedStderr();
    // Once the budget is spent, the bits are recorded as leader pulses again.
    EXPECT_EQ(rig.st.history[0], 1633u);
    EXPECT_EQ(rig.st.history_index, 20u);
    EXPECT_EQ(err.substr(0, 65),
              "Warning: non-zero sync (03) @ 1000 (0x000003E8) time: 75.500000.\n");
    EXPECT_EQ(count_of(err, "Warning"), 10u);
    EXPECT_EQ(rig.st.warning_budget, 0);
    // A long pulse after a lone short one shares the budget: nothing left.
    testing::internal::CaptureStderr();
    EXPECT_EQ(assembler_push(&rig.st, BitEvent{0, 72, 1000, 75.5, false, true}, 44100, true),
              AssemblerEvent::kNone);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

/// Block times as the report and the image's name show them: truncated to the
/// millisecond, the minute rolling over only when the second does.
struct TimeRow {
    const char* name;
    double seconds;
    const char* text;
};

const TimeRow kTimes[] = {
    {"the start", 0, "00.00.000"},
    {"the last millisecond of a minute", 59.9996, "00.59.999"},
    {"just past a minute", 60.0004, "01.00.000"},
    {"the last of the second minute", 119.9999, "01.59.999"},
    {"a quarter second past ten minutes", 600.25, "10.00.250"},
    {"over an hour", 3725.0625, "62.05.062"},
    {"a hundred minutes", 6000.5, "100.00.500"},
};

class BlockTimes : public testing::TestWithParam<TimeRow> {};
TEST_P(BlockTimes, Formatted) {
    char text[32];
    format_timestamp(GetParam().seconds, text, sizeof text);
    EXPECT_STREQ(text, GetParam().text);
}
INSTANTIATE_TEST_SUITE_P(, BlockTimes, testing::ValuesIn(kTimes), row_name<TimeRow>);

}  // namespace
