#pragma once
// gimbalctl's human texts in the user's language, through gettext: the
// language comes from LANGUAGE, LC_ALL, LC_MESSAGES and LANG; a text the
// catalogue lacks (or no catalogue, an unknown language, a locale that is not
// installed) stays English. JSON, records, journal lines, statuses and option
// names are never passed through here, so scripts read the same everywhere.
//
// Mark a human text with _("...") where it is shown, or with N_("...")
// (translations/Marked.h) where it is defined and shown elsewhere.

#include <string>
#include <vector>

#include "translations/Marked.h"

namespace CLI {
class App;
}

namespace gimbalctl {

// Reads the user's language once, at start. The catalogues are looked for in
// `locale` beside the program (the build tree), else where they are installed.
void setUpTranslation();

// The text in the user's language, or the text itself.
const char* translated(const char* english);
std::string translated(const std::string& english);

// The text with %1, %2... replaced by the arguments in that order: a
// translation may put them elsewhere.
std::string formatted(const std::string& text, const std::vector<std::string>& arguments);

// A wording from a part that does not translate, in the user's language.
std::string shown(const translations::Wording& wording);

// A line of a text the core wrote with its line feed: found with or without it,
// or a version line an upgrade's process filled in (by its wording).
std::string translatedLine(const std::string& english);

// The words of --help that CLI11 writes itself (Usage, OPTIONS, REQUIRED, the
// groups' names, the help and version options) in the user's language, for
// the program and each of its commands, and every option at least two spaces
// from its description. Once every option is added.
void translateHelp(CLI::App& app);

}  // namespace gimbalctl

#define _(text) ::gimbalctl::translated(text)
