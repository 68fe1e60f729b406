// gimbalctl inspect FILE: what the tool makes of a firmware file, without a port.

#include <cstdio>
#include <nlohmann/json.hpp>

#include "gimbalctl/Commands.h"
#include "unitupgrade/FirmwareLoading.h"
#include "unitupgrade/Output.h"
#include "upgrade/FirmwareFile.h"
#include "upgrade/FirmwareVariables.h"

namespace gimbalctl {
namespace {

std::string kindText(int8_t updateRange) {
    switch (updateRange) {
        case 3:
            return "one image for ID3, the gimbal passes it on to ID2 and ID1";
        case 2:
            return "one image for ID2, the gimbal passes it on to ID1";
        default:
            return "three images, one per board";
    }
}

}  // namespace

int runInspect(const std::string& file, bool json) {
    std::string error;
    const std::optional<firmware::LoadResult> loaded = loadFirmwareFile(file, error);
    if (!loaded) {
        printFailure(json, {{"command", "inspect"}, {"file", file}}, error);
        return kBadInput;
    }
    const firmware::LoadResult& result = *loaded;
    const FirmwareVariables& v = firmwareVariables();

    nlohmann::json object = {{"file", file}, {"usable", result.usable}};
    if (!result.usable) {
        object["refusal"] = result.refusal;
        object["message"] = result.messages.front();
    } else {
        object["update_range"] = v.update_range;
        object["kind"] = kindText(v.update_range);
        object["hardware_version"] = result.versions.hardware.text();
        object["firmware_version"] = result.versions.firmware.text();
        object["maker_word_matches"] = result.makerWordMatches;
        nlohmann::json images = nlohmann::json::array();
        if (v.update_range == 3 || v.update_range == 2) {
            images.push_back({{"board", v.update_range == 3 ? "ID3" : "ID2"},
                              {"bytes", v.iFileLength},
                              {"blocks", v.Blocknum + v.LastBlock}});
        } else {
            for (int k = 3; k >= 1; --k) {  // served in this order
                images.push_back({{"board", "ID" + std::to_string(k)},
                                  {"bytes", v.iFileLength_id[k]},
                                  {"blocks", v.Blocknum_id[k] + v.LastBlock_id[k]}});
            }
        }
        object["images"] = images;
        object["progress_steps"] = result.maxProgress;
    }

    if (json) {
        printJson(object);
    } else if (!result.usable) {
        std::printf("%s: refused: %s\n", file.c_str(), result.refusal.c_str());
    } else {
        std::printf("%s\n", file.c_str());
        std::printf("  kind:              update_range 0x%02X, %s\n", v.update_range,
                    kindText(v.update_range).c_str());
        std::printf("  hardware version:  %s\n",
                    object["hardware_version"].get<std::string>().c_str());
        std::printf("  firmware version:  %s\n",
                    object["firmware_version"].get<std::string>().c_str());
        std::printf("  maker word:        %s\n",
                    result.makerWordMatches
                        ? "matches"
                        : "does not match (the window warns, the upgrade still runs)");
        for (const auto& image : object["images"]) {
            std::printf("  image for %s:     %lld bytes, %lld blocks\n",
                        image["board"].get<std::string>().c_str(), image["bytes"].get<long long>(),
                        image["blocks"].get<long long>());
        }
    }
    return result.usable ? kOk : kRefusedFile;
}

}  // namespace gimbalctl
