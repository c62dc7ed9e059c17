#pragma once

#include <cstddef>
#include <cstdint>

#include "htp_reader.h"
#include "synth_settings.h"

/// What the next stretch of the recording holds.
enum class PeriodKind {
    kSilence,  ///< baseline only
    kLong,     ///< a 0 bit
    kShort,    ///< half of a 1 bit
    kClosing,  ///< the rising edge that ends an image's last period, then baseline
    kEnd,      ///< the recording is complete
};

struct PeriodEvent {
    PeriodKind kind = PeriodKind::kEnd;
    double duration_us = 0;  ///< nominal, before wow and jitter
};

/// Where the plan stands in the list of images.
enum class PlanStage { kLeadIn, kBits, kClosing, kTail, kDone };

/// Walks the images: silence, the bits of every byte (most significant first), the
/// closing edge, silence between images, silence after the last.
struct PlanState {
    PlanStage stage = PlanStage::kLeadIn;
    size_t image = 0;           ///< image being played
    size_t byte = 0;            ///< next byte of that image, in play order
    int bit = 7;                ///< next bit of that byte, 7 = most significant
    bool second_short = false;  ///< the first half of a 1 bit has been planned
};

/// The checked images, read-only while planning.
struct PlanInput {
    const SynthImage* images;
    size_t count;
};

/// The next period of the recording; kEnd once everything has been planned.
PeriodEvent plan_next(PlanState* st, const PlanInput& in, const SynthSettings& settings);

/// How many bit periods (one per 0 bit, two per 1 bit) all the images hold.
uint64_t plan_bit_periods(const PlanInput& in);
