#include "analyze/analysis_record.h"

#include <cstring>

#include "analyze/analysis_report.h"
#include "analyze/block_readers.h"
#include "analyze/pulse_histogram.h"

namespace {

void spot(JsonWriter* w, const char* key, const TapeSpot& s) {
    json_begin_object(w, key);
    json_number(w, "seconds", s.seconds);
    json_uint(w, "offset", s.offset);
    json_end_object(w);
}

const char* default_verdict(const Analysis& a, unsigned i) {
    if (!a.default_ran) return "cannot run";
    const int j = default_block_of(a, i);
    if (j == kNoMatch) return "not found";
    return tally_verdict_name(a.defaults.blocks[j].verdict);
}

void block(JsonWriter* w, const Analysis& a, unsigned i) {
    const BlockMeasure& b = a.tape.blocks[i];
    const auto* name = reinterpret_cast<const uint8_t*>(b.name);
    json_begin_object(w, nullptr);
    json_bytes(w, "name", name, std::strlen(b.name));
    json_hex(w, "name_hex", name, std::strlen(b.name));
    json_uint_if(w, "address", b.has_header, b.address);
    json_uint_if(w, "length", b.has_header, b.length);
    spot(w, "leader", b.leader);
    spot(w, "sync", b.sync);
    spot(w, "end", b.end);
    json_text(w, "verdict", verdict_name(b.verdict));
    json_text(w, "default_options", default_verdict(a, i));
    json_null(w, "image");
    json_uint(w, "channel", b.channel + 1);
    json_text(w, "polarity", b.rising ? "as recorded" : "inverted");
    json_number(w, "short_us", b.short_us);
    json_number(w, "long_us", b.long_us);
    json_number(w, "speed_percent", block_speed_percent(b));
    json_number(w, "jitter_us", b.jitter_us);
    if (b.has_doubt) {
        spot(w, "first_doubtful_pulse", b.doubt);
    } else {
        json_null(w, "first_doubtful_pulse");
    }
    json_uint(w, "readings", b.readings);
    json_end_object(w);
}

void levels(JsonWriter* w, const Analysis& a) {
    json_begin_array(w, "channels");
    for (unsigned c = 0; a.levels_measured && c < a.levels.channels; ++c) {
        const ChannelSummary s = level_summary(a.levels.channel[c]);
        json_begin_object(w, nullptr);
        json_number(w, "peak_dbfs", s.peak_db);
        json_number(w, "signal_dbfs", s.signal_db);
        json_number(w, "baseline", s.baseline);
        json_bool(w, "one_sided", s.one_sided);
        json_bool(w, "digital_silence", s.silent_floor);
        json_number(w, "noise_dbfs", s.noise_known ? s.noise_db : NAN);
        json_number(w, "snr_db", s.noise_known ? s.snr_db : NAN);
        json_end_object(w);
    }
    json_end_array(w);
}

void histogram(JsonWriter* w, const TapeMeasures& t) {
    json_begin_object(w, "histogram");
    json_uint(w, "bucket_us", kPeriodBucketUs);
    json_begin_array(w, "counts");
    for (uint64_t n : t.period_counts) json_uint(w, nullptr, n);
    json_end_array(w);
    json_uint(w, "longer", t.periods_over);
    json_number(w, "threshold_us", histogram_marks(t).threshold_us);
    json_end_object(w);
}

void foreign(JsonWriter* w, const Analysis& a) {
    json_begin_array(w, "signal_without_block");
    const unsigned n = !a.foreign_scanned                       ? 0
                       : a.foreign.found < kMaxForeignStretches ? a.foreign.found
                                                                : kMaxForeignStretches;
    for (unsigned i = 0; i < n; ++i) {
        const ForeignStretch& s = a.foreign.stretches[i];
        json_begin_object(w, nullptr);
        json_number(w, "start", s.start);
        json_number(w, "end", s.end);
        json_uint(w, "periods", s.periods);
        json_begin_array(w, "clusters_us");
        for (unsigned k = 0; k < s.clusters; ++k) json_number(w, nullptr, s.cluster_us[k]);
        json_end_array(w);
        json_bool(w, "tape_format", s.tape_like);
        json_end_object(w);
    }
    json_end_array(w);
}

}  // namespace

void record_analysis(JsonWriter* w, const Analysis& a) {
    json_begin_array(w, "blocks");
    const unsigned n =
        a.tape.blocks_found < kMaxMeasuredBlocks ? a.tape.blocks_found : kMaxMeasuredBlocks;
    for (unsigned i = 0; i < n; ++i) block(w, a, i);
    json_end_array(w);
    json_begin_object(w, "analysis");
    json_number(w, "seconds", a.rate > 0 ? double(a.frames) / a.rate : 0.0);
    levels(w, a);
    histogram(w, a.tape);
    foreign(w, a);
    const ReaderCounts c = count_readers(a);
    json_begin_object(w, "readers");
    json_uint(w, "blocks_found", c.found);
    json_uint(w, "default_options", c.by_default);
    json_uint(w, "recover", c.by_recover);
    json_uint(w, "neither", c.by_neither);
    json_end_object(w);
    json_end_object(w);
}
