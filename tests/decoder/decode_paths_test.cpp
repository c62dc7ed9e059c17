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
        o.status = decode(state.get(), stream.get(), header, settings, raw_output.get(), path);
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

/// Adds a deterministic ripple to every sample so levels straddle the
/// comparator's thresholds.
std::string with_ripple(std::string payload, int bits, int amplitude) {
    uint32_t seed = 12345;
    const size_t step = bits == 16 ? 2 : 1;
    for (size_t i = 0; i + step <= payload.size(); i += step) {
        seed = seed * 1664525u + 1013904223u;
        const int r = static_cast<int>(seed >> 16) % (2 * amplitude + 1) - amplitude;
        if (bits == 16) {
            int v = static_cast<int16_t>(static_cast<uint8_t>(payload[i]) |
                                         (static_cast<uint8_t>(payload[i + 1]) << 8));
            v = std::max(-32768, std::min(32767, v + r * 256));
            payload[i] = static_cast<char>(v & 0xFF);
            payload[i + 1] = static_cast<char>((v >> 8) & 0xFF);
        } else {
            const int v = std::max(0, std::min(255, static_cast<uint8_t>(payload[i]) + r));
            payload[i] = static_cast<char>(v);
        }
    }
    return payload;
}

struct Recording {
    std::string name;
    std::string wav;
    ConverterSettings decodes_with;  ///< options under which both blocks decode
    bool every_mode = true;          ///< also compared with edge mode and gain
};

/// The tape as vorlane-synth plays it in another format, with noise around
/// the baseline that straddles the comparator's levels.
std::string noisy_recording(const std::vector<std::string>& images, int bits,
                            SampleEncoding encoding) {
    SynthSettings s;
    s.bits_per_sample = bits;
    s.encoding = encoding;
    s.noise_snr_db = 30;
    s.silence_before_s = s.silence_between_s = s.silence_after_s = 0.05;
    ScopedTempDir dir;
    EXPECT_EQ(synthesize(dir.file("t.wav"), s, images), "");
    return read_file(dir.file("t.wav"));
}

ConverterSettings edge_mode() {
    ConverterSettings s;
    s.edge_mode = true;
    return s;
}

ConverterSettings filtered_high_threshold() {
    ConverterSettings s;
    s.filter = true;
    s.threshold = 90;
    return s;
}

std::vector<Recording> recordings() {
    const std::string first = htp_image("FIRST", 0x4000, std::string(40, 'a'));
    const std::string second = htp_image("SECOND", 0x8000, "\x01\x80\xFF\x7E");
    const std::string tape = first + second;
    std::vector<Recording> r;
    TapeSignalOptions o;
    o.lead_silence = 500;
    o.trail_silence = 300;
    r.push_back({"8-bit pulses", tape_wav(tape, o), ConverterSettings{}});
    TapeSignalOptions inv = o;
    inv.bits = 16;
    inv.inverted = true;
    r.push_back({"16-bit inverted pulses", tape_wav(tape, inv), edge_mode()});
    TapeSignalOptions stereo = o;
    stereo.bits = 16;
    stereo.channels = 2;
    stereo.square = true;
    stereo.amplitude = 60;
    r.push_back({"16-bit stereo square", tape_wav(tape, stereo), ConverterSettings{}});
    TapeSignalOptions fast = o;
    fast.rate = 48000;
    fast.short_samples = 39;
    fast.long_samples = 78;
    WavFixture f48;
    f48.sample_rate = 48000;
    r.push_back({"8-bit 48 kHz with ripple",
                 make_wav(f48, with_ripple(tape_payload(tape, fast), 8, 6)), edge_mode()});
    // At 96 kHz the filtered long window outgrows its quotient table.
    TapeSignalOptions hi = o;
    hi.rate = 96000;
    hi.short_samples = 78;
    hi.long_samples = 157;
    hi.pulse_samples = 13;
    r.push_back({"8-bit 96 kHz", tape_wav(tape, hi), ConverterSettings{}});
    WavFixture f16;
    f16.bits_per_sample = 16;
    TapeSignalOptions o16 = o;
    o16.bits = 16;
    r.push_back({"16-bit with ripple", make_wav(f16, with_ripple(tape_payload(tape, o16), 16, 9)),
                 filtered_high_threshold()});
    ConverterSettings filtered;
    filtered.filter = true;
    const struct {
        int bits;
        SampleEncoding encoding;
    } kFormats[] = {{24, SampleEncoding::kPcm},   {32, SampleEncoding::kPcm},
                    {32, SampleEncoding::kFloat}, {64, SampleEncoding::kFloat},
                    {8, SampleEncoding::kAlaw},   {8, SampleEncoding::kMulaw}};
    for (const auto& f : kFormats) {
        r.push_back({"format " + std::to_string(f.bits) + "/" +
                         std::to_string(static_cast<int>(f.encoding)),
                     noisy_recording({first, second}, f.bits, f.encoding), filtered, false});
    }
    return r;
}

TEST(DecodePaths, FastPathsMatchThePerSampleLoop) {
    for (const Recording& rec : recordings()) {
        for (int combo = 0; combo < 64; ++combo) {
            if (!rec.every_mode && (combo & 18)) continue;
            ConverterSettings s;
            s.filter = combo & 1;
            s.edge_mode = combo & 2;
            s.inverted = combo & 4;
            s.verbose = combo & 8;
            if (combo & 16) {
                s.gain_db = 6;
                s.threshold = 5;
            }
            {
                const bool raw = combo & 32;
                const Outcome plain = decode_in_dir(rec.wav, s, raw, DecodePath::kPerSample);
                const Outcome fast = decode_in_dir(rec.wav, s, raw, DecodePath::kFastest);
                const std::string label =
                    rec.name + " options " + std::to_string(combo) + (raw ? " -o" : "");
                EXPECT_EQ(fast.status, plain.status) << label;
                EXPECT_EQ(fast.out, plain.out) << label;
                EXPECT_EQ(fast.err, plain.err) << label;
                EXPECT_EQ(fast.files, plain.files) << label;
            }
        }
    }
}

TEST(DecodePaths, TheRecordingsExerciseTheDecoder) {
    // The comparison above is only worth something if blocks are found.
    for (const Recording& rec : recordings()) {
        const Outcome plain =
            decode_in_dir(rec.wav, rec.decodes_with, false, DecodePath::kPerSample);
        EXPECT_EQ(plain.files.size(), 3u) << rec.name << "\n" << plain.err;
    }
}

}  // namespace
