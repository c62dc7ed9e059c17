#include "decoder/block_assembler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

/// Feeds bits to an assembler as the pulse detector would, 72-sample pulses at
/// a fixed position, and counts the blocks handed out for writing.
struct AssemblerRig {
    AssemblerState st;
    int blocks = 0;
    bool verbose = false;

    void bit(int b) {
        const BitEvent ev{b, 72, 1000, 75.5, false, false};
        if (assembler_push(&st, ev, 44100, verbose) == AssemblerEvent::kBlockDone) ++blocks;
    }
    void bits(int count, int value) {
        for (int i = 0; i < count; ++i) bit(value);
    }
    void bytes(const std::string& data) {
        for (char c : data)
            for (int i = 7; i >= 0; --i) bit((static_cast<uint8_t>(c) >> i) & 1);
    }
};

std::string block_bytes(const std::string& name, const std::string& data, int checksum_delta = 0) {
    std::string s = "\xA5" + name + std::string(1, '\0');
    s += std::string("\x00\x40", 2);
    s += static_cast<char>(data.size() & 0xFF);
    s += static_cast<char>(data.size() >> 8);
    unsigned sum = 0;
    for (char c : data) sum += static_cast<uint8_t>(c);
    s += data;
    s += static_cast<char>(sum + checksum_delta);
    return s;
}

TEST(BlockAssembler, AcceptsAndRefusesBlocks) {
    struct Case {
        const char* name;
        int leader_bits;
        std::string tape;
        std::string err_after_sync;  // stderr after the two sync lines
        int blocks;
    };
    const std::string long_name(64, 'L');
    const Case cases[] = {
        {"one-letter name, three bytes", 3, block_bytes("A", "abc"),
         "  File found:  A\n  Start time: 01.15.500\n  Start: 4000h - length: 0003h\n"
         "  Data block length: 3 (0x0003) bytes\n  Stop time: 01.15.500\n  CRC OK (26h)\n",
         1},
        {"length zero", 8, block_bytes("Z", ""),
         "  File found:  Z\n  Start time: 01.15.500\n  Start: 4000h - length: 0000h\n"
         "  Data block length: 0 (0x0000) bytes\n  Stop time: 01.15.500\n  CRC OK (00h)\n",
         1},
        {"checksum mismatch shows the computed sum", 101, block_bytes("C", "\x34", -0x22),
         "  File found:  C\n  Start time: 01.15.500\n  Start: 4000h - length: 0001h\n"
         "  Data block length: 1 (0x0001) bytes\n  Stop time: 01.15.500\n  CRC error: 34h\n",
         0},
        {"name of 64 characters with its zero is refused", 100, block_bytes(long_name, "x"),
         "  Abort. Filename too long: 65 > 64.\n", 0},
        {"300-byte name counted past the buffer", 100, block_bytes(std::string(300, 'g'), "x"),
         "  Abort. Filename too long: 301 > 64.\n", 0},
    };
    for (const Case& c : cases) {
        AssemblerRig rig;
        rig.bits(c.leader_bits, 0);
        testing::internal::CaptureStderr();
        rig.bytes(c.tape);
        rig.bit(1);  // the bit after the checksum closes the block
        const std::string err = testing::internal::GetCapturedStderr();
        // Only leader bits fill the history of 100: the bits of 0xA5 before it
        // completes are all warned about, which keeps them out.
        const int average = std::min(c.leader_bits, 100) * 1633 / 100;
        const std::string sync_lines =
            "Sync found at offset: 1000 (0x000003E8) time: 75.500000 sec.\n"
            "  Average sync pulse distance: " +
            std::to_string(average) + " usec.\n";
        EXPECT_EQ(err, sync_lines + c.err_after_sync) << c.name;
        EXPECT_EQ(rig.blocks, c.blocks) << c.name;
        EXPECT_EQ(rig.st.phase, AssemblerPhase::kSeekSync) << c.name;
    }
}

TEST(BlockAssembler, KeepsTheWholeBlock) {
    struct Case {
        std::string name;
        size_t length;
    };
    const Case cases[] = {{"A", 0}, {std::string(63, 'n'), 1}, {"BIG", 65535}};
    for (const Case& c : cases) {
        std::string data(c.length, '\0');
        for (size_t i = 0; i < c.length; ++i) data[i] = static_cast<char>(i * 7 + (i >> 8));
        AssemblerRig rig;
        rig.bits(20, 0);
        testing::internal::CaptureStderr();
        rig.bytes(block_bytes(c.name, data));
        rig.bit(0);
        testing::internal::GetCapturedStderr();
        ASSERT_EQ(rig.blocks, 1) << c.name;
        const TapeBlock& b = rig.st.block;
        EXPECT_EQ(b.name_length, c.name.size() + 1) << c.name;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.name)), c.name);
        EXPECT_EQ(block_start_address(b), 0x4000) << c.name;
        EXPECT_EQ(block_data_length(b), c.length) << c.name;
        EXPECT_EQ(std::memcmp(b.data, data.data(), c.length), 0) << c.name;
        unsigned sum = 0;
        for (char ch : data) sum += static_cast<uint8_t>(ch);
        EXPECT_EQ(b.data[c.length], static_cast<uint8_t>(sum)) << "checksum byte kept, " << c.name;
    }
}

TEST(BlockAssembler, SyncWarningsUseTheBudget) {
    AssemblerRig rig;
    rig.verbose = true;
    rig.bits(50, 0);
    testing::internal::CaptureStderr();
    rig.bytes("\xA5");
    const std::string err = testing::internal::GetCapturedStderr();
    // 0x01, 0x02, 0x05, 0x0A, 0x14, 0x29, 0x52 pass by before 0xA5.
    EXPECT_EQ(err,
              "Warning: non-zero sync (01) @ 1000 (0x000003E8) time: 75.500000.\n"
              "Warning: non-zero sync (02) @ 1000 (0x000003E8) time: 75.500000.\n"
              "Warning: non-zero sync (05) @ 1000 (0x000003E8) time: 75.500000.\n"
              "Warning: non-zero sync (0A) @ 1000 (0x000003E8) time: 75.500000.\n"
              "Warning: non-zero sync (14) @ 1000 (0x000003E8) time: 75.500000.\n"
              "Warning: non-zero sync (29) @ 1000 (0x000003E8) time: 75.500000.\n"
              "Warning: non-zero sync (52) @ 1000 (0x000003E8) time: 75.500000.\n"
              "Sync found at offset: 1000 (0x000003E8) time: 75.500000 sec.\n"
              // 50 leader pulses of 1633 usec in a history of 100.
              "  Average sync pulse distance: 816 usec.\n");
    EXPECT_EQ(rig.st.warning_budget, 3);
}

TEST(BlockAssembler, FirstBitWhileSeekingIsRecordedNotWarned) {
    AssemblerRig rig;
    rig.verbose = true;
    testing::internal::CaptureStderr();
    rig.bit(1);  // n = 1: recorded as a leader pulse even though the register is not 0
    rig.bit(1);  // n = 2, register 0x03: a warning
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Warning: non-zero sync (03) @ 1000 (0x000003E8) time: 75.500000.\n");
    EXPECT_EQ(rig.st.history[0], 1633u);
    EXPECT_EQ(rig.st.history_index, 1u);
    EXPECT_EQ(rig.st.warning_budget, 9);
}

}  // namespace
