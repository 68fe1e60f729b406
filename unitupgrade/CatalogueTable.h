#pragma once
// gimbalctl's catalogues compiled in, for the Windows program (no gettext
// there), built from translations/ by tools/catalogue-table.py: each
// language's translations of translations::kMarkedTexts, in their order.

namespace gimbalctl::catalogue {

struct Language {
    const char* code;          // "de", "zh_CN"; nullptr ends the list
    const char* const* texts;  // one per marked text, nullptr where untranslated
};

extern const Language kLanguages[];

}  // namespace gimbalctl::catalogue
