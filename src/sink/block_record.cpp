#include "sink/block_record.h"

#include <cstring>

namespace {

void write_origin(JsonWriter* w, const BlockOrigin& o) {
    json_uint(w, "channel", o.channel);
    json_text(w, "polarity", o.inverted ? "inverted" : "as recorded");
    const BlockRecovery& r = o.recovery;
    if (r.method == nullptr) return json_null(w, "recovery");
    json_begin_object(w, "recovery");
    json_text(w, "method", r.method);
    json_uint_if(w, "reading", r.reading > 0, r.reading);
    json_uint(w, "readings", r.readings);
    json_uint(w, "pulses_reread", r.pulses_reread);
    json_number(w, "wrong_chance", r.wrong_chance);
    if (r.merged_readings > 0) {
        json_begin_array(w, "merged_takes");
        for (unsigned k = 0; k < 32; ++k)
            if (r.merged_takes >> k & 1) json_uint(w, nullptr, k + 1);
        json_end_array(w);
        json_uint(w, "merged_readings", r.merged_readings);
    }
    json_end_object(w);
}

/// Writes the pending block with its verdict and image, and forgets it.
void write_block(JsonWriter* w, BlockRecord* r, const char* verdict, const char* image,
                 unsigned chain_place) {
    if (!r->pending) return;
    if (!r->array_open) json_begin_array(w, "blocks");
    r->array_open = true;
    const auto* name = reinterpret_cast<const uint8_t*>(r->name);
    json_begin_object(w, nullptr);
    if (r->named) {
        json_bytes(w, "name", name, r->name_bytes);
        json_hex(w, "name_hex", name, r->name_bytes);
        json_text(w, "start_time", r->start_time);
    } else {
        json_null(w, "name");
    }
    json_begin_object(w, "sync");
    json_number(w, "seconds", r->sync_seconds);
    json_uint(w, "offset", r->sync_offset);
    json_end_object(w);
    if (r->has_header) {
        json_uint(w, "address", r->address);
        json_uint(w, "length", r->length);
    }
    if (r->checksum_seen) {
        json_uint(w, "checksum_received", r->received);
        json_uint(w, "checksum_computed", r->computed);
    }
    json_text(w, "verdict", verdict);
    json_text(w, "image", image);
    if (chain_place > 0) json_uint(w, "chain_place", chain_place);
    write_origin(w, r->origin);
    json_end_object(w);
    *r = BlockRecord{};
    r->array_open = true;
}

/// A block the recording or the next sync cut short, or one its decoder kept back.
void close_pending(JsonWriter* w, BlockRecord* r) {
    write_block(w, r, r->checksum_seen && r->match ? "not written" : "incomplete", nullptr, 0);
}

}  // namespace

void record_sync(JsonWriter* w, BlockRecord* r, uint64_t offset, double seconds,
                 const BlockOrigin& origin) {
    close_pending(w, r);
    r->pending = true;
    r->origin = origin;
    r->sync_offset = offset;
    r->sync_seconds = seconds;
}

void record_named(BlockRecord* r, const TapeBlock& block) {
    r->named = true;
    r->name_bytes = block.name_length > 0 ? block.name_length - 1 : 0;
    if (r->name_bytes >= kMaxNameBytes) r->name_bytes = kMaxNameBytes - 1;
    std::memcpy(r->name, block.name, r->name_bytes);
    std::memcpy(r->start_time, block.start_time, kTimeTextBytes);
}

void record_header(BlockRecord* r, const TapeBlock& block) {
    r->has_header = true;
    r->address = block_start_address(block);
    r->length = block_data_length(block);
}

void record_checksum(JsonWriter* w, BlockRecord* r, const TapeBlock& block, uint8_t computed,
                     bool match) {
    r->checksum_seen = true;
    r->received = block.data[block_data_length(block)];
    r->computed = computed;
    r->match = match;
    if (!match) write_block(w, r, "CRC error", nullptr, 0);
}

void record_aborted(JsonWriter* w, BlockRecord* r) {
    write_block(w, r, "aborted: name too long", nullptr, 0);
}

void record_good(JsonWriter* w, BlockRecord* r, const char* image, unsigned chain_place) {
    write_block(w, r, image != nullptr ? "written" : "not written: the image could not be written",
                image, chain_place);
}

void record_finish(JsonWriter* w, BlockRecord* r) {
    close_pending(w, r);
    if (!r->array_open) json_begin_array(w, "blocks");
    json_end_array(w);
}
