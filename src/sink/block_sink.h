#pragma once

// The one place every decoder hands its blocks to. It prints the block
// report lines as the decoder calls them (so warnings printed in between keep
// their place), writes each good block as an image or, with --join, into its
// chain, and prints the final count. A new kind of output is a change here.

#include <cstdint>

#include "report/json_writer.h"
#include "sink/block_record.h"
#include "sink/block_tally.h"
#include "sink/image_store.h"
#include "tape/tape_block.h"

struct BlockSink {
    ImageStore images;  ///< the files written and the files protected
    bool join = false;  ///< --join: blocks linked by the chain marker make one image
    /// --analyze's quiet run of the default decoder: blocks are kept here,
    /// nothing is printed and no image is written.
    BlockTally* tally = nullptr;
    JsonWriter* record = nullptr;  ///< --report: the run's record, open while the run goes
    BlockRecord pending;           ///< --report: the block being received
    BlockOrigin origin;            ///< where the next block is read, set by its decoder
};

/// A fresh sink; `join` as for --join.
void sink_start(BlockSink* sink, bool join);

/// The sync byte: where it was and the mean leader pulse distance.
void sink_sync(BlockSink* sink, uint64_t offset, double time, unsigned leader_average_us);

/// A name longer than the tape allows; the block is abandoned.
void sink_name_too_long(BlockSink* sink, uint32_t bytes);

/// A name was accepted (start_time set): a named block ends a pending chain.
void sink_named(BlockSink* sink, const TapeBlock& block);

/// The start address and the length have arrived.
void sink_block_header(BlockSink* sink, const TapeBlock& block);

/// The checksum byte arrived (stop_time set); `computed` is the sum of the
/// data. A failed block ends a pending chain and is never written.
void sink_checksum(BlockSink* sink, const TapeBlock& block, uint8_t computed, bool match);

/// A good block is finished (with its marker under --join): its image, or
/// its place in the chain.
void sink_block_good(BlockSink* sink, const TapeBlock& block);

/// The recording has ended: closes a pending chain and prints the count.
void sink_finish(BlockSink* sink);

/// True when an output could not be written completely.
inline bool sink_failed(const BlockSink& sink) {
    return sink.images.failed;
}
