// Per-stage microbenchmarks over a synthesized pulse train.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "decoder/block_assembler.h"
#include "decoder/conditioner.h"
#include "decoder/level_scanner.h"
#include "decoder/pulse_detector.h"
#include "decoder/stage_limits.h"
#include "settings.h"
#include "wav/frame_reader.h"

namespace {

constexpr size_t kSamples = 1 << 20;

/// An 8- or 16-bit mono pulse train: random bits, 36- and 72-sample periods.
std::vector<uint8_t> pulse_train(int bits) {
    std::vector<uint8_t> out;
    uint32_t seed = 7;
    size_t samples = 0;
    while (samples < kSamples) {
        seed = seed * 1664525u + 1013904223u;
        const unsigned period = (seed >> 31) ? 36 : 72;
        for (unsigned i = 0; i < period && samples < kSamples; ++i, ++samples) {
            const int level = i < 6 ? 100 : 0;
            if (bits == 16) {
                const auto v = static_cast<uint16_t>(static_cast<int16_t>(level * 256));
                out.push_back(static_cast<uint8_t>(v & 0xFF));
                out.push_back(static_cast<uint8_t>(v >> 8));
            } else {
                out.push_back(static_cast<uint8_t>(level + 128));
            }
        }
    }
    return out;
}

FrameFormat mono(int bits) {
    FrameFormat f;
    f.format = bits == 16 ? SampleFormat::kSigned16 : SampleFormat::kUnsigned8;
    f.sample_bytes = f.frame_bytes = bits == 16 ? 2 : 1;
    return f;
}

StageLimits limits(int bits, const ConverterSettings& s = ConverterSettings{}) {
    return derive_limits(mono(bits), 44100, 0, s);
}

void BM_ReadSamples(benchmark::State& state) {
    const int bits = static_cast<int>(state.range(0));
    const std::vector<uint8_t> data = pulse_train(bits);
    const FrameFormat f = mono(bits);
    for (auto _ : state) {
        int sum = 0;
        for (size_t i = 0; i < kSamples; ++i) sum += frame_sample(&data[i * f.frame_bytes], f);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kSamples));
}
BENCHMARK(BM_ReadSamples)->Arg(8)->Arg(16);

/// The comparator by range scans: what the default options cost per sample.
void BM_LevelScan(benchmark::State& state) {
    const int bits = static_cast<int>(state.range(0));
    const std::vector<uint8_t> data = pulse_train(bits);
    const StageLimits lim = limits(bits);
    for (auto _ : state) {
        PulseDetectorState st;
        pulse_detector_reset(&st, lim.detector);
        pulse_detector_offer_scan(&st, lim);
        size_t next = 0, bits_found = 0;
        BitEvent ev;
        while (pulse_detector_scan(&st, FrameSpan{data.data(), kSamples, 0}, lim.frame, &next,
                                   lim.detector, &ev))
            ++bits_found;
        benchmark::DoNotOptimize(bits_found);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kSamples));
}
BENCHMARK(BM_LevelScan)->Arg(8)->Arg(16);

/// The conditioner, per option set: 0 none, 1 filter, 2 edge mode, 3 both.
void BM_Conditioner(benchmark::State& state) {
    const int options = static_cast<int>(state.range(0));
    const std::vector<uint8_t> data = pulse_train(8);
    ConverterSettings settings;
    settings.filter = options & 1;
    const ConditionerLimits lim = limits(8, settings).conditioner;
    static WindowQuotients quotients;
    window_quotients_fill(&quotients, lim);
    const QuotientView view = quotient_view(quotients);
    static ConditionerState st;
    for (auto _ : state) {
        double acc = 0;
        for (uint8_t b : data) {
            const int h = b - 128;
            Conditioned c;
            switch (options) {
                case 0:
                    c = condition_sample<false, false>(&st, h, lim, nullptr);
                    break;
                case 1:
                    c = condition_sample<true, false>(&st, h, lim, nullptr);
                    break;
                case 2:
                    c = condition_sample<false, true>(&st, h, lim, &view);
                    break;
                default:
                    c = condition_sample<true, true>(&st, h, lim, &view);
                    break;
            }
            acc += c.comparator_input;
        }
        benchmark::DoNotOptimize(acc);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kSamples));
}
BENCHMARK(BM_Conditioner)->Arg(0)->Arg(1)->Arg(2)->Arg(3);

/// The comparator and pulse measurement, one sample at a time.
void BM_PulseDetector(benchmark::State& state) {
    const std::vector<uint8_t> data = pulse_train(8);
    const DetectorLimits lim = limits(8).detector;
    std::vector<double> d;
    for (uint8_t b : data) d.push_back(1.1220184543019633 * (b - 128));
    for (auto _ : state) {
        PulseDetectorState st;
        pulse_detector_reset(&st, lim);
        unsigned bits = 0;
        BitEvent ev;
        for (size_t i = 0; i < d.size(); ++i)
            bits += pulse_detector_step(&st, d[i], i + 1, lim, &ev) ? 1 : 0;
        benchmark::DoNotOptimize(bits);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kSamples));
}
BENCHMARK(BM_PulseDetector);

/// Bits to blocks: a 65535-byte block per iteration; items are bits.
void BM_BlockAssembler(benchmark::State& state) {
    std::vector<uint8_t> tape(64, 0);
    tape.push_back(0xA5);
    tape.push_back('B');
    tape.push_back(0);
    const uint8_t header[4] = {0x00, 0x40, 0xFF, 0xFF};
    tape.insert(tape.end(), header, header + 4);
    unsigned sum = 0;
    for (unsigned i = 0; i < 65535; ++i) {
        tape.push_back(static_cast<uint8_t>(i * 31));
        sum += static_cast<uint8_t>(i * 31);
    }
    tape.push_back(static_cast<uint8_t>(sum));
    tape.push_back(0);
    FILE* quiet = std::freopen("/dev/null", "w", stderr);
    static AssemblerState st;
    for (auto _ : state) {
        assembler_reset(&st);
        int blocks = 0;
        for (uint8_t byte : tape) {
            for (int b = 7; b >= 0; --b) {
                const BitEvent ev{(byte >> b) & 1, 72, 1000, 1.0, false, false};
                blocks +=
                    assembler_push(&st, ev, 44100, false) == AssemblerEvent::kBlockDone ? 1 : 0;
            }
        }
        benchmark::DoNotOptimize(blocks);
    }
    if (quiet != nullptr) std::fflush(quiet);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * tape.size() * 8));
}
BENCHMARK(BM_BlockAssembler);

}  // namespace

BENCHMARK_MAIN();
