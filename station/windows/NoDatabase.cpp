// gimbalctl on Windows has no PostgreSQL client: `records` reads journals only.

#include "station/RecordDatabase.h"

namespace gimbalctl {

bool fetchRecords(const std::string&, std::time_t, std::vector<nlohmann::json>&,
                  std::string& error) {
    error = "--db is for Linux: on Windows gimbalctl records reads journals (--log FILE)";
    return false;
}

bool initDatabase(const std::string&, translations::Wording& text) {
    text = {N_("--db is for Linux: on Windows gimbalctl has no PostgreSQL client"), {}};
    return false;
}

}  // namespace gimbalctl
