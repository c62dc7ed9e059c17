// The run fed the file's bytes in pieces by its caller (the page's way of
// reading a dropped file) gives exactly what the program gives reading the
// file itself: console, exit code and every file, for both decoders, the
// options around them, and the runs that end before any decoding.
#include "cli/fed_run.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "end_to_end.h"
#include "synth.h"
#include "wav/input_stream.h"

namespace {

struct FedRow {
    const char* name;
    const char* options;  ///< before -i in.wav
    int bits, channels;
    size_t piece;        ///< bytes per feed
    size_t least_files;  ///< what the program must write for the row to mean something
    bool not_wav = false;
};

/// The run in this process, the file handed over `piece` bytes at a time.
InProcessRun fed(const FedRow& row, const std::string& wav, int* code) {
    std::vector<std::string> args = words(std::string("vorlane ") + row.options + " -i in.wav");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return run_in_scratch_dir(wav, [&] {
        errno = ERANGE;  // as an earlier run in the page's process may leave it
        FedRun* run = fed_run_open(static_cast<int>(args.size()), argv.data(), code);
        if (run == nullptr) return;
        const auto* bytes = reinterpret_cast<const uint8_t*>(wav.data());
        for (size_t at = fed_run_offset(run); at < wav.size(); at += row.piece)
            fed_run_feed(run, bytes + at, std::min(row.piece, wav.size() - at));
        *code = fed_run_close(run);
    });
}

// 24-bit stereo frames are 6 bytes: pieces of 4097 bytes cut them.
const FedRow kRows[] = {
    {"Default8Bit", "", 8, 1, 3 << 20, 2},
    {"Verbose24BitStereoOddPieces", "-v", 24, 2, 4097, 2},
    {"EdgeModeGain", "-m -g 3", 16, 1, 65536, 2},
    {"RawOutputAndRecordChannel2", "-o raw.bin --report run.json --channel 2", 16, 2, 100000, 4},
    {"Recover16BitStereo", "--recover -f", 16, 2, 1 << 20, 2},
    {"RecoverJoinChannel", "--recover --join --channel 2", 16, 2, 4097, 1},
    {"RecoverOneByte", "--recover", 8, 1, 1, 2},
    {"AnalyzeReadsItself", "--analyze", 16, 1, 4097, 0},
    {"TakeReadsItself", "--recover --take in.wav", 16, 1, 4097, 2},
    {"MissingChannel", "--channel 3", 16, 2, 4097, 0},
    {"NotWav", "-v", 8, 1, 4097, 0, true},
};

class FedRuns : public testing::TestWithParam<FedRow> {};

TEST_P(FedRuns, SameAsTheProgram) {
    const FedRow& row = GetParam();
    SynthSettings s;
    s.bits_per_sample = row.bits, s.channels = row.channels, s.silence_between_s = 1;
    ScopedTempDir dir;
    ASSERT_EQ(synthesize(dir.file("t.wav"), s,
                         {htp_image("FIRST", 0x4000, std::string(3000, 'a')),
                          htp_image("SECOND", 0x8000, "\x01\x80\xFF\x7E")}),
              "");
    std::string wav = read_file(dir.file("t.wav"));
    if (row.not_wav) wav[0] = 'X';
    ASSERT_GT(wav.size(), 2 * kInputChunkBytes) << "the data must span several reads";
    // The program reading the file beside the synthesizer's, and every file it wrote.
    const ProcessResult p = run_on_wav(dir, wav, row.options);
    InProcessRun program{p.out, p.err, {}};
    for (const std::string& name : list_dir(dir.path()))
        if (name != "in.wav" && name != "t.wav")
            program.files.push_back({name, read_file(dir.file(name))});
    int got_code = -2;
    const InProcessRun fed_run = fed(row, wav, &got_code);
    EXPECT_EQ(got_code, p.exit_code);
    EXPECT_EQ(fed_run.out, program.out);
    EXPECT_EQ(fed_run.err, program.err);
    EXPECT_EQ(fed_run.files, program.files);
    // Worth comparing only when the runs do what their rows are about.
    EXPECT_GE(program.files.size(), row.least_files) << program.err;
}

INSTANTIATE_TEST_SUITE_P(Runs, FedRuns, testing::ValuesIn(kRows), row_name<FedRow>);

}  // namespace
