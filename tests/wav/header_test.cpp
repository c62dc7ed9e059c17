// Containers as real audio tools write them: chunks before and after the
// format, odd sizes and their pad bytes, RF64, and every format that is
// refused, with the reason it is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "end_to_end.h"
#include "tape_signal.h"

namespace {

const std::string kSilence(100, '\x80');
const std::string kNotValid = "This is not a valid WAV file. Exiting...\n";

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

TEST(WavHeader, ChunksFormatsAndRefusals) {
    const std::string fmt = chunk("fmt ", fmt_body(1, 8));
    const std::string data = chunk("data", kSilence);
    const std::string ds64 =
        chunk("ds64", std::string(8, '\0') + le32(705032704) + le32(1) + std::string(12, '\0'));
    const std::vector<RunCase> cases = {
        on_wav("JUNK before the format", riff(chunk("JUNK", std::string(28, '\0')) + fmt + data),
               {}, 0, report(72), ""),
        on_wav("an odd bext chunk and its pad byte after the format",
               riff(fmt + chunk("bext", "12345") + data), {}, 0, report(50), ""),
        on_wav("a LIST title holding \"data\"", riff(fmt + chunk("LIST", "tape data") + data), {},
               0, report(54), ""),
        on_wav("the format after the data", riff(data + fmt), {}, 0, report(12), ""),
        // The walk stops at a size running past the end; the byte scan finds
        // the first "data" anywhere, inside that chunk, as it always did.
        on_wav("a chunk running past the end",
               riff(fmt + "junk" + le32(0xFFFFFF00) + "xxdata" + le32(7)), {}, 0, report(46, "7"),
               ""),
        on_wav("RF64 with its ds64 size",
               riff(ds64 + fmt + "data" + le32(0xFFFFFFFF) + kSilence, "RF64"), {}, 0,
               report(72, "5000000000"), ""),
        on_wav("another tag with 16 bits reads as PCM",
               riff(chunk("fmt ", fmt_body(2, 16, 2)) + data), {}, 0, report(36, "100", 16), ""),
        on_wav("BW64 is not RIFF", riff(fmt + data, "BW64"), {}, 5, "", kNotValid),
        on_wav("float of 16 bits", riff(chunk("fmt ", fmt_body(3, 16, 2)) + data), {}, 5, "",
               refused(16, 3)),
        on_wav("A-law of 16 bits", riff(chunk("fmt ", fmt_body(6, 16, 2)) + data), {}, 5, "",
               refused(16, 6)),
        on_wav("PCM of 12 bits", riff(chunk("fmt ", fmt_body(1, 12, 2)) + data), {}, 5, "",
               refused(12, 1)),
        on_wav("MP3", riff(chunk("fmt ", fmt_body(0x55, 0)) + data), {}, 5, "", refused(0, 85)),
        on_wav("extensible A-law", riff(extensible(le16(6), 2) + data), {}, 5, "",
               refused(16, 65534)),
        on_wav("extensible PCM of block align 0", riff(extensible(le16(1), 0) + data), {}, 5, "",
               refused(16, 65534)),
        on_wav("a rate of 0 wins over the format",
               riff(chunk("fmt ", le16(3) + le16(1) + le32(0)) + data), {}, 5, "",
               kNotValid + "Sample rate of 0 Hz.\n"),
    };
    for (const RunCase& c : cases) check_run(c);
}

}  // namespace
