#include "htp_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "process_runner.h"
#include "scoped_temp_dir.h"
#include "synth_test_helpers.h"

namespace {

// "GAME" with ten data bytes "0123456789" (sum 0x0D): sync at 256, name at 257,
// address at 262, length at 264, data at 266, checksum at 276, marker at 277.
const std::string kGood = htp_bytes({{"GAME", 0x4000, "0123456789"}});

std::string with_byte(std::string s, size_t offset, char value) {
    s[offset] = value;
    return s;
}

struct BadCase {
    const char* name;
    std::string bytes;
    const char* problem;  ///< the message after "<label>: "
};

std::vector<BadCase> bad_cases() {
    const std::string two = htp_bytes({{"GAME", 0x4000, "0123456789"}, {"", 0x5000, "AB"}});
    return {
        {"empty file", "", "no sync byte 0xA5 after the leader at offset 0"},
        {"leader only", std::string(256, '\0'), "no sync byte 0xA5 after the leader at offset 256"},
        {"wrong sync", with_byte(kGood, 256, '\x5A'),
         "no sync byte 0xA5 after the leader at offset 256"},
        {"name of 64 characters", htp_bytes({{std::string(64, 'N'), 0, "x"}}),
         "name longer than 63 characters at offset 257"},
        {"name cut off", kGood.substr(0, 261), "name not terminated at offset 257"},
        {"address cut off", kGood.substr(0, 264), "address and length cut off at offset 262"},
        {"data cut off", kGood.substr(0, 270),
         "length 10 runs past the end of the file at offset 264"},
        {"checksum cut off", kGood.substr(0, 276), "checksum missing at offset 276"},
        {"wrong checksum", with_byte(kGood, 276, '\x12'),
         "checksum 0x12 does not match the data (0x0D) at offset 276"},
        {"marker cut off", kGood.substr(0, 277), "marker missing at offset 277"},
        {"unknown marker", with_byte(kGood, 277, '\x55'),
         "marker 0x55 is neither 0x00 nor 0xD8 at offset 277"},
        {"no block after D8", with_byte(kGood, 277, '\xD8'),
         "no sync byte 0xA5 after the leader at offset 278"},
        {"bytes after the end", kGood + std::string("\0\0\x01", 3),
         "non-zero byte after the last block at offset 280"},
        // Second block: leader 278..405, sync 406, name 407, header 408, data 412, checksum 414.
        {"second block checksum", with_byte(two, 414, '\x00'),
         "checksum 0x00 does not match the data (0x83) at offset 414"},
    };
}

TEST(SynthBadImages, ValidationNamesTheProblemAndOffset) {
    for (const BadCase& c : bad_cases()) {
        char message[256] = "";
        const int code = htp_validate(image_of(c.bytes, "bad.htp"), message, sizeof message);
        EXPECT_EQ(code, kSynthBadImage) << c.name;
        EXPECT_EQ(std::string(message), std::string("bad.htp: ") + c.problem) << c.name;
    }
}

TEST(SynthBadImages, ModuleLeavesNoFile) {
    for (const BadCase& c : bad_cases()) {
        ScopedTempDir dir;
        std::string message;
        const int code =
            synthesize(SynthSettings{}, {kGood, c.bytes}, dir.file("out.wav"), &message);
        EXPECT_EQ(code, kSynthBadImage) << c.name;
        EXPECT_EQ(message, std::string("test.htp: ") + c.problem) << c.name;
        EXPECT_TRUE(list_dir(dir.path()).empty()) << c.name;
    }
}

TEST(SynthBadImages, BinaryExitsWithFiveAndLeavesNoFile) {
    for (const BadCase& c : bad_cases()) {
        ScopedTempDir dir;
        ASSERT_TRUE(write_file(dir.file("good.htp"), kGood));
        ASSERT_TRUE(write_file(dir.file("bad.htp"), c.bytes));
        const ProcessResult r = run_process(vorlane_synth_binary(),
                                            {"-o", "out.wav", "good.htp", "bad.htp"}, dir.path());
        EXPECT_EQ(r.exit_code, kSynthBadImage) << c.name;
        EXPECT_EQ(r.out, "") << c.name;
        EXPECT_EQ(r.err, std::string("vorlane-synth: bad.htp: ") + c.problem + "\n") << c.name;
        EXPECT_EQ(list_dir(dir.path()), (std::vector<std::string>{"bad.htp", "good.htp"}))
            << c.name;
    }
}

struct GoodCase {
    const char* name;
    std::string bytes;
    size_t blocks;
    std::string played;  ///< the bytes that go onto the tape
};

TEST(SynthGoodImages, AcceptedAndPlayedAsTheyGoOntoTape) {
    const std::string two = htp_bytes({{"GAME", 0x4000, "0123456789"}, {"", 0x5000, "AB"}});
    const std::string empty = htp_bytes({{"E", 0, ""}});
    const std::string long_name = htp_bytes({{std::string(63, 'N'), 0, "x"}});
    const std::string named_second = htp_bytes({{"A", 0, "1"}, {"B", 0, "2"}});
    const std::vector<GoodCase> cases = {
        {"one block", kGood, 1, kGood},
        {"two blocks", two, 2, two},
        {"length 0", empty, 1, empty},
        {"name of 63 characters", long_name, 1, long_name},
        {"named further block", named_second, 2, named_second},
        {"no leader", kGood.substr(256), 1, kGood.substr(256)},
        {"short leader", kGood.substr(250), 1, kGood.substr(250)},
        {"zeros after the end", kGood + std::string(5, '\0'), 1, kGood + std::string(5, '\0')},
    };
    for (const GoodCase& c : cases) {
        const SynthImage image = image_of(c.bytes);
        HtpLayout layout;
        char message[256] = "";
        ASSERT_EQ(htp_check(image, &layout, message, sizeof message), kSynthOk)
            << c.name << ": " << message;
        EXPECT_EQ(layout.blocks, c.blocks) << c.name;
        std::string played;
        for (size_t i = 0; i < htp_play_size(image, layout); ++i) {
            played += static_cast<char>(htp_play_byte(image, layout, i));
        }
        EXPECT_EQ(played, c.played) << c.name;
    }
}

}  // namespace
