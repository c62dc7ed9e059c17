// Sample data handed to the decoders in pieces of any size, cut inside frames
// too, decodes to exactly what vorlane gives for the file: the same console
// lines, the same count and the same images, for the default decoder and for
// --recover. The recordings are long enough to span several reads of the
// input buffer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "decoder/decode_loop.h"
#include "decoder/pipeline.h"
#include "process_runner.h"
#include "recover/recover_entry.h"
#include "sink/block_sink.h"
#include "synth.h"
#include "tape_signal.h"
#include "wav/header_reader.h"

namespace {

struct FeedRow {
    const char* name;
    bool recover;
    int bits, channels;
    double snr_db;   ///< noise below the signal; 0: none
    bool verbose;    ///< -v
    bool edge_mode;  ///< -m
    size_t piece;    ///< bytes per feed; 0: the whole data at once
};

struct Outcome {
    std::string out, err;
    std::vector<std::pair<std::string, std::string>> files;
};

std::vector<std::string> options(const FeedRow& row) {
    std::vector<std::string> args;
    if (row.recover) args.push_back("--recover");
    if (row.verbose) args.push_back("-v");
    if (row.edge_mode) args.push_back("-m");
    return args;
}

void collect_files(const ScopedTempDir& dir, Outcome* o) {
    for (const std::string& name : list_dir(dir.path()))
        if (name != "in.wav") o->files.emplace_back(name, read_file(dir.file(name)));
}

/// Hands `data` to the chosen decoder `piece` bytes at a time.
void feed_pieces(const FeedRow& row, const WavHeader& header, uint64_t data_start,
                 const std::string& data, BlockSink* sink) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    const size_t piece = row.piece == 0 ? data.size() : row.piece;
    if (row.recover) {
        auto st = std::make_unique_for_overwrite<RecoverState>();
        recover_begin(st.get(), recover_input(header, data_start, 0, sink));
        for (size_t at = 0; at < data.size(); at += piece)
            recover_feed(st.get(), bytes + at, std::min(piece, data.size() - at));
        recover_end(st.get());
        return;
    }
    ConverterSettings s;
    s.verbose = row.verbose, s.edge_mode = row.edge_mode;
    auto st = std::make_unique_for_overwrite<DecoderState>();
    ASSERT_EQ(decoder_begin(st.get(), header, data_start, s, sink, nullptr),
              DecodeStatus::kFinished);
    for (size_t at = 0; at < data.size(); at += piece)
        decoder_feed(st.get(), bytes + at, std::min(piece, data.size() - at));
    decoder_end(st.get());
}

/// The header read as the run reads it, then the rest of the file fed in pieces.
Outcome fed_in_pieces(const FeedRow& row, const std::string& wav) {
    ScopedTempDir dir;
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_TRUE(write_file(dir.file("in.wav"), wav));
    EXPECT_EQ(chdir(dir.path().c_str()), 0);
    auto stream = std::make_unique_for_overwrite<InputStream>();
    FILE* input = std::fopen("in.wav", "rb");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    input_open(stream.get(), input);
    WavHeader header;
    if (read_header(stream.get(), 0, &header) == HeaderStatus::kOk) {
        const uint64_t data_start = input_position(stream.get());
        BlockSink sink;
        sink_start(&sink, false);
        image_store_protect(&sink.images, input);
        feed_pieces(row, header, data_start, wav.substr(data_start), &sink);
        sink_finish(&sink);
    }
    std::fclose(input);
    Outcome o;
    o.out = testing::internal::GetCapturedStdout();
    o.err = testing::internal::GetCapturedStderr();
    collect_files(dir, &o);
    EXPECT_EQ(chdir(cwd.c_str()), 0);
    return o;
}

Outcome run_on_file(const FeedRow& row, const std::string& wav) {
    ScopedTempDir dir;
    EXPECT_TRUE(write_file(dir.file("in.wav"), wav));
    std::vector<std::string> args = options(row);
    args.insert(args.end(), {"-i", "in.wav"});
    const ProcessResult p = run_process(vorlane_binary(), args, dir.path());
    EXPECT_EQ(p.exit_code, 0);
    Outcome o{p.out, p.err, {}};
    collect_files(dir, &o);
    return o;
}

// 24-bit stereo frames are 6 bytes: pieces of 1, 5 and 4097 bytes cut them.
const FeedRow kRows[] = {
    {"Default8BitOneByte", false, 8, 1, 0, false, false, 1},
    {"Default24BitStereoOneByteVerbose", false, 24, 2, 0, true, false, 1},
    {"Default24BitStereoFiveBytes", false, 24, 2, 0, true, false, 5},
    {"Default16BitEdgeModeSevenBytes", false, 16, 1, 30, false, true, 7},
    {"Default24BitStereoWhole", false, 24, 2, 0, true, false, 0},
    {"Recover24BitStereoOneByte", true, 24, 2, 20, false, false, 1},
    {"Recover24BitStereoFiveBytes", true, 24, 2, 20, false, false, 5},
    {"Recover24BitStereo4097Bytes", true, 24, 2, 20, false, false, 4097},
    {"Recover16BitWhole", true, 16, 1, 20, false, false, 0},
};

class FeedPieces : public testing::TestWithParam<FeedRow> {};

TEST_P(FeedPieces, SameAsTheFile) {
    const FeedRow& row = GetParam();
    SynthSettings s;
    s.bits_per_sample = row.bits, s.channels = row.channels, s.noise_snr_db = row.snr_db;
    s.silence_between_s = 1.5;
    // Fades and hum: the recovering decoder's levels go stale and are reset.
    if (row.recover) s.dropouts = 6, s.dropout_ms = 60, s.hum_db = 12, s.wow_percent = 2;
    ScopedTempDir dir;
    ASSERT_EQ(synthesize(dir.file("t.wav"), s,
                         {htp_image("FIRST", 0x4000, std::string(800, 'a')),
                          htp_image("SECOND", 0x8000, "\x01\x80\xFF\x7E")}),
              "");
    const std::string wav = read_file(dir.file("t.wav"));
    ASSERT_GT(wav.size(), kInputChunkBytes + 44) << "the data must span more than one read";
    const Outcome file = run_on_file(row, wav);
    // Worth comparing only when blocks are found (the damage costs one).
    ASSERT_EQ(file.files.size(), row.recover ? 1u : 2u) << file.err;
    const Outcome fed = fed_in_pieces(row, wav);
    EXPECT_EQ(fed.out, file.out);
    EXPECT_EQ(fed.err, file.err);
    EXPECT_EQ(fed.files, file.files);
}

INSTANTIATE_TEST_SUITE_P(Decoders, FeedPieces, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<FeedRow>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
