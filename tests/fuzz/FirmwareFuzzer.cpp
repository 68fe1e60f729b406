// Fuzzes the firmware file loader and then every block sender over every
// block number: no read outside the file, and each sender's answer agrees
// with the block counts the loader set (0 block, 1 end of image, 2 past the end).

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "serial/ULXSerialPort.h"
#include "upgrade/FirmwareFile.h"
#include "upgrade/FirmwareVariables.h"

namespace {

void expectAnswer(int8_t answer, int block, int64_t blocks, const char* sender) {
    const int8_t expected = block < 0 || block > blocks ? 2 : block == blocks ? 1 : 0;
    if (answer != expected) {
        std::fprintf(stderr, "%s(%d) answered %d, expected %d for %lld blocks\n", sender, block,
                     answer, expected, static_cast<long long>(blocks));
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const auto port = [] {
        setPauseAfterBlock(std::chrono::milliseconds(0));
        return ULXSerialPort::serialPortWithDevice(SerialDevice::forNode("/dev/fuzz-firmware"));
    }();
    static const char* const kNames[] = {"fw.plov", "fw.1plov", "fw.2plov", "fw.3plov", "fw.bin"};

    FuzzedDataProvider input(data, size);
    const std::string name = kNames[input.ConsumeIntegralInRange<int>(0, 4)];
    const bool unreadable = input.ConsumeBool() && input.ConsumeBool() && input.ConsumeBool();
    auto content = input.ConsumeRemainingBytes<uint8_t>();
    const auto result =
        unreadable ? firmware::load(name, std::nullopt) : firmware::load(name, std::move(content));

    const FirmwareVariables& v = firmwareVariables();
    if (!result.usable && (v.iFileLength != 0 || v.update_range != 0)) {
        std::fprintf(stderr, "a refused file left a usable file behind\n");
        std::abort();
    }
    const bool single = v.update_range == 2 || v.update_range == 3;
    const bool multi = v.update_range >= 0x11 && v.update_range <= 0x13;
    for (int block = -1; block <= 257; ++block) {
        const int8_t a = port->SendFirwareData(block);
        const int8_t b = port->SendFirwareData0x02(block);
        const int8_t c = port->SendFirwareData0x01(block);
        if (single) {
            const int64_t blocks = v.Blocknum + v.LastBlock;
            expectAnswer(a, block, blocks, "SendFirwareData");
            expectAnswer(b, block, blocks, "SendFirwareData0x02");
            expectAnswer(c, block, blocks, "SendFirwareData0x01");
        }
        for (int id = 0; id <= 4; ++id) {
            const int8_t answer = port->SendFirwareData2(block, id);
            if (multi && id >= 1 && id <= 3) {
                expectAnswer(answer, block, v.Blocknum_id[id] + v.LastBlock_id[id],
                             "SendFirwareData2");
            }
        }
    }
    return 0;
}
