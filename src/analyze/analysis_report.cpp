#include "analyze/analysis_report.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "analyze/block_readers.h"
#include "analyze/pulse_histogram.h"
#include "tape/name_text.h"

namespace {

/// Beyond these the default comparator is likely to fail (noise near the
/// baseline makes it spurious edges even at 50 dB for narrow pulses).
constexpr double kWeakSignalDb = -20.0;
constexpr double kLowSnrDb = 60.0;
constexpr double kSpeedErrorPercent = 3.0;
constexpr double kBaselineOffset = 0.02;

void print_channel(unsigned c, const ChannelSummary& s) {
    std::printf("Channel %u: peak %.1f dBFS, signal %.1f dBFS, baseline %+.2f %% of full scale%s\n",
                c + 1, s.peak_db, s.signal_db, s.baseline * 100,
                s.one_sided ? " (pulses to one side)" : "");
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

void print_quoted_name(const char* name) {
    char text[escaped_text_bytes(kMaxNameBytes)];
    escape_name(reinterpret_cast<const uint8_t*>(name), std::strlen(name), text, sizeof text);
    std::printf("\"%s\"", text);
}

/// Which decoders read the block: the default one with the options given, --recover.
void print_readers(const Analysis& a, unsigned i) {
    const BlockMeasure& b = a.tape.blocks[i];
    const int j = default_block_of(a, i);
    const char* by_default = !a.default_ran  ? "cannot run"
                             : j == kNoMatch ? "not found"
                                             : tally_verdict_name(a.defaults.blocks[j].verdict);
    const bool default_reads =
        j != kNoMatch && a.defaults.blocks[j].verdict == TallyVerdict::kWritten;
    const char* who = default_reads && recover_reads(b) ? "the default options and --recover"
                      : default_reads                   ? "the default options only"
                      : recover_reads(b)                ? "--recover only"
                                                        : "neither decoder";
    std::printf("  read by %s (default options: %s; --recover: %s)\n", who, by_default,
                verdict_name(b.verdict));
}

void print_block(const Analysis& a, unsigned i) {
    const BlockMeasure& b = a.tape.blocks[i];
    std::printf("Block %u: ", i + 1);
    print_quoted_name(b.name);
    std::printf(" %s, channel %u, periods from %s edges (%s)\n", verdict_name(b.verdict),
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
    print_readers(a, i);
}

/// Blocks the default decoder named where --recover measured none.
void print_default_only_blocks(const Analysis& a) {
    const unsigned n = a.default_ran && a.defaults.blocks_found < kMaxTalliedBlocks
                           ? a.defaults.blocks_found
                           : (a.default_ran ? kMaxTalliedBlocks : 0);
    for (unsigned j = 0; j < n; ++j) {
        if (!default_block_alone(a, j)) continue;
        const TalliedBlock& d = a.defaults.blocks[j];
        std::printf("Block of the default options only: ");
        print_quoted_name(d.name);
        std::printf(" %s, sync at %.3f s (offset %" PRIu64 ")\n", tally_verdict_name(d.verdict),
                    d.sync_seconds, d.sync_offset);
    }
}

void print_foreign(const ForeignScan& f) {
    const unsigned n = f.found < kMaxForeignStretches ? f.found : kMaxForeignStretches;
    for (unsigned i = 0; i < n; ++i) {
        const ForeignStretch& s = f.stretches[i];
        std::printf("Signal without a block: %.3f-%.3f s, ", s.start, s.end);
        if (s.clusters == 0) {
            std::printf("periods spread out");
        } else {
            std::printf("periods near");
            for (unsigned k = 0; k < s.clusters; ++k)
                std::printf("%s %.0f", k == 0 ? "" : (k + 1 == s.clusters ? " and" : ","),
                            s.cluster_us[k]);
            std::printf(" us");
        }
        std::printf(": %s\n", s.tape_like ? "this tape format, but no block was found in it"
                                          : "not this tape format");
    }
    if (f.found > n) std::printf("%u more stretch(es) of signal without a block.\n", f.found - n);
}

/// Appends one reason to a list separated by commas.
void add_reason(char* text, size_t bytes, const char* reason) {
    const size_t used = std::strlen(text);
    std::snprintf(text + used, bytes - used, "%s%s", used > 0 ? ", " : "", reason);
}

/// What was measured that makes the plain comparator fail; empty if nothing.
void recover_reasons(const Analysis& a, const ChannelSummary& s, char* text, size_t bytes) {
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
    char piece[64];
    text[0] = '\0';
    if (helped) add_reason(text, bytes, "some blocks needed help");
    if (a.levels_measured && s.signal_db < kWeakSignalDb) {
        std::snprintf(piece, sizeof piece, "signal at %.0f dBFS", s.signal_db);
        add_reason(text, bytes, piece);
    }
    if (a.levels_measured && s.noise_known && s.snr_db < kLowSnrDb) {
        std::snprintf(piece, sizeof piece, "noise at SNR %.0f dB", s.snr_db);
        add_reason(text, bytes, piece);
    }
    if (std::fabs(worst_speed) > kSpeedErrorPercent) {
        std::snprintf(piece, sizeof piece, "speed %+.1f %%", worst_speed);
        add_reason(text, bytes, piece);
    }
    // Silence at one side of one-sided pulses is the wave's shape, not an offset.
    if (a.levels_measured && !s.one_sided && std::fabs(s.baseline) > kBaselineOffset) {
        std::snprintf(piece, sizeof piece, "baseline %+.0f %% off centre", s.baseline * 100);
        add_reason(text, bytes, piece);
    }
    if (inverted) add_reason(text, bytes, "inverted polarity");
}

/// The advice follows from which decoder read how many blocks.
void print_advice(const Analysis& a) {
    const ReaderCounts c = count_readers(a);
    if (c.found == 0) {
        std::printf(
            "Advice: no leader found on any channel: nothing on this recording reads as a tape.\n");
        return;
    }
    const char* verdict = c.by_default >= c.found       ? "convert with the default options"
                          : c.by_recover > c.by_default ? "use --recover"
                          : c.by_default > c.by_recover ? "keep to the default options"
                                                        : "neither decoder reads more";
    std::printf("Advice: the default options read %u of %u block(s); --recover reads %u: %s.",
                c.by_default, c.found, c.by_recover, verdict);
    if (c.by_neither > 0) {
        std::printf(
            " %u block(s) read by neither, the first going wrong at %.3f s: digitise that part "
            "of the tape again.",
            c.by_neither, c.first_unread);
    }
    std::printf("\n");
    if (!a.default_ran) {
        std::printf("  The default options cannot run: edge detection is not available at %u Hz.\n",
                    a.rate);
    } else if (c.by_recover > c.by_default) {
        const unsigned channel = a.tape.blocks_found > 0 ? a.tape.blocks[0].channel : 0;
        char reasons[256];
        recover_reasons(a, level_summary(a.levels.channel[channel]), reasons, sizeof reasons);
        if (reasons[0] != '\0') std::printf("  Measured: %s.\n", reasons);
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
    for (unsigned i = 0; i < n; ++i) print_block(a, i);
    if (t.blocks_found > n) std::printf("%u more block(s) not listed.\n", t.blocks_found - n);
    print_default_only_blocks(a);
    if (a.foreign_scanned) print_foreign(a.foreign);
    print_pulse_histogram(t, histogram_marks(t));
    print_advice(a);
}
