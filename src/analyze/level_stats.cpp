#include "analyze/level_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "recover/frame_sample.h"

namespace {

/// Window length: long enough for a few periods of the tape, short enough
/// to fit between two blocks.
constexpr double kWindowSeconds = 0.01;
constexpr double kFullScale = 32768.0;
/// The quietest share of the windows makes the noise floor and baseline (a
/// tape needs that much silence, 6 s in 20 minutes, for a noise floor), the
/// loudest share stands for the signal.
constexpr double kQuietShare = 0.005;
constexpr double kLoudShare = 0.10;
/// A window's amplitude rises by about this many noise sigmas above the
/// signal's (the extremes of a few hundred noisy samples, half at each end).
constexpr double kNoiseExtremeSigmas = 2.5;
/// A window whose peak lies this many times farther above its mean than its
/// trough below holds one-sided pulses.
constexpr double kOneSidedRatio = 2.0;
/// The loud windows must be this many times the quiet ones for a noise floor.
constexpr double kMinQuietRatio = 4.0;

unsigned step_of(double value) {
    if (value <= 0) return 0;
    const double db = 20.0 * std::log10(value / kFullScale);
    const double step = (db - kLevelFloorDb) / kLevelStepDb;
    if (step < 0) return 0;
    return step >= kLevelSteps ? kLevelSteps - 1 : static_cast<unsigned>(step);
}

double step_value(unsigned step) {
    const double db = kLevelFloorDb + (step + 0.5) * kLevelStepDb;
    return kFullScale * std::pow(10.0, db / 20.0);
}

double to_db(double value) {
    return value > 0 ? 20.0 * std::log10(value / kFullScale) : kLevelFloorDb;
}

void close_window(ChannelLevels* c, uint32_t n) {
    const double mean = static_cast<double>(c->win_sum) / n;
    const double variance = static_cast<double>(c->win_squares) / n - mean * mean;
    ++c->windows;
    if (c->win_min == c->win_max) {
        ++c->silent_windows;
        c->silent_mean_sum += mean;
    } else {
        const unsigned s = step_of(std::sqrt(variance > 0 ? variance : 0));
        ++c->rms_steps[s];
        c->rms_mean_sums[s] += mean;
    }
    // The amplitude is half the peak-to-peak whatever the shape, so it never
    // exceeds the peak; one-sided windows are counted to know the shape.
    const double up = c->win_max - mean;
    const double down = mean - c->win_min;
    const unsigned s = step_of((c->win_max - c->win_min) / 2.0);
    ++c->amplitude_steps[s];
    if (up > kOneSidedRatio * down || down > kOneSidedRatio * up) ++c->pulse_amplitude_steps[s];
}

void envelope_push(Envelope* e, int32_t low, int32_t high) {
    if (e->windows_in_column == 0) {
        if (e->columns == kEnvelopeColumns) {
            // Full: every two columns become one, and each covers twice the time.
            for (unsigned i = 0; i < kEnvelopeColumns / 2; ++i) {
                e->low[i] = std::min(e->low[2 * i], e->low[2 * i + 1]);
                e->high[i] = std::max(e->high[2 * i], e->high[2 * i + 1]);
            }
            e->columns = kEnvelopeColumns / 2;
            e->windows_per_column *= 2;
        }
        e->low[e->columns] = static_cast<int16_t>(low);
        e->high[e->columns] = static_cast<int16_t>(high);
        ++e->columns;
    } else {
        const unsigned i = e->columns - 1;
        if (low < e->low[i]) e->low[i] = static_cast<int16_t>(low);
        if (high > e->high[i]) e->high[i] = static_cast<int16_t>(high);
    }
    if (++e->windows_in_column == e->windows_per_column) e->windows_in_column = 0;
}

/// One channel's samples of a span of frames into its window; `read` gives
/// the sample at a byte address, so each format gets a loop of its own.
template <typename Read>
void measure_samples(ChannelLevels* c, const uint8_t* p, size_t count, unsigned stride, Read read) {
    int32_t lo = c->win_min;
    int32_t hi = c->win_max;
    int64_t sum = 0;
    int64_t squares = 0;
    for (size_t i = 0; i < count; ++i, p += stride) {
        const int32_t x = read(p);
        lo = x < lo ? x : lo;
        hi = x > hi ? x : hi;
        sum += x;
        squares += static_cast<int64_t>(x) * x;
    }
    c->win_min = lo;
    c->win_max = hi;
    c->win_sum += sum;
    c->win_squares += squares;
    const int32_t peak = std::max(std::abs(lo), std::abs(hi));
    if (peak > c->peak) c->peak = peak;
}

void measure_span(ChannelLevels* c, const uint8_t* frames, size_t count, const FrameFormat& format,
                  unsigned channel) {
    const unsigned stride = format.frame_bytes;
    const uint8_t* p = frames + channel * format.sample_bytes;
    with_sample_format(format.format, [&](auto f) {
        using Format = decltype(f);
        measure_samples(c, p, count, stride, [](const uint8_t* q) {
            return static_cast<int32_t>(sample_at<Format::value>(q, false));
        });
    });
}

}  // namespace

void level_stats_start(LevelStats* st, unsigned channels, uint32_t rate,
                       unsigned envelope_channel) {
    *st = LevelStats{};
    st->channels = channels < kMaxLevelChannels ? channels : kMaxLevelChannels;
    st->envelope_channel = envelope_channel < st->channels ? envelope_channel : 0;
    const auto frames = static_cast<uint32_t>(rate * kWindowSeconds);
    st->window_frames = frames > 0 ? frames : 1;
}

void level_stats_frames(LevelStats* st, const uint8_t* frames, size_t count,
                        const FrameFormat& format) {
    while (count > 0) {
        if (st->in_window == 0) {
            for (unsigned c = 0; c < st->channels; ++c) {
                ChannelLevels& ch = st->channel[c];
                ch.win_min = ch.win_max = frame_sample_s16(frames, format, c);
                ch.win_sum = ch.win_squares = 0;
            }
        }
        const size_t span = std::min<size_t>(count, st->window_frames - st->in_window);
        for (unsigned c = 0; c < st->channels; ++c)
            measure_span(&st->channel[c], frames, span, format, c);
        st->in_window += static_cast<uint32_t>(span);
        st->frames += span;
        frames += span * format.frame_bytes;
        count -= span;
        if (st->in_window < st->window_frames) break;
        for (unsigned c = 0; c < st->channels; ++c) close_window(&st->channel[c], st->in_window);
        const ChannelLevels& e = st->channel[st->envelope_channel];
        envelope_push(&st->envelope, e.win_min, e.win_max);
        st->in_window = 0;
    }
}

ChannelSummary level_summary(const ChannelLevels& c) {
    ChannelSummary s;
    s.peak_db = to_db(c.peak);
    // Shorter than one window: the peak is all there is to go by.
    s.signal_db = s.peak_db;
    if (c.windows == 0) return s;
    const auto quiet = static_cast<uint64_t>(std::ceil(kQuietShare * c.windows));
    uint64_t seen = c.silent_windows;
    double mean_sum = c.silent_mean_sum;
    double noise = 0;
    s.silent_floor = seen >= quiet;
    for (unsigned i = 0; i < kLevelSteps && seen < quiet; ++i) {
        seen += c.rms_steps[i];
        mean_sum += c.rms_mean_sums[i];
        noise = step_value(i);
    }
    s.baseline = seen > 0 ? mean_sum / seen / kFullScale : 0;
    s.noise_db = s.silent_floor ? kLevelFloorDb : to_db(noise);
    const auto loud = static_cast<uint64_t>(std::ceil(kLoudShare * c.windows));
    uint64_t above = 0;
    uint64_t pulses = 0;
    unsigned top = kLevelSteps;
    while (top > 0 && above < loud) {
        above += c.amplitude_steps[--top];
        pulses += c.pulse_amplitude_steps[top];
    }
    s.one_sided = 2 * pulses > above;
    const double sigmas = kNoiseExtremeSigmas;
    // The step's middle may lie above the peak it was measured from.
    const double loudest = std::min(step_value(top), static_cast<double>(c.peak));
    // Quiet windows hardly quieter than the loud ones hold signal, not
    // silence; nor do they when the noise's extremes would swallow the signal.
    const double cleaned = loudest - sigmas * noise;
    s.noise_known = !s.silent_floor && loudest > kMinQuietRatio * noise && cleaned > noise;
    const double amplitude = s.noise_known ? cleaned : loudest;
    s.signal_db = to_db(amplitude);
    // Pulses to one side are as high as the whole swing, as vorlane-synth counts them.
    const double height = s.one_sided ? 2 * amplitude : amplitude;
    s.snr_db = s.noise_known ? 20.0 * std::log10(height / noise) : 0;
    return s;
}
