#include "period_plan.h"

#include <bit>

namespace {

constexpr double kUsPerSecond = 1e6;

PeriodEvent event(PeriodKind kind, double duration_us) {
    return PeriodEvent{kind, duration_us};
}

/// One period of the current bit; advances to the next bit or byte when it is done.
PeriodEvent next_bit_period(PlanState* st, const PlanInput& in, const SynthSettings& s) {
    const SynthImage& image = in.images[st->image];
    const uint8_t byte = image.bytes[st->byte];
    const bool one = ((byte >> st->bit) & 1) != 0;
    if (one && !st->second_short) {
        st->second_short = true;
        return event(PeriodKind::kShort, s.short_period_us);
    }
    st->second_short = false;
    if (--st->bit < 0) {
        st->bit = 7;
        if (++st->byte == image.size) st->stage = PlanStage::kClosing;
    }
    return one ? event(PeriodKind::kShort, s.short_period_us)
               : event(PeriodKind::kLong, s.long_period_us);
}

}  // namespace

PeriodEvent plan_next(PlanState* st, const PlanInput& in, const SynthSettings& s) {
    switch (st->stage) {
        case PlanStage::kLeadIn: {
            const double seconds = st->image == 0 ? s.silence_before_s : s.silence_between_s;
            st->byte = 0;
            st->bit = 7;
            st->second_short = false;
            // A checked image holds at least its sync byte, so there is always a bit.
            st->stage = PlanStage::kBits;
            return event(PeriodKind::kSilence, seconds * kUsPerSecond);
        }
        case PlanStage::kBits:
            return next_bit_period(st, in, s);
        case PlanStage::kClosing:
            if (++st->image < in.count) {
                st->stage = PlanStage::kLeadIn;
            } else {
                st->stage = PlanStage::kTail;
            }
            // As long as a short period, so that its pulse has room to rise and fall.
            return event(PeriodKind::kClosing, s.short_period_us);
        case PlanStage::kTail:
            st->stage = PlanStage::kDone;
            return event(PeriodKind::kSilence, s.silence_after_s * kUsPerSecond);
        case PlanStage::kDone:
            break;
    }
    return event(PeriodKind::kEnd, 0);
}

uint64_t plan_bit_periods(const PlanInput& in) {
    uint64_t periods = 0;
    for (size_t i = 0; i < in.count; ++i) {
        for (size_t k = 0; k < in.images[i].size; ++k) {
            // A 1 bit is two short periods: eight bits plus the number of ones.
            periods += 8 + static_cast<uint64_t>(std::popcount(in.images[i].bytes[k]));
        }
    }
    return periods;
}
