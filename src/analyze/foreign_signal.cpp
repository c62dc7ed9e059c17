#include "analyze/foreign_signal.h"

#include <algorithm>
#include <cmath>

#include "wav/frame_reader.h"

namespace {

constexpr double kFullScale = 32768.0;
/// Pulses further apart than this are not one stretch: longer than any
/// period of a tape, far shorter than the silence between two blocks.
constexpr double kGapSeconds = 0.05;
/// An edge is where the signal passes half its amplitude from the baseline,
/// and never closer to it than the noise's extremes, or one step of 8 bits
/// in digital silence.
constexpr double kEdgeShareOfAmplitude = 0.5;
constexpr double kEdgeNoiseSigmas = 6.0;
constexpr double kMinEdgeLevel = kSampleScale / 4.0;
/// Fewer edges than this per second is noise, not pulses.
constexpr double kMinEdgesPerSecond = 50.0;
/// A cluster holds at least this share of the stretch's periods.
constexpr double kClusterShare = 0.1;
/// Clusters this close to a nominal period are this tape format's.
constexpr double kTapeTolerance = 0.15;

double db_value(double db) {
    return kFullScale * std::pow(10.0, db / 20.0);
}

uint64_t to_frames(double seconds, uint32_t rate) {
    return seconds <= 0 ? 0 : static_cast<uint64_t>(seconds * rate);
}

bool near_nominal(double us) {
    for (double nominal : {kNominalShortUs, kNominalLongUs})
        if (std::fabs(us - nominal) <= kTapeTolerance * nominal) return true;
    return false;
}

/// The fullest local peaks of the periods, each the mean of its bucket and
/// its neighbours, in ascending order.
void find_clusters(const PeriodCounts& p, ForeignStretch* s) {
    unsigned peaks[kPeriodBuckets];
    unsigned n = 0;
    for (unsigned b = 0; b < kPeriodBuckets; ++b) {
        const uint64_t c = p.count[b];
        const uint64_t left = b > 0 ? p.count[b - 1] : 0;
        const uint64_t right = b + 1 < kPeriodBuckets ? p.count[b + 1] : 0;
        if (c > left && c >= right && c >= kClusterShare * p.total) peaks[n++] = b;
    }
    std::sort(peaks, peaks + n, [&p](unsigned a, unsigned b) { return p.count[a] > p.count[b]; });
    s->clusters = n < kMaxPeriodClusters ? n : kMaxPeriodClusters;
    s->tape_like = s->clusters > 0;
    for (unsigned i = 0; i < s->clusters; ++i) {
        const unsigned b = peaks[i];
        uint64_t count = 0;
        double sum = 0;
        for (unsigned k = b > 0 ? b - 1 : b; k <= b + 1 && k < kPeriodBuckets; ++k) {
            count += p.count[k];
            sum += p.sum_us[k];
        }
        s->cluster_us[i] = sum / count;
        s->tape_like = s->tape_like && near_nominal(s->cluster_us[i]);
    }
    std::sort(s->cluster_us, s->cluster_us + s->clusters);
}

void close_stretch(ForeignScan* st) {
    if (!st->open) return;
    st->open = false;
    const double seconds = static_cast<double>(st->last_edge - st->first_edge) / st->rate;
    const PeriodCounts& p = st->periods[st->periods[1].total > st->periods[0].total ? 1 : 0];
    if (seconds <= kMinForeignSeconds || p.total < kMinEdgesPerSecond * seconds) return;
    if (st->found++ >= kMaxForeignStretches) return;
    ForeignStretch* s = &st->stretches[st->found - 1];
    *s = ForeignStretch{};
    s->start = static_cast<double>(st->first_edge) / st->rate;
    s->end = static_cast<double>(st->last_edge) / st->rate;
    s->periods = p.total;
    find_clusters(p, s);
}

/// An edge in direction `d` at frame `f`: inside a block it ends the
/// stretch; otherwise it opens or extends one and times a period.
void take_edge(ForeignScan* st, unsigned d, uint64_t f) {
    while (st->next_span < st->spans && st->span_end[st->next_span] < f) ++st->next_span;
    if (st->next_span < st->spans && st->span_start[st->next_span] <= f) {
        close_stretch(st);
        return;
    }
    if (st->open && (f - st->last_edge > st->gap_frames || st->next_span != st->open_span))
        close_stretch(st);
    if (!st->open) {
        st->open = true;
        st->open_span = st->next_span;
        st->first_edge = f;
        st->has_prev[0] = st->has_prev[1] = false;
        st->periods[0] = PeriodCounts{};
        st->periods[1] = PeriodCounts{};
    }
    if (st->has_prev[d]) {
        const double us = static_cast<double>(f - st->prev_edge[d]) * 1e6 / st->rate;
        const auto b = static_cast<unsigned>(us / kPeriodBucketUs);
        PeriodCounts& p = st->periods[d];
        ++p.total;
        if (b < kPeriodBuckets) {
            ++p.count[b];
            p.sum_us[b] += us;
        }
    }
    st->prev_edge[d] = f;
    st->has_prev[d] = true;
    st->last_edge = f;
}

/// The comparators' state lives in locals: only an edge, rare, touches the record.
template <typename Read>
void scan_samples(ForeignScan* st, const uint8_t* p, size_t count, unsigned stride, Read read) {
    const int32_t up = st->up_level, up_rearm = st->up_rearm;
    const int32_t down = st->down_level, down_rearm = st->down_rearm;
    bool up_armed = st->up_armed, down_armed = st->down_armed;
    for (size_t i = 0; i < count; ++i, p += stride) {
        const int32_t x = read(p);
        if (x > up && up_armed) take_edge(st, 0, st->frame + i);
        if (x < down && down_armed) take_edge(st, 1, st->frame + i);
        up_armed = x < up_rearm || (up_armed && x <= up);
        down_armed = x > down_rearm || (down_armed && x >= down);
    }
    st->up_armed = up_armed;
    st->down_armed = down_armed;
    st->frame += count;
}

void scan_span(ForeignScan* st, const uint8_t* frames, size_t count, const FrameFormat& format,
               unsigned channel) {
    const uint8_t* p = frames + channel * format.sample_bytes;
    with_sample_format(format.format, [&](auto f) {
        using Format = decltype(f);
        scan_samples(st, p, count, format.frame_bytes, [](const uint8_t* q) {
            return static_cast<int32_t>(sample_at<Format::value>(q, false));
        });
    });
}

}  // namespace

void foreign_scan_start(ForeignScan* st, uint32_t rate, const ChannelSummary& levels,
                        const TapeMeasures& tape) {
    *st = ForeignScan{};
    st->rate = rate > 0 ? rate : 1;
    st->gap_frames = to_frames(kGapSeconds, st->rate);
    const double base = levels.baseline * kFullScale;
    const double noise = levels.noise_known ? db_value(levels.noise_db) : 0;
    const double h = std::max({kEdgeShareOfAmplitude * db_value(levels.signal_db),
                               kEdgeNoiseSigmas * noise, kMinEdgeLevel});
    st->up_level = static_cast<int32_t>(std::lround(base + h));
    st->up_rearm = static_cast<int32_t>(std::lround(base + h / 2));
    st->down_level = static_cast<int32_t>(std::lround(base - h));
    st->down_rearm = static_cast<int32_t>(std::lround(base - h / 2));
    const unsigned n =
        tape.blocks_found < kMaxMeasuredBlocks ? tape.blocks_found : kMaxMeasuredBlocks;
    for (unsigned i = 0; i < n; ++i) {
        // In time order: a block goes in after every span that starts before it.
        const uint64_t start = to_frames(tape.blocks[i].leader.seconds, st->rate);
        const uint64_t end = to_frames(tape.blocks[i].end.seconds, st->rate);
        unsigned k = st->spans++;
        for (; k > 0 && st->span_start[k - 1] > start; --k) {
            st->span_start[k] = st->span_start[k - 1];
            st->span_end[k] = st->span_end[k - 1];
        }
        st->span_start[k] = start;
        st->span_end[k] = end > start ? end : start;
    }
}

void foreign_scan_frames(ForeignScan* st, const uint8_t* frames, size_t count,
                         const FrameFormat& format, unsigned channel) {
    // Frames inside a block are skipped: their signal is the block's.
    while (count > 0) {
        while (st->next_span < st->spans && st->span_end[st->next_span] < st->frame)
            ++st->next_span;
        const bool inside = st->next_span < st->spans && st->span_start[st->next_span] <= st->frame;
        const uint64_t limit = st->next_span == st->spans ? count
                               : inside ? st->span_end[st->next_span] + 1 - st->frame
                                        : st->span_start[st->next_span] - st->frame;
        const size_t n = limit < count ? static_cast<size_t>(limit) : count;
        if (inside) {
            st->frame += n;
        } else {
            scan_span(st, frames, n, format, channel);
        }
        frames += n * format.frame_bytes;
        count -= n;
    }
}

void foreign_scan_finish(ForeignScan* st) {
    close_stretch(st);
}
