// Throughput of the receive parser and reply decoder over a realistic stream:
// calibration replies, block requests and reports that need no answer, and
// line noise, handed over in reads of up to 1024 bytes as the reader does.
// Also counts heap allocations made while parsing (expected: none).

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>

#include "protocol/Frame.h"
#include "protocol/ParserState.h"
#include "serial/ULXSerialPort.h"
#include "upgrade/FirmwareVariables.h"

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

std::vector<uint8_t> makeStream() {
    std::mt19937 rng(7);
    std::vector<uint8_t> stream;
    auto add = [&](const std::vector<uint8_t>& f) { stream.insert(stream.end(), f.begin(), f.end()); };
    while (stream.size() < (1u << 20)) {
        add(frame::make(1, 0x40, {1, 0, 2, 0, 3, 0}));
        add(frame::make(1, 0x41, {1, 0xE8, 0x03, 0xF6, 0xFF, 0, 0}));
        add(frame::make(3, 0x34, {5, 1, 10, 2}));
        add(frame::make(3, 0x38, {0xD0, 0x07, 0xDA, 0x07}));
        // Block requests for ID1 while a single image for ID3 is loaded, and
        // block reports outside state 3: decoded, answered with nothing.
        add(frame::make(1, 0xE3, {static_cast<uint8_t>(rng() & 0xFF)}));
        add(frame::make(2, 0xE5, {static_cast<uint8_t>(rng() & 0xFF)}));
        // A long frame of an unknown command, as big as a firmware block.
        add(frame::make(2, 0x77, std::vector<uint8_t>(1059, 0x5A)));
        for (int i = 0; i < 64; ++i) {
            uint8_t b = static_cast<uint8_t>(rng());
            stream.push_back(b == 0xAA ? 0x00 : b);
        }
    }
    return stream;
}

void BM_ParseAndDecode(benchmark::State& state) {
    protocolParserState().reset();
    firmwareVariables().reset();
    firmwareVariables().update_range = 3;
    auto port = ULXSerialPort::serialPortWithDevice(
        SerialDevice::forNode("/dev/bench"));
    const std::vector<uint8_t> stream = makeStream();
    std::mt19937 rng(11);
    std::vector<std::size_t> cuts;
    for (std::size_t pos = 0; pos < stream.size();) {
        const std::size_t n = std::min<std::size_t>(1 + rng() % 1024, stream.size() - pos);
        cuts.push_back(n);
        pos += n;
    }
    long reads = 0;
    const long before = allocations.load();
    for (auto _ : state) {
        const uint8_t* p = stream.data();
        for (std::size_t n : cuts) {
            port->MAIN_USART_PLOV_PROTOCOL_RUN(p, n);
            p += n;
        }
        reads += static_cast<long>(cuts.size());
        benchmark::DoNotOptimize(port->m_MessageShow_Flag.load());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
    state.counters["allocs_per_read"] =
        static_cast<double>(allocations.load() - before) / static_cast<double>(reads);
}
BENCHMARK(BM_ParseAndDecode)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
