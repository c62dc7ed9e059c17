// The input read through a buffer of our own: every byte comes back at the
// offset the stream reports, wherever reads, looks and moves fall against the
// buffer's window; and the header's "data" tag across a window's end.
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

constexpr uint64_t kWindow = kInputChunkBytes, kFileBytes = 2 * kWindow + 1000;

/// The file's bytes from `offset`: no two windows hold the same ones.
std::string file_bytes(uint64_t offset, uint64_t count) {
    std::string s;
    for (uint64_t i = offset; i < std::min(offset + count, kFileBytes); ++i)
        s += static_cast<char>((i * 0x9E3779B97F4A7C15u) >> 56);
    return s;
}

/// 'r': read `count` bytes on; 'p': look at `count` bytes from `offset`; 's': move to `offset`.
struct Step {
    char kind;
    uint64_t offset, count;
};

struct StreamRow {
    const char* name;
    std::vector<Step> steps;
};

const StreamRow kStreamRows[] = {
    {"reads through every window", {{'r', 0, kFileBytes}}},
    {"looks behind the window", {{'r', 0, kWindow + 10}, {'p', 5, 100}, {'p', kWindow - 50, 99}}},
    {"looks past the window and the end",
     {{'r', 0, 10}, {'p', kWindow + 5000, 64}, {'p', kFileBytes - 10, 64}, {'p', kFileBytes, 4}}},
    {"moves behind the window", {{'r', 0, kWindow + 100}, {'s', 10, 0}, {'r', 0, kWindow}}},
    {"moves past the window", {{'r', 0, 10}, {'s', 2 * kWindow, 0}, {'r', 0, 500}}},
    {"moves within the window", {{'r', 0, 1000}, {'s', 20, 0}, {'s', kWindow, 0}, {'r', 0, 9}}},
};

class InputStreamWindow : public testing::TestWithParam<StreamRow> {};

TEST_P(InputStreamWindow, EveryByteWhereTheStreamSays) {
    ScopedTempDir dir;
    ASSERT_TRUE(write_file(dir.file("in.bin"), file_bytes(0, kFileBytes)));
    FILE* file = std::fopen(dir.file("in.bin").c_str(), "rb");
    auto in = std::make_unique<InputStream>();
    input_open(in.get(), file);
    uint64_t at = 0;  // where the stream must be
    for (const Step& step : GetParam().steps) {
        std::string out(step.count, '\0');
        for (uint64_t left = step.kind == 'r' ? step.count : 0; left > 0;) {
            const size_t n = input_require(in.get(), std::min<uint64_t>(left, 4096));
            ASSERT_GT(n, 0u) << "at " << at;
            ASSERT_EQ(std::string(reinterpret_cast<char*>(in->bytes + in->pos), n),
                      file_bytes(at, n))
                << "at " << at;
            in->pos += n, at += n, left -= n;
        }
        if (step.kind == 'p') {
            out.resize(input_peek_at(in.get(), step.offset, reinterpret_cast<uint8_t*>(out.data()),
                                     step.count));
            EXPECT_EQ(out, file_bytes(step.offset, step.count)) << "look at " << step.offset;
        }
        ASSERT_TRUE(step.kind != 's' || input_seek(in.get(), at = step.offset));
        ASSERT_EQ(input_position(in.get()), at);
    }
    EXPECT_EQ(input_reachable_size(in.get()), kFileBytes);
    std::fclose(file);
}
INSTANTIATE_TEST_SUITE_P(, InputStreamWindow, testing::ValuesIn(kStreamRows), row_name<StreamRow>);

/// The scan for "data" keeps the three bytes a tag may still begin with when
/// it refills, so the second window ends three bytes short of twice its size.
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
RUN_CASE_TABLE(DataTagAcrossWindows, Found, tag_cases());

}  // namespace
