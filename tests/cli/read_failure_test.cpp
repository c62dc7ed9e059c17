// A recording whose reading fails part way, as a dying disk or a dropped
// network share does: the run keeps what it decoded, says so after its summary
// and ends with exit code 1 (the converter runs in this process, and fopen
// hands it a stream that fails after a chosen number of bytes).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/run_sequence.h"
#include "end_to_end.h"

namespace {

constexpr const char* kFailingPath = "failing.wav";

/// The recording, and where reads start failing with EIO short of its end.
struct {
    std::string bytes;
    size_t readable = 0, at = 0;
} g_input;

ssize_t read_until_failure(void*, char* buffer, size_t size) {
    if (g_input.at >= g_input.bytes.size()) return 0;
    if (g_input.at >= g_input.readable) {
        errno = EIO;
        return -1;
    }
    const size_t n = std::min(size, g_input.readable - g_input.at);
    std::memcpy(buffer, g_input.bytes.data() + g_input.at, n);
    g_input.at += n;
    return static_cast<ssize_t>(n);
}

}  // namespace

extern "C" FILE* fopen(const char* path, const char* mode) {
    using Fopen = FILE* (*)(const char*, const char*);
    static const auto real = reinterpret_cast<Fopen>(dlsym(RTLD_NEXT, "fopen"));
    if (std::strcmp(path, kFailingPath) != 0) return real(path, mode);
    g_input.at = 0;
    return fopencookie(nullptr, mode, {read_until_failure, nullptr, nullptr, nullptr});
}

namespace {

TEST(ReadFailure, ReportedAfterTheSummaryWithWhatWasDecoded) {
    const std::string one = htp_image("ONE", 0x0100, "first");
    const std::string one_payload = tape_payload(one, TapeSignalOptions{});
    g_input.bytes = make_wav(WavFixture{}, one_payload + std::string(100000, '\x80'));
    const std::string report = expected_header_report(1, 44100, 8, 36, g_input.bytes.size() - 44);
    const std::string file = start_time(Placement{}, "ONE") + "_ONE.htp";
    const std::string block =
        good_block_lines(Placement{}, "ONE", 0x0100, "first") + "  File written: " + file + "\n\n";
    const std::string failed = "Error reading the input file.\n";
    const std::string recovered = good_block_lines(Placement{44, 1, 0, 2}, "ONE", 0x0100, "first") +
                                  "  File written: " + file + "\n\n";
    const struct {
        std::string option;
        size_t readable;
        int exit_code;
        std::string out, err;
    } cases[] = {
        {"", g_input.bytes.size(), 0, report + summary(1), block},
        {"", 44 + one_payload.size(), 1, report + summary(1), block + failed},
        {"--recover", 44 + one_payload.size(), 1, report + summary(1), recovered + failed},
        {"", 44 + 1000, 1, report + summary(0), failed},
        {"", 20, 5, "", "This is not a valid WAV file. Exiting...\nSample rate of 0 Hz.\n"},
    };
    for (const auto& c : cases) {
        g_input.readable = c.readable;
        std::vector<std::string> args = words("vorlane " + c.option + " -i " + kFailingPath);
        std::vector<char*> argv;
        for (std::string& w : args) argv.push_back(w.data());
        int code = -1;
        const InProcessRun r =
            run_in_scratch_dir("", [&] { code = run(static_cast<int>(argv.size()), argv.data()); });
        EXPECT_EQ(code, c.exit_code) << c.option << c.readable;
        EXPECT_EQ(r.out, c.out) << c.option << c.readable;
        EXPECT_EQ(r.err, c.err) << c.option << c.readable;
        const bool written = c.out.find("1 file") != std::string::npos;
        EXPECT_EQ(r.files, (written ? decltype(r.files){{file, one}} : decltype(r.files){}));
    }
}

}  // namespace
