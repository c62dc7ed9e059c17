// The fast decode paths (range scans, loops specialised per option set,
// quotient tables) against the plain per-sample loop, the reference: same
// console output, same images, same raw signal, for every option combination.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "decoder/decode_loop.h"
#include "decoder/pipeline.h"
#include "end_to_end.h"
#include "settings.h"
#include "wav/header_reader.h"

namespace {

struct Outcome {
    DecodeStatus status = DecodeStatus::kFinished;
    InProcessRun run;
};

/// Decodes `wav` in-process in a fresh directory along `path`.
Outcome decode_in_dir(const std::string& wav, const ConverterSettings& settings, bool raw,
                      DecodePath path) {
    Outcome o;
    o.run = run_in_scratch_dir(wav, [&] {
        auto stream = std::make_unique<InputStream>();
        auto state = std::make_unique<DecoderState>();
        auto raw_output = std::make_unique<RawOutput>();
        WavHeader header;
        FILE* input = std::fopen("in.wav", "rb");
        if (raw) raw_output_open(raw_output.get(), "raw.bin", input);
        input_open(stream.get(), input);
        if (read_header(stream.get(), 0, &header) == HeaderStatus::kOk) {
            BlockSink sink;
            sink_start(&sink, settings.join);
            o.status =
                decode(state.get(), stream.get(), header, settings, &sink, raw_output.get(), path);
            if (o.status == DecodeStatus::kFinished) sink_finish(&sink);
        }
        EXPECT_TRUE(raw_output_close(raw_output.get()));
        std::fclose(input);
    });
    return o;
}

/// How vorlane-synth plays the tape (its options), and the options that read
/// it back. Noise at 30 dB straddles the comparator's levels around the
/// baseline; at 96 kHz the filter's long window outgrows its quotient table.
struct RecordingRow {
    const char* name;
    const char* synth;
    bool edge_mode, filter, every_mode;  ///< read back with -m, with -f -t 90; with every option
    int channel = 1;                     ///< the channel decoded
};

// clang-format off
const RecordingRow kRows[] = {
    {"8-bit pulses", "", false, false, true},
    {"16-bit inverted pulses", "-b 16 -r", true, false, true},
    {"16-bit stereo square", "-b 16 -w square -c 2", false, false, true},
    {"24-bit stereo, the right channel", "-b 24 -c 2 -C 2 -n 30", false, true, false, 2},
    {"8-bit 48 kHz noisy", "-s 48000 -n 30", true, false, true},
    {"8-bit 96 kHz", "-s 96000", false, false, true},
    {"16-bit noisy", "-b 16 -n 30", false, true, true},
    {"24-bit noisy", "-b 24 -n 30", false, true, false},
    {"32-bit noisy", "-b 32 -n 30", false, true, false},
    {"float noisy", "-F -n 30", false, true, false},
    {"double noisy", "-F -b 64 -n 30", false, true, false},
    {"A-law noisy", "--alaw -n 30", false, true, false},
    {"mu-law noisy", "--mulaw -n 30", false, true, false},
};
// clang-format on

class DecodePaths : public testing::TestWithParam<RecordingRow> {};

TEST_P(DecodePaths, FastPathsMatchThePerSampleLoop) {
    const RecordingRow& row = GetParam();
    // Short leaders keep the recording short; the decoder needs only a few bits of one.
    const std::string wav = synthesized(std::string("-B 0.05 -P 0.05 -E 0.05 ") + row.synth,
                                        {htp_image("FIRST", 0x4000, std::string(40, 'a'), 32),
                                         htp_image("SECOND", 0x8000, "\x01\x80\xFF\x7E", 32)});
    // The comparison is only worth something if the blocks are found.
    ConverterSettings reads;
    reads.edge_mode = row.edge_mode, reads.filter = row.filter, reads.channel = row.channel;
    reads.threshold = row.filter ? 90 : 32;
    const Outcome found = decode_in_dir(wav, reads, false, DecodePath::kPerSample);
    ASSERT_EQ(found.run.files.size(), 2u) << found.run.err;
    for (int combo = 0; combo < 64; ++combo) {
        if (!row.every_mode && (combo & 18)) continue;
        ConverterSettings o;
        o.filter = combo & 1, o.edge_mode = combo & 2;
        o.inverted = combo & 4, o.verbose = combo & 8, o.channel = row.channel;
        if (combo & 16) o.gain_db = 6, o.threshold = 5;
        const bool raw = combo & 32;
        const Outcome plain = decode_in_dir(wav, o, raw, DecodePath::kPerSample);
        const Outcome fast = decode_in_dir(wav, o, raw, DecodePath::kFastest);
        const std::string label = "options " + std::to_string(combo) + (raw ? " -o" : "");
        EXPECT_EQ(fast.status, plain.status) << label;
        EXPECT_EQ(fast.run.out, plain.run.out) << label;
        EXPECT_EQ(fast.run.err, plain.run.err) << label;
        EXPECT_EQ(fast.run.files, plain.run.files) << label;
    }
}

INSTANTIATE_TEST_SUITE_P(Recordings, DecodePaths, testing::ValuesIn(kRows), row_name<RecordingRow>);

}  // namespace
