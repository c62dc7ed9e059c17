// Recordings built to break the header reader: headers cut short or with
// impossible fields, formats and rates at their limits, the "data" tag across
// the input window's end; containers as audio tools write them (chunks, pad
// bytes, RF64, a tape past the first window); every refused format's reason.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "end_to_end.h"
#include "wav/input_stream.h"

namespace {

const std::string kNotValid = "This is not a valid WAV file. Exiting...\n";
const std::string kNoData = "Wave data chunk not found. Exiting...\n";
const std::string kRateZero = kNotValid + "Sample rate of 0 Hz.\n";

const std::string kSilence(100, '\x80');

std::string chunk(const std::string& id, const std::string& body) {
    return id + le32(static_cast<uint32_t>(body.size())) + body +
           std::string(body.size() % 2, '\0');
}

std::string fmt_body(uint16_t tag, uint16_t bits, uint16_t align = 1) {
    return le16(tag) + le16(1) + le32(44100) + le32(44100 * align) + le16(align) + le16(bits);
}

std::string riff(const std::string& chunks, const char* tag = "RIFF") {
    return tag + le32(static_cast<uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

/// What a silent 8-bit mono recording prints with its data tag at `tag`.
std::string report(uint64_t tag, const std::string& length = "100", unsigned bits = 8) {
    return expected_header_report(1, 44100, bits, tag, -1) +
           "\nWave data chunk found at offset: " + std::to_string(tag + 4) +
           ".\nWave data length: " + length + " bytes\n" + summary(0);
}

std::string refused(unsigned bits, unsigned tag) {
    return kNotValid + "Unsupported sample format: " + std::to_string(bits) +
           " bits per sample (format tag " + std::to_string(tag) + ").\n";
}

std::string extensible(const std::string& guid_tag, uint16_t align) {
    const std::string guid =
        guid_tag + std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    return chunk("fmt ", fmt_body(0xFFFE, 16, align) + le16(22) + le16(16) + le32(4) + guid);
}

std::vector<RunCase> container_cases() {
    const std::string fmt = chunk("fmt ", fmt_body(1, 8));
    const std::string data = chunk("data", kSilence);
    const std::string ds64 =
        chunk("ds64", std::string(8, '\0') + le32(705032704) + le32(1) + std::string(12, '\0'));
    // clang-format off
    return {
        on_wav("JUNK before the format", riff(chunk("JUNK", std::string(28, '\0')) + fmt + data), {}, 0, report(72), ""),
        on_wav("an odd bext chunk and its pad byte after the format", riff(fmt + chunk("bext", "12345") + data), {}, 0, report(50), ""),
        on_wav("a LIST title holding \"data\"", riff(fmt + chunk("LIST", "tape data") + data), {}, 0, report(54), ""),
        on_wav("the format after the data", riff(data + fmt), {}, 0, report(12), ""),
        // With no format chunk the fields are read where the canonical header has them.
        on_wav("a mislabelled format chunk", riff(chunk("FMT ", fmt_body(1, 8)) + data), {}, 0, report(36), ""),
        // The walk stops at a size running past the end; the byte scan finds
        // the first "data" anywhere, inside that chunk, as it always did.
        on_wav("a chunk running past the end", riff(fmt + "junk" + le32(0xFFFFFF00) + "xxdata" + le32(7)), {}, 0, report(46, "7"), ""),
        on_wav("RF64 with its ds64 size", riff(ds64 + fmt + "data" + le32(0xFFFFFFFF) + kSilence, "RF64"), {}, 0, report(72, "5000000000"), ""),
        on_wav("another tag with 16 bits reads as PCM", riff(chunk("fmt ", fmt_body(2, 16, 2)) + data), {}, 0, report(36, "100", 16), ""),
        on_wav("BW64 is not RIFF", riff(fmt + data, "BW64"), {}, 5, "", kNotValid),
        on_wav("float of 16 bits", riff(chunk("fmt ", fmt_body(3, 16, 2)) + data), {}, 5, "", refused(16, 3)),
        on_wav("A-law of 16 bits", riff(chunk("fmt ", fmt_body(6, 16, 2)) + data), {}, 5, "", refused(16, 6)),
        on_wav("PCM of 12 bits", riff(chunk("fmt ", fmt_body(1, 12, 2)) + data), {}, 5, "", refused(12, 1)),
        on_wav("MP3", riff(chunk("fmt ", fmt_body(0x55, 0)) + data), {}, 5, "", refused(0, 85)),
        on_wav("extensible A-law", riff(extensible(le16(6), 2) + data), {}, 5, "", refused(16, 65534)),
        on_wav("extensible PCM of block align 0", riff(extensible(le16(1), 0) + data), {}, 5, "", refused(16, 65534)),
        on_wav("a rate of 0 wins over the format", riff(chunk("fmt ", le16(3) + le16(1) + le32(0)) + data), {}, 5, "", kNotValid + "Sample rate of 0 Hz.\n"),
    };
    // clang-format on
}

RUN_CASE_TABLE(WavContainers, Read, container_cases());

std::vector<RunCase> header_cut_cases() {
    // The size field has four different bytes, so a cut inside it shows which were read.
    const std::string whole = make_wav({.data_size = 0x04030201u}, "");
    std::vector<RunCase> cases;
    for (size_t length = 0; length <= whole.size(); ++length) {
        const std::string name = "cut at " + std::to_string(length), wav = whole.substr(0, length);
        if (length >= 40) {  // the tag is whole, the missing size bytes read as zero
            const int64_t size = 0x04030201 & ((1ll << (8 * (length - 40))) - 1);
            cases.push_back(on_wav(name, wav, {}, 0,
                                   expected_header_report(1, 44100, 8, 36, size) + summary(0), ""));
        } else if (length >= 35) {  // rate and width whole, the tag not: a dot per offset tried
            cases.push_back(on_wav(name, wav, {}, 6,
                                   expected_header_report(1, 44100, 8, length - 2, -1), kNoData));
        } else {  // missing bytes read as zero: the rate's low byte comes at 24, the width at 34
            const std::string why = length < 4     ? kNotValid
                                    : length <= 24 ? kRateZero
                                                   : refused(0, 1);
            cases.push_back(on_wav(name, wav, {}, 5, "", why));
        }
    }
    return cases;
}

RUN_CASE_TABLE(HeaderCut, AtEveryLength, header_cut_cases());

/// `bytes` bytes of silence, decoded with `options`, writing the files `made`.
RunCase silent(uint16_t channels, uint32_t rate, uint16_t bits, std::vector<std::string> options,
               size_t bytes = 1000, std::vector<std::pair<std::string, std::string>> made = {}) {
    return on_wav(
        std::to_string(channels) + "x" + std::to_string(bits) + " bits at " + std::to_string(rate) +
            (options.empty() ? "" : options[0]),
        make_wav(WavFixture{channels, rate, bits}, std::string(bytes, "\0\x80"[bits == 8])),
        options, 0, expected_header_report(channels, rate, bits, 36, bytes) + summary(0), "", made);
}

/// The good tape `image` in `channels` channels of `bits`, the header saying
/// `header_channels`, with `chunk` at byte `at`, before the data chunk.
RunCase container(int channels, int bits, uint16_t header_channels, const std::string& chunk,
                  size_t at = 36) {
    const std::string data("\x01\x02\x03", 3), image = htp_image("HI", 0x1234, data);
    const std::string payload = tape_payload(image, {.bits = bits, .channels = channels});
    std::string wav =
        make_wav(WavFixture{header_channels, 44100, static_cast<uint16_t>(bits)}, payload);
    wav.insert(at, chunk);
    wav.replace(4, 4, le32(static_cast<uint32_t>(wav.size() - 8)));
    const Placement p{44 + chunk.size(), static_cast<unsigned>(channels * bits / 8)};
    const std::string file = start_time(p, "HI") + "_HI.htp";
    return on_wav(
        std::to_string(channels) + " channels of " + std::to_string(bits) + " bits " +
            chunk.substr(0, 4) + " at " + std::to_string(at),
        wav, {}, 0,
        expected_header_report(header_channels, 44100, bits, 36 + chunk.size(), payload.size()) +
            summary(1),
        good_block_lines(p, "HI", 0x1234, data) + "  File written: " + file + "\n\n",
        {{file, image}});
}

std::vector<RunCase> hostile_cases() {
    std::string with_list = make_wav(WavFixture{}, std::string(200, '\x80'));
    with_list.insert(36, "LIST" + le32(12) + "INFOmy data");  // its text ends in "data"
    const auto edge_refused = [](uint32_t rate) {
        RunCase c = silent(1, rate, 8, {"-m"});
        c.exit_code = 2;
        c.out = expected_header_report(1, rate, 8, 36, 1000);
        c.err = "Edge detection is not available at " + std::to_string(rate) + " Hz.\n";
        return c;
    };
    // IEEE float whose every sample is 0xFFFFFFFF, a NaN; read at 1 Hz, it
    // lasts 20000 s, and the picture's time axis steps by hours.
    std::string float_nan = make_wav(WavFixture{1, 44100, 32}, std::string(80000, '\xFF'));
    float_nan[20] = 3;
    // clang-format off
    return {
        on_wav("RIFF alone", "RIFF", {}, 5, "", kRateZero),
        on_wav("not RIFF", "RIFX" + make_wav(WavFixture{}, "").substr(4), {}, 5, "", kNotValid),
        on_wav("rate 0", make_wav(WavFixture{1, 0, 8}, "\x80"), {}, 5, "", kRateZero),
        on_wav("0 bits", make_wav(WavFixture{1, 44100, 0}, ""), {}, 5, "", refused(0, 1)),
        on_wav("4 bits", make_wav(WavFixture{1, 44100, 4}, ""), {}, 5, "", refused(4, 1)),
        silent(1, 44100, 24, {}, 999), silent(1, 44100, 32, {}),
        on_wav("float NaN reads as silence", float_nan, {"--analyze", "--plot", "p.svg", "-s", "1"}, 0, expected_header_report(1, 1, 32, 36, 80000) + "\n" + test_data("analyze_nan.txt"), "", {{"p.svg", "fnv1a64:8431095505483a33 9126"}}),
        on_wav("rate 0 rescued by -s", make_wav(WavFixture{1, 0, 8}, std::string(9, '\x80')), {"-s", "8000"}, 0, expected_header_report(1, 8000, 8, 36, 9) + summary(0), ""),
        on_wav("streamed size", make_wav({.data_size = 0xFFFFFFFFu}, "\x80"), {}, 0, expected_header_report(1, 44100, 8, 36, 0xFFFFFFFFu) + summary(0), ""),
        on_wav("data inside a LIST chunk", with_list, {}, 0, expected_header_report(1, 44100, 8, 51, 0x61746164u) + summary(0), ""),
        silent(2, 44100, 16, {}, 400), silent(1, 1, 8, {}), silent(1, 4294967295u, 8, {}),
        silent(65535, 44100, 8, {}),  // less than one frame
        // More than the read buffer holds, ending in half a frame.
        silent(65535, 44100, 16, {}, kInputChunkBytes + 65535 * 2 * 3 / 2),
        // All read with the header, ending in half a frame: -o has a byte per frame and the closing read's.
        silent(1, 44100, 16, {"-o", "raw.bin"}, 7 * 2 + 1, {{"raw.bin", std::string(7 + 1, '\0')}}),
        silent(1, 8000, 8, {"-m"}), silent(1, 658552, 8, {"-m"}),  // 1000 samples fill the baseline ring
        edge_refused(1), edge_refused(658553),  // 1001 samples overflow the baseline ring
        edge_refused(4294967295u),
        container(1, 8, 0, ""),  // channel count 0 is one channel
        container(2, 8, 2, ""), container(6, 16, 6, ""),
        container(1, 16, 1, "LIST" + le32(3) + "odd"),  // 16-bit samples at an odd offset
    };
    // clang-format on
}

RUN_CASE_TABLE(HostileInput, Recordings, hostile_cases());

constexpr uint64_t kWindow = kInputChunkBytes;

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
                               expected_header_report(1, 44100, 8, tag + 1, -1), kNoData));
    }
    // The format and a tape past the first window: the chunk walk looks ahead
    // of the buffer, and the stream moves there.
    cases.push_back(container(1, 8, 1, "JUNK" + le32(kWindow) + std::string(kWindow, '\0'), 12));
    return cases;
}
RUN_CASE_TABLE(DataTagAcrossWindows, Found, tag_cases());

}  // namespace
