// Real tapes with hostile content, cut short, in unusual containers, or
// meeting outputs that cannot be written. Each run happens in a directory
// "cwd" inside a fresh temporary directory, so anything written outside the
// current directory shows up beside "cwd".
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "expected_output.h"
#include "process_runner.h"
#include "scoped_temp_dir.h"
#include "tape_report.h"
#include "tape_signal.h"
#include "wav_fixture.h"

namespace {

using hostile::Placement;

/// One run of vorlane on a recording and everything it must leave behind.
struct TapeCase {
    std::string name;
    std::string wav;
    std::vector<std::string> options;  // before -i in.wav
    int exit_code;
    std::string out;
    std::string err;
    std::vector<std::pair<std::string, std::string>> images;  // file name, bytes
};

/// Runs one case in <temp>/cwd and checks the console, the exit code, every
/// file in the current directory and that nothing appeared outside it.
void check_tape_case(const TapeCase& c) {
    ScopedTempDir dir;
    const std::string cwd = dir.file("cwd");
    ASSERT_EQ(mkdir(cwd.c_str(), 0755), 0);
    const ProcessResult r = run_vorlane_on(cwd, c.wav, c.options);
    EXPECT_EQ(r.exit_code, c.exit_code) << c.name;
    EXPECT_EQ(r.out, c.out) << c.name;
    EXPECT_EQ(r.err, c.err) << c.name;

    std::vector<std::string> expected_files{"in.wav"};
    for (const auto& [file, bytes] : c.images) {
        expected_files.push_back(file);
        EXPECT_EQ(read_file(cwd + "/" + file), bytes) << c.name << ": " << file;
    }
    std::sort(expected_files.begin(), expected_files.end());
    EXPECT_EQ(list_dir(cwd), expected_files) << c.name;
    EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{"cwd"}) << c.name;
    EXPECT_EQ(read_file(cwd + "/in.wav"), c.wav) << c.name;
}

/// An 8-bit mono 44.1 kHz recording of a tape.
std::string mono_wav(const std::string& tape) {
    return tape_wav(tape, TapeSignalOptions{});
}

std::string header_report(const std::string& wav) {
    return expected_header_report(1, 44100, 8, 36, static_cast<uint32_t>(wav.size() - 44));
}

/// A case for a tape holding one good block named `name`.
TapeCase good_block_case(const std::string& label, const std::string& name,
                         const std::string& file_name_part) {
    const std::string image = htp_image(name, 0x4000, "data");
    const std::string wav = mono_wav(image);
    const Placement p;
    const std::string file = hostile::start_time(p, name) + "_" + file_name_part + ".htp";
    return TapeCase{
        label,
        wav,
        {},
        0,
        header_report(wav) + hostile::summary(1),
        hostile::good_block_lines(p, name, 0x4000, "data") + "  File written: " + file + "\n\n",
        {{file, image}}};
}

/// A case for a tape whose name is refused; the rest of the block is zeros,
/// which never make a sync byte.
TapeCase refused_name_case(const std::string& label, const std::string& name) {
    const std::string wav = mono_wav(htp_image(name, 0, ""));
    const std::string length = std::to_string(name.size() + 1);
    return TapeCase{
        label,
        wav,
        {},
        0,
        header_report(wav) + hostile::summary(0),
        hostile::sync_lines(Placement{}) + "  Abort. Filename too long: " + length + " > 64.\n",
        {}};
}

std::string byte_range(int first, int last) {
    std::string s;
    for (int b = first; b <= last; ++b) s += static_cast<char>(b);
    return s;
}

TEST(HostileTape, NamesChosenByTheTape) {
    const std::vector<TapeCase> cases = {
        good_block_case("slash", "a/b", "a_b"),
        good_block_case("absolute path", "/tmp/x", "_tmp_x"),
        good_block_case("backslashes climbing up", "..\\..\\x", ".._.._x"),
        good_block_case("slashes climbing up", "../../x", ".._.._x"),
        good_block_case("dot dot alone", "..", ".."),
        good_block_case("printf directives", "%s%n%x%%", "%s%n%x%%"),
        good_block_case("control bytes 0x01-0x1F", byte_range(0x01, 0x1F), byte_range(0x01, 0x1F)),
        good_block_case("high bytes 0x80-0xBE", byte_range(0x80, 0xBE), byte_range(0x80, 0xBE)),
        good_block_case("high bytes 0xC1-0xFF", byte_range(0xC1, 0xFF), byte_range(0xC1, 0xFF)),
        good_block_case("63 characters, the longest accepted", std::string(63, 'M'),
                        std::string(63, 'M')),
        good_block_case("empty name", "", ""),
        refused_name_case("255 bytes: the buffer's last byte is the zero", std::string(255, 'Q')),
        refused_name_case("256 bytes: the zero falls past the buffer", std::string(256, 'Q')),
        refused_name_case("270 bytes: would wrap to 14 if the count wrapped",
                          std::string(270, 'Q')),
        refused_name_case("300 bytes with slashes", std::string(300, '/')),
    };
    for (const TapeCase& c : cases) check_tape_case(c);
}

TEST(HostileTape, RecordingsThatStopEarly) {
    const std::string hello = htp_image("HELLO", 0x1234, std::string(300, 'd'));
    const Placement p;
    // The sync byte is image byte 256; HELLO's five letters follow it.
    const std::string cut_after_sync = mono_wav(hello.substr(0, 257));
    const std::string cut_in_name = mono_wav(hello.substr(0, 257 + 2));
    const std::string cut_in_data = mono_wav(hello.substr(0, 257 + 6 + 4 + 100));
    const std::string name_without_zero =
        mono_wav(htp_image(std::string(300, 'Q'), 0, "").substr(0, 257 + 300));
    const std::string header_lines =
        hostile::name_lines(p, "HELLO") + hostile::header_lines(0x1234, 300);

    // A good block, then a block cut in the middle of its data: the first is
    // still written.
    const std::string first = htp_image("ONE", 0x0100, "first");
    const std::string second = htp_image("TWO", 0x0200, std::string(200, 's'));
    const std::string first_payload = tape_payload(first, TapeSignalOptions{});
    const std::string two_blocks = make_wav(
        WavFixture{},
        first_payload + tape_payload(second.substr(0, 257 + 4 + 4 + 50), TapeSignalOptions{}));
    Placement second_place;
    second_place.frames_before = first_payload.size();
    const std::string first_file = hostile::start_time(p, "ONE") + "_ONE.htp";

    const std::vector<TapeCase> cases = {
        {"right after the sync byte",
         cut_after_sync,
         {},
         0,
         header_report(cut_after_sync) + hostile::summary(0),
         hostile::sync_lines(p),
         {}},
        {"in the middle of the name",
         cut_in_name,
         {},
         0,
         header_report(cut_in_name) + hostile::summary(0),
         hostile::sync_lines(p),
         {}},
        {"in the middle of the data",
         cut_in_data,
         {},
         0,
         header_report(cut_in_data) + hostile::summary(0),
         hostile::sync_lines(p) + header_lines,
         {}},
        {"in a 300-byte name that never ends",
         name_without_zero,
         {},
         0,
         header_report(name_without_zero) + hostile::summary(0),
         hostile::sync_lines(p),
         {}},
        {"a good block, then one cut in its data",
         two_blocks,
         {},
         0,
         header_report(two_blocks) + hostile::summary(1),
         hostile::good_block_lines(p, "ONE", 0x0100, "first") + "  File written: " + first_file +
             "\n\n" + hostile::sync_lines(second_place) + hostile::name_lines(second_place, "TWO") +
             hostile::header_lines(0x0200, 200),
         {{first_file, first}}},
    };
    for (const TapeCase& c : cases) check_tape_case(c);
}

TEST(HostileTape, UnusualContainersOfAGoodTape) {
    const std::string image = htp_image("HI", 0x1234, std::string("\x01\x02\x03", 3));
    const std::string data(std::string("\x01\x02\x03", 3));
    struct Container {
        const char* name;
        int channels;  // played on every channel
        int bits;
        uint16_t header_channels;  // what the header claims
        std::string list_chunk;    // inserted before the data chunk
        bool streamed;             // data size field 0xFFFFFFFF
    };
    const Container containers[] = {
        {"channel count 0 is read as one channel", 1, 8, 0, "", false},
        {"2 channels", 2, 8, 2, "", false},
        {"6 channels of 16 bits", 6, 16, 6, "", false},
        {"16-bit samples at an odd offset", 1, 16, 1, "LIST" + le32(3) + "odd", false},
        {"streamed data size", 1, 8, 1, "", true},
    };
    for (const Container& k : containers) {
        TapeSignalOptions o;
        o.channels = k.channels;
        o.bits = k.bits;
        const std::string payload = tape_payload(image, o);
        WavFixture f;
        f.channels = k.header_channels;
        f.bits_per_sample = static_cast<uint16_t>(k.bits);
        f.explicit_data_size = k.streamed;
        f.data_size = 0xFFFFFFFFu;
        std::string wav = make_wav(f, payload);
        wav.insert(36, k.list_chunk);
        const uint32_t size = k.streamed ? 0xFFFFFFFFu : static_cast<uint32_t>(payload.size());

        Placement p;
        p.data_start = 44 + k.list_chunk.size();
        p.frame_bytes = static_cast<unsigned>(k.channels * k.bits / 8);
        const std::string file = hostile::start_time(p, "HI") + "_HI.htp";
        check_tape_case(TapeCase{
            k.name,
            wav,
            {},
            0,
            expected_header_report(k.header_channels, 44100, static_cast<unsigned>(k.bits),
                                   36 + k.list_chunk.size(), size) +
                hostile::summary(1),
            hostile::good_block_lines(p, "HI", 0x1234, data) + "  File written: " + file + "\n\n",
            {{file, image}}});
    }
}

/// What is in the current directory before the run, besides in.wav.
enum class Obstacle {
    kNone,
    kDirectoryAtFirstImage,   ///< the first image's file name is taken by a directory
    kFullDeviceAtFirstImage,  ///< ... by a symbolic link to /dev/full
    kLinksToInput,            ///< link.wav -> in.wav, hard.wav is a hard link to in.wav
};

TEST(HostileTape, OutputsThatCannotBeWritten) {
    const std::string one = htp_image("ONE", 0x0100, "first");
    const std::string two = htp_image("TWO", 0x0200, "second");
    const std::string one_payload = tape_payload(one, TapeSignalOptions{});
    const std::string wav =
        make_wav(WavFixture{}, one_payload + tape_payload(two, TapeSignalOptions{}));
    const Placement p1;
    Placement p2;
    p2.frames_before = one_payload.size();
    const std::string file1 = hostile::start_time(p1, "ONE") + "_ONE.htp";
    const std::string file2 = hostile::start_time(p2, "TWO") + "_TWO.htp";
    const std::string block1 = hostile::good_block_lines(p1, "ONE", 0x0100, "first");
    const std::string block2 = hostile::good_block_lines(p2, "TWO", 0x0200, "second");
    const std::string written1 = "  File written: " + file1 + "\n\n";
    const std::string written2 = "  File written: " + file2 + "\n\n";
    const std::string failed1 = "Error writing " + file1 + ".\n";
    const std::string report = header_report(wav);
    const std::string both = block1 + written1 + block2 + written2;

    struct OutputCase {
        const char* name;
        Obstacle obstacle;
        std::vector<std::string> args;
        int exit_code;
        std::string out;
        std::string err;
        std::vector<std::string> files;  // the current directory afterwards
    };
    const OutputCase cases[] = {
        {"image name taken by a directory",
         Obstacle::kDirectoryAtFirstImage,
         {"-i", "in.wav"},
         1,
         report + hostile::summary(1),
         block1 + failed1 + block2 + written2,
         {file1, file2, "in.wav"}},
        {"image name is a link to a full device",
         Obstacle::kFullDeviceAtFirstImage,
         {"-i", "in.wav"},
         1,
         report + hostile::summary(1),
         block1 + failed1 + block2 + written2,
         {file2, "in.wav"}},
        {"raw output to a full device",
         Obstacle::kNone,
         {"-o", "/dev/full", "-i", "in.wav"},
         1,
         report + hostile::summary(2),
         both + "Error writing /dev/full.\n",
         {file1, file2, "in.wav"}},
        {"raw output and an image both fail",
         Obstacle::kDirectoryAtFirstImage,
         {"-i", "in.wav", "-o", "/dev/full"},
         1,
         report + hostile::summary(1),
         block1 + failed1 + block2 + written2 + "Error writing /dev/full.\n",
         {file1, file2, "in.wav"}},
        {"raw output names the input, before -i",
         Obstacle::kNone,
         {"-o", "in.wav", "-i", "in.wav"},
         0,
         report + hostile::summary(2),
         "Error opening in.wav.\n" + both,
         {file1, file2, "in.wav"}},
        {"raw output names the input, after -i",
         Obstacle::kNone,
         {"-i", "in.wav", "-o", "in.wav"},
         0,
         report + hostile::summary(2),
         "Error opening in.wav.\n" + both,
         {file1, file2, "in.wav"}},
        {"raw output is a symbolic link to the input",
         Obstacle::kLinksToInput,
         {"-o", "link.wav", "-i", "in.wav"},
         0,
         report + hostile::summary(2),
         "Error opening link.wav.\n" + both,
         {file1, file2, "hard.wav", "in.wav", "link.wav"}},
        {"raw output is a hard link to the input",
         Obstacle::kLinksToInput,
         {"-i", "in.wav", "-o", "hard.wav"},
         0,
         report + hostile::summary(2),
         "Error opening hard.wav.\n" + both,
         {file1, file2, "hard.wav", "in.wav", "link.wav"}},
    };
    for (const OutputCase& c : cases) {
        ScopedTempDir dir;
        const std::string cwd = dir.file("cwd");
        ASSERT_EQ(mkdir(cwd.c_str(), 0755), 0);
        ASSERT_TRUE(write_file(cwd + "/in.wav", wav));
        switch (c.obstacle) {
            case Obstacle::kNone:
                break;
            case Obstacle::kDirectoryAtFirstImage:
                ASSERT_EQ(mkdir((cwd + "/" + file1).c_str(), 0755), 0);
                break;
            case Obstacle::kFullDeviceAtFirstImage:
                ASSERT_EQ(symlink("/dev/full", (cwd + "/" + file1).c_str()), 0);
                break;
            case Obstacle::kLinksToInput:
                ASSERT_EQ(symlink("in.wav", (cwd + "/link.wav").c_str()), 0);
                ASSERT_EQ(link((cwd + "/in.wav").c_str(), (cwd + "/hard.wav").c_str()), 0);
                break;
        }
        const ProcessResult r = run_process(vorlane_binary(), c.args, cwd);
        EXPECT_EQ(r.exit_code, c.exit_code) << c.name;
        EXPECT_EQ(r.out, c.out) << c.name;
        EXPECT_EQ(r.err, c.err) << c.name;
        std::vector<std::string> files = c.files;
        std::sort(files.begin(), files.end());
        EXPECT_EQ(list_dir(cwd), files) << c.name;
        EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{"cwd"}) << c.name;
        EXPECT_EQ(read_file(cwd + "/in.wav"), wav) << c.name;
        if (file_exists(cwd + "/" + file2)) {
            EXPECT_EQ(read_file(cwd + "/" + file2), two) << c.name;
        }
        struct stat st;
        if (c.obstacle == Obstacle::kDirectoryAtFirstImage) {
            // The directory is left as it was: still there, still empty.
            EXPECT_TRUE(list_dir(cwd + "/" + file1).empty()) << c.name;
        } else if (file_exists(cwd + "/" + file1)) {
            EXPECT_EQ(read_file(cwd + "/" + file1), one) << c.name;
        }
        // Writing through the link must not disturb the device itself.
        ASSERT_EQ(stat("/dev/full", &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode)) << c.name;
    }
}

}  // namespace
