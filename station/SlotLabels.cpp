#include "station/SlotLabels.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace gimbalctl {

std::optional<SlotLabels> SlotLabels::read(const std::string& path, std::string& error) {
    std::error_code ignored;
    std::ifstream in(path, std::ios::binary);
    if (!in || std::filesystem::is_directory(path, ignored)) {
        error = path + ": cannot be read";
        return std::nullopt;
    }
    SlotLabels labels;
    std::map<std::string, int> slotLine, labelLine;  // where each was given
    std::map<std::string, std::string> slotOfLabel;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        std::istringstream fields(line);
        std::vector<std::string> words;
        for (std::string word; fields >> word;) words.push_back(word);
        if (words.empty() || words.front().front() == '#') continue;
        const std::string where = path + ":" + std::to_string(number) + ": ";
        if (words.size() != 2) {
            error = where +
                    (words.size() == 1 ? "\"" + words[0] + "\" alone: a label or a slot is missing"
                                       : std::string("more than a label and a slot")) +
                    "; each line is LABEL SLOT, such as A1 pci-0000:00:14.0-usb-0:2.1:1.0";
            return std::nullopt;
        }
        const std::string& label = words[0];
        const std::string& slot = words[1];
        if (slotLine.count(slot)) {
            error = where + "slot " + slot + " is already labelled " + labels.labels_[slot] +
                    " on line " + std::to_string(slotLine[slot]);
            return std::nullopt;
        }
        if (labelLine.count(label)) {
            error = where + "label " + label + " already names slot " + slotOfLabel[label] +
                    " on line " + std::to_string(labelLine[label]);
            return std::nullopt;
        }
        slotLine[slot] = labelLine[label] = number;
        slotOfLabel[label] = slot;
        labels.labels_[slot] = label;
    }
    if (in.bad()) {
        error = path + ": cannot be read";
        return std::nullopt;
    }
    return labels;
}

std::string SlotLabels::labelOf(const std::string& slot) const {
    const auto found = labels_.find(slot);
    return found == labels_.end() ? std::string() : found->second;
}

std::string SlotLabels::nameOf(const UnitIdentity& unit) const {
    const std::string label = labelOf(unit.slot);
    return label.empty() ? unit.port : label;
}

}  // namespace gimbalctl
