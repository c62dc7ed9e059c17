#include "recover/take_book.h"

#include <cstring>

#include "recover/anchored_reading.h"
#include "recover/recover_report.h"
#include "recover/recover_tape.h"
#include "tape/block_report.h"

namespace {

bool same_group(const BookGroup& g, const TapeBlock& b, const TakeBook& book) {
    return g.name_length == b.name_length && std::memcmp(g.name, b.name, b.name_length) == 0 &&
           g.program_length == book.program_length &&
           std::memcmp(g.program, book.program, book.program_length) == 0 &&
           g.chain_place == book.chain_place &&
           std::memcmp(g.header, b.header, kBlockHeaderBytes) == 0;
}

/// The program a block belongs to: a named block starts one (or goes on with
/// it, for another copy), an unnamed one takes the next place in the chain.
void follow_program(TakeBook* book, const TapeBlock& b) {
    if (b.name_length <= 1) {
        ++book->chain_place;
        return;
    }
    const bool same = b.name_length == book->program_length &&
                      std::memcmp(b.name, book->program, b.name_length) == 0;
    if (!same) book->run_first = book->entry_count;
    std::memcpy(book->program, b.name, b.name_length);
    book->program_length = b.name_length;
    book->chain_place = 0;
}

/// The group of a block: a copy in the current program's run of this take,
/// else the n-th such block of every take, else a new one.
int find_group(TakeBook* book, const TapeBlock& b) {
    for (unsigned e = book->run_first; e < book->entry_count; ++e) {
        const unsigned g = book->entries[e].group;
        if (same_group(book->groups[g], b, *book)) return static_cast<int>(g);
    }
    unsigned occurrence = 0;
    unsigned last = UINT32_MAX;
    for (unsigned e = book->take_first; e < book->entry_count; ++e) {
        const unsigned g = book->entries[e].group;
        if (g != last && same_group(book->groups[g], b, *book)) ++occurrence, last = g;
    }
    for (unsigned g = 0; g < book->group_count; ++g) {
        if (same_group(book->groups[g], b, *book) && book->groups[g].occurrence == occurrence)
            return static_cast<int>(g);
    }
    if (book->group_count == kMaxBookGroups) return -1;
    BookGroup& n = book->groups[book->group_count];
    n = BookGroup{};
    std::memcpy(n.name, b.name, b.name_length);
    n.name_length = b.name_length;
    std::memcpy(n.program, book->program, book->program_length);
    n.program_length = book->program_length;
    n.chain_place = book->chain_place;
    std::memcpy(n.header, b.header, kBlockHeaderBytes);
    n.occurrence = occurrence;
    return static_cast<int>(book->group_count++);
}

/// The data and checksum of a block, folded.
uint32_t data_hash(const TapeBlock& b, uint32_t n) {
    uint32_t h = 2166136261u;
    for (uint32_t i = 0; i < n; ++i) h = (h ^ b.data[i]) * 16777619u;
    return h;
}

/// Where and when the block's lines place it.
void note_place(BookEntry* e, const RecoveryOutcome& o, const EdgeLog& log,
                const RecoverInput& input) {
    const BlockReading& r = o.reading;
    const EdgePlace sync = edge_place(log, r.sync_edge, input);
    e->sync_offset = sync.offset;
    e->sync_time = sync.time;
    e->leader_us = reading_leader_us(r, input.rate);
    e->inverted = !o.rising;
    format_timestamp(edge_place(log, r.name_edge, input).time, e->start_time, kTimeTextBytes);
    if (r.phase == ReadPhase::kComplete) {
        format_timestamp(edge_place(log, r.stop_edge, input).time, e->stop_time, kTimeTextBytes);
        e->marker = reading_marker(log, o);
    }
}

}  // namespace

void book_start_take(TakeBook* book, unsigned take) {
    book->take = take;
    book->take_first = book->entry_count;
    book->run_first = book->entry_count;
    book->program_length = 0;
    book->chain_place = 0;
}

WriteVerdict book_note(TakeBook* book, const RecoveryOutcome& o, const EdgeLog& log,
                       double leader_q, unsigned channel, const RecoverInput& input) {
    const BlockReading& r = o.reading;
    if (r.phase != ReadPhase::kData && r.phase != ReadPhase::kComplete) return WriteVerdict{};
    const TapeBlock& b = *r.block;
    follow_program(book, b);
    const int found = find_group(book, b);
    if (found < 0 || book->entry_count == kMaxBookEntries) return WriteVerdict{};
    BookGroup& g = book->groups[found];
    BookEntry& e = book->entries[book->entry_count++];
    e = BookEntry{};
    e.take = book->take;
    e.group = static_cast<unsigned>(found);
    e.accepted = o.accepted;
    e.channel = channel + 1;
    note_place(&e, o, log, input);
    if (o.accepted) {
        const uint32_t hash = data_hash(b, group_bytes(g));
        if (g.written_by != 0 && g.written_by != book->take)
            return WriteVerdict{g.written_by, g.written_hash != hash};
        g.written_by = book->take;
        g.written_hash = hash;
        return WriteVerdict{};
    }
    const uint32_t n = group_bytes(g);
    if (kBookPoolBytes - book->pool_used >= n) {
        e.pool_at = book->pool_used;
        e.has_bytes = true;
        book->pool_used += n;
        read_anchored(log, o.rising, leader_q, r, book->bytes + e.pool_at, book->codes + e.pool_at);
    }
    return WriteVerdict{};
}
