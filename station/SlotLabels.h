#pragma once
// The station's names for its slots (`--slots FILE`): each line "LABEL SLOT",
// such as "A1 pci-0000:00:14.0-usb-0:2.1:1.0", so that people read "A1" in
// the display, the record and the tally instead of a port's path. Blank
// lines and lines starting with # are skipped.

#include <map>
#include <optional>
#include <string>

#include "station/UnitSource.h"

namespace gimbalctl {

class SlotLabels {
public:
    SlotLabels() = default;  // no labels: every unit keeps its path

    // Reads the file; none with `error` naming the file and the line (a label
    // or slot missing, a slot or label given twice, a file that cannot be read).
    static std::optional<SlotLabels> read(const std::string& path, std::string& error);

    // The label of `slot`, or empty when it is not listed.
    std::string labelOf(const std::string& slot) const;
    // What people see for the unit: its slot's label, or its port's path when it has none.
    std::string nameOf(const UnitIdentity& unit) const;
    // Every slot listed, with its label.
    const std::map<std::string, std::string>& labels() const { return labels_; }

private:
    std::map<std::string, std::string> labels_;  // slot -> label
};

}  // namespace gimbalctl
