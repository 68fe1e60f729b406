#pragma once
// gimbalctl's human texts in the user's language. On Linux through gettext:
// the language comes from LANGUAGE, LC_ALL, LC_MESSAGES and LANG; on Windows
// from the user's display language, with the catalogues compiled in. A text
// the catalogue lacks (or no catalogue, an unknown language, a locale that is
// not installed) stays English. JSON, records, journal lines, statuses and option
// names are never passed through here, so scripts read the same everywhere.
//
// Mark a human text with _("...") where it is shown, or with N_("...")
// (translations/Marked.h) where it is defined and shown elsewhere.

#include <string>
#include <vector>

#include "translations/Marked.h"

namespace gimbalctl {

// Reads the user's language once, at start. The catalogues are looked for in
// `locale` beside the program (the build tree), else where they are installed.
void setUpTranslation();

// The text in the user's language, or the text itself. On Linux a text
// gimbalctl's catalogue lacks is looked up in the system's, which has its
// error texts ("No such file or directory").
const char* translated(const char* english);
std::string translated(const std::string& english);

// The text with %1, %2... replaced by the arguments in that order: a
// translation may put them elsewhere.
std::string formatted(const std::string& text, const std::vector<std::string>& arguments);

// A wording from a part that does not translate, in the user's language
// (a value that is a system's error text too).
std::string shown(const translations::Wording& wording);
std::string shown(const translations::Sentences& sentences);

// An English line for a person, in the user's language: a text of the
// catalogue (with or without the line feed the core wrote it with), or one
// made of marked texts filled in with values (an open failure, a record's
// detail read back from the journal), found sentence by sentence.
std::string translatedLine(const std::string& english);

}  // namespace gimbalctl

#define _(text) ::gimbalctl::translated(text)
