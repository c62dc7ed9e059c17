#include "sink/block_sink.h"

#include <cstdio>

#include "tape/block_report.h"

void sink_start(BlockSink* sink, bool join) {
    *sink = BlockSink{};
    sink->join = join;
}

void sink_sync(BlockSink* sink, uint64_t offset, double time, unsigned leader_average_us) {
    if (sink->tally != nullptr) return tally_sync(sink->tally, offset, time);
    report_sync(offset, time, leader_average_us);
}

void sink_name_too_long(BlockSink* sink, uint32_t bytes) {
    if (sink->tally == nullptr) report_name_too_long(bytes);
}

void sink_named(BlockSink* sink, const TapeBlock& block) {
    if (sink->tally != nullptr) return tally_named(sink->tally, block);
    report_name(block);
    // Later blocks of a chain have an empty name.
    if (sink->join && image_store_chain_pending(sink->images) && block.name_length > 1)
        image_store_chain_close(&sink->images, "a block with a name followed");
}

void sink_block_header(BlockSink* sink, const TapeBlock& block) {
    if (sink->tally == nullptr) report_block_header(block);
}

void sink_checksum(BlockSink* sink, const TapeBlock& block, uint8_t computed, bool match) {
    if (sink->tally != nullptr) {
        if (!match) tally_checksum_failed(sink->tally);
        return;
    }
    report_checksum(block, computed, match);
    if (!match && sink->join && image_store_chain_pending(sink->images))
        image_store_chain_close(&sink->images, "the next block failed its checksum");
}

void sink_block_good(BlockSink* sink, const TapeBlock& block) {
    if (sink->tally != nullptr) return tally_good(sink->tally);
    if (!sink->join) {
        image_store_block(&sink->images, block);
        return;
    }
    image_store_chain_append(&sink->images, block);
    if (block.marker != kChainMarker) image_store_chain_close(&sink->images, nullptr);
}

void sink_finish(BlockSink* sink) {
    if (sink->tally != nullptr) return;
    if (sink->join && image_store_chain_pending(sink->images))
        image_store_chain_close(&sink->images, "the recording ended");
    const unsigned written = sink->images.files_written;
    if (written > 0) std::printf("Finished writing output file(s). ");
    std::printf("%u file(s) created.\n", written);
    std::fflush(stdout);
}
