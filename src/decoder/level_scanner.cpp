#include "decoder/level_scanner.h"

#include "decoder/conditioner.h"
#include "decoder/pulse_detector.h"

namespace {

constexpr int kLowestInput = -128;
constexpr int kHighestInput = 127;

/// Comparator input of a conditioning input h when conditioning is a pure function.
double comparator_input(int h, const ConditionerLimits& cond) {
    ConditionerState unused;
    return condition_sample<false, false>(&unused, h, cond, nullptr).comparator_input;
}

/// The inputs h for which `in_set` holds, as one range; fails if they are
/// not contiguous.
template <class Predicate>
bool collect_range(Predicate in_set, RawRange* out) {
    *out = RawRange{};
    bool closed = false;
    for (int h = kLowestInput; h <= kHighestInput; ++h) {
        if (!in_set(h)) {
            if (!out->empty) closed = true;
            continue;
        }
        if (closed) return false;
        if (out->empty) {
            out->empty = false;
            out->low = h;
        }
        out->span = static_cast<unsigned>(h - out->low);
    }
    return true;
}

RawRange make_range(int low, int high) {
    return RawRange{low, static_cast<unsigned>(high - low), false};
}

/// Signed 16-bit samples whose conditioning input (truncated toward zero)
/// lies in the range of inputs `r`.
RawRange sample_range(RawRange r) {
    const int high_input = r.low + static_cast<int>(r.span);
    const int low = r.low > 0 ? r.low * kSampleScale : r.low * kSampleScale - (kSampleScale - 1);
    const int high =
        high_input < 0 ? high_input * kSampleScale : high_input * kSampleScale + (kSampleScale - 1);
    return make_range(low < INT16_MIN ? INT16_MIN : low, high);
}

/// The range of inputs `r` as stored values of the frame's format.
RawRange stored_range(RawRange r, const FrameFormat& f) {
    if (r.empty) return r;
    const int high_input = r.low + static_cast<int>(r.span);
    if (f.format == SampleFormat::kUnsigned8) {
        // h = byte - 128, or 127 - byte when inverted.
        return f.inverted ? make_range(127 - high_input, 127 - r.low)
                          : make_range(r.low + 128, high_input + 128);
    }
    const RawRange s = sample_range(r);
    if (!f.inverted) return s;
    // The stored value is the complement ~v = -1 - v of the sample.
    const int high = s.low + static_cast<int>(s.span);
    return make_range(-1 - high, -1 - s.low);
}

}  // namespace

LevelRanges level_ranges(const ConditionerLimits& cond, double rise_level,
                         const FrameFormat& frame) {
    LevelRanges r;
    const bool falls_ok =
        collect_range([&](int h) { return comparator_input(h, cond) < kFallLevel; }, &r.falls);
    const bool rises_ok =
        collect_range([&](int h) { return comparator_input(h, cond) > rise_level; }, &r.rises);
    r.usable = falls_ok && rises_ok;
    r.falls = stored_range(r.falls, frame);
    r.rises = stored_range(r.rises, frame);
    return r;
}
