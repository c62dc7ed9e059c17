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
#include "process_runner.h"
#include "settings.h"
#include "synth.h"
#include "tape_signal.h"
#include "wav/header_reader.h"

namespace {

struct Outcome {
    DecodeStatus status = DecodeStatus::kFinished;
    std::string out;
    std::string err;
    std::vector<std::pair<std::string, std::string>> files;
};

/// Decodes `wav` in-process in a fresh directory along `path`.
Outcome decode_in_dir(const std::string& wav, const ConverterSettings& settings, bool raw,
                      DecodePath path) {
    ScopedTempDir dir;
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_TRUE(write_file(dir.file("in.wav"), wav));
    EXPECT_EQ(chdir(dir.path().c_str()), 0);

    auto stream = std::make_unique<InputStream>();
    auto state = std::make_unique<DecoderState>();
    auto raw_output = std::make_unique<RawOutput>();
    WavHeader header;
    Outcome o;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
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
    o.out = testing::internal::GetCapturedStdout();
    o.err = testing::internal::GetCapturedStderr();
    for (const std::string& name : list_dir(dir.path()))
        o.files.emplace_back(name, read_file(dir.file(name)));
    EXPECT_EQ(chdir(cwd.c_str()), 0);
    return o;
}

/// How vorlane-synth plays the tape, and the options that read it back. Noise
/// at 30 dB straddles the comparator's levels around the baseline; at 96 kHz
/// the filter's long window outgrows its quotient table.
struct RecordingRow {
    const char* name;
    int bits;
    SampleEncoding encoding;
    Waveform waveform;
    uint32_t rate;
    int channels;
    bool inverted;
    double snr_db;
    bool edge_mode, filter, every_mode;  ///< read back with -m, with -f -t 90; with every option
};

constexpr SampleEncoding kPcm = SampleEncoding::kPcm, kFloat = SampleEncoding::kFloat;
constexpr Waveform kPulse = Waveform::kPulse;

const RecordingRow kRows[] = {
    {"8-bit pulses", 8, kPcm, kPulse, 44100, 1, false, 0, false, false, true},
    {"16-bit inverted pulses", 16, kPcm, kPulse, 44100, 1, true, 0, true, false, true},
    {"16-bit stereo square", 16, kPcm, Waveform::kSquare, 44100, 2, false, 0, false, false, true},
    {"8-bit 48 kHz noisy", 8, kPcm, kPulse, 48000, 1, false, 30, true, false, true},
    {"8-bit 96 kHz", 8, kPcm, kPulse, 96000, 1, false, 0, false, false, true},
    {"16-bit noisy", 16, kPcm, kPulse, 44100, 1, false, 30, false, true, true},
    {"24-bit noisy", 24, kPcm, kPulse, 44100, 1, false, 30, false, true, false},
    {"32-bit noisy", 32, kPcm, kPulse, 44100, 1, false, 30, false, true, false},
    {"float noisy", 32, kFloat, kPulse, 44100, 1, false, 30, false, true, false},
    {"double noisy", 64, kFloat, kPulse, 44100, 1, false, 30, false, true, false},
    {"A-law noisy", 8, SampleEncoding::kAlaw, kPulse, 44100, 1, false, 30, false, true, false},
    {"mu-law noisy", 8, SampleEncoding::kMulaw, kPulse, 44100, 1, false, 30, false, true, false},
};

class DecodePaths : public testing::TestWithParam<RecordingRow> {};

TEST_P(DecodePaths, FastPathsMatchThePerSampleLoop) {
    const RecordingRow& row = GetParam();
    SynthSettings s;
    s.silence_before_s = s.silence_between_s = s.silence_after_s = 0.05;
    s.bits_per_sample = row.bits, s.encoding = row.encoding, s.waveform = row.waveform;
    s.sample_rate = row.rate, s.channels = row.channels, s.inverted = row.inverted;
    s.noise_snr_db = row.snr_db;
    ScopedTempDir dir;
    // Short leaders keep the recording short; the decoder needs only a few bits of one.
    ASSERT_EQ(synthesize(dir.file("t.wav"), s,
                         {htp_image("FIRST", 0x4000, std::string(40, 'a'), 32),
                          htp_image("SECOND", 0x8000, "\x01\x80\xFF\x7E", 32)}),
              "");
    const std::string wav = read_file(dir.file("t.wav"));
    // The comparison is only worth something if the blocks are found.
    ConverterSettings reads;
    reads.edge_mode = row.edge_mode, reads.filter = row.filter,
    reads.threshold = row.filter ? 90 : 32;
    const Outcome found = decode_in_dir(wav, reads, false, DecodePath::kPerSample);
    ASSERT_EQ(found.files.size(), 3u) << found.err;
    for (int combo = 0; combo < 64; ++combo) {
        if (!row.every_mode && (combo & 18)) continue;
        ConverterSettings o;
        o.filter = combo & 1;
        o.edge_mode = combo & 2;
        o.inverted = combo & 4;
        o.verbose = combo & 8;
        if (combo & 16) o.gain_db = 6, o.threshold = 5;
        const bool raw = combo & 32;
        const Outcome plain = decode_in_dir(wav, o, raw, DecodePath::kPerSample);
        const Outcome fast = decode_in_dir(wav, o, raw, DecodePath::kFastest);
        const std::string label = "options " + std::to_string(combo) + (raw ? " -o" : "");
        EXPECT_EQ(fast.status, plain.status) << label;
        EXPECT_EQ(fast.out, plain.out) << label;
        EXPECT_EQ(fast.err, plain.err) << label;
        EXPECT_EQ(fast.files, plain.files) << label;
    }
}

INSTANTIATE_TEST_SUITE_P(Recordings, DecodePaths, testing::ValuesIn(kRows), row_name<RecordingRow>);

}  // namespace
