#include "analyze/analysis_report.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>

#include "analyze/pulse_histogram.h"

namespace {

/// Beyond these the default comparator is likely to fail (noise near the
/// baseline makes it spurious edges even at 50 dB for narrow pulses).
constexpr double kWeakSignalDb = -20.0;
constexpr double kLowSnrDb = 60.0;
constexpr double kSpeedErrorPercent = 3.0;
constexpr double kBaselineOffset = 0.02;

void print_channel(unsigned c, const ChannelSummary& s) {
    std::printf("Channel %u: peak %.1f dBFS, signal %.1f dBFS, baseline %+.2f %% of full scale\n",
                c + 1, s.peak_db, s.signal_db, s.baseline * 100);
    if (s.silent_floor) {
        std::printf("  noise floor: none, the quiet parts are digital silence\n");
    } else if (s.noise_known) {
        std::printf("  noise floor %.1f dBFS, SNR %.1f dB\n", s.noise_db, s.snr_db);
    } else {
        std::printf("  noise floor not measured: too little silence in the recording\n");
    }
}

void print_spot(const char* what, const TapeSpot& s) {
    std::printf("%s %.3f s (offset %" PRIu64 ")", what, s.seconds, s.offset);
}

void print_block(unsigned i, const BlockMeasure& b) {
    std::printf("Block %u: \"", i + 1);
    for (const char* p = b.name; *p != '\0'; ++p) std::putchar(*p >= 0x20 && *p <= 0x7E ? *p : '?');
    std::printf("\" %s, channel %u, periods from %s edges (%s)\n", verdict_name(b.verdict),
                b.channel + 1, b.rising ? "rising" : "falling",
                b.rising ? "polarity as recorded" : "inverted polarity");
    if (b.has_header)
        std::printf("  address %04Xh, length %04Xh (%u bytes)\n", b.address, b.length, b.length);
    std::printf("  leader from %.3f s, ", b.leader.seconds);
    print_spot("sync at", b.sync);
    print_spot(", end at", b.end);
    std::printf(
        "\n  short %.0f us, long %.0f us (nominal %.0f/%.0f: speed %+.1f %%), jitter %.0f us\n",
        b.short_us, b.long_us, kNominalShortUs, kNominalLongUs, block_speed_percent(b),
        b.jitter_us);
    if (b.has_doubt) {
        print_spot("  first doubtful pulse at", b.doubt);
        std::printf(", %u reading(s) tried", b.readings);
        if (b.refused > 0) std::printf(", %u checksum match(es) refused", b.refused);
        std::printf("\n");
    } else {
        std::printf("  no doubtful pulse\n");
    }
}

/// Why a plain conversion may fail though --recover reads every block; null if none.
const char* recover_reason(const Analysis& a, const ChannelSummary& s, char* text, size_t bytes) {
    double worst_speed = 0;
    bool helped = false;
    bool inverted = false;
    const unsigned n =
        a.tape.blocks_found < kMaxMeasuredBlocks ? a.tape.blocks_found : kMaxMeasuredBlocks;
    for (unsigned i = 0; i < n; ++i) {
        const BlockMeasure& b = a.tape.blocks[i];
        const double speed = block_speed_percent(b);
        if (std::fabs(speed) > std::fabs(worst_speed)) worst_speed = speed;
        helped = helped || b.verdict == BlockVerdict::kRecovered;
        inverted = inverted || !b.rising;
    }
    if (helped) return "some blocks needed help";
    if (a.levels_measured && s.signal_db < kWeakSignalDb) {
        std::snprintf(text, bytes, "signal at %.0f dBFS", s.signal_db);
    } else if (a.levels_measured && s.noise_known && s.snr_db < kLowSnrDb) {
        std::snprintf(text, bytes, "noise at SNR %.0f dB", s.snr_db);
    } else if (std::fabs(worst_speed) > kSpeedErrorPercent) {
        std::snprintf(text, bytes, "speed %+.1f %%", worst_speed);
    } else if (a.levels_measured && std::fabs(s.baseline) > kBaselineOffset) {
        std::snprintf(text, bytes, "baseline %+.0f %% off centre", s.baseline * 100);
    } else if (inverted) {
        return "inverted polarity";
    } else {
        return nullptr;
    }
    return text;
}

void print_advice(const Analysis& a) {
    const TapeMeasures& t = a.tape;
    unsigned bad = 0;
    double first_bad = 0;
    const unsigned n = t.blocks_found < kMaxMeasuredBlocks ? t.blocks_found : kMaxMeasuredBlocks;
    for (unsigned i = 0; i < n; ++i) {
        const BlockMeasure& b = t.blocks[i];
        if (b.verdict == BlockVerdict::kGood || b.verdict == BlockVerdict::kRecovered) continue;
        if (bad++ == 0) first_bad = b.has_doubt ? b.doubt.seconds : b.sync.seconds;
    }
    const unsigned channel = n > 0 ? t.blocks[0].channel : 0;
    const ChannelSummary s = level_summary(a.levels.channel[channel]);
    char text[96];
    const char* reason = recover_reason(a, s, text, sizeof text);
    if (t.blocks_found == 0) {
        std::printf(
            "Advice: no leader found on any channel: nothing on this recording reads as a tape.\n");
    } else if (bad > 0) {
        std::printf(
            "Advice: %u of %u block(s) unreadable, the first going wrong at %.3f s: "
            "digitise that part of the tape again.\n",
            bad, t.blocks_found, first_bad);
    } else if (reason != nullptr) {
        std::printf("Advice: %s: use --recover (it reads all %u block(s)).\n", reason,
                    t.blocks_found);
    } else {
        std::printf(
            "Advice: all %u block(s) good and the signal clean: the default options "
            "should convert this tape.\n",
            t.blocks_found);
    }
}

}  // namespace

double block_speed_percent(const BlockMeasure& b) {
    const double nominal = b.short_count * kNominalShortUs + b.long_count * kNominalLongUs;
    if (nominal <= 0) return 0;
    const double measured = b.short_count * b.short_us + b.long_count * b.long_us;
    const double percent = (1.0 - measured / nominal) * 100.0;
    // No "-0.0" in the report.
    return std::fabs(percent) < 0.05 ? 0.0 : percent;
}

const char* verdict_name(BlockVerdict v) {
    switch (v) {
        case BlockVerdict::kGood:
            return "good";
        case BlockVerdict::kRecovered:
            return "recovered";
        case BlockVerdict::kCrcError:
            return "CRC error";
        case BlockVerdict::kNotWritten:
            return "not written (doubtful reading)";
        case BlockVerdict::kIncomplete:
            return "incomplete";
    }
    return "";
}

void print_analysis(const Analysis& a) {
    std::printf("\nAnalysis: %.3f s of recording\n", a.rate > 0 ? double(a.frames) / a.rate : 0.0);
    if (a.levels_measured) {
        for (unsigned c = 0; c < a.levels.channels; ++c)
            print_channel(c, level_summary(a.levels.channel[c]));
    } else {
        std::printf("Levels not measured: the input cannot be read a second time.\n");
    }
    const TapeMeasures& t = a.tape;
    const unsigned n = t.blocks_found < kMaxMeasuredBlocks ? t.blocks_found : kMaxMeasuredBlocks;
    for (unsigned i = 0; i < n; ++i) print_block(i, t.blocks[i]);
    if (t.blocks_found > n) std::printf("%u more block(s) not listed.\n", t.blocks_found - n);
    print_pulse_histogram(t, histogram_marks(t));
    print_advice(a);
}
