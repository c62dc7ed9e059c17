#include "sink/block_sink.h"

#include <cstdio>

#include "tape/block_report.h"

void sink_start(BlockSink* sink, bool join) {
    *sink = BlockSink{};
    sink->join = join;
}

void sink_sync(BlockSink* sink, uint64_t offset, double time, unsigned leader_average_us) {
    if (sink->tally != nullptr) return tally_sync(sink->tally, offset, time);
    if (sink->record != nullptr)
        record_sync(sink->record, &sink->pending, offset, time, sink->origin);
    report_sync(offset, time, leader_average_us);
}

void sink_name_too_long(BlockSink* sink, uint32_t bytes) {
    if (sink->tally != nullptr) return;
    if (sink->record != nullptr) record_aborted(sink->record, &sink->pending);
    report_name_too_long(bytes);
}

void sink_named(BlockSink* sink, const TapeBlock& block) {
    if (sink->tally != nullptr) return tally_named(sink->tally, block);
    if (sink->record != nullptr) record_named(&sink->pending, block);
    report_name(block);
    // Later blocks of a chain have an empty name.
    if (sink->join && image_store_chain_pending(sink->images) && block.name_length > 1)
        image_store_chain_close(&sink->images, "a block with a name followed");
}

void sink_block_header(BlockSink* sink, const TapeBlock& block) {
    if (sink->tally != nullptr) return;
    if (sink->record != nullptr) record_header(&sink->pending, block);
    report_block_header(block);
}

void sink_checksum(BlockSink* sink, const TapeBlock& block, uint8_t computed, bool match) {
    if (sink->tally != nullptr) {
        if (!match) tally_checksum_failed(sink->tally);
        return;
    }
    if (sink->record != nullptr)
        record_checksum(sink->record, &sink->pending, block, computed, match);
    report_checksum(block, computed, match);
    if (!match && sink->join && image_store_chain_pending(sink->images))
        image_store_chain_close(&sink->images, "the next block failed its checksum");
}

void sink_block_good(BlockSink* sink, const TapeBlock& block) {
    if (sink->tally != nullptr) return tally_good(sink->tally);
    const unsigned before = sink->images.files_written;
    if (!sink->join) {
        image_store_block(&sink->images, block);
        if (sink->record == nullptr) return;
        char file_name[kImageFileNameBytes];
        image_file_name(block, file_name, sizeof file_name);
        char name[kImagePathBytes];
        image_path(sink->images.folder, file_name, name, sizeof name);
        record_good(sink->record, &sink->pending,
                    sink->images.files_written > before ? name : nullptr, 0);
        return;
    }
    image_store_chain_append(&sink->images, block);
    // In a chain the image is the chain's, written when the chain ends.
    if (sink->record != nullptr)
        record_good(sink->record, &sink->pending, sink->images.chain.name,
                    sink->images.chain.blocks);
    if (block.marker != kChainMarker) image_store_chain_close(&sink->images, nullptr);
}

void sink_finish(BlockSink* sink) {
    if (sink->tally != nullptr) return;
    if (sink->record != nullptr) record_finish(sink->record, &sink->pending);
    if (sink->join && image_store_chain_pending(sink->images))
        image_store_chain_close(&sink->images, "the recording ended");
    const unsigned written = sink->images.files_written;
    if (written > 0) std::printf("Finished writing output file(s). ");
    std::printf("%u file(s) created.\n", written);
    std::fflush(stdout);
}
