#pragma once
// English lines made of marked texts filled in with values, shown in the
// user's language: the line found sentence by sentence among the marked
// texts (every face's, listed at build time from translations/gimbalctl.pot
// by tools/catalogue-table.py), each filled in again in its translation. For
// a line that was put together before the face saw it: an open failure, a
// release error, a record's detail read back from the journal.

#include <cstddef>
#include <string>
#include <vector>

#include "translations/Marked.h"

namespace translations {

// Every text marked N_() or _() in the core, gimbalctl and the station.
extern const char* const kMarkedTexts[];
extern const std::size_t kMarkedTextCount;

// Whether `line` is `text` (with %1, %2...) filled in, and with which values.
bool filledInFrom(const char* text, const std::string& line, std::vector<std::string>& values);

// The line in the language `lookup` gives: the marked text it is, or the one
// of more than a few words that fits it whole, else its sentences (after
// ". " and at "; ", as the core joins them) each found so, and the values
// of a filled-in text found so in turn. Not found: English.
std::string translatedLine(const std::string& english, const Lookup& lookup);

}  // namespace translations
