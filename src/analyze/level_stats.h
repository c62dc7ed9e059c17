#pragma once

// The levels of each channel, measured over windows of 10 ms: the peak, and
// per window its mean, its RMS around that mean and its largest deviation
// from it, kept in histograms of 0.25 dB steps. The quietest windows give
// the baseline and the noise floor, the loudest the signal's amplitude.
// One window row per channel and the envelope of one channel make the
// whole state: its size does not depend on the recording's length.

#include <cstddef>
#include <cstdint>

#include "wav/frame_reader.h"

constexpr unsigned kMaxLevelChannels = 8;
/// Histogram steps: 0.25 dB from -120 dBFS to 0 dBFS.
constexpr unsigned kLevelSteps = 480;
constexpr double kLevelStepDb = 0.25;
constexpr double kLevelFloorDb = -120.0;
/// Columns of the envelope; it halves its resolution when they are full.
constexpr unsigned kEnvelopeColumns = 1024;

struct ChannelLevels {
    int32_t peak = 0;     ///< largest |sample|, signed 16-bit scale
    int32_t win_min = 0;  ///< the window being measured
    int32_t win_max = 0;
    int64_t win_sum = 0;
    int64_t win_squares = 0;
    uint64_t windows = 0;                              ///< windows measured
    uint64_t silent_windows = 0;                       ///< windows of one constant value
    double silent_mean_sum = 0;                        ///< their means, summed
    uint32_t rms_steps[kLevelSteps] = {};              ///< windows by RMS around their mean
    double rms_mean_sums[kLevelSteps] = {};            ///< their means, summed, per step
    uint32_t amplitude_steps[kLevelSteps] = {};        ///< windows by half their peak-to-peak
    uint32_t pulse_amplitude_steps[kLevelSteps] = {};  ///< those of one-sided windows
};

/// Minimum and maximum of the signal per column, over the whole recording.
struct Envelope {
    int16_t low[kEnvelopeColumns] = {};
    int16_t high[kEnvelopeColumns] = {};
    unsigned columns = 0;             ///< columns complete
    uint64_t windows_per_column = 1;  ///< doubles when the columns are full
    uint64_t windows_in_column = 0;   ///< of the column being filled
};

struct LevelStats {
    unsigned channels = 1;  ///< measured, up to kMaxLevelChannels
    unsigned envelope_channel = 0;
    uint32_t window_frames = 1;  ///< frames per window
    uint32_t in_window = 0;      ///< frames of the current window so far
    uint64_t frames = 0;         ///< frames measured
    ChannelLevels channel[kMaxLevelChannels];
    Envelope envelope;
};

/// What the histograms say about one channel, in dBFS (full scale 32768).
struct ChannelSummary {
    double peak_db = 0;
    double baseline = 0;        ///< mean of the quietest windows, fraction of full scale
    bool silent_floor = false;  ///< the quietest windows held one constant value
    double noise_db = 0;        ///< RMS of the quietest windows
    double signal_db = 0;       ///< half the peak-to-peak of the loudest windows, noise removed
    bool one_sided = false;     ///< the loudest windows hold pulses to one side of the baseline
    bool noise_known = false;   ///< the quietest windows were silence with noise
    double snr_db =
        0;  ///< signal (pulses to one side: their whole height) over noise, when noise_known
};

void level_stats_start(LevelStats* st, unsigned channels, uint32_t rate, unsigned envelope_channel);

/// Measures `count` whole frames.
void level_stats_frames(LevelStats* st, const uint8_t* frames, size_t count,
                        const FrameFormat& format);

ChannelSummary level_summary(const ChannelLevels& c);
