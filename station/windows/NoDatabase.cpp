// gimbalctl on Windows has no PostgreSQL client: `records` reads journals only.

#include "station/RecordDatabase.h"

namespace gimbalctl {

bool fetchRecords(const std::string&, std::time_t, std::vector<nlohmann::json>&,
                  std::string& error) {
    error = "--db is for Linux: on Windows gimbalctl records reads journals (--log FILE)";
    return false;
}

}  // namespace gimbalctl
