// The input read through a buffer of our own: every byte comes back at the
// offset the stream reports, wherever reads, looks and moves fall against
// the buffer's window; and the header's "data" tag across a window's end.
#include "wav/input_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "end_to_end.h"
#include "process_runner.h"
#include "tape_signal.h"

namespace {

constexpr uint64_t kWindow = kInputChunkBytes;
constexpr uint64_t kFileBytes = 2 * kWindow + 1000;

/// The file's byte at `offset`: no two windows hold the same bytes.
char byte_at(uint64_t offset) {
    return static_cast<char>((offset * 0x9E3779B97F4A7C15u) >> 56);
}

std::string expected_bytes(uint64_t offset, uint64_t count) {
    std::string s;
    for (uint64_t i = offset; i < std::min(offset + count, kFileBytes); ++i) s += byte_at(i);
    return s;
}

/// Read `count` bytes on; look at `count` bytes from `offset`; move to `offset`.
struct Step {
    enum Kind { kRead, kPeek, kSeek } kind;
    uint64_t offset, count;
};

struct StreamRow {
    const char* name;
    std::vector<Step> steps;
};

const StreamRow kStreamRows[] = {
    {"reads through every window", {{Step::kRead, 0, kFileBytes}}},
    {"looks behind the window",
     {{Step::kRead, 0, kWindow + 10}, {Step::kPeek, 5, 100}, {Step::kPeek, kWindow - 50, 100}}},
    {"looks past the window and the end",
     {{Step::kRead, 0, 10},
      {Step::kPeek, kWindow + 5000, 64},
      {Step::kPeek, kFileBytes - 10, 64},
      {Step::kPeek, kFileBytes + 5, 4}}},
    {"moves behind the window",
     {{Step::kRead, 0, kWindow + 100}, {Step::kSeek, 10, 0}, {Step::kRead, 0, kWindow}}},
    {"moves past the window",
     {{Step::kRead, 0, 10}, {Step::kSeek, 2 * kWindow, 0}, {Step::kRead, 0, 500}}},
    {"moves within the window",
     {{Step::kRead, 0, 1000},
      {Step::kSeek, 20, 0},
      {Step::kSeek, kWindow, 0},
      {Step::kRead, 0, 9}}},
};

class InputStreamWindow : public testing::TestWithParam<StreamRow> {};

TEST_P(InputStreamWindow, EveryByteWhereTheStreamSays) {
    ScopedTempDir dir;
    ASSERT_TRUE(write_file(dir.file("in.bin"), expected_bytes(0, kFileBytes)));
    FILE* file = std::fopen(dir.file("in.bin").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    auto in = std::make_unique<InputStream>();
    input_open(in.get(), file);
    uint64_t at = 0;  // where the stream must be
    for (const Step& step : GetParam().steps) {
        if (step.kind == Step::kRead) {
            for (uint64_t left = step.count; left > 0;) {
                const size_t n = input_require(in.get(), std::min<uint64_t>(left, 4096));
                ASSERT_GT(n, 0u) << "at " << at;
                ASSERT_EQ(std::string(reinterpret_cast<char*>(in->bytes + in->pos), n),
                          expected_bytes(at, n))
                    << "at " << at;
                in->pos += n, at += n, left -= n;
            }
        } else if (step.kind == Step::kPeek) {
            std::string out(step.count, '\0');
            const size_t got = input_peek_at(in.get(), step.offset,
                                             reinterpret_cast<uint8_t*>(out.data()), step.count);
            EXPECT_EQ(out.substr(0, got), expected_bytes(step.offset, step.count))
                << "look at " << step.offset;
        } else {
            ASSERT_TRUE(input_seek(in.get(), step.offset));
            at = step.offset;
        }
        ASSERT_EQ(input_position(in.get()), at);
    }
    EXPECT_EQ(input_reachable_size(in.get()), kFileBytes);
    std::fclose(file);
}

INSTANTIATE_TEST_SUITE_P(, InputStreamWindow, testing::ValuesIn(kStreamRows), row_name<StreamRow>);

/// The header's scan for "data" keeps the three bytes a tag may still begin
/// with when it refills: the second window ends three bytes short of 2 x kWindow.
std::vector<RunCase> tag_cases() {
    std::vector<RunCase> cases;
    for (uint64_t tag : {kWindow - 3, kWindow - 1, kWindow, 2 * kWindow - 5}) {
        std::string file = make_wav(WavFixture{}, "");
        file.replace(36, 4, "dat_");
        file.resize(tag, 'a');
        file += "data" + le32(2) + "\x80\x80";
        const std::string at = " at " + std::to_string(tag);
        cases.push_back(on_wav("tag" + at, file, {}, 0,
                               expected_header_report(1, 44100, 8, tag, 2) + summary(0), ""));
        file.resize(tag + 4);  // the tag ends the file: no size field
        cases.push_back(on_wav("tag ending the file" + at, file, {}, 0,
                               expected_header_report(1, 44100, 8, tag, 0) + summary(0), ""));
        file.resize(tag + 3);  // one byte short of a tag
        cases.push_back(on_wav("tag cut" + at, file, {}, 6,
                               expected_header_report(1, 44100, 8, tag + 1, -1),
                               "Wave data chunk not found. Exiting...\n"));
    }
    return cases;
}

class DataTagAcrossWindows : public RunCaseTest {};
TEST_P(DataTagAcrossWindows, Found) {
    check_run(GetParam());
}
INSTANTIATE_TEST_SUITE_P(, DataTagAcrossWindows, testing::ValuesIn(tag_cases()), row_name<RunCase>);

}  // namespace
