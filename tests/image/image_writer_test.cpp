#include "image/image_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "expected_output.h"
#include "process_runner.h"
#include "scoped_temp_dir.h"
#include "tape_signal.h"

namespace {

TapeBlock make_block(const std::string& name, const std::string& data, const char* time) {
    TapeBlock b;
    std::memcpy(b.name, name.c_str(), name.size() + 1);
    b.name_length = static_cast<unsigned>(name.size() + 1);
    b.header[0] = 0x34;
    b.header[1] = 0x12;
    b.header[2] = static_cast<uint8_t>(data.size());
    b.header[3] = static_cast<uint8_t>(data.size() >> 8);
    std::memcpy(b.data, data.data(), data.size());
    b.data[data.size()] = data_checksum(data);
    std::snprintf(b.start_time, sizeof b.start_time, "%s", time);
    return b;
}

TEST(ImageWriter, NamesFilesAfterTimeAndTapeName) {
    struct Case {
        std::string tape_name;
        std::string file_name;
    };
    const Case cases[] = {
        {"GAME", "01.15.500_GAME.htp"},
        {"", "01.15.500_.htp"},
        {"../up", "01.15.500_.._up.htp"},
        {"a\\b/c", "01.15.500_a_b_c.htp"},
        {"lower Case", "01.15.500_lower Case.htp"},
    };
    for (const Case& c : cases) {
        char name[kImageFileNameBytes];
        image_file_name(make_block(c.tape_name, "", "01.15.500"), name, sizeof name);
        EXPECT_EQ(std::string(name), c.file_name) << c.tape_name;
    }
}

TEST(ImageWriter, WritesTheImageLayout) {
    ScopedTempDir dir;
    const std::string cwd = std::filesystem::current_path().string();
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    testing::internal::CaptureStderr();
    const bool ok = write_image(make_block("A", "xyz", "00.01.002"), ProtectedFiles{});
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_EQ(chdir(cwd.c_str()), 0);
    EXPECT_TRUE(ok);
    EXPECT_EQ(err, "  File written: 00.01.002_A.htp\n\n");
    const std::string image = read_file(dir.file("00.01.002_A.htp"));
    ASSERT_EQ(image.size(), 268u);  // 263 + 2 + 3
    EXPECT_EQ(image.substr(0, 256), std::string(256, '\0'));
    EXPECT_EQ(image.substr(256), std::string("\xA5"
                                             "A\0"
                                             "\x34\x12\x03\x00"
                                             "xyz"
                                             "\x6B\x00",
                                             12));
}

/// Two good blocks on one recording: the first image's name is occupied by
/// something it cannot be written to, the second is fine.
TEST(ImageWriter, FailedImagesAreReportedRemovedAndNotCounted) {
    TapeSignalOptions o;
    const std::string first = htp_image("ONE", 0x100, "first");
    const std::string second = htp_image("TWO", 0x200, "second");
    const std::string wav = tape_wav(first + second, o);
    // The same tape without the obstacle, to learn the image names and bytes.
    ScopedTempDir clean;
    ASSERT_TRUE(write_file(clean.file("in.wav"), wav));
    const ProcessResult good = run_process(vorlane_binary(), {"-i", "in.wav"}, clean.path());
    ASSERT_EQ(good.exit_code, 0);
    const std::vector<std::string> names = list_dir(clean.path());
    ASSERT_EQ(names.size(), 3u) << good.err;
    const std::string first_name = names[0];
    const std::string second_name = names[1];
    ASSERT_EQ(read_file(clean.file(first_name)), first);
    ASSERT_EQ(read_file(clean.file(second_name)), second);
    const std::string written_line = "  File written: " + first_name + "\n\n";
    const size_t at = good.err.find(written_line);
    ASSERT_NE(at, std::string::npos);

    enum Obstacle { kDirectory, kFullDevice };
    for (Obstacle obstacle : {kDirectory, kFullDevice}) {
        ScopedTempDir dir;
        ASSERT_TRUE(write_file(dir.file("in.wav"), wav));
        if (obstacle == kDirectory) {
            ASSERT_EQ(mkdir(dir.file(first_name).c_str(), 0755), 0);
        } else {
            ASSERT_EQ(symlink("/dev/full", dir.file(first_name).c_str()), 0);
        }
        const ProcessResult r = run_process(vorlane_binary(), {"-i", "in.wav"}, dir.path());
        std::string expected_err = good.err;
        expected_err.replace(at, written_line.size(), "Error writing " + first_name + ".\n");
        EXPECT_EQ(r.exit_code, 1) << obstacle;
        EXPECT_EQ(r.err, expected_err) << obstacle;
        const std::string header =
            expected_header_report(1, 44100, 8, 36, static_cast<uint32_t>(wav.size() - 44));
        EXPECT_EQ(r.out, header + "Finished writing output file(s). 1 file(s) created.\n")
            << obstacle;
        EXPECT_EQ(read_file(dir.file(second_name)), second) << obstacle;
        // The directory stays; the partial file (the link) is gone.
        std::vector<std::string> expected{second_name, "in.wav"};
        if (obstacle == kDirectory) expected.insert(expected.begin(), first_name);
        EXPECT_EQ(list_dir(dir.path()), expected) << obstacle;
    }
}

/// A tape whose image would take the name of the recording being read, or of
/// the raw output: the image is refused, the file keeps its bytes.
TEST(ImageWriter, NeverReplacesTheInputOrTheRawOutput) {
    const std::string image = htp_image("SAME", 0x100, "data");
    const std::string wav = tape_wav(image, TapeSignalOptions{});
    ScopedTempDir clean;
    ASSERT_TRUE(write_file(clean.file("in.wav"), wav));
    const ProcessResult good = run_process(vorlane_binary(), {"-i", "in.wav"}, clean.path());
    const std::vector<std::string> names = list_dir(clean.path());
    ASSERT_EQ(names.size(), 2u) << good.err;
    const std::string image_name = names[0];
    const std::string written_line = "  File written: " + image_name + "\n\n";
    const size_t at = good.err.find(written_line);
    ASSERT_NE(at, std::string::npos);
    std::string refused_err = good.err;
    refused_err.replace(at, written_line.size(), "Error writing " + image_name + ".\n");
    const std::string header =
        expected_header_report(1, 44100, 8, 36, static_cast<uint32_t>(wav.size() - 44));

    {
        ScopedTempDir dir;
        ASSERT_TRUE(write_file(dir.file(image_name), wav));
        const ProcessResult r = run_process(vorlane_binary(), {"-i", image_name}, dir.path());
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_EQ(r.err, refused_err);
        EXPECT_EQ(r.out, header + "0 file(s) created.\n");
        EXPECT_EQ(read_file(dir.file(image_name)), wav) << "the recording must survive";
    }
    {
        ScopedTempDir dir;
        ASSERT_TRUE(write_file(dir.file("in.wav"), wav));
        const ProcessResult r =
            run_process(vorlane_binary(), {"-o", image_name, "-i", "in.wav"}, dir.path());
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_EQ(r.err, refused_err);
        EXPECT_EQ(read_file(dir.file(image_name)).size(), wav.size() - 44 + 1)
            << "the raw output keeps one byte per sample";
    }
}

TEST(ImageWriter, RawOutputWriteFailureComesAfterTheSummary) {
    const std::string image = htp_image("RAW", 0x100, "data");
    const std::string wav = tape_wav(image, TapeSignalOptions{});
    ScopedTempDir clean;
    ASSERT_TRUE(write_file(clean.file("in.wav"), wav));
    const ProcessResult good = run_process(vorlane_binary(), {"-i", "in.wav"}, clean.path());
    ASSERT_EQ(good.exit_code, 0);

    ScopedTempDir dir;
    ASSERT_TRUE(write_file(dir.file("in.wav"), wav));
    const ProcessResult r =
        run_process(vorlane_binary(), {"-o", "/dev/full", "-i", "in.wav"}, dir.path());
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, good.err + "Error writing /dev/full.\n");
    const std::string header =
        expected_header_report(1, 44100, 8, 36, static_cast<uint32_t>(wav.size() - 44));
    EXPECT_EQ(r.out, header + "Finished writing output file(s). 1 file(s) created.\n");
    const std::vector<std::string> files = list_dir(dir.path());
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(read_file(dir.file(files[0])), image);
}

}  // namespace
