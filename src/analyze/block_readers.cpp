#include "analyze/block_readers.h"

namespace {

/// A block's name ends just after its sync byte; the margin covers the
/// two decoders placing the same edge a little apart.
constexpr double kMatchMarginSeconds = 0.1;

unsigned measured_count(const Analysis& a) {
    return a.tape.blocks_found < kMaxMeasuredBlocks ? a.tape.blocks_found : kMaxMeasuredBlocks;
}

unsigned tallied_count(const Analysis& a) {
    if (!a.default_ran) return 0;
    const unsigned n = a.defaults.blocks_found;
    return n < kMaxTalliedBlocks ? n : kMaxTalliedBlocks;
}

bool lies_in(const BlockMeasure& b, const TalliedBlock& d) {
    return d.sync_seconds >= b.sync.seconds - kMatchMarginSeconds &&
           d.sync_seconds <= b.end.seconds + kMatchMarginSeconds;
}

}  // namespace

bool recover_reads(const BlockMeasure& b) {
    return b.verdict == BlockVerdict::kGood || b.verdict == BlockVerdict::kRecovered;
}

int default_block_of(const Analysis& a, unsigned i) {
    const BlockMeasure& b = a.tape.blocks[i];
    for (unsigned j = 0; j < tallied_count(a); ++j)
        if (lies_in(b, a.defaults.blocks[j])) return static_cast<int>(j);
    return kNoMatch;
}

bool default_block_alone(const Analysis& a, unsigned j) {
    for (unsigned i = 0; i < measured_count(a); ++i)
        if (lies_in(a.tape.blocks[i], a.defaults.blocks[j])) return false;
    return true;
}

ReaderCounts count_readers(const Analysis& a) {
    ReaderCounts c;
    c.found = a.tape.blocks_found;
    c.by_default = a.default_ran ? a.defaults.written : 0;
    for (unsigned i = 0; i < measured_count(a); ++i) {
        const BlockMeasure& b = a.tape.blocks[i];
        const int j = default_block_of(a, i);
        const bool by_default =
            j != kNoMatch && a.defaults.blocks[j].verdict == TallyVerdict::kWritten;
        if (recover_reads(b)) ++c.by_recover;
        if (recover_reads(b) || by_default) continue;
        if (c.by_neither++ == 0) c.first_unread = b.has_doubt ? b.doubt.seconds : b.sync.seconds;
    }
    for (unsigned j = 0; j < tallied_count(a); ++j) {
        if (!default_block_alone(a, j)) continue;
        ++c.found;
        const TalliedBlock& d = a.defaults.blocks[j];
        if (d.verdict == TallyVerdict::kWritten) continue;
        if (c.by_neither++ == 0 || d.sync_seconds < c.first_unread) c.first_unread = d.sync_seconds;
    }
    return c;
}
