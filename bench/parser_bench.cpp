// Throughput of the receive parser and reply decoder over a realistic stream:
// calibration replies, block requests and reports that need no answer, and
// line noise, handed over in reads of up to 1024 bytes as the reader does.
// Also counts heap allocations made while parsing (expected: none).

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>

#include "bench/ParseStream.h"
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

void BM_ParseAndDecode(benchmark::State& state) {
    protocolParserState().reset();
    firmwareVariables().reset();
    firmwareVariables().update_range = 3;
    auto port = ULXSerialPort::serialPortWithDevice(
        SerialDevice::forNode("/dev/bench"));
    const std::vector<uint8_t> stream = makeStream();
    const std::vector<std::size_t> cuts = readSizes(stream);
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
