// Sample data fed to either decoder in pieces of any size, cut inside frames
// too, gives exactly the console lines, count and images vorlane gives for
// the file, over recordings longer than one read of the input buffer; and a
// block followed by silence is written while the silence plays.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "decoder/decode_loop.h"
#include "decoder/pipeline.h"
#include "end_to_end.h"
#include "recover/recover_entry.h"
#include "sink/block_sink.h"
#include "synth.h"
#include "wav/header_reader.h"

namespace {

struct FeedRow {
    const char* name;
    bool recover;
    const char* synth;  ///< vorlane-synth's options for the recording
    bool verbose;       ///< -v (else -m with the default decoder)
    size_t piece;       ///< bytes per feed; 0: the whole data at once
};

/// Hands the sample data to the chosen decoder `row.piece` bytes at a time.
/// `after(bytes fed so far)` runs after each piece.
void feed_pieces(const FeedRow& row, const WavHeader& header, uint64_t start,
                 const std::string& data, BlockSink* sink,
                 const std::function<void(size_t)>& after = {}) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    const size_t piece = row.piece == 0 ? data.size() : row.piece;
    ConverterSettings s;
    s.verbose = row.verbose, s.edge_mode = !row.verbose;
    auto recover = std::make_unique_for_overwrite<RecoverState>();
    auto decoder = std::make_unique_for_overwrite<DecoderState>();
    if (row.recover) {
        recover_begin(recover.get(), recover_input(header, start, 0, sink));
    } else {
        ASSERT_EQ(decoder_begin(decoder.get(), header, start, s, sink, nullptr),
                  DecodeStatus::kFinished);
    }
    for (size_t at = 0; at < data.size(); at += piece) {
        const size_t n = std::min(piece, data.size() - at);
        row.recover ? recover_feed(recover.get(), bytes + at, n)
                    : decoder_feed(decoder.get(), bytes + at, n);
        if (after) after(at + n);
    }
    row.recover ? recover_end(recover.get()) : decoder_end(decoder.get());
}

/// The header read as the run reads it, then the rest of the file fed in pieces.
InProcessRun fed_in_pieces(const FeedRow& row, const std::string& wav) {
    return run_in_scratch_dir(wav, [&] {
        auto stream = std::make_unique_for_overwrite<InputStream>();
        FILE* input = std::fopen("in.wav", "rb");
        input_open(stream.get(), input);
        WavHeader header;
        EXPECT_EQ(read_header(stream.get(), 0, &header), HeaderStatus::kOk);
        const uint64_t start = input_position(stream.get());
        BlockSink sink;
        sink_start(&sink, false);
        image_store_protect(&sink.images, input);
        feed_pieces(row, header, start, wav.substr(start), &sink);
        sink_finish(&sink);
        std::fclose(input);
    });
}

// 24-bit stereo frames are 6 bytes: pieces of 1, 5 and 4097 bytes cut them.
// Fades and hum: the recovering decoder's levels go stale and are reset.
constexpr const char* kFaded = "-b 24 -c 2 -n 20 --dropouts 6 --dropout-ms 60 --hum 12 -W 2";

const FeedRow kRows[] = {
    {"Default8BitOneByte", false, "", true, 1},
    {"Default24BitStereoOneByte", false, "-b 24 -c 2", true, 1},
    {"Default24BitStereoFiveBytes", false, "-b 24 -c 2", true, 5},
    {"Default16BitEdgeModeSevenBytes", false, "-b 16 -n 30", false, 7},
    {"Default24BitStereoWhole", false, "-b 24 -c 2", true, 0},
    {"Recover24BitStereoOneByte", true, kFaded, false, 1},
    {"Recover24BitStereoFiveBytes", true, kFaded, false, 5},
    {"Recover24BitStereo4097Bytes", true, kFaded, false, 4097},
    {"Recover16BitWhole", true, "-b 16 -n 20 --dropouts 6 --dropout-ms 60 --hum 12 -W 2", false, 0},
};

class FeedPieces : public testing::TestWithParam<FeedRow> {};

TEST_P(FeedPieces, SameAsTheFile) {
    const FeedRow& row = GetParam();
    const std::string wav = synthesized(std::string("-P 1.5 ") + row.synth,
                                        {htp_image("FIRST", 0x4000, std::string(800, 'a')),
                                         htp_image("SECOND", 0x8000, "\x01\x80\xFF\x7E")});
    ASSERT_GT(wav.size(), kInputChunkBytes + 44) << "the data must span more than one read";
    ScopedTempDir dir;
    const ProcessResult p =
        run_on_wav(dir, wav, row.recover ? "--recover" : (row.verbose ? "-v" : "-m"));
    EXPECT_EQ(p.exit_code, 0);
    const InProcessRun file{p.out, p.err, htp_images(dir.path())};
    // Worth comparing only when blocks are found (the damage costs one).
    ASSERT_EQ(file.files.size(), row.recover ? 1u : 2u) << file.err;
    const InProcessRun fed = fed_in_pieces(row, wav);
    EXPECT_EQ(fed.out, file.out);
    EXPECT_EQ(fed.err, file.err);
    EXPECT_EQ(fed.files, file.files);
}

INSTANTIATE_TEST_SUITE_P(Decoders, FeedPieces, testing::ValuesIn(kRows), row_name<FeedRow>);

/// Where the first block's signal ends and the second's begins, in samples
/// of a clean 16-bit mono recording: around the first run of zeros of a second.
std::pair<size_t, size_t> first_gap(const std::string& data, size_t rate) {
    const auto* x = reinterpret_cast<const int16_t*>(data.data());
    const size_t n = data.size() / 2;
    size_t i = 0;
    while (i < n && x[i] == 0) ++i;
    for (size_t zeros = 0; i < n; ++i) {
        zeros = x[i] == 0 ? zeros + 1 : 0;
        if (zeros == rate) break;
    }
    const size_t end = i + 1 - rate;
    while (i < n && x[i] == 0) ++i;
    return {end, i};
}

class FeedPrompt : public testing::TestWithParam<FeedRow> {};

// A live input must show a block before the next one plays: its image is
// written within half a second of the silence after it.
TEST_P(FeedPrompt, ImageWhileTheSilenceAfterItPlays) {
    const FeedRow& row = GetParam();
    const SynthSettings s = synth_settings("-b 16 -P 2");
    const std::string wav = synthesized(
        "-b 16 -P 2", {htp_image("FIRST", 0x4000, "abc"), htp_image("SECOND", 0x8000, "d")});
    ASSERT_EQ(wav.substr(36, 4), "data");
    const std::string data = wav.substr(44);
    const auto [end, next] = first_gap(data, s.sample_rate);
    ASSERT_GT(next, end + s.sample_rate) << "the recording must hold the gap";
    WavHeader header;
    header.sample_rate = s.sample_rate, header.channels = 1, header.bits_per_sample = 16;
    header.frame = {.format = SampleFormat::kSigned16, .sample_bytes = 2, .frame_bytes = 2};
    BlockSink sink;
    size_t written_at = 0;
    const InProcessRun run = run_in_scratch_dir("", [&] {
        sink_start(&sink, false);
        feed_pieces(row, header, 44, data, &sink, [&](size_t fed) {
            if (written_at == 0 && sink.images.files_written > 0) written_at = fed / 2;
        });
        sink_finish(&sink);
    });
    EXPECT_GT(written_at, end) << run.out;
    EXPECT_LT(written_at, end + s.sample_rate / 2) << run.out;
    EXPECT_EQ(sink.images.files_written, 2u) << run.out;
}

const FeedRow kPromptRows[] = {
    {"Default", false, "", true, 2048},
    {"Recover", true, "", false, 2048},
};

INSTANTIATE_TEST_SUITE_P(Decoders, FeedPrompt, testing::ValuesIn(kPromptRows), row_name<FeedRow>);

}  // namespace
