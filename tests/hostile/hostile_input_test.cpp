// Recordings built to break the converter: headers cut short or with
// impossible fields, data tags across the reader's buffer, names chosen by the
// tape, recordings that stop inside a block, unusual containers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "end_to_end.h"
#include "tape_signal.h"
#include "wav_fixture.h"

namespace {

const std::string kNotValid = "This is not a valid WAV file. Exiting...\n";
const std::string kNoData = "Wave data chunk not found. Exiting...\n";
const std::string kRateZero = kNotValid + "Sample rate of 0 Hz.\n";

std::string unsupported(unsigned bits, unsigned tag) {
    return kNotValid + "Unsupported sample format: " + std::to_string(bits) +
           " bits per sample (format tag " + std::to_string(tag) + ").\n";
}

TEST(HostileInput, HeaderCutAtEveryLength) {
    // The size field has four different bytes, so a cut inside it shows which were read.
    WavFixture f;
    f.explicit_data_size = true;
    f.data_size = 0x04030201u;
    const std::string whole = make_wav(f, "");
    const uint32_t partial_size[] = {0, 0x01, 0x0201, 0x030201, 0x04030201};
    for (size_t length = 0; length <= whole.size(); ++length) {
        const std::string name = "cut at " + std::to_string(length);
        const std::string wav = whole.substr(0, length);
        if (length >= 40) {
            // The tag is whole, the missing size bytes read as zero; no samples.
            check_run(on_wav(
                name, wav, {}, 0,
                expected_header_report(1, 44100, 8, 36, partial_size[length - 40]) + summary(0),
                ""));
        } else if (length >= 35) {
            // Rate and width are whole, the tag is not: one dot per offset tried.
            check_run(on_wav(name, wav, {}, 6,
                             expected_format_report(1, 44100, 8) + std::string(length - 2, '.'),
                             kNoData));
        } else {
            // Not RIFF; or the fields read so far, missing bytes as zero, name
            // the reason: the rate's low byte arrives at byte 24, the width at 34.
            const std::string why = length < 4 ? "" : length <= 24 ? kRateZero : unsupported(0, 1);
            check_run(on_wav(name, wav, {}, 5, "", why.empty() ? kNotValid : why));
        }
    }
}

std::string wav_of(uint16_t channels, uint32_t rate, uint16_t bits, size_t bytes = 1000) {
    WavFixture f;
    f.channels = channels;
    f.sample_rate = rate;
    f.bits_per_sample = bits;
    return make_wav(f, std::string(bytes, bits == 8 ? '\x80' : '\0'));
}

std::string report(uint16_t channels, uint32_t rate, uint16_t bits, size_t bytes = 1000) {
    return expected_header_report(channels, rate, bits, 36, static_cast<uint32_t>(bytes));
}

TEST(HostileInput, HeaderFields) {
    const auto fine = [](uint16_t channels, uint32_t rate, uint16_t bits, size_t bytes = 1000) {
        return on_wav(std::to_string(channels) + "x" + std::to_string(bits) + " bits at " +
                          std::to_string(rate),
                      wav_of(channels, rate, bits, bytes), {}, 0,
                      report(channels, rate, bits, bytes) + summary(0), "");
    };
    const auto edge_refused = [](uint32_t rate) {
        return on_wav("-m at " + std::to_string(rate), wav_of(1, rate, 8), {"-m"}, 2,
                      report(1, rate, 8),
                      "Edge detection is not available at " + std::to_string(rate) + " Hz.\n");
    };
    const auto not_valid = [](const std::string& name, const std::string& wav,
                              const std::string& why) { return on_wav(name, wav, {}, 5, "", why); };
    WavFixture streamed;
    streamed.explicit_data_size = true;
    streamed.data_size = 0xFFFFFFFFu;
    std::string with_list = wav_of(1, 44100, 8, 200);  // a LIST chunk whose text ends in "data"
    with_list.insert(36, "LIST" + le32(12) + "INFOmy data");
    RunCase edge_8000 = fine(1, 8000, 8);
    edge_8000.args.insert(edge_8000.args.begin(), "-m");
    RunCase edge_658552 = fine(1, 658552, 8);  // 1000 samples fill the baseline ring
    edge_658552.args.insert(edge_658552.args.begin(), "-m");
    const std::vector<RunCase> cases = {
        not_valid("RIFF alone", "RIFF", kRateZero),
        not_valid("not RIFF", "RIFX" + wav_of(1, 44100, 8).substr(4), kNotValid),
        not_valid("rate 0", wav_of(1, 0, 8), kRateZero),
        not_valid("0 bits", wav_of(1, 44100, 0), unsupported(0, 1)),
        not_valid("4 bits", wav_of(1, 44100, 4), unsupported(4, 1)),
        not_valid("12 bits", wav_of(1, 44100, 12), unsupported(12, 1)),
        fine(1, 44100, 24, 999),
        fine(1, 44100, 32),
        on_wav("rate 0 rescued by -s", wav_of(1, 0, 8), {"-s", "8000"}, 0,
               report(1, 8000, 8) + summary(0), ""),
        on_wav("streamed size", make_wav(streamed, "\x80"), {}, 0,
               expected_header_report(1, 44100, 8, 36, 0xFFFFFFFFu) + summary(0), ""),
        on_wav("data inside a LIST chunk", with_list, {}, 0,
               expected_header_report(1, 44100, 8, 51, 0x61746164u) + summary(0), ""),
        fine(2, 44100, 16, 400),
        fine(1, 1, 8),
        fine(1, 4294967295u, 8),
        fine(65535, 44100, 8),                       // less than one frame
        fine(65535, 44100, 16, 65535u * 2 * 5 / 2),  // 2.5 frames, wider than the read buffer
        edge_refused(1),
        edge_refused(7999),
        edge_refused(658553),  // 1001 samples overflow the baseline ring
        edge_refused(4294967295u),
        edge_8000,
        edge_658552,
    };
    for (const RunCase& c : cases) check_run(c);
}

TEST(HostileInput, DataTagAroundTheReadBuffer) {
    // The reader takes 256 KiB at a time; a tag straddling a buffer's end is
    // found like any other, with one dot per offset before it.
    constexpr size_t kBuffer = 256 * 1024;
    for (size_t tag : {kBuffer - 3, kBuffer, 2 * kBuffer - 2}) {
        std::string file = make_wav(WavFixture{}, "");
        file.replace(36, 4, "dat_");
        file.resize(tag, 'a');
        file += "data" + le32(2) + "\x80\x80";
        const std::string at = " at " + std::to_string(tag);
        check_run(on_wav("tag" + at, file, {}, 0,
                         expected_header_report(1, 44100, 8, tag, 2) + summary(0), ""));
        file.resize(tag + 4);  // the tag ends the file: no size field
        check_run(on_wav("tag ending the file" + at, file, {}, 0,
                         expected_header_report(1, 44100, 8, tag, 0) + summary(0), ""));
        file.resize(tag + 3);  // one byte short of a tag
        check_run(on_wav("tag cut" + at, file, {}, 6,
                         expected_format_report(1, 44100, 8) + std::string(tag + 1, '.'), kNoData));
    }
}

std::string bytes_from(int first, int last) {
    std::string s;
    for (int b = first; b <= last; ++b) s += static_cast<char>(b);
    return s;
}

/// One block named `name` on an 8-bit mono tape, and the image it must give.
RunCase named_block(const std::string& name, const std::string& file_part) {
    const std::string image = htp_image(name, 0x4000, "data");
    const std::string wav = tape_wav(image, TapeSignalOptions{});
    const std::string file = start_time(Placement{}, name) + "_" + file_part + ".htp";
    return on_wav(
        "name " + file_part, wav, {}, 0, report(1, 44100, 8, wav.size() - 44) + summary(1),
        good_block_lines(Placement{}, name, 0x4000, "data") + "  File written: " + file + "\n\n",
        {{file, image}});
}

/// A tape that stops after `bytes` bytes of `image`, and the lines it prints.
RunCase cut_tape(const std::string& name, const std::string& image, size_t bytes,
                 const std::string& err) {
    const std::string wav = tape_wav(image.substr(0, bytes), TapeSignalOptions{});
    return on_wav(name, wav, {}, 0, report(1, 44100, 8, wav.size() - 44) + summary(0), err);
}

TEST(HostileInput, TapesThatNameTheirFilesOrStopEarly) {
    const std::string hello = htp_image("HELLO", 0x1234, std::string(300, 'd'));
    const Placement p;
    std::vector<RunCase> cases = {
        named_block("a/b", "a_b"),
        named_block("/tmp/x", "_tmp_x"),
        named_block("..\\..\\x", ".._.._x"),
        named_block("../../x", ".._.._x"),
        named_block("..", ".."),
        named_block("%s%n%x%%", "%s%n%x%%"),
        named_block(bytes_from(0x01, 0x1F), bytes_from(0x01, 0x1F)),
        named_block(bytes_from(0x80, 0xBE), bytes_from(0x80, 0xBE)),
        named_block(bytes_from(0xC1, 0xFF), bytes_from(0xC1, 0xFF)),
        named_block(std::string(63, 'M'), std::string(63, 'M')),
        named_block("", ""),
        cut_tape("cut after the sync byte", hello, 257, sync_lines(p)),
        cut_tape("cut in the name", hello, 259, sync_lines(p)),
        cut_tape("cut in the data", hello, 367,
                 sync_lines(p) + name_lines(p, "HELLO") + header_lines(0x1234, 300)),
        cut_tape("a name that never ends", htp_image(std::string(300, 'Q'), 0, ""), 557,
                 sync_lines(p)),
    };
    // Names too long are refused; the count must not wrap at 256 bytes.
    for (size_t length : {64, 255, 256, 270}) {
        cases.push_back(cut_tape("name of " + std::to_string(length),
                                 htp_image(std::string(length, '/'), 0, ""), std::string::npos,
                                 sync_lines(p) + "  Abort. Filename too long: " +
                                     std::to_string(length + 1) + " > 64.\n"));
    }
    for (const RunCase& c : cases) check_run(c);
}

TEST(HostileInput, UnusualContainersOfAGoodTape) {
    const std::string data("\x01\x02\x03", 3);
    const std::string image = htp_image("HI", 0x1234, data);
    struct Container {
        const char* name;
        int channels;  // played on every channel
        int bits;
        uint16_t header_channels;
        std::string list_chunk;  // inserted before the data chunk
    };
    const Container containers[] = {
        {"channel count 0 is one channel", 1, 8, 0, ""},
        {"2 channels", 2, 8, 2, ""},
        {"6 channels of 16 bits", 6, 16, 6, ""},
        {"16-bit samples at an odd offset", 1, 16, 1, "LIST" + le32(3) + "odd"},
    };
    for (const Container& k : containers) {
        TapeSignalOptions o;
        o.channels = k.channels;
        o.bits = k.bits;
        const std::string payload = tape_payload(image, o);
        WavFixture f;
        f.channels = k.header_channels;
        f.bits_per_sample = static_cast<uint16_t>(k.bits);
        std::string wav = make_wav(f, payload);
        wav.insert(36, k.list_chunk);
        Placement p;
        p.data_start = 44 + k.list_chunk.size();
        p.frame_bytes = static_cast<unsigned>(k.channels * k.bits / 8);
        const std::string file = start_time(p, "HI") + "_HI.htp";
        check_run(
            on_wav(k.name, wav, {}, 0,
                   expected_header_report(k.header_channels, 44100, static_cast<unsigned>(k.bits),
                                          36 + k.list_chunk.size(),
                                          static_cast<uint32_t>(payload.size())) +
                       summary(1),
                   good_block_lines(p, "HI", 0x1234, data) + "  File written: " + file + "\n\n",
                   {{file, image}}));
    }
}

}  // namespace
