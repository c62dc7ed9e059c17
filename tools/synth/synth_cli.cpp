#include "synth_cli.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "synth.h"
#include "synth_options.h"

namespace {

/// All images of one run share this much memory; a single-block image is at most
/// 65863 bytes, so it holds hundreds of them or long multi-block images.
constexpr size_t kImageStoreBytes = 16u << 20;
constexpr size_t kMessageBytes = 512;

/// Reads the file at path into store + *used. Returns a SynthExitCode.
int read_image(const char* path, uint8_t* store, size_t* used, SynthImage* image, char* message,
               size_t message_bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        synth_message(message, message_bytes, "cannot open %s: %s", path, std::strerror(errno));
        return kSynthInputOpen;
    }
    const size_t room = kImageStoreBytes - *used;
    // One byte more than fits tells a file that is too large from one that just fits.
    const size_t n = std::fread(store + *used, 1, room, file);
    const bool too_large = n == room && std::fgetc(file) != EOF;
    const bool failed = std::ferror(file) != 0;
    const int error_number = errno;
    std::fclose(file);
    if (failed) {
        synth_message(message, message_bytes, "cannot read %s: %s", path,
                      std::strerror(error_number));
        return kSynthInputOpen;
    }
    if (too_large) {
        synth_message(message, message_bytes,
                      "%s: images larger than %zu bytes together at offset %zu", path,
                      kImageStoreBytes, room);
        return kSynthBadImage;
    }
    *image = SynthImage{path, store + *used, n};
    *used += n;
    return kSynthOk;
}

}  // namespace

void synth_print_usage(std::FILE* stream) {
    const SynthSettings d;
    std::fprintf(
        stream,
        "\nvorlane-synth v1.0\n"
        "Plays Homelab/Aircomp HTP tape images into PCM WAV recordings.\n\n"
        "    Usage:  vorlane-synth [flags] -o output.wav image.htp [image.htp ...]\n\n"
        "        -o <file>    the recording to write (required)\n"
        "        -s <hz>      sample rate, %u..%u (default %u)\n"
        "        -b <bits>    bits per sample, 8, 16, 24 or 32 (default %d)\n"
        "        -c <n>       channels, 1 or 2 (default %d)\n"
        "        -w <shape>   waveform: pulse, square or sine (default pulse)\n"
        "        -a <level>   amplitude, fraction of full scale, 0..1 (default %g)\n"
        "        -r           invert the signal\n"
        "        -S <us>      short period, half of a 1 bit (default %g)\n"
        "        -L <us>      long period, a 0 bit (default %g)\n"
        "        -B <s>       silence before the first image (default %g)\n"
        "        -P <s>       pause between images (default %g)\n"
        "        -E <s>       silence after the last image (default %g)\n"
        "        -h           display this help\n\n"
        "    Degradations for testing decoders, all off by default:\n"
        "        -n <db>      Gaussian noise, <db> below the amplitude (0..%g)\n"
        "        -R <seed>    seed of the noise, the jitter, the dropouts and bursts (default "
        "%llu)\n"
        "        -d <level>   DC offset, fraction of full scale, -1..1\n"
        "        -W <pct>     wow: slow speed drift of up to <pct> percent (0..%g)\n"
        "        -j <us>      jitter: each period moves by up to +-<us>\n"
        "        --wow-hz <hz>       rate of the wow, up to %g (default %g; a few Hz is flutter)\n"
        "        --jitter-sd <us>    jitter: each period moves by a Gaussian amount, deviation "
        "<us>\n"
        "        --speed <pct>       constant speed error: +3 makes every period 3%% shorter\n"
        "        --clip <level>      clip the signal at <level> of full scale\n"
        "        --highpass <hz>     band limit like a cassette deck: low corner\n"
        "        --lowpass <hz>      band limit like a cassette deck: high corner\n"
        "        --dropouts <n>      <n> places where the signal falls by 30 dB\n"
        "        --dropout-ms <ms>   length of each dropout (default %g)\n"
        "        --bursts <n>        <n> places where noise as loud as the signal covers it\n"
        "        --burst-ms <ms>     length of each noise burst (default %g)\n"
        "        --hum <db>          mains hum, <db> below the amplitude\n"
        "        --hum-freq <hz>     50 or 60 (default %g)\n\n"
        "    Formats and chunks for testing readers:\n"
        "        -F           IEEE float samples, 32-bit (64-bit with -b 64)\n"
        "        --alaw       8-bit A-law samples\n"
        "        --mulaw      8-bit mu-law samples\n"
        "        -x           WAVE_FORMAT_EXTENSIBLE format chunk\n"
        "        -C <n>       with -c 2: the signal on channel <n> only\n"
        "        --rf64       RF64 header with a ds64 chunk\n"
        "        --junk       a JUNK chunk before the format chunk\n"
        "        --list-text <text>  a LIST/INFO chunk with this title before the data\n"
        "        --help, --version   the usage text or the version on standard output\n\n"
        "    exit codes: 0 = ok, 1 = usage or output error, 2 = parameter error,\n"
        "                4 = cannot open an image, 5 = not a valid HTP image\n",
        kMinSampleRateHz, kMaxSampleRateHz, d.sample_rate, d.bits_per_sample, d.channels,
        d.amplitude, d.short_period_us, d.long_period_us, d.silence_before_s, d.silence_between_s,
        d.silence_after_s, kMaxSnrDb, static_cast<unsigned long long>(d.seed), kMaxWowPercent,
        kMaxWowHz, d.wow_hz, d.dropout_ms, d.burst_ms, d.hum_hz);
}

int synth_cli_run(int argc, char* const argv[]) {
    if (argc < 2) {
        synth_print_usage(stderr);
        return kSynthUsageOrIo;
    }
    char message[kMessageBytes] = "";
    SynthOptions options;
    int status = synth_parse_options(argc, argv, &options, message, sizeof message);
    switch (options.action) {
        case SynthAction::kPlay:
            break;
        case SynthAction::kUsage:
            synth_print_usage(stderr);
            return kSynthUsageOrIo;
        case SynthAction::kHelp:
            synth_print_usage(stdout);
            return kSynthOk;
        case SynthAction::kVersion:
            std::printf("vorlane-synth 1.0\n");
            return kSynthOk;
    }
    // One process plays one recording: the store is used once, and a static array
    // keeps 16 MiB off the stack and off the heap.
    static uint8_t store[kImageStoreBytes];
    size_t used = 0;
    SynthImage images[kMaxSynthImages];
    const size_t count = static_cast<size_t>(argc - options.first_image);
    if (status == kSynthOk && count > kMaxSynthImages) {
        synth_message(message, sizeof message, "%zu images: at most %zu can be played", count,
                      kMaxSynthImages);
        status = kSynthParameter;
    }
    for (size_t i = 0; status == kSynthOk && i < count; ++i) {
        status = read_image(argv[options.first_image + static_cast<int>(i)], store, &used,
                            &images[i], message, sizeof message);
    }
    if (status == kSynthOk) {
        status = synth_write_wav(options.settings, images, count, options.out_path, message,
                                 sizeof message);
    }
    if (status != kSynthOk) std::fprintf(stderr, "vorlane-synth: %s\n", message);
    return status;
}
