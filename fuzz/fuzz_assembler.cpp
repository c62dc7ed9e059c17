// The block assembler fed arbitrary bit events.
//
// Input: a byte of settings (bit 0 verbose, bits 1-4 pick the rate, bit 5
// reads the marker), then one byte per bit event: bit 0 is the bit; with bit 1
// clear bits 2-7 give a pulse length of 0..63 samples, with bit 1 set the next
// four bytes give any 32-bit length.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "decoder/block_assembler.h"
#include "fuzz_common.h"
#include "image/image_writer.h"
#include "wav/wav_header.h"

namespace {

constexpr uint32_t kRates[] = {1,      658,     7999,        8000,       11025,  22050,
                               44100,  48000,   96000,       192000,     658552, 658553,
                               808000, 1000000, 2147483647u, 4294967295u};

AssemblerState g_state;  // holds a whole tape block: kept off the stack

/// What must hold after every event, whatever came before.
void check_invariants(const AssemblerState& st) {
    const TapeBlock& b = st.block;
    const unsigned length = block_data_length(b);
    if (st.phase == AssemblerPhase::kName) FUZZ_CHECK(st.bit_count < 8);
    if (st.phase == AssemblerPhase::kHeader)
        FUZZ_CHECK(st.byte_index < kBlockHeaderBytes && b.name_length >= 1 &&
                   b.name_length <= kMaxNameBytes && b.name[b.name_length - 1] == 0);
    if (st.phase == AssemblerPhase::kData)
        FUZZ_CHECK(st.byte_index <= length && st.remaining + st.byte_index == length);
    if (st.phase == AssemblerPhase::kComplete)
        FUZZ_CHECK(st.byte_index == length + 1u && st.checksum <= 1);
    FUZZ_CHECK(st.history_index < kPulseHistoryEntries && st.warning_budget >= 0 &&
               st.warning_budget <= kWarningBudget);
}

/// A finished good block: its checksum matches and its image name stays in
/// the current directory.
void check_finished_block(const TapeBlock& b) {
    const unsigned length = block_data_length(b);
    unsigned sum = 0;
    for (unsigned i = 0; i < length; ++i) sum += b.data[i];
    FUZZ_CHECK(b.data[length] == static_cast<uint8_t>(sum));
    FUZZ_CHECK(b.name_length >= 1 && b.name_length <= kMaxNameBytes);
    char name[kImageFileNameBytes];
    image_file_name(b, name, sizeof name);
    FUZZ_CHECK(std::strchr(name, '/') == nullptr);
    FUZZ_CHECK(std::strlen(name) < sizeof name - 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool verbose = (data[0] & 0x01) != 0;
    const uint32_t rate = kRates[(data[0] >> 1) & 0x0F];
    g_state = AssemblerState{};
    g_state.reads_marker = (data[0] & 0x20) != 0;  // as --join reads the byte after the checksum
    uint64_t offset = 44;
    size_t at = 1;
    while (at < size) {
        const uint8_t b = data[at++];
        uint32_t length = b >> 2;
        if (b & 0x02) {
            uint8_t wide[4] = {};
            for (unsigned i = 0; i < 4 && at < size; ++i) wide[i] = data[at++];
            length = read_le32(wide);
        }
        offset += length;
        // Both pulse flags as a long pulse could carry them.
        const bool flagged = (b & 0x03) == 0x02;
        const BitEvent ev{b & 0x01, length, offset, static_cast<double>(offset - 44) / rate,
                          flagged,  flagged};
        if (assembler_push(&g_state, ev, rate, verbose) == AssemblerEvent::kBlockDone)
            check_finished_block(g_state.block);
        check_invariants(g_state);
    }
    return 0;
}
