#include <cstdio>
#include <cstring>
#include <memory>

#include "recover/take_merge.h"

namespace {

/// "takes 1 and 3", "takes 1, 2 and 3", or for copies in one take "2 copies".
void describe_sources(const TakeBook& book, unsigned group, char* text, size_t bytes) {
    unsigned takes[kMaxTakes];
    unsigned take_count = 0;
    unsigned copies = 0;
    for (unsigned e = 0; e < book.entry_count; ++e) {
        const BookEntry& entry = book.entries[e];
        if (entry.group != group || !entry.has_bytes) continue;
        ++copies;
        if (take_count == 0 || takes[take_count - 1] != entry.take)
            takes[take_count++] = entry.take;
    }
    if (take_count < 2) {
        std::snprintf(text, bytes, "%u copies", copies);
        return;
    }
    size_t used = static_cast<size_t>(std::snprintf(text, bytes, "takes %u", takes[0]));
    for (unsigned k = 1; k < take_count && used < bytes; ++k) {
        const char* joint = k + 1 == take_count ? " and " : ", ";
        used +=
            static_cast<size_t>(std::snprintf(text + used, bytes - used, "%s%u", joint, takes[k]));
    }
}

/// The first take's entry of a group: its lines give the block's place and times.
const BookEntry& first_entry(const TakeBook& book, unsigned group) {
    unsigned e = 0;
    while (book.entries[e].group != group) ++e;
    return book.entries[e];
}

void report_merged(const TakeBook& book, unsigned group, const MergeOutcome& o, TapeBlock* b,
                   BlockSink* sink) {
    const BookEntry& first = first_entry(book, group);
    std::memcpy(b->start_time, first.start_time, kTimeTextBytes);
    std::memcpy(b->stop_time, first.stop_time, kTimeTextBytes);
    b->marker = first.marker;
    sink->origin =
        BlockOrigin{.channel = first.channel, .inverted = first.inverted, .recovery = {}};
    BlockRecovery& r = sink->origin.recovery;
    r.method = "merge";
    r.reading = r.readings = o.readings;
    r.wrong_chance = o.wrong_chance;
    for (unsigned e = 0; e < book.entry_count; ++e) {
        if (book.entries[e].group != group || !book.entries[e].has_bytes) continue;
        r.merged_takes |= 1u << (book.entries[e].take - 1);
        ++r.merged_readings;
    }
    sink_sync(sink, first.sync_offset, first.sync_time, first.leader_us);
    sink_named(sink, *b);
    sink_block_header(sink, *b);
    const uint32_t n = group_bytes(book.groups[group]);
    uint8_t sum = 0;
    for (uint32_t i = 0; i + 1 < n; ++i) sum = static_cast<uint8_t>(sum + b->data[i]);
    sink_checksum(sink, *b, sum, true);
    char sources[64];
    describe_sources(book, group, sources, sizeof sources);
    std::fprintf(stderr, "  Recovered: merged from %s, reading %u.\n", sources, o.readings);
    // A merged block is an image of its own, also under --join.
    const bool join = sink->join;
    sink->join = false;
    sink_block_good(sink, *b);
    sink->join = join;
}

}  // namespace

void book_merge(const TakeBook& book, BlockSink* sink) {
    std::unique_ptr<TapeBlock> block;
    for (unsigned g = 0; g < book.group_count; ++g) {
        if (book.groups[g].written_by != 0) continue;
        if (block == nullptr) block = std::make_unique<TapeBlock>();
        const MergeOutcome o = merge_group(book, g, block.get());
        if (!o.accepted) continue;
        if (sink->join && image_store_chain_pending(sink->images))
            image_store_chain_close(&sink->images, "the recording ended");
        report_merged(book, g, o, block.get(), sink);
    }
}
