#include "wav/frame_carry.h"

#include <cstring>

void frame_carry_start(FrameCarry* c, unsigned frame_bytes) {
    if (c->held == nullptr || c->frame_bytes < frame_bytes)
        c->held = std::make_unique_for_overwrite<uint8_t[]>(frame_bytes);
    c->frame_bytes = frame_bytes;
    c->held_bytes = 0;
}

bool frame_carry_next(FrameCarry* c, const uint8_t** bytes, size_t* left, FrameRun* run) {
    const unsigned fb = c->frame_bytes;
    if (c->held_bytes > 0) {
        const size_t missing = fb - c->held_bytes;
        const size_t take = *left < missing ? *left : missing;
        std::memcpy(c->held.get() + c->held_bytes, *bytes, take);
        c->held_bytes += static_cast<unsigned>(take);
        *bytes += take;
        *left -= take;
        if (c->held_bytes < fb) return false;
        c->held_bytes = 0;
        *run = FrameRun{c->held.get(), 1};
        return true;
    }
    if (*left >= fb) {
        const size_t frames = *left / fb;
        *run = FrameRun{*bytes, frames};
        *bytes += frames * fb;
        *left -= frames * fb;
        return true;
    }
    if (*left > 0) std::memcpy(c->held.get(), *bytes, *left);
    c->held_bytes = static_cast<unsigned>(*left);
    *bytes += *left;
    *left = 0;
    return false;
}
