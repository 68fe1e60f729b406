// gimbalctl inspect FILE: what the tool makes of a firmware file, without a port.

#include <cstdio>
#include <nlohmann/json.hpp>

#include "gimbalctl/Commands.h"
#include "unitupgrade/FirmwareLoading.h"
#include "unitupgrade/Output.h"
#include "unitupgrade/Translation.h"
#include "upgrade/FirmwareFile.h"
#include "upgrade/FirmwareVariables.h"

namespace gimbalctl {
namespace {

const char* kindText(int8_t updateRange) {
    switch (updateRange) {
        case 3:
            return N_("one image for ID3, the gimbal passes it on to ID2 and ID1");
        case 2:
            return N_("one image for ID2, the gimbal passes it on to ID1");
        default:
            return N_("three images, one per board");
    }
}

void printLine(const char* text, const std::vector<std::string>& values) {
    std::printf("%s\n", formatted(translated(text), values).c_str());
}

}  // namespace

int runInspect(const std::string& file, bool json) {
    std::string error;
    const std::optional<firmware::LoadResult> loaded = loadFirmwareFile(file, error);
    if (!loaded) {
        printFailure(json, {{"command", "inspect"}, {"file", file}}, error);  // shown translated
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
        printLine(N_("%1: refused: %2"), {file, translatedLine(result.refusal)});
    } else {
        char range[8];
        std::snprintf(range, sizeof range, "0x%02X", static_cast<unsigned>(v.update_range & 0xFF));
        std::printf("%s\n", file.c_str());
        printLine(N_("  kind:              update_range %1, %2"),
                  {range, translated(kindText(v.update_range))});
        printLine(N_("  hardware version:  %1"), {object["hardware_version"].get<std::string>()});
        printLine(N_("  firmware version:  %1"), {object["firmware_version"].get<std::string>()});
        printLine(result.makerWordMatches
                      ? N_("  maker word:        matches")
                      : N_("  maker word:        does not match (the window warns, the upgrade "
                           "still runs)"),
                  {});
        for (const auto& image : object["images"]) {
            printLine(
                N_("  image for %1:     %2 bytes, %3 blocks"),
                {image["board"].get<std::string>(), image["bytes"].dump(), image["blocks"].dump()});
        }
    }
    return result.usable ? kOk : kRefusedFile;
}

}  // namespace gimbalctl
